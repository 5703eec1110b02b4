// CStatusBar: the main window's status bar. It says where the program talks (port and rate), the
// reader's firmware once known, and what the program is doing: idle, waiting for the reader's
// answer (with the time waited, and a Cancel button once the answer is late), or reading a
// multi-tag stream (records, rate, distinct tags).
//
// The window tells it of each request sent, and asks it to look again after each answer; one
// timer updates the figures about once a second while something is under way. Every text is a
// label with an accessible name, so screen readers read it.
#pragma once

#include <QElapsedTimer>
#include <QStatusBar>
#include <QTimer>
#include <functional>

class QLabel;
class QPushButton;

class CStatusBar : public QStatusBar {
    Q_OBJECT
public:
    // How long an answer may take before the bar says it is late and offers Cancel. Tests
    // shorten it.
    static inline int s_waitThresholdMs = 2000;
    static constexpr int kTickMs = 1000;

    // What the window is doing now.
    struct Activity {
        enum Kind { Idle, Waiting, Streaming };
        Kind kind = Idle;
        // Waiting: the operation, its step (0 for an operation of one exchange), whether Cancel
        // may end it.
        QString operation;
        int step = 0;
        int steps = 0;
        bool cancellable = true;
        // Streaming: records of this stream and the distinct tags among them.
        qint64 records = 0;
        int distinct = 0;
    };
    using ActivitySource = std::function<Activity()>;

    explicit CStatusBar(QWidget* parent = nullptr);

    void SetActivitySource(ActivitySource source);
    // The port the program talks on ("Simulator" or a device path) and its rate; an empty port
    // shows that it is not connected.
    void SetPort(const QString& port, const QString& baud);
    // "V1.2"; empty while not known.
    void SetFirmware(const QString& version);
    // A request went out: the wait for its answer starts now.
    void RequestSent();
    // Looks at the activity again (after an answer, or whatever may have ended an operation).
    void Refresh();

    QString StateText() const;
    QString PortText() const;
    QString FirmwareText() const;

signals:
    // The operator gave up waiting.
    void CancelClicked();

private:
    class CStateArea;

    void ShowState(const QString& text);
    void Show(const Activity& activity, bool force);
    void ScheduleTick(qint64 waitedMs);

    ActivitySource m_source;
    CStateArea* m_stateArea = nullptr;
    QLabel* m_state = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_port = nullptr;
    QLabel* m_firmware = nullptr;
    QTimer m_tick;
    Activity m_shown;
    QElapsedTimer m_waited;    // since the last request
    QElapsedTimer m_sinceTick; // streaming: since the last rate figure
    qint64 m_recordsAtTick = 0;
    qint64 m_rate = 0;
};
