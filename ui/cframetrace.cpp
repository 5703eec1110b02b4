#include "ui/cframetrace.h"
#include "ui/filechooser.h"

#include "ui/screenfit.h"
#include "ui_cframetrace.h"
#include "widgets/messagebox.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableView>
#include <QTime>
#include <algorithm>

CFrameTrace::CFrameTrace(QWidget* parent) : QDialog(parent) {
    Ui::FrameTrace form;
    form.setupUi(this);
    setModal(false);
    m_about = form.frameTraceAbout;
    m_count = form.frameTraceCount;
    m_view = form.frameTraceView;
    m_view->setModel(&m_model);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setWordWrap(false);
    m_view->setShowGrid(false);
    m_view->verticalHeader()->hide();
    // Fixed row heights keep a view of many thousand lines cheap.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setColumnWidth(CFrameTraceModel::TimeColumn, 90);
    m_view->setColumnWidth(CFrameTraceModel::DirectionColumn, 80);
    m_view->setColumnWidth(CFrameTraceModel::BytesColumn, 420);
    m_view->installEventFilter(this);
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* copyAction = new QAction(tr("&Copy"), m_view);
    copyAction->setObjectName(QStringLiteral("frameTraceCopyAction"));
    connect(copyAction, &QAction::triggered, this, &CFrameTrace::CopySelected);
    auto* copyAllAction = new QAction(tr("Copy &All"), m_view);
    connect(copyAllAction, &QAction::triggered, this, &CFrameTrace::CopyAll);
    m_view->addActions({copyAction, copyAllAction});
    connect(form.frameTraceCopyButton, &QPushButton::clicked, this, &CFrameTrace::CopySelected);
    connect(form.frameTraceCopyAllButton, &QPushButton::clicked, this, &CFrameTrace::CopyAll);
    connect(form.frameTraceSaveButton, &QPushButton::clicked, this, &CFrameTrace::OnSave);
    connect(form.frameTraceClearButton, &QPushButton::clicked, this, &CFrameTrace::OnClear);
    connect(form.frameTraceCloseButton, &QPushButton::clicked, this, &QDialog::reject);

    m_tick.setSingleShot(true);
    m_tick.setInterval(kFlushMs);
    connect(&m_tick, &QTimer::timeout, this, &CFrameTrace::Flush);
    StartClock();
    UpdateCount();
    OpenAtPreferredSize(this, WithColumnsShown(this, m_view));
}

void CFrameTrace::StartClock() {
    m_clock.start();
    m_about->setText(
        tr("Every frame sent to and received from the reader, timed in milliseconds since the "
           "trace started at %1. The newest %2 lines are kept; faulty frames are shown in red.")
            .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")),
                 QLocale(QLocale::English).toString(CFrameTraceModel::kMaxLines)));
}

// ---- collecting ----

void CFrameTrace::Add(TraceLine line) {
    line.ms = m_clock.elapsed();
    m_pending.push_back(std::move(line));
    if (m_pending.size() >= static_cast<std::size_t>(CFrameTraceModel::kMaxLines))
        Flush(); // the event loop is held up: keep what waits within the limit too
    else if (!m_tick.isActive())
        m_tick.start();
}

void CFrameTrace::AddReceived(std::vector<TracePiece>& pieces) {
    for (TracePiece& piece : pieces)
        Add({0, false, true, std::move(piece)});
    pieces.clear();
}

void CFrameTrace::Sent(ByteView frame, bool transmitted) {
    // The program empties its receive buffer with every request, so whatever waits here will
    // never complete a frame the program sees.
    m_assembler.Flush(m_pieces);
    AddReceived(m_pieces);
    Add({0, true, transmitted, SentPiece(frame)});
}

void CFrameTrace::Received(ByteView bytes, bool streaming) {
    m_assembler.Feed(bytes, streaming, m_pieces);
    AddReceived(m_pieces);
}

void CFrameTrace::Flush() {
    m_tick.stop();
    if (m_pending.empty())
        return;
    const QScrollBar* bar = m_view->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    m_model.Append(m_pending);
    if (atEnd)
        m_view->scrollToBottom();
    UpdateCount();
}

void CFrameTrace::UpdateCount() {
    const QLocale english(QLocale::English);
    QString text = tr("%1 lines").arg(english.toString(m_model.LineCount()));
    if (m_model.Dropped() > 0)
        text += tr(" (%1 older lines dropped)").arg(english.toString(m_model.Dropped()));
    m_count->setText(text);
}

void CFrameTrace::OnClear() {
    m_pending.clear();
    m_model.Clear();
    StartClock();
    UpdateCount();
}

// ---- opening and closing ----

void CFrameTrace::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        emit TracingChanged(true);
}

void CFrameTrace::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return; // minimised: still tracing
    emit TracingChanged(false);
    // Bytes that were waiting for the rest of a frame are shown as they are; the next trace
    // starts afresh.
    m_assembler.Flush(m_pieces);
    AddReceived(m_pieces);
    m_assembler.Reset();
    Flush();
}

// ---- copy and save ----

QString CFrameTrace::SelectedText() const {
    QList<int> rows;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (int row : rows)
        lines << m_model.LineText(row);
    return lines.join(QLatin1Char('\n'));
}

QString CFrameTrace::AllText() const {
    QStringList lines;
    lines.reserve(m_model.LineCount());
    for (int row = 0; row < m_model.LineCount(); ++row)
        lines << m_model.LineText(row);
    return lines.join(QLatin1Char('\n'));
}

void CFrameTrace::CopySelected() {
    Flush();
    QGuiApplication::clipboard()->setText(SelectedText());
}

void CFrameTrace::CopyAll() {
    Flush();
    QGuiApplication::clipboard()->setText(AllText());
}

bool CFrameTrace::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopySelected();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CFrameTrace::OnSave() {
    const QString path =
        ChooseSaveFile(this, tr("Save Frame Trace"), QStringLiteral("frame-trace.txt"),
                       tr("Text files (*.txt);;All files (*)"));
    if (!path.isEmpty())
        SaveTo(path);
}

bool CFrameTrace::SaveTo(const QString& path) {
    Flush();
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Text);
    if (ok) {
        QString text = AllText();
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        ok = file.write(text.toUtf8()) >= 0 && file.commit();
    }
    if (!ok) {
        ShowMessage(this, tr("The frame trace could not be saved to %1: %2.")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
        if (file.isOpen())
            file.cancelWriting();
    }
    return ok;
}
