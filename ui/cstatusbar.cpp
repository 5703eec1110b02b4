#include "ui/cstatusbar.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace {

// A label reads as "caption: text" to a screen reader.
void SetLabel(QLabel* label, const QString& caption, const QString& text) {
    label->setText(text);
    label->setAccessibleName(caption + QStringLiteral(": ") + text);
}

} // namespace

CStatusBar::CStatusBar(QWidget* parent) : QStatusBar(parent) {
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("statusState"));
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelWaitingButton"));
    m_cancel->setAccessibleName(tr("Cancel waiting"));
    m_cancel->hide();
    m_port = new QLabel(this);
    m_port->setObjectName(QStringLiteral("statusPort"));
    m_firmware = new QLabel(this);
    m_firmware->setObjectName(QStringLiteral("statusFirmware"));
    addWidget(m_state, 1);
    addWidget(m_cancel);
    addPermanentWidget(m_port);
    addPermanentWidget(m_firmware);

    m_tick.setSingleShot(true);
    m_tick.setTimerType(Qt::PreciseTimer);
    connect(&m_tick, &QTimer::timeout, this, [this] {
        if (m_source)
            Show(m_source(), true);
    });
    connect(m_cancel, &QPushButton::clicked, this, &CStatusBar::CancelClicked);
    m_waited.start();
    m_sinceTick.start();
    SetPort({}, {});
    SetFirmware({});
    SetLabel(m_state, tr("State"), tr("Idle"));
}

void CStatusBar::SetActivitySource(ActivitySource source) {
    m_source = std::move(source);
    Refresh();
}

void CStatusBar::SetPort(const QString& port, const QString& baud) {
    SetLabel(m_port, tr("Port"),
             port.isEmpty() ? tr("Not connected") : tr("%1, %2 bit/s").arg(port, baud));
}

void CStatusBar::SetFirmware(const QString& version) {
    SetLabel(m_firmware, tr("Firmware"), tr("Firmware %1").arg(version));
    m_firmware->setVisible(!version.isEmpty());
}

void CStatusBar::RequestSent() {
    m_waited.restart();
    // Looked at once the handler that sent it has set its pending marks.
    m_tick.start(0);
}

void CStatusBar::Refresh() {
    if (m_source)
        Show(m_source(), false);
}

QString CStatusBar::StateText() const {
    return m_state->text();
}
QString CStatusBar::PortText() const {
    return m_port->text();
}
QString CStatusBar::FirmwareText() const {
    return m_firmware->isVisibleTo(this) ? m_firmware->text() : QString();
}

// Changes of the operation or its step show at once; the figures that run on (time waited,
// records) change only when forced: at a request and at the timer's tick.
void CStatusBar::Show(const Activity& a, bool force) {
    const bool changed =
        a.kind != m_shown.kind || a.operation != m_shown.operation || a.step != m_shown.step;
    if (!changed && !force)
        return;
    const bool streamStarts = a.kind == Activity::Streaming && m_shown.kind != Activity::Streaming;
    m_shown = a;
    QString text;
    bool cancel = false;
    switch (a.kind) {
    case Activity::Idle:
        text = tr("Idle");
        m_tick.stop();
        break;
    case Activity::Waiting: {
        const qint64 waited = m_waited.elapsed();
        const QString seconds = QString::number(waited / 1000);
        text = a.steps > 0 ? tr("Waiting for the reader: %1, step %2 of %3, %4 s")
                                 .arg(a.operation)
                                 .arg(a.step)
                                 .arg(a.steps)
                                 .arg(seconds)
                           : tr("Waiting for the reader: %1, %2 s").arg(a.operation, seconds);
        cancel = a.cancellable && waited >= s_waitThresholdMs;
        ScheduleTick(waited);
        break;
    }
    case Activity::Streaming:
        if (streamStarts) {
            m_recordsAtTick = 0;
            m_rate = 0;
            m_sinceTick.restart();
        } else if (const qint64 span = m_sinceTick.elapsed(); span > 0) {
            // Fewer records than at the last tick: the count began again (the Inventory was
            // cleared) and all of them came since.
            const qint64 base = a.records >= m_recordsAtTick ? m_recordsAtTick : 0;
            m_rate = (a.records - base) * 1000 / span;
            m_recordsAtTick = a.records;
            m_sinceTick.restart();
        }
        text = tr("Streaming: %1, %2/s, %3")
                   .arg(a.records == 1 ? tr("1 record") : tr("%1 records").arg(a.records))
                   .arg(m_rate)
                   .arg(a.distinct == 1 ? tr("1 distinct tag")
                                        : tr("%1 distinct tags").arg(a.distinct));
        m_tick.start(kTickMs);
        break;
    }
    SetLabel(m_state, tr("State"), text);
    m_cancel->setVisible(cancel);
}

// The next tick comes when the answer becomes late, and at each whole second waited.
void CStatusBar::ScheduleTick(qint64 waited) {
    qint64 next = kTickMs - waited % kTickMs;
    if (waited < s_waitThresholdMs)
        next = std::min<qint64>(next, s_waitThresholdMs - waited);
    m_tick.start(static_cast<int>(std::max<qint64>(1, next)));
}
