// The back-end behind the serial control: a real serial device, or the reader simulator.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Line settings from a "9600,n,8,1" settings string.
struct LineSettings {
    qint32 baud = 9600;
    char parity = 'n'; // n, e, o, m or s
    int dataBits = 8;
    int stopBits = 1;
};

enum class OpenFailure { None, NotFound, PermissionDenied, Busy, BadSettings, Other };

class ICommBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ICommBackend() override = default;

    // Opens the device. On failure returns false and fills the failure kind and a short text
    // naming the cause (for the operation list).
    virtual bool Open(const LineSettings& settings, OpenFailure* failure, QString* errorText) = 0;
    // Closes the device. Output handed to Write before must still reach the line: the back-end
    // waits for it to be written, with a bound.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Changes the line settings of an open device. Back-ends without a line ignore it.
    virtual bool ApplySettings(const LineSettings& settings) {
        (void)settings;
        return true;
    }
    virtual void Write(const QByteArray& bytes) = 0;
    // Returns and removes every byte waiting.
    virtual QByteArray ReadAll() = 0;

signals:
    // Bytes are waiting (the back-end delivers it on the thread that owns it).
    void DataReady();
    // The device went away while open (for instance a USB adapter pulled out). The back-end has
    // closed itself when this is emitted.
    void DeviceLost(const QString& text);
};
