#include "pages/cidentify.h"

#include "protocol/commands.h"
#include "ui/controls.h"
#include "ui/creaderdlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

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

void CIdentify::BuildControls(QWidget* page) {
    auto* grid = new QGridLayout(page);

    auto* modeGroup = new QGroupBox(QStringLiteral("Read Tag Mode"), page);
    modeGroup->setObjectName(QStringLiteral("identifyReadTagModeGroup"));
    auto* modeLayout = new QHBoxLayout(modeGroup);
    m_singleTagRadio = MakeRadio(QStringLiteral("Single Tag"),
                                 QStringLiteral("identifySingleTagRadio"), modeGroup);
    m_multipleTagsRadio = MakeRadio(QStringLiteral("Multiple Tags"),
                                    QStringLiteral("identifyMultipleTagsRadio"), modeGroup);
    m_singleTagRadio->setAccessibleName(QStringLiteral("Read Tag Mode: Single Tag"));
    m_multipleTagsRadio->setAccessibleName(QStringLiteral("Read Tag Mode: Multiple Tags"));
    modeLayout->addWidget(m_singleTagRadio);
    modeLayout->addWidget(m_multipleTagsRadio);
    modeLayout->addStretch(1);

    auto* dataLabel = new QLabel(QStringLiteral("Data"), page);
    dataLabel->setObjectName(QStringLiteral("identifyDataLabel"));
    m_dataBox = new QPlainTextEdit(page);
    m_dataBox->setObjectName(QStringLiteral("identifyDataBox"));
    m_dataBox->setAccessibleName(dataLabel->text());
    m_dataBox->setTabChangesFocus(true);
    m_dataBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_dataBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    dataLabel->setBuddy(m_dataBox);

    m_identifyTagButton =
        MakeButton(QStringLiteral("Identify Tag"), QStringLiteral("identifyTagButton"), page);
    m_pauseButton =
        MakeButton(QStringLiteral("Pause"), QStringLiteral("identifyPauseButton"), page);
    auto* clearButton =
        MakeButton(QStringLiteral("Clear"), QStringLiteral("identifyClearButton"), page);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_identifyTagButton);
    buttons->addWidget(m_pauseButton);
    buttons->addWidget(clearButton);
    buttons->addStretch(1);

    grid->addWidget(modeGroup, 0, 0, 1, 2);
    grid->addWidget(dataLabel, 1, 0, 1, 2);
    grid->addWidget(m_dataBox, 2, 0);
    grid->addLayout(buttons, 2, 1);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);

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
    QTextCursor end(m_dataBox->document());
    end.movePosition(QTextCursor::End);
    end.insertText(BoxText(m_boxPending));
    m_writingBox = false;
    m_shownLength += m_boxPending.size();
    m_boxPending.clear();
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
        m_dlg.m_waitMultiIdentify = 0;
        ScrollToLastLine();
    } else if (m_readMode == kMultipleTags) {
        m_dlg.OpenPortIfClosed();
        m_dlg.m_waitMultiIdentify = 1;
        m_dlg.m_multiStep = 1;
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
    m_dlg.ClosePortIfOpen();
}

void CIdentify::OnClear() {
    if (m_dlg.m_connected != 1)
        return;
    m_tagText.clear();
    m_dlg.m_multiRxTotal = 0;
    m_dlg.m_multiShown = 0;
    m_dlg.ClearRx();
    UpdateData(false);
    m_dlg.AddOperationLine(QStringLiteral("Operation List Cleared Successfully!"));
}
