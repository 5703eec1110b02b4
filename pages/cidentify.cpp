#include "pages/cidentify.h"

#include "pages/pagehost.h"
#include "protocol/commands.h"
#include "protocol/dispatcher.h"
#include "protocol/operations.h"
#include "ui_cidentify.h"
#include "widgets/controls.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kSingleTag = 0;
constexpr int kMultipleTags = 1;

// Tag lines end in CR LF; the box keeps one line break per line.
QString BoxText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QString TextFromBox(const QString& shown) {
    QString text = shown;
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

// Whether the box gives text back unchanged: line breaks only as CR LF, and none of the
// characters the box stores or returns as something else (paragraph and line separators,
// frame marks, no-break spaces).
bool RoundTrips(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        switch (text[i].unicode()) {
        case u'\r':
            if (i + 1 == text.size() || text[i + 1] != QLatin1Char('\n'))
                return false;
            ++i;
            break;
        case u'\n':
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case QChar::Nbsp:
        case 0xfdd0:
        case 0xfdd1:
            return false;
        default:
            break;
        }
    }
    return true;
}

} // namespace

CIdentify::CIdentify(IPageHost& host)
    : CPropertyPage(QStringLiteral("Tag Identify")), m_host(host) {
    m_boxTimer.setSingleShot(true);
    m_boxTimer.setInterval(kBoxRefreshMs);
    QObject::connect(&m_boxTimer, &QTimer::timeout, [this] { RefreshBox(); });
}

CIdentify::~CIdentify() = default;

// ---- controls ----

QSize CIdentify::FormSizeHint() const {
    return SizeOfForm<Ui::IdentifyPage>();
}

void CIdentify::BuildControls(QWidget* page) {
    Ui::IdentifyPage& form = m_form.Build(page);
    QObject::connect(form.identifyContinuousCheck, &QCheckBox::clicked, page, [this](bool on) {
        m_values.continuous = on ? 1 : 0;
        ApplyContinuous();
    });

    // clicked, not toggled: the form transfer checks radios without running their handlers,
    // while a click on the radio that is already checked runs its handler again.
    QObject::connect(form.identifySingleTagRadio, &QRadioButton::clicked, page,
                     [this] { OnSingleTag(); });
    QObject::connect(form.identifyMultipleTagsRadio, &QRadioButton::clicked, page,
                     [this] { OnMultipleTags(); });
    QObject::connect(form.identifyTagButton, &QPushButton::clicked, page,
                     [this] { OnIdentifyTag(); });
    QObject::connect(form.identifyPauseButton, &QPushButton::clicked, page, [this] { OnPause(); });
    QObject::connect(form.identifyClearButton, &QPushButton::clicked, page, [this] { OnClear(); });
    // Each new line changes the scroll bar's range, and Qt repaints the bar for it. Painting its
    // own background, the bar repaints alone; left see-through, the window, the page group, the
    // page and the box's frame under it would all be painted again first.
    form.identifyDataBox->verticalScrollBar()->setAutoFillBackground(true);
    form.identifyDataBox->horizontalScrollBar()->setAutoFillBackground(true);
    // Typing into the box makes it differ from m_values.tagText; the next line then rebuilds it.
    QObject::connect(form.identifyDataBox, &QPlainTextEdit::textChanged, page, [this] {
        if (!m_writingBox)
            m_boxInStep = false;
    });
    m_boxInStep = false;
}

QPlainTextEdit* CIdentify::DataBox() const {
    const Ui::IdentifyPage* f = m_form.Get();
    return f ? f->identifyDataBox : nullptr;
}

void CIdentify::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_form.Get()->identifyPauseButton->setEnabled(false);
}

void CIdentify::OnSetActive() {
    EnableButtons(true, false);
    m_values.tagText.clear();
    UpdateData(false);
}

bool CIdentify::UpdateData(bool fromControls) {
    const Ui::IdentifyPage* f = m_form.Get();
    if (!f)
        return true;
    if (fromControls)
        RefreshBox(); // lines still waiting for the box are part of its text
    ExchangeRadio(fromControls, {f->identifySingleTagRadio, f->identifyMultipleTagsRadio},
                  m_values.readMode);
    ExchangeCheck(fromControls, f->identifyContinuousCheck, m_values.continuous);
    ApplyContinuous();
    if (!fromControls) {
        ShowTagText();
    } else if (!(m_boxInStep && m_roundTrips && TextIsKnown() &&
                 m_shownLength == m_values.tagText.size())) {
        // Unless the box shows the text exactly as the page wrote it, read what it shows.
        m_values.tagText = TextFromBox(f->identifyDataBox->toPlainText());
    }
    return true;
}

