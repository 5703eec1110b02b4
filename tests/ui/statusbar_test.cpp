// The status bar through the real window and the simulated reader: what it says in each state,
// Cancel of each operation that would otherwise wait for ever.
#include "pagetest.h"

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
    TypeIntoPasswordDialogs({"00000000", row.typed}); // the login first
    ASSERT_TRUE(ConnectToSimulator(dlg));
    const auto logged = [&](const char* line) {
        return WaitUntil([&] { return Lines(dlg).contains(QString::fromLatin1(line)); });
    };
    if (row.page < 2) {
        Click(dlg, "deviceSettingsButton");
        ASSERT_TRUE(logged("Get Settings Successfully!!"));
    } else {
        dlg.findChild<QAction*>(QStringLiteral("showPasswordFunctionsAction"))->setChecked(true);
    }
    dlg.Sheet().SetActivePage(row.page % 2); // Reader Parameters reads the reader when shown
    ASSERT_TRUE(row.page != 1 || logged("Get Settings Successfully!"));
    if (*row.typed) { // the password changes need a login first
        Click(dlg, "loginButton");
        ASSERT_TRUE(logged("Login Successfully!"))
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

} // namespace
