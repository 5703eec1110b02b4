#include "link/portnames.h"

#include <QSerialPortInfo>

std::optional<int> ComPortNumber(const QString& text) {
    for (int n = 1; n <= 10; ++n)
        if (text == QStringLiteral("COM%1").arg(n))
            return n;
    return std::nullopt;
}

QString DeviceForComPort(int number) {
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
}

std::optional<QString> DeviceForPortText(const QString& text) {
    if (auto n = ComPortNumber(text))
        return DeviceForComPort(*n);
    if (text == kSimulatorPort)
        return text;
    if (text.startsWith(QLatin1Char('/')) && text.size() > 1 && !text.contains(QChar(0)))
        return text;
    return std::nullopt;
}

QStringList PortListEntries() {
    QStringList entries;
    for (int n = 1; n <= 10; ++n)
        entries << QStringLiteral("COM%1").arg(n);
    entries << kSimulatorPort;
    QStringList comDevices;
    for (int n = 1; n <= 10; ++n)
        comDevices << DeviceForComPort(n);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString path = info.systemLocation();
        if (!comDevices.contains(path) && !entries.contains(path))
            entries << path;
    }
    return entries;
}
