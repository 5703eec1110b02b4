// The status bar through the real window and the simulated reader: what it says in each state,
// Cancel of each operation that would otherwise wait for ever, Escape, and closing mid-stream.
#include "pagetest.h"
#include "ptypeer.h"
#include "tagrecord.h"

#include "pages/cpassworddlg.h"
#include "widgets/modal.h"

#include <QAction>
#include <QLabel>
#include <QRegularExpression>

namespace {

class StatusBar : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        CStatusBar::s_waitThresholdMs = 30;
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    void TearDown() override {
        SetDialogRunner({});
        WindowTest::TearDown();
    }
    QString State() { return dlg.StatusBar().StateText(); }
    bool CancelShown() {
        return Control<QPushButton>(dlg, QStringLiteral("cancelWaitingButton"))->isVisible();
    }
    CReaderDlg dlg;
};

TEST_F(StatusBar, SaysIdleConnectedAndStreamingWithItsFigures) {
    EXPECT_EQ(State(), "Idle");
    EXPECT_EQ(dlg.StatusBar().PortText(), "Not connected");
    EXPECT_EQ(dlg.StatusBar().FirmwareText(), "");
    ASSERT_TRUE(ConnectToSimulator(dlg));
    EXPECT_EQ(State(), "Idle");
    EXPECT_EQ(dlg.StatusBar().PortText(), "Simulator, 9600 bit/s");
    EXPECT_EQ(dlg.StatusBar().FirmwareText(), "Firmware V1.2");

    SimulatedReader(dlg).SetRecordPeriodMicros(16000); // 62 records a second
    Operate(dlg, QStringLiteral("identifyMultipleTagsRadio:on"));
    Click(dlg, "identifyTagButton");
    const QRegularExpression figures(QStringLiteral("^Streaming: (\\d+) records, (\\d+)/s, 3 "
                                                    "distinct tags$"));
    QRegularExpressionMatch match;
    EXPECT_TRUE(WaitUntil([&] {
        match = figures.match(State());
        return match.hasMatch() && match.captured(2).toInt() > 0;
    })) << State().toStdString();
    EXPECT_GE(match.captured(1).toInt(), match.captured(2).toInt() / 2);
    auto* state = Control<QLabel>(dlg, QStringLiteral("statusState"));
    EXPECT_TRUE(WaitUntil([&] { return state->width() >= state->minimumSizeHint().width(); }))
        << state->width() << " < " << state->minimumSizeHint().width();
    // At the record limit the stream is stopped: nothing more is awaited.
    EXPECT_TRUE(WaitUntil([&] { return State() == "Idle"; })) << State().toStdString();
    EXPECT_EQ(messages, QStringList({"Exceed 100 Tags. Identifying Stopped!"}));

    Click(dlg, "disconnectButton"); // the port closes once its last answer is in: idle at once
    EXPECT_EQ(State(), "Idle");
    EXPECT_EQ(dlg.StatusBar().PortText(), "Not connected");
    EXPECT_EQ(dlg.StatusBar().FirmwareText(), "");
}

// A stream whose record count begins again (the Inventory cleared mid-stream) keeps a rate that
// counts the records since.
TEST(StatusBarRate, StaysTrueWhenTheCountBeginsAgain) {
    CStatusBar bar;
    CStatusBar::Activity activity{CStatusBar::Activity::Streaming};
    bar.SetActivitySource([&] { return activity; });
    for (const qint64 records : {500, 1200, 40}) {
        activity.records = records;
        const QString before = bar.StateText();
        ASSERT_TRUE(WaitUntil([&] { return bar.StateText() != before; }));
    }
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Streaming: 40 records, [1-9]\\d*/s"))
                    .match(bar.StateText())
                    .hasMatch())
        << bar.StateText().toStdString();
}

