#include "ui/cstatusbar.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace {

// A label reads as "caption: text" to a screen reader.
void SetLabel(QLabel* label, const QString& caption, const QString& text) {
    label->setText(text);
    label->setAccessibleName(caption + QStringLiteral(": ") + text);
}

} // namespace

// The state text changes with every request and every answer. A label in the bar's layout would
// have the bar, and the window after it, measured and placed again at each change, and the bar
// and the window's background under the label repainted. Here the label is not in a layout: it
// has the area's size, fixed, and paints its own background, so a new text repaints the label
// alone. The area asks the bar for the widest text it has shown, so every text stays whole; only
// a text wider than all before it lays the bar out again.
class CStatusBar::CStateArea : public QWidget {
public:
    explicit CStateArea(QWidget* parent) : QWidget(parent), m_label(new QLabel(this)) {
        m_label->setAutoFillBackground(true);
    }
    QLabel* Label() const { return m_label; }
    QSize sizeHint() const override { return m_need; }
    QSize minimumSizeHint() const override { return m_need; }
    // After each text change: grows the area if the text is wider than any before.
    // (The label's own minimumSizeHint lays the text out in a rectangle: several times dearer
    // than its width on one line, which is what a plain one-line label needs.)
    void Fit() {
        const QMargins margins = m_label->contentsMargins();
        const int extra = 2 * m_label->margin();
        const QFontMetricsF metrics(m_label->font());
        const QSize text(static_cast<int>(std::ceil(metrics.horizontalAdvance(m_label->text()))),
                         static_cast<int>(std::ceil(metrics.height())));
        const QSize need = (text + QSize(margins.left() + margins.right() + extra,
                                         margins.top() + margins.bottom() + extra))
                               .expandedTo(m_need);
        if (need == m_need)
            return;
        m_need = need;
        updateGeometry();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        m_label->setFixedSize(size());
        QWidget::resizeEvent(event);
    }
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
            m_need = {};
            Fit();
        }
        QWidget::changeEvent(event);
    }

private:
    QLabel* m_label;
    QSize m_need;
};

CStatusBar::CStatusBar(QWidget* parent) : QStatusBar(parent) {
    m_stateArea = new CStateArea(this);
    m_state = m_stateArea->Label();
    m_state->setObjectName(QStringLiteral("statusState"));
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelWaitingButton"));
    m_cancel->setAccessibleName(tr("Cancel waiting"));
    m_cancel->hide();
    m_port = new QLabel(this);
    m_port->setObjectName(QStringLiteral("statusPort"));
    m_firmware = new QLabel(this);
    m_firmware->setObjectName(QStringLiteral("statusFirmware"));
    addWidget(m_stateArea, 1);
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
    ShowState(tr("Idle"));
}

void CStatusBar::ShowState(const QString& text) {
    SetLabel(m_state, tr("State"), text);
    m_stateArea->Fit();
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
    ShowState(text);
    m_cancel->setVisible(cancel);
}

// The next tick comes when the answer becomes late, and at each whole second waited.
void CStatusBar::ScheduleTick(qint64 waited) {
    qint64 next = kTickMs - waited % kTickMs;
    if (waited < s_waitThresholdMs)
        next = std::min<qint64>(next, s_waitThresholdMs - waited);
    m_tick.start(static_cast<int>(std::max<qint64>(1, next)));
}
