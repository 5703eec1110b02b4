#include "pages/cidentify.h"

#include "protocol/commands.h"
#include "protocol/dispatcher.h"
#include "ui/controls.h"
#include "ui/creaderdlg.h"
#include "ui_cidentify.h"

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

CIdentify::CIdentify(CReaderDlg& dlg) : CPropertyPage(QStringLiteral("Tag Identify")), m_dlg(dlg) {
    m_boxTimer.setSingleShot(true);
    m_boxTimer.setInterval(kBoxRefreshMs);
    QObject::connect(&m_boxTimer, &QTimer::timeout, [this] { RefreshBox(); });
}

// ---- controls ----

QSize CIdentify::FormSizeHint() const {
    return SizeOfForm<Ui::IdentifyPage>();
}

void CIdentify::BuildControls(QWidget* page) {
    Ui::IdentifyPage form;
    form.setupUi(page);
    m_singleTagRadio = form.identifySingleTagRadio;
    m_multipleTagsRadio = form.identifyMultipleTagsRadio;
    m_dataBox = form.identifyDataBox;
    m_identifyTagButton = form.identifyTagButton;
    m_pauseButton = form.identifyPauseButton;
    QPushButton* clearButton = form.identifyClearButton;

    m_continuousCheck = form.identifyContinuousCheck;
    QObject::connect(m_continuousCheck, &QCheckBox::clicked, page, [this](bool on) {
        m_continuous = on ? 1 : 0;
        ApplyContinuous();
    });

    // clicked, not toggled: the form transfer checks radios without running their handlers,
    // while a click on the radio that is already checked runs its handler again.
    QObject::connect(m_singleTagRadio, &QRadioButton::clicked, page, [this] { OnSingleTag(); });
    QObject::connect(m_multipleTagsRadio, &QRadioButton::clicked, page,
                     [this] { OnMultipleTags(); });
    QObject::connect(m_identifyTagButton, &QPushButton::clicked, page, [this] { OnIdentifyTag(); });
    QObject::connect(m_pauseButton, &QPushButton::clicked, page, [this] { OnPause(); });
    QObject::connect(clearButton, &QPushButton::clicked, page, [this] { OnClear(); });
    // Typing into the box makes it differ from m_tagText; the next line then rebuilds it.
    QObject::connect(m_dataBox, &QPlainTextEdit::textChanged, page, [this] {
        if (!m_writingBox)
            m_boxInStep = false;
    });
    m_boxInStep = false;
}

void CIdentify::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    if (m_pauseButton)
        m_pauseButton->setEnabled(false);
}

void CIdentify::OnSetActive() {
    EnableButtons(true, false);
    m_tagText.clear();
    UpdateData(false);
}

bool CIdentify::UpdateData(bool fromControls) {
    if (!HasWindow())
        return true;
    if (fromControls)
        RefreshBox(); // lines still waiting for the box are part of its text
    ExchangeRadio(fromControls, {m_singleTagRadio.data(), m_multipleTagsRadio.data()}, m_readMode);
    ExchangeCheck(fromControls, m_continuousCheck, m_continuous);
    ApplyContinuous();
    if (!fromControls) {
        ShowTagText();
    } else if (!(m_boxInStep && m_roundTrips && TextIsKnown() &&
                 m_shownLength == m_tagText.size())) {
        // Unless the box shows the text exactly as the page wrote it, read what it shows.
        m_tagText = TextFromBox(m_dataBox->toPlainText());
    }
    return true;
}

