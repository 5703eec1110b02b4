#include "link/portnames.h"

#include <QSerialPortInfo>

namespace {

// Between a listed device's path and its description.
const QString kDescriptionSeparator = QStringLiteral(" \u2014 ");

SerialDeviceLister& Lister() {
    static SerialDeviceLister lister;
    return lister;
}

std::vector<SerialDevice> SystemSerialDevices() {
    std::vector<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices.push_back({info.systemLocation(), info.description().trimmed()});
    return devices;
}

} // namespace

std::optional<int> ComPortNumber(const QString& text) {
    for (int n = 1; n <= 10; ++n)
        if (text == QStringLiteral("COM%1").arg(n))
            return n;
    return std::nullopt;
}

QString DeviceForComPort(int number) {
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
}

QString PortEntryText(const SerialDevice& device) {
    if (device.description.isEmpty())
        return device.path;
    return device.path + kDescriptionSeparator + device.description;
}

QString PortPathOfEntry(const QString& text) {
    // Only an absolute path carries a description; a path holds no separator of its own.
    if (!text.startsWith(QLatin1Char('/')))
        return text;
    const qsizetype at = text.indexOf(kDescriptionSeparator);
    return at < 0 ? text : text.left(at);
}

std::optional<QString> DeviceForPortText(const QString& text) {
    if (auto n = ComPortNumber(text))
        return DeviceForComPort(*n);
    if (text == kSimulatorPort)
        return text;
    const QString path = PortPathOfEntry(text);
    if (path.startsWith(QLatin1Char('/')) && path.size() > 1 && !path.contains(QChar(0)))
        return path;
    return std::nullopt;
}

std::vector<SerialDevice> SerialDevices() {
    return Lister() ? Lister()() : SystemSerialDevices();
}

void SetSerialDeviceLister(SerialDeviceLister lister) {
    Lister() = std::move(lister);
}

QStringList PortListEntries() {
    QStringList entries;
    for (int n = 1; n <= 10; ++n)
        entries << QStringLiteral("COM%1").arg(n);
    entries << kSimulatorPort;
    QStringList paths;
    for (int n = 1; n <= 10; ++n)
        paths << DeviceForComPort(n);
    for (const SerialDevice& device : SerialDevices()) {
        if (device.path.isEmpty() || paths.contains(device.path))
            continue;
        paths << device.path;
        entries << PortEntryText(device);
    }
    return entries;
}
