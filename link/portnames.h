// What the operator may type or pick in the port list, and the device each entry opens.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The entry that opens the built-in reader simulator instead of a device.
inline const QString kSimulatorPort = QStringLiteral("Simulator");

// "COM1" .. "COM10" (exact text) give 1 .. 10; anything else gives nothing.
std::optional<int> ComPortNumber(const QString& text);
// Port n names /dev/ttyS(n-1), the usual Linux numbering.
QString DeviceForComPort(int number);
// The device a port-list text opens: a COM entry's device, a typed absolute device path as it
// stands, or the simulator entry. Anything else opens nothing.
std::optional<QString> DeviceForPortText(const QString& text);
// The port list: "COM1" .. "COM10", the simulator entry, then every serial device the system
// reports that is not one of the COM entries already.
QStringList PortListEntries();