void CIdentify::ShowTagText() {
    m_boxTimer.stop();
    if (!DataBox()) {
        m_boxPending.clear();
        m_boxRebuild = false;
        return;
    }
    // Where the text only grew since the page wrote it, the box takes just what is new; laying
    // out the whole text again would cost time in proportion to its length.
    if (m_boxInStep && !m_boxRebuild && TextIsKnown()) {
        AppendPending();
        return;
    }
    m_boxPending.clear();
    m_boxRebuild = false;
    m_writingBox = true;
    DataBox()->setPlainText(BoxText(m_values.tagText));
    m_writingBox = false;
    m_boxInStep = true;
    m_shownLength = m_values.tagText.size();
    m_knownText = m_values.tagText;
    m_roundTrips = RoundTrips(m_values.tagText);
}

void CIdentify::AppendPending() {
    if (m_boxPending.isEmpty())
        return;
    m_writingBox = true;
    QTextDocument* document = DataBox()->document();
    QTextCursor end(document);
    end.beginEditBlock();
    end.movePosition(QTextCursor::End);
    end.insertText(BoxText(m_boxPending));
    // With a line limit the oldest lines leave in the same edit, selected by position: left to
    // the document's own limit, every line it drops would be laid out first.
    const int excess = document->blockCount() - document->maximumBlockCount();
    if (document->maximumBlockCount() > 0 && excess > 0) {
        QTextCursor oldest(document);
        oldest.setPosition(document->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
        oldest.removeSelectedText();
    }
    end.endEditBlock();
    m_writingBox = false;
    m_shownLength += m_boxPending.size();
    m_boxPending.clear();
}

void CIdentify::ApplyContinuous() {
    m_host.State().m_multiContinuous = m_values.continuous == 1 ? 1 : 0;
    m_boxTimer.setInterval(m_values.continuous == 1 ? kContinuousBoxRefreshMs : kBoxRefreshMs);
    // One block more than lines: the text ends in a line break.
    if (DataBox())
        DataBox()->setMaximumBlockCount(m_values.continuous == 1 ? kContinuousLines + 1 : 0);
}

// Drops the oldest lines of m_values.tagText beyond kContinuousLines, and the same characters from
// what the box is known to show, which has just dropped the same lines itself.
void CIdentify::TrimTagText() {
    if (m_values.continuous != 1)
        return;
    qsizetype excess = m_values.tagText.count(QStringLiteral("\r\n")) - kContinuousLines;
    if (excess <= 0)
        return;
    const bool known = TextIsKnown();
    qsizetype cut = 0;
    while (excess-- > 0)
        cut = m_values.tagText.indexOf(QStringLiteral("\r\n"), cut) + 2;
    m_values.tagText.remove(0, cut);
    m_shownLength = std::max<qsizetype>(0, m_shownLength - cut);
    if (known)
        m_knownText = m_values.tagText;
}

void CIdentify::EnableButtons(bool identifyTag, bool pause) {
    if (const Ui::IdentifyPage* f = m_form.Get()) {
        f->identifyTagButton->setEnabled(identifyTag);
        f->identifyPauseButton->setEnabled(pause);
    }
}

void CIdentify::ScrollToLastLine() {
    if (!DataBox())
        return;
    QScrollBar* bar = DataBox()->verticalScrollBar();
    bar->setValue(bar->maximum());
}

// ---- what the dispatcher shows ----

void CIdentify::AppendTagLine(const QString& line) {
    // The line can go to the end of the box only while the box shows exactly the text so far
    // (with the lines still waiting); after the text was emptied behind its back (Pause,
    // Disconnect) or the operator typed into it, the box is rebuilt from the text once.
    if (!DataBox()) {
        m_knownText = QString();
        m_values.tagText += line; // the box shows the whole text when it is made
        if (m_values.tagText.size() > 200 * kContinuousLines)
            TrimTagText();
        return;
    }
    if (!TextIsKnown())
        m_boxRebuild = true;
    m_knownText = QString(); // so that appending does not copy the text
    m_values.tagText += line;
    m_knownText = m_values.tagText;
    m_boxPending += line;
    m_roundTrips = m_roundTrips && RoundTrips(line);
    if (!m_boxTimer.isActive())
        m_boxTimer.start();
}

void CIdentify::RefreshBox() {
    m_boxTimer.stop();
    if (!DataBox()) {
        m_boxPending.clear();
        return;
    }
    if (m_boxPending.isEmpty() && !m_boxRebuild)
        return;
    // Lines that came before the text was emptied (Pause) still go to the box: it keeps what
    // was listed until its next rebuild.
    if (m_boxRebuild || !m_boxInStep)
        ShowTagText();
    else
        AppendPending();
    TrimTagText();
    ScrollToLastLine();
}

void CIdentify::MultiStreamStopped() {
    EnableButtons(true, false);
}

// ---- requests ----

void CIdentify::SendStop() {
    m_host.SendRequest(BuildStop());
}

void CIdentify::SendCommModeRs232() {
    m_host.SendRequest(BuildCommModeRs232());
}

void CIdentify::SendMultiStart() {
    m_host.SendRequest(BeginMultiStream(m_host.State()));
    EnableButtons(false, true);
    m_values.tagText.clear();
    UpdateData(false);
}

// ---- operator actions ----

void CIdentify::OnIdentifyTag() {
    // Members to controls first, then back: what the operator typed into the Data box is
    // replaced by the page's own text.
    UpdateData(false);
    UpdateData(true);
    if (m_host.State().m_connected != 1)
        return;
    if (m_values.readMode == kSingleTag) {
        m_host.OpenPortIfClosed();
        m_host.SendRequest(BeginIdentifySingle(m_host.State()));
        ScrollToLastLine();
    } else if (m_values.readMode == kMultipleTags) {
        m_host.OpenPortIfClosed();
        m_boxTimer.setInterval(m_values.continuous == 1 ? kContinuousBoxRefreshMs : kBoxRefreshMs);
        m_host.SendRequest(BeginMultiIdentify(m_host.State(), m_values.continuous == 1));
    }
}

void CIdentify::OnSingleTag() {
    m_host.OpenPortIfClosed();
    if (m_host.State().m_connected != 1)
        return;
    m_host.AddOperationLine(QStringLiteral("Read Single Tag!"));
    const Bytes modeWrite = BeginSingleTagMode(m_host.State());
    m_values.readMode = kSingleTag;
    m_values.tagText.clear();
    UpdateData(false);
    EnableButtons(true, false);
    SendStop();
    m_host.SendRequest(modeWrite);
    m_host.ClosePortIfOpen();
}

void CIdentify::OnMultipleTags() {
    m_host.OpenPortIfClosed();
    if (m_host.State().m_connected != 1)
        return;
    m_host.AddOperationLine(QStringLiteral("Read Multiple Tags!"));
    const Bytes modeWrite = BeginMultipleTagsMode(m_host.State());
    m_values.readMode = kMultipleTags;
    m_values.tagText.clear();
    UpdateData(false);
    EnableButtons(true, false);
    m_host.SendRequest(modeWrite);
    m_host.ClosePortIfOpen();
}

void CIdentify::OnPause() {
    EnableButtons(true, false);
    m_host.State().ClearRx();
    // The text is emptied but the box keeps the lines shown so far until its next refresh.
    m_values.tagText.clear();
    SendStop();
    m_host.State().m_multiShown = 0;
    m_host.State().m_rxCount = 0;
    m_host.State().m_multiRxTotal = 0;
    // Records the reader sent before it obeyed the stop reach the port, held open for the
    // stop's answer; they are not shown as a new stream.
    m_host.State().m_multiStreaming = 0;
    m_host.ClosePortIfOpen();
}

void CIdentify::OnClear() {
    if (m_host.State().m_connected != 1)
        return;
    m_values.tagText.clear();
    m_host.State().m_multiShown = 0;
    if (m_values.continuous == 1 && IsStreaming(m_host.State())) {
        // The buffer holds only the first bytes of the next record: dropping them would put
        // every later record of a stream that does not end out of step.
        m_host.State().m_multiRxTotal = m_host.State().m_rxCount;
    } else {
        m_host.State().m_multiRxTotal = 0;
        m_host.State().ClearRx();
    }
    UpdateData(false);
    m_host.AddOperationLine(QStringLiteral("Operation List Cleared Successfully!"));
}
