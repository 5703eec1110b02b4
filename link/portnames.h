// What the operator may type or pick in the port list, and the device each entry opens.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// The entry that opens the built-in reader simulator instead of a device.
inline const QString kSimulatorPort = QStringLiteral("Simulator");

// A serial device the system reports: its path and what the system says it is (often empty for
// built-in ports, "USB-Serial Controller" and the like for adapters).
struct SerialDevice {
    QString path;
    QString description;
};
using SerialDeviceLister = std::function<std::vector<SerialDevice>()>;

// "COM1" .. "COM10" (exact text) give 1 .. 10; anything else gives nothing.
std::optional<int> ComPortNumber(const QString& text);
// Port n names /dev/ttyS(n-1), the usual Linux numbering.
QString DeviceForComPort(int number);

// A listed device's entry: "/dev/ttyUSB0 — USB-Serial Controller", or the path alone when the
// system gives no description.
QString PortEntryText(const SerialDevice& device);
// The inverse: the path of a listed device's entry; any other text comes back unchanged.
QString PortPathOfEntry(const QString& text);

// The device a port-list text opens: a COM entry's device, a listed device's path, a typed
// absolute device path as it stands, or the simulator entry. Anything else opens nothing.
std::optional<QString> DeviceForPortText(const QString& text);

// The serial devices the system reports now (through Qt Serial Port, unless a lister was set).
std::vector<SerialDevice> SerialDevices();
// Replaces where SerialDevices looks (tests supply their own devices); an empty lister restores
// the system's.
void SetSerialDeviceLister(SerialDeviceLister lister);

// The port list: "COM1" .. "COM10", the simulator entry, then an entry for every serial device
// the system reports that is not one of the COM entries already.
QStringList PortListEntries();