void CIdentify::ShowTagText() {
    m_boxTimer.stop();
    if (!m_dataBox) {
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
    m_dataBox->setPlainText(BoxText(m_tagText));
    m_writingBox = false;
    m_boxInStep = true;
    m_shownLength = m_tagText.size();
    m_knownText = m_tagText;
    m_roundTrips = RoundTrips(m_tagText);
}

void CIdentify::AppendPending() {
    if (m_boxPending.isEmpty())
        return;
    m_writingBox = true;
    QTextDocument* document = m_dataBox->document();
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
    m_dlg.m_multiContinuous = m_continuous == 1 ? 1 : 0;
    m_boxTimer.setInterval(m_continuous == 1 ? kContinuousBoxRefreshMs : kBoxRefreshMs);
    // One block more than lines: the text ends in a line break.
    if (m_dataBox)
        m_dataBox->setMaximumBlockCount(m_continuous == 1 ? kContinuousLines + 1 : 0);
}

// Drops the oldest lines of m_tagText beyond kContinuousLines, and the same characters from what
// the box is known to show, which has just dropped the same lines itself.
void CIdentify::TrimTagText() {
    if (m_continuous != 1)
        return;
    qsizetype excess = m_tagText.count(QStringLiteral("\r\n")) - kContinuousLines;
    if (excess <= 0)
        return;
    const bool known = TextIsKnown();
    qsizetype cut = 0;
    while (excess-- > 0)
        cut = m_tagText.indexOf(QStringLiteral("\r\n"), cut) + 2;
    m_tagText.remove(0, cut);
    m_shownLength = std::max<qsizetype>(0, m_shownLength - cut);
    if (known)
        m_knownText = m_tagText;
}

void CIdentify::EnableButtons(bool identifyTag, bool pause) {
    if (m_identifyTagButton)
        m_identifyTagButton->setEnabled(identifyTag);
    if (m_pauseButton)
        m_pauseButton->setEnabled(pause);
}

void CIdentify::ScrollToLastLine() {
    if (!m_dataBox)
        return;
    QScrollBar* bar = m_dataBox->verticalScrollBar();
    bar->setValue(bar->maximum());
}

// ---- what the dispatcher shows ----

void CIdentify::AppendTagLine(const QString& line) {
    // The line can go to the end of the box only while the box shows exactly the text so far
    // (with the lines still waiting); after the text was emptied behind its back (Pause,
    // Disconnect) or the operator typed into it, the box is rebuilt from the text once.
    if (!m_dataBox) {
        m_knownText = QString();
        m_tagText += line; // the box shows the whole text when it is made
        if (m_tagText.size() > 200 * kContinuousLines)
            TrimTagText();
        return;
    }
    if (!TextIsKnown())
        m_boxRebuild = true;
    m_knownText = QString(); // so that appending does not copy the text
    m_tagText += line;
    m_knownText = m_tagText;
    m_boxPending += line;
    m_roundTrips = m_roundTrips && RoundTrips(line);
    if (!m_boxTimer.isActive())
        m_boxTimer.start();
}

void CIdentify::RefreshBox() {
    m_boxTimer.stop();
    if (!m_dataBox) {
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

void CIdentify::SendIdentifySingle() {
    m_dlg.SendRequest(BuildIdentifySingle());
}

void CIdentify::SendReadTagMode(std::uint8_t mode) {
    m_dlg.SendRequest(BuildReadTagMode(mode));
}

void CIdentify::SendStop() {
    m_dlg.SendRequest(BuildStop());
}

void CIdentify::ReadWorkMode() {
    m_dlg.SendRequest(BuildReadWorkMode());
}

void CIdentify::SendCommModeRs232() {
    m_dlg.SendRequest(BuildCommModeRs232());
}

void CIdentify::SendMultiStart() {
    m_dlg.SendRequest(BuildMultiStart());
    m_dlg.m_multiRxTotal = 0;
    m_dlg.m_waitIdentify = 0;
    m_dlg.m_waitMultiIdentify = 1;
    EnableButtons(false, true);
    m_tagText.clear();
    UpdateData(false);
}

// ---- operator actions ----

void CIdentify::OnIdentifyTag() {
    // Members to controls first, then back: what the operator typed into the Data box is
    // replaced by the page's own text.
    UpdateData(false);
    UpdateData(true);
    if (m_dlg.m_connected != 1)
        return;
    if (m_readMode == kSingleTag) {
        m_dlg.OpenPortIfClosed();
        SendIdentifySingle();
        m_dlg.m_waitIdentify = 1;
        // The Single Tag radio's mode write is no longer awaited: its acknowledgement, should it
        // come late, is not to bring a stop that would empty the buffer of this answer.
        m_dlg.m_waitSingleModeAck = 0;
        m_dlg.m_waitMultiIdentify = 0;
        ScrollToLastLine();
    } else if (m_readMode == kMultipleTags) {
        m_dlg.OpenPortIfClosed();
        m_dlg.m_waitMultiIdentify = 1;
        m_dlg.m_multiStep = 1;
        m_dlg.m_multiContinuous = m_continuous == 1 ? 1 : 0;
        m_boxTimer.setInterval(m_continuous == 1 ? kContinuousBoxRefreshMs : kBoxRefreshMs);
        // A stream left running by Pause is over: what comes next are the chain's answers.
        m_dlg.m_multiStreaming = 0;
        ReadWorkMode();
    }
}

void CIdentify::OnSingleTag() {
    m_dlg.OpenPortIfClosed();
    if (m_dlg.m_connected != 1)
        return;
    m_dlg.AddOperationLine(QStringLiteral("Read Single Tag!"));
    // Choosing the mode identifies nothing: no identify may be left pending, or the mode
    // write's acknowledgement would be taken as a failed identify and start resends.
    m_dlg.m_waitIdentify = 0;
    m_dlg.m_waitSingleModeAck = 1;
    m_readMode = kSingleTag;
    m_tagText.clear();
    UpdateData(false);
    EnableButtons(true, false);
    SendStop();
    SendReadTagMode(0);
    m_dlg.ClosePortIfOpen();
}

void CIdentify::OnMultipleTags() {
    m_dlg.OpenPortIfClosed();
    if (m_dlg.m_connected != 1)
        return;
    m_dlg.AddOperationLine(QStringLiteral("Read Multiple Tags!"));
    m_dlg.m_waitIdentify = 0;
    m_readMode = kMultipleTags;
    m_tagText.clear();
    UpdateData(false);
    EnableButtons(true, false);
    SendReadTagMode(1);
    m_dlg.ClosePortIfOpen();
}

void CIdentify::OnPause() {
    EnableButtons(true, false);
    m_dlg.ClearRx();
    // The text is emptied but the box keeps the lines shown so far until its next refresh.
    m_tagText.clear();
    SendStop();
    m_dlg.m_multiShown = 0;
    m_dlg.m_rxCount = 0;
    m_dlg.m_multiRxTotal = 0;
    // Records the reader sent before it obeyed the stop reach the port, held open for the
    // stop's answer; they are not shown as a new stream.
    m_dlg.m_multiStreaming = 0;
    m_dlg.ClosePortIfOpen();
}

void CIdentify::OnClear() {
    if (m_dlg.m_connected != 1)
        return;
    m_tagText.clear();
    m_dlg.m_multiShown = 0;
    if (m_continuous == 1 && IsStreaming(m_dlg)) {
        // The buffer holds only the first bytes of the next record: dropping them would put
        // every later record of a stream that does not end out of step.
        m_dlg.m_multiRxTotal = m_dlg.m_rxCount;
    } else {
        m_dlg.m_multiRxTotal = 0;
        m_dlg.ClearRx();
    }
    UpdateData(false);
    m_dlg.AddOperationLine(QStringLiteral("Operation List Cleared Successfully!"));
}
