// The device back-end: a real serial device through QSerialPort.
#pragma once

#include "link/commbackend.h"

#include <QSerialPort>

class CSerialPortBackend : public ICommBackend {
    Q_OBJECT
public:
    // How long Close waits for output still on its way to the line.
    static constexpr int kFlushTimeoutMs = 200;

    explicit CSerialPortBackend(const QString& device, QObject* parent = nullptr);

    bool Open(const LineSettings& settings, OpenFailure* failure, QString* errorText) override;
    void Close() override;
    bool IsOpen() const override { return m_port.isOpen(); }
    bool ApplySettings(const LineSettings& settings) override;
    void Write(const QByteArray& bytes) override;
    QByteArray ReadAll() override { return m_port.readAll(); }

private:
    void OnError(QSerialPort::SerialPortError error);

    QString m_device;
    QSerialPort m_port;
};