// A silent reader: the bar says what waits, Cancel ends it, closes the port and says so once.
struct CancelRow {
    const char* name;
    int page;           // 0, 1: the Device Settings pages; 2, 3: Tag Identify, Tag Operation
    const char* button; // starts the operation
    const char* typed;  // into the password dialog, boxes separated by '|'
    std::uint8_t silent;
    const char* state; // the state text without the time waited
    const char* request;
};

void PrintTo(const CancelRow& row, std::ostream* os) {
    *os << row.name;
}

class CancelWaiting : public StatusBar, public ::testing::WithParamInterface<CancelRow> {};

TEST_P(CancelWaiting, EndsTheOperationClosesThePortAndSaysSo) {
    const CancelRow& row = GetParam();
    SetDialogRunner([](QDialog& dialog) { // the login dialog has one box
        auto* password = qobject_cast<CPasswordDlg*>(&dialog);
        const QList<QLineEdit*> boxes = password ? password->Boxes() : QList<QLineEdit*>();
        for (int i = 0; i < boxes.size(); ++i)
            boxes[i]->setText(boxes.size() == 1 ? QStringLiteral("00000000")
                                                : QString(GetParam().typed).section('|', i, i));
        dialog.findChild<QPushButton*>(QStringLiteral("ok"))->click();
        return dialog.result();
    });
    ASSERT_TRUE(ConnectToSimulator(dlg));
    if (row.page < 2) {
        Click(dlg, "deviceSettingsButton");
        ASSERT_TRUE(WaitUntil([&] { return dlg.State().m_waitGetMode == 0; }));
    } else {
        dlg.findChild<QAction*>(QStringLiteral("showPasswordFunctionsAction"))->setChecked(true);
    }
    dlg.Sheet().SetActivePage(row.page % 2); // Reader Parameters reads the reader when shown
    ASSERT_TRUE(WaitUntil([&] { return dlg.State().m_waitGetParams == 0; }));
    if (*row.typed) { // the password changes need a login first
        Click(dlg, "loginButton");
        ASSERT_TRUE(WaitUntil([&] { return dlg.State().m_loggedIn == 1; }))
            << Lines(dlg).join('|').toStdString() << messages.join('|').toStdString();
    }
    QTest::qWait(30);
    QStringList wire;
    SimulatedReader(dlg).SetRequestObserver([&](std::uint64_t, ByteView bytes, bool intact) {
        if (intact)
            wire << QString::fromStdString(HexString(bytes));
    });
    SimulatedReader(dlg).Faults().Set(row.silent, FaultSpec{FaultKind::Silence});
    const int lines = dlg.OperationList().LineCount();

    Click(dlg, row.button);
    ASSERT_TRUE(WaitUntil([&] { return CancelShown(); })) << State().toStdString();
    EXPECT_TRUE(State().startsWith(QStringLiteral("Waiting for the reader: ") + row.state + ", ") &&
                State().endsWith(" s"))
        << State().toStdString();
    QTest::mouseClick(Control<QPushButton>(dlg, QStringLiteral("cancelWaitingButton")),
                      Qt::LeftButton);
    QTest::qWait(50);
    ASSERT_FALSE(wire.isEmpty());
    EXPECT_EQ(wire.last(), row.request) << wire.join('|').toStdString();
    // The request went unanswered: the port closes once an answer could no longer be on its way.
    EXPECT_TRUE(WaitUntil([&] { return !dlg.m_serial.GetPortOpen(); }));
    EXPECT_EQ(dlg.State().m_waitGetMode + dlg.State().m_waitSetMode + dlg.State().m_waitGetParams +
                  dlg.State().m_waitSetParams + dlg.State().m_waitLogin +
                  dlg.State().m_waitIdentify + dlg.State().m_waitModifyLoginPwd +
                  dlg.State().m_waitModifyAuthPwd,
              0);
    QString line = row.state; // "Login cancelled: ...", "Get ... cancelled at step 1 of 7: ..."
    line = line.contains(", step") ? line.replace(", step", " cancelled at step")
                                   : line + " cancelled";
    EXPECT_EQ(Lines(dlg).mid(lines), QStringList({line + ": the reader did not answer."}));
    EXPECT_EQ(State(), "Idle");
    EXPECT_FALSE(CancelShown());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

const char* const kNewLogin = "00000000|11223344|11223344";
const char* const kNewAuth = "0000|1234|1234";
// clang-format off
const CancelRow kCancelRows[] = {
    {"WorkModeGet", 0, "getSettingsButton", "", 0x63, "Get Work Mode Settings, step 1 of 7", "A0 05 63 02 00 70 86"},
    {"WorkModeSet", 0, "setSettingsButton", "", 0x60, "Set Work Mode Settings, step 1 of 7", "A0 05 60 00 70 02 89"},
    {"ParametersGet", 1, "parameterGetSettingsButton", "", 0x61, "Get Reader Parameters, step 1 of 5", "A0 04 61 00 65 96"},
    {"ParametersSet", 1, "parameterSetSettingsButton", "", 0x60, "Set Reader Parameters, step 1 of 5", "A0 05 60 00 65 82 14"},
    {"IdentifyTag", 2, "identifyTagButton", "", 0x82, "Identify Tag", "A0 03 82 04 D7"},
    {"Login", 3, "loginButton", "", 0x63, "Login", "A0 05 63 04 00 C0 34"},
    {"LoginPasswordRead", 3, "modifyLoginPasswordButton", kNewLogin, 0x63, "Modify Login Password, step 1 of 2", "A0 05 63 04 00 C0 34"},
    {"LoginPasswordWrite", 3, "modifyLoginPasswordButton", kNewLogin, 0x62, "Modify Login Password, step 2 of 2", "A0 09 62 04 00 C0 11 22 33 44 87"},
    {"AuthorizeCodeRead", 3, "modifyAuthorizeCodeButton", kNewAuth, 0x63, "Modify Authorize Code, step 1 of 2", "A0 05 63 02 00 BA 3C"},
    {"AuthorizeCodeWrite", 3, "modifyAuthorizeCodeButton", kNewAuth, 0x9B, "Modify Authorize Code, step 2 of 2", "A0 04 9B 12 34 7B"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Table, CancelWaiting, ::testing::ValuesIn(kCancelRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Escape leaves the window; closing it mid-stream sends the stop before the port closes.
TEST_F(StatusBar, EscapeKeepsTheWindowAndClosingMidStreamStopsTheReader) {
    using namespace handshake;
    CPtyPeer peer;
    ASSERT_TRUE(peer.IsOpen());
    Choose(dlg, "portList", peer.SlavePath());
    Click(dlg, "connectButton");
    ASSERT_TRUE(peer.AnswerHandshake());
    ASSERT_TRUE(WaitUntil([&] { return dlg.State().m_connected == 1; }));
    Operate(dlg, QStringLiteral("identifyMultipleTagsRadio:on"));
    peer.Wait(20);
    peer.Take(peer.Received().size());
    Click(dlg, "identifyTagButton");
    ASSERT_EQ(peer.Expect(7).size(), 7u); // the work mode read
    peer.Send(BuildFrame(kDataHeader, 0x63, Bytes{0x02, 0x00, 0x70, 0x02, 0x05})); // timer
    ASSERT_EQ(peer.Expect(7).size(), 7u);                                          // output RS-232
    peer.Send({0xE4, 0x03, 0x60, 0x00, 0xB9});
    ASSERT_EQ(peer.Expect(4).size(), 4u);          // stream start
    Bytes stream = {0xE4, 0x03, 0x65, 0x00, 0xB4}; // acknowledged, and a record
    const Bytes record = TagRecord(NumberedTagId(0), 1);
    stream.insert(stream.end(), record.begin(), record.end());
    peer.Send(stream);
    ASSERT_TRUE(State().startsWith("Streaming: ")) << State().toStdString();

    QTest::keyClick(&dlg, Qt::Key_Escape);
    peer.Wait(20);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(peer.Received().empty());

    dlg.close();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_EQ(peer.Expect(4), kStop);
}

} // namespace
