// CMSComm: the serial control of the main window.
//
// It keeps the members the program relies on (CommPort, Settings, PortOpen, InputMode,
// RThreshold, InputLen, Input, Output, CommEvent and the receive event OnComm) as plain methods
// and one signal, over a back-end chosen by the device name: a real serial device, or the reader
// simulator for the "Simulator" entry. Events arrive on the thread that owns the object.
#pragma once

#include "link/commbackend.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class CMSComm : public QObject {
    Q_OBJECT
public:
    // CommEvent value of a receive event.
    static constexpr short kEvReceive = 2;

    using BackendFactory = std::function<std::unique_ptr<ICommBackend>(const QString& device)>;

    explicit CMSComm(QObject* parent = nullptr);
    ~CMSComm() override;

    // Replaces how back-ends are made for a device name (tests, the simulator entry).
    void SetBackendFactory(BackendFactory factory);
    // The back-end of the current device, made on first use (nullptr before any device is set).
    ICommBackend* Backend() { return m_backend; }

    // Port 1 .. 10 opens /dev/ttyS0 .. /dev/ttyS9. Takes effect at the next open.
    void SetCommPort(short port);
    short GetCommPort() const { return m_commPort; }
    // A device path, or the simulator entry, instead of a port number.
    void SetDevice(const QString& device);
    QString Device() const { return m_device; }

    // "9600,n,8,1". Text that does not parse makes the next open fail.
    void SetSettings(const QString& settings);
    QString GetSettings() const { return m_settings; }

    bool GetPortOpen() const;
    // Opening can fail; LastOpenFailure and LastErrorText tell why.
    void SetPortOpen(bool open);
    OpenFailure LastOpenFailure() const { return m_lastFailure; }
    QString LastErrorText() const { return m_lastError; }

    void SetInputMode(long mode) { m_inputMode = mode; }
    void SetRThreshold(short threshold) { m_rThreshold = threshold; }
    void SetInputLen(short length) { m_inputLen = length; }
    // Returns and removes every waiting byte (or at most InputLen bytes when it is not 0).
    QByteArray GetInput();
    // Transmits the bytes; nothing is sent while the port is closed.
    void SetOutput(const QByteArray& bytes);
    short GetCommEvent() const { return m_commEvent; }

    static std::optional<LineSettings> ParseSettings(const QString& settings);

signals:
    // The receive event: bytes are waiting (CommEvent is 2).
    void OnComm();
    // The open device went away; the port is closed now.
    void DeviceLost(const QString& text);

private:
    void MakeBackend();
    void OnDataReady();

    BackendFactory m_factory;
    // Every back-end made so far, by device name: a device keeps its back-end (and the simulator
    // its reader's memory and tags) while the operator switches ports.
    std::map<QString, std::unique_ptr<ICommBackend>> m_backends;
    ICommBackend* m_backend = nullptr;
    QString m_device;
    short m_commPort = 1;
    QString m_settings = QStringLiteral("9600,n,8,1");
    long m_inputMode = 0;
    short m_rThreshold = 0;
    short m_inputLen = 0;
    short m_commEvent = 0;
    QByteArray m_pending; // bytes read from the back-end but not yet taken by GetInput
    OpenFailure m_lastFailure = OpenFailure::None;
    QString m_lastError;
};
