// The "Work Mode" page, driven through its controls in a connected window: the requests it puts
// on the line, the values it refuses, Default, the enabling of its groups, the read-back shown in
// the controls, and the note after a baud rate change. The reader on the in-memory line answers
// every request with success from its own parameter memory.
#include "pagetest.h"

#include "pages/cparameter.h"
#include "pages/cworkmode.h"

namespace {

// Frames as the reader sees them.
const QString kReadWorkMode = "A0 05 63 02 00 70 86";
const QString kStop = "A0 02 FE 60";
const QString kWorkMode1 = "A0 05 60 00 70 01 8A";
const QString kWorkMode2 = "A0 05 60 00 70 02 89";
const QString kWorkMode3 = "A0 05 60 00 70 03 88";
const QString kUserCode0 = "A0 05 60 00 64 00 97";
const QString kBorderOff = "A0 05 60 00 7B 02 7E";
const QString kBorderInterval0 = "A0 05 60 00 7A 00 81";
const QString kNotInteger = QStringLiteral("请键入一个整数。");
const QString kNote115200 = "The reader now uses 115200 bit/s: press Disconnect, choose 115200 in "
                            "Baud Rate and connect again.";

class WorkmodePage : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        reader = ConnectToFakeLine<CParameterReader>(dlg);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        reader->m_written.clear();
    }

    CWorkmode& Page() { return dlg.WorkmodePage(); }
    // Device Settings in the connected window; what the entry sent and its answers are dropped.
    void EnterDeviceSettings() {
        Click(dlg, "deviceSettingsButton");
        reader->m_written.clear();
        reader->answers.clear();
    }
    QStringList Sent() { return TakeSent(*reader); }
    void Set(const QStringList& settings) { Operate(dlg, settings); }
    void Expect(const QStringList& expectations) { ExpectControls(dlg, expectations); }

    CReaderDlg dlg;
    CParameterReader* reader = nullptr;
};

// ---- entering Device Settings and the page's start ----

TEST_F(WorkmodePage, EnteringDeviceSettingsReadsTheWorkModeAroundTheStopRequest) {
    Click(dlg, "deviceSettingsButton");
    // The page's own initialisation reads first; the window then stops the reader, closes the
    // port and starts the Get again.
    EXPECT_EQ(Sent(), QStringList({kReadWorkMode, kStop, kReadWorkMode}));
    EXPECT_EQ(dlg.m_waitGetMode, 1);
    EXPECT_EQ(dlg.m_getModeStep, 1);
    EXPECT_TRUE(dlg.m_serial.GetPortOpen());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WorkmodePage, InitialisationShowsTheStartValuesAndEnabling) {
    EnterDeviceSettings();
    Expect({"timerRadio:on",
            "masterSlaveRadio:off",
            "triggerRadio:off",
            "timerIntervalBox=15",
            "shutDownDelayBox=10",
            "userCodeBox=0",
            "pulseWidthBox=8",
            "pulseCycleBox=12",
            "idBorderCheck:off",
            "idBorderIntervalBox=10",
            "idBorderIntervalBox:disabled",
            "triggerList=High-Level Trigger",
            "commModeList=RS485",
            "rs232BaudList=9600bps",
            "rs485BaudList=9600bps",
            "wiegandProtocolList=Wiegand26",
            "timerGroup:enabled",
            "triggerGroup:disabled",
            "rs232Group:disabled",
            "rs485Group:enabled",
            "wiegandGroup:disabled",
            "userCodeBox:enabled",
            "idBorderCheck:enabled"});
}

TEST_F(WorkmodePage, ButtonsDoNothingWhileNotConnected) {
    EnterDeviceSettings();
    dlg.m_connected = 0;
    dlg.m_waitGetMode = 0;
    Set({"userCodeBox=99", "commModeList=Wiegand"});
    Click(dlg, "defaultButton");
    Click(dlg, "getSettingsButton");
    Click(dlg, "setSettingsButton");
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(dlg.m_waitGetMode + dlg.m_waitSetMode, 0);
    Expect(
        {"userCodeBox=99", "commModeList=Wiegand", "wiegandGroup:enabled", "rs232Group:disabled"});
}

// ---- each request the Set sequence sends, with the controls set as an operator sets them ----
//
// The values every Set sequence below writes are not repeated here: the edges of each range, the
// typed texts, and the refusals.

TEST_F(WorkmodePage, RequestsSendWhatTheControlsShowOrRefuse) {
    using W = CWorkmode;
    const struct {
        QStringList settings; // made after Default
        void (CWorkmode::*send)();
        const char* frame; // nullptr: nothing is sent
        QString message;
    } rows[] = {
        {{"timerIntervalBox=1"}, &W::SendTimerInterval, "A0 05 60 00 71 01 89", {}},
        {{"timerIntervalBox=100"}, &W::SendTimerInterval, "A0 05 60 00 71 64 26", {}},
        {{"timerIntervalBox=0"}, &W::SendTimerInterval, nullptr, "Interval: 1 -100!"},
        {{"timerIntervalBox=101"}, &W::SendTimerInterval, nullptr, "Interval: 1 -100!"},
        {{"triggerRadio:on", "triggerList=Trigger Off"},
         &W::SendTriggerMode,
         "A0 07 62 02 00 80 00 00 75",
         {}},
        {{"triggerRadio:on", "triggerList=High-Level~"},
         &W::SendTriggerMode,
         "A0 07 62 02 00 80 FF FF 77",
         {}},
        {{"triggerRadio:on", "shutDownDelayBox=0"},
         &W::SendShutDownDelay,
         "A0 05 60 00 84 00 77",
         {}},
        {{"triggerRadio:on", "shutDownDelayBox=240"},
         &W::SendShutDownDelay,
         "A0 05 60 00 84 F0 87",
         {}},
        {{"triggerRadio:on", "shutDownDelayBox=241"},
         &W::SendShutDownDelay,
         nullptr,
         "Shut Down Delay: 0 - 240"},
        {{"triggerRadio:on", "shutDownDelayBox=-1"},
         &W::SendShutDownDelay,
         nullptr,
         "Shut Down Delay: 0 - 240"},
        // With the check box cleared the interval is written as 0, whatever the box holds.
        {{"idBorderCheck:on", "idBorderIntervalBox=999", "idBorderCheck:off"},
         &W::SendIdBorderInterval,
         "A0 05 60 00 7A 00 81",
         {}},
        {{"idBorderCheck:on", "idBorderIntervalBox=1"},
         &W::SendIdBorderInterval,
         "A0 05 60 00 7A 01 80",
         {}},
        {{"idBorderCheck:on", "idBorderIntervalBox=255"},
         &W::SendIdBorderInterval,
         "A0 05 60 00 7A FF 82",
         {}},
        {{"idBorderCheck:on", "idBorderIntervalBox=0"},
         &W::SendIdBorderInterval,
         nullptr,
         "Interval of ID Border Upon Different: 1 - 255"},
        {{"idBorderCheck:on", "idBorderIntervalBox=256"},
         &W::SendIdBorderInterval,
         nullptr,
         "Interval of ID Border Upon Different: 1 - 255"},
        {{"commModeList=RS485", "rs485BaudList=38400bps", "commModeList=RS232",
          "rs232BaudList=115200bps"},
         &W::SendBaudRs232,
         "A0 03 64 04 F5",
         {}},
        {{"rs232BaudList=115200~"}, &W::SendBaudRs232, "A0 03 64 00 F9", {}},
        {{"commModeList=Wiegand", "pulseWidthBox=255"},
         &W::SendWiegandSettings,
         "A0 08 62 03 00 73 01 FF 0C 74",
         {}},
        {{"commModeList=Wiegand", "pulseWidthBox=0"},
         &W::SendWiegandSettings,
         nullptr,
         "Pulse Width: 0 - 255"},
        {{"commModeList=Wiegand", "pulseWidthBox=256"},
         &W::SendWiegandSettings,
         nullptr,
         "Pulse Width: 0 - 255"},
        {{"commModeList=Wiegand", "pulseCycleBox=0"},
         &W::SendWiegandSettings,
         nullptr,
         "Pulse Cycle: 0 - 255"},
        // The transfer stops at the cycle box, so the width box after it is not read.
        {{"commModeList=Wiegand", "pulseCycleBox=x", "pulseWidthBox=0"},
         &W::SendWiegandSettings,
         "A0 08 62 03 00 73 01 08 0C 6B",
         kNotInteger},
        {{"commModeList=Wiegand", "wiegandProtocolList=Wiegand99"},
         &W::SendWiegandSettings,
         nullptr,
         "Wiegand Protocol: choose Wiegand26, Wiegand34 or Wiegand32"},
        {{"userCodeBox=255"}, &W::SendUserCode, "A0 05 60 00 64 FF 98", {}},
        {{"userCodeBox=256"}, &W::SendUserCode, nullptr, "User Code: 0 - 255"},
        {{"userCodeBox=-1"}, &W::SendUserCode, nullptr, "User Code: 0 - 255"},
        {{"userCodeBox=abc"}, &W::SendUserCode, "A0 05 60 00 64 00 97", kNotInteger},
        {{"commModeList=USB"}, &W::SendCommMode, "A0 05 60 00 72 00 89", {}},
    };
    EnterDeviceSettings();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.settings.join(' ').toStdString());
        Click(dlg, "defaultButton");
        messages.clear();
        Set(row.settings);
        (Page().*row.send)();
        EXPECT_EQ(Sent(), row.frame ? QStringList({row.frame}) : QStringList());
        EXPECT_EQ(messages, row.message.isEmpty() ? QStringList() : QStringList({row.message}));
    }
}

// ---- Set Settings: its start ----

TEST_F(WorkmodePage, SetStartDropsOtherOperationsAndKeepsTheRecordWhereNothingIsChosen) {
    EnterDeviceSettings();
    // A read-back that selected no radio, and an output typed that names none.
    Page().m_readBack = {0, 15, 1, 1, 10, 1, 8, 12, 0, 0, 2, 10};
    Page().ShowReadBack();
    Set({"commModeList=RS-232"});
    dlg.m_modeMasterSlave = 0, dlg.m_modeTimer = 1, dlg.m_modeTrigger = 1;
    dlg.m_outRs232 = 0, dlg.m_outRs485 = 1, dlg.m_outWiegand = 1;
    dlg.m_waitReadTag = dlg.m_waitMultiIdentify = dlg.m_waitGetParams = dlg.m_waitSetParams = 1;
    dlg.ClosePortIfOpen();

    Click(dlg, "setSettingsButton");
    EXPECT_EQ(Sent(), QStringList({kWorkMode1}));
    EXPECT_EQ((std::array<int, 6>{dlg.m_modeMasterSlave, dlg.m_modeTimer, dlg.m_modeTrigger,
                                  dlg.m_outRs232, dlg.m_outRs485, dlg.m_outWiegand}),
              (std::array<int, 6>{0, 1, 1, 0, 1, 1}));
    EXPECT_EQ(dlg.m_waitSetMode, 1);
    EXPECT_EQ(dlg.m_setModeStep, 1);
    EXPECT_EQ(dlg.m_waitGetMode + dlg.m_waitReadTag + dlg.m_waitMultiIdentify +
                  dlg.m_waitGetParams + dlg.m_waitSetParams,
              0);
    EXPECT_TRUE(dlg.m_serial.GetPortOpen());
    EXPECT_TRUE(messages.isEmpty());
}

// ---- the read-back shown in the controls (the usual codes: the Get sequences below) ----

TEST_F(WorkmodePage, ReadBackShowsTheReaderValuesInTheControls) {
    const struct {
        std::array<std::uint8_t, 12> readBack;
        QStringList expected;
    } rows[] = {
        // Codes outside the lists select nothing and leave the enabling as it was.
        {{0, 15, 0, 0, 10, 4, 8, 12, 0, 0, 0, 77},
         {"masterSlaveRadio:off", "timerRadio:off", "triggerRadio:off", "timerGroup:enabled",
          "triggerGroup:disabled", "commModeList=RS485", "rs485Group:enabled",
          "rs232Group:disabled", "wiegandProtocolList=", "triggerList=Trigger Off",
          "idBorderCheck:off", "idBorderIntervalBox=10", "idBorderIntervalBox:disabled"}},
        {{1, 15, 1, 1, 10, 1, 8, 12, 0, 1, 2, 0},
         {"masterSlaveRadio:on", "timerGroup:disabled", "triggerGroup:disabled",
          "commModeList=RS485", "rs485Group:enabled", "rs232Group:disabled",
          "wiegandProtocolList=Wiegand26"}},
        {{2, 15, 1, 1, 10, 0, 8, 12, 0, 2, 2, 10},
         {"wiegandProtocolList=", "commModeList=Wiegand"}},
    };
    EnterDeviceSettings();
    for (const auto& row : rows) {
        Page().m_readBack = row.readBack;
        Page().ShowReadBack();
        Expect(row.expected);
    }
    EXPECT_TRUE(Sent().isEmpty());
}

// ---- Default and the enabling rules ----

TEST_F(WorkmodePage, DefaultResetsTheFormButKeepsBaudRatesAndTheBorderInterval) {
    EnterDeviceSettings();
    // The border interval reaches its member when the check box is clicked after typing.
    Set({"timerIntervalBox=50", "rs485BaudList=19200bps", "commModeList=RS232",
         "rs232BaudList=57600bps", "commModeList=Wiegand", "wiegandProtocolList=Wiegand32",
         "pulseWidthBox=40", "pulseCycleBox=41", "triggerRadio:on", "shutDownDelayBox=99",
         "triggerList=Trigger Off", "userCodeBox=5", "idBorderCheck:on", "idBorderIntervalBox=77",
         "idBorderCheck:off", "idBorderCheck:on"});
    ASSERT_EQ(Page().m_idBorderInterval, 77);
    Click(dlg, "defaultButton");
    Expect({"timerRadio:on",
            "triggerRadio:off",
            "timerGroup:enabled",
            "triggerGroup:disabled",
            "timerIntervalBox=15",
            "shutDownDelayBox=10",
            "userCodeBox=0",
            "pulseWidthBox=8",
            "pulseCycleBox=12",
            "idBorderCheck:off",
            "idBorderIntervalBox:disabled",
            "idBorderIntervalBox=77",
            "triggerList=High-Level Trigger",
            "commModeList=RS232",
            "wiegandProtocolList=Wiegand26",
            "rs232Group:enabled",
            "rs485Group:disabled",
            "wiegandGroup:disabled",
            "rs232BaudList=57600bps",
            "rs485BaudList=19200bps"});
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WorkmodePage, RadiosCheckBoxAndClosedListEnableTheirGroupsOnly) {
    EnterDeviceSettings();
    const struct {
        const char* setting;
        QStringList expected;
    } steps[] = {
        {"masterSlaveRadio:on", {"timerGroup:disabled", "triggerGroup:disabled"}},
        {"triggerRadio:on", {"timerGroup:disabled", "triggerGroup:enabled"}},
        {"timerRadio:on", {"timerGroup:enabled", "triggerGroup:disabled"}},
        {"idBorderCheck:on", {"idBorderIntervalBox:enabled"}},
        {"idBorderCheck:off", {"idBorderIntervalBox:disabled"}},
        {"commModeList=RS232",
         {"rs232Group:enabled", "rs485Group:disabled", "wiegandGroup:disabled"}},
        {"commModeList=Wiegand",
         {"rs232Group:disabled", "rs485Group:disabled", "wiegandGroup:enabled"}},
        {"commModeList=RS485",
         {"rs232Group:disabled", "rs485Group:enabled", "wiegandGroup:disabled"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.setting);
        Set({step.setting});
        Expect(step.expected);
    }
    // Typed text that names no output changes nothing when the list closes.
    Set({"commModeList=Wiegand ~"});
    Page().OnCommModeCloseUp();
    Expect({"rs485Group:enabled", "wiegandGroup:disabled"});
    EXPECT_TRUE(Sent().isEmpty());
}

// ---- without controls ----

TEST_F(WorkmodePage, RequestsUseTheMembersWhileThePageHasNoControls) {
    EnterDeviceSettings();
    Set({"userCodeBox=42", "commModeList=RS232", "rs232BaudList=57600bps", "commModeList=Wiegand",
         "triggerRadio:on", "triggerList=Trigger Off"});
    Page().SendUserCode();
    Click(dlg, "demonstrationButton");
    ASSERT_FALSE(Page().HasWindow());
    dlg.OpenPortIfClosed();
    Sent();

    Page().SendUserCode();
    Page().SendCommMode();
    Page().SendBaudRs232();
    Page().SendTriggerMode();
    EXPECT_EQ(Sent(), QStringList({"A0 05 60 00 64 2A 6D", "A0 05 60 00 72 02 87", "A0 03 64 03 F6",
                                   "A0 07 62 02 00 80 00 00 75"}));
    Page().m_readBack = {3, 15, 1, 1, 10, 1, 8, 12, 9, 3, 2, 10};
    Page().ShowReadBack();
    EXPECT_EQ(Page().m_workMode, 2);
    EXPECT_EQ(Page().m_userCode, 9);
    Page().SendCommMode();
    EXPECT_EQ(Sent(), QStringList({"A0 05 60 00 72 03 86"}));
}

// ---- the note after a baud rate change ----
//
// These drive the page's part of a Set sequence the way the dispatcher continues it: the next
// request after each acknowledgement, then the end line with the sequence cleared.

class WorkmodeBaudNote : public WorkmodePage {
protected:
    // Master-slave over RS-232 at the given rate: the work mode and the baud request go out.
    void StartMasterSlaveRs232(const QString& baud) {
        EnterDeviceSettings();
        Set({"masterSlaveRadio:on", "commModeList=RS232", "rs232BaudList=" + baud});
        Click(dlg, "setSettingsButton");
        dlg.m_setModeStep = 2;
        Page().SendBaudRs232();
    }
    void FinishSequence() {
        for (auto send : {&CWorkmode::SendUserCode, &CWorkmode::SendCommMode,
                          &CWorkmode::SendIdBorderFlag, &CWorkmode::SendIdBorderInterval}) {
            ++dlg.m_setModeStep;
            (Page().*send)();
        }
        dlg.AddOperationLine(QStringLiteral("Set Master-Slave Mode Settings Successfully!"));
        EndSequence();
    }
    void EndSequence() {
        dlg.m_waitSetMode = 0;
        dlg.m_modeMasterSlave = dlg.m_modeTimer = dlg.m_modeTrigger = 0;
        dlg.m_outRs232 = dlg.m_outRs485 = dlg.m_outWiegand = 0;
        // The receive event in which that happened.
        reader->Deliver(QByteArray("\xE4", 1));
        dlg.ClosePortIfOpen();
    }
};

TEST_F(WorkmodeBaudNote, CompletedSetAtAnotherRateTellsHowToReconnect) {
    StartMasterSlaveRs232("115200bps");
    FinishSequence();
    const QStringList lines = Lines(dlg);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.mid(lines.size() - 2),
              QStringList({"Set Master-Slave Mode Settings Successfully!", kNote115200}));
    // The host keeps its own rate; the operator reconnects.
    EXPECT_EQ(dlg.m_serial.GetSettings(), QStringLiteral("9600,n,8,1"));
    Expect({"baudList=9600"});
    // Later receive events add nothing.
    dlg.OpenPortIfClosed();
    reader->Deliver(QByteArray("\xE4", 1));
    EXPECT_EQ(Lines(dlg).size(), lines.size());
}

TEST_F(WorkmodeBaudNote, NoNoteWhenTheRateIsTheHostRateOrTheSequenceWasAbandoned) {
    Choose(dlg, "baudList", "115200");
    StartMasterSlaveRs232("115200bps");
    FinishSequence();
    EXPECT_EQ(Lines(dlg).last(), "Set Master-Slave Mode Settings Successfully!");

    Choose(dlg, "baudList", "9600");
    StartMasterSlaveRs232("57600bps");
    dlg.OpenPortIfClosed();
    EndSequence();
    EXPECT_FALSE(Lines(dlg).join('|').contains("bit/s"));
}

TEST_F(WorkmodeBaudNote, RefusalAfterTheReaderSwitchedAlsoTellsHowToReconnect) {
    StartMasterSlaveRs232("115200bps");
    Set({"userCodeBox=300"});
    ++dlg.m_setModeStep;
    Page().SendUserCode();
    EXPECT_EQ(messages, QStringList({"User Code: 0 - 255"}));
    EXPECT_EQ(Lines(dlg).last(), kNote115200);
    EXPECT_EQ(Sent(), QStringList({kWorkMode1, "A0 03 64 04 F5"}));
}

// ---- whole sequences against the reader on the line ----

struct SetRow {
    const char* name;
    QStringList settings;
    QStringList frames;
    QStringList lines;    // lines logged by the sequence
    QString message = {}; // a refusal stops the sequence
};

class WorkmodeSet : public WorkmodePage, public ::testing::WithParamInterface<SetRow> {};

TEST_P(WorkmodeSet, WritesTheRequestsOfTheModeInOrder) {
    const SetRow& row = GetParam();
    EnterDeviceSettings();
    dlg.OnClearOperationList();
    Set(row.settings);
    Click(dlg, "setSettingsButton");
    reader->Pump();
    // A stray byte after the end (or after a refusal) must not move the sequence on.
    reader->Deliver(QByteArray(1, '\0'));
    reader->Pump();
    EXPECT_EQ(Sent(), row.frames);
    EXPECT_EQ(Lines(dlg), row.lines);
    const bool completed = row.message.isEmpty();
    EXPECT_EQ(messages, completed ? QStringList() : QStringList({row.message}));
    EXPECT_EQ(dlg.m_waitSetMode, completed ? 0 : 1);
    EXPECT_EQ(dlg.m_serial.GetPortOpen(), !completed);
    if (completed)
        EXPECT_EQ(dlg.m_modeMasterSlave + dlg.m_modeTimer + dlg.m_modeTrigger + dlg.m_outRs232 +
                      dlg.m_outRs485 + dlg.m_outWiegand,
                  0);
    else
        EXPECT_EQ(dlg.m_setModeStep, row.frames.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkmodeSet,
    ::testing::Values(
        SetRow{"MasterSlaveRs485",
               {"masterSlaveRadio:on", "commModeList=RS232", "rs232BaudList=115200bps",
                "commModeList=RS485", "rs485BaudList=38400bps"},
               {kWorkMode1, "A0 03 64 02 F7", kUserCode0, "A0 05 60 00 72 01 88", kBorderOff,
                kBorderInterval0},
               {"Set Master-Slave Mode Settings Successfully!",
                "The reader now uses 38400 bit/s: press Disconnect, choose 38400 in Baud Rate "
                "and connect again."}},
        SetRow{"TimerRs232AtTheHostRate",
               {"timerRadio:on", "commModeList=RS232"},
               {kWorkMode2, "A0 05 60 00 71 0F 7B", "A0 03 64 00 F9", kUserCode0,
                "A0 05 60 00 72 03 86", kBorderOff, kBorderInterval0},
               {"Set Timer Mode Settings Successfully!"}},
        SetRow{"TriggerWiegand",
               {"triggerRadio:on", "commModeList=Wiegand", "wiegandProtocolList=Wiegand34"},
               {kWorkMode3, "A0 07 62 02 00 80 01 01 73", "A0 05 60 00 84 0A 6D",
                "A0 08 62 03 00 73 02 08 0C 6A", kUserCode0, "A0 05 60 00 72 02 87", kBorderOff,
                kBorderInterval0},
               {"Set Trigger Mode Settings Successfully!"}},
        SetRow{"MasterSlaveIgnoresTheTimerInterval",
               {"timerIntervalBox=500", "masterSlaveRadio:on", "commModeList=Wiegand"},
               {kWorkMode1, "A0 08 62 03 00 73 01 08 0C 6B", kUserCode0, "A0 05 60 00 72 02 87",
                kBorderOff, kBorderInterval0},
               {"Set Master-Slave Mode Settings Successfully!"}},
        SetRow{"TimerWithIdBorder",
               {"commModeList=RS232", "idBorderCheck:on", "idBorderIntervalBox=30"},
               {kWorkMode2, "A0 05 60 00 71 0F 7B", "A0 03 64 00 F9", kUserCode0,
                "A0 05 60 00 72 03 86", "A0 05 60 00 7B 01 7F", "A0 05 60 00 7A 1E 63"},
               {"Set Timer Mode Settings Successfully!"}},
        // Range checks belong to the requests that send the values, not to the start.
        SetRow{"TimerIntervalRefusedStopsAfterTheWorkMode",
               {"timerIntervalBox=0", "userCodeBox=300"},
               {kWorkMode2},
               {},
               "Interval: 1 -100!"}),
    [](const auto& info) { return std::string(info.param.name); });

struct GetRow {
    const char* name;
    std::map<std::uint8_t, std::uint8_t> memory;
    QStringList expected;
};

class WorkmodeGet : public WorkmodePage, public ::testing::WithParamInterface<GetRow> {};

TEST_P(WorkmodeGet, EnteringDeviceSettingsShowsTheReaderMemory) {
    reader->memory = GetParam().memory;
    Click(dlg, "deviceSettingsButton");
    reader->Pump();
    EXPECT_EQ(Sent(), QStringList({kReadWorkMode, kStop, kReadWorkMode, "A0 05 63 02 00 80 76",
                                   "A0 04 61 00 84 77", "A0 05 63 03 00 73 82", "A0 04 61 00 64 97",
                                   "A0 04 61 00 72 89", "A0 05 63 02 00 7A 7C"}));
    EXPECT_EQ(Lines(dlg).last(), "Get Settings Successfully!!");
    EXPECT_EQ(dlg.m_waitGetMode, 0);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    Expect(GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkmodeGet,
    ::testing::Values(
        GetRow{"TriggerRs232BorderOn",
               {{0x70, 3},
                {0x71, 20},
                {0x80, 1},
                {0x81, 1},
                {0x84, 30},
                {0x73, 2},
                {0x74, 9},
                {0x75, 13},
                {0x64, 7},
                {0x72, 3},
                {0x7A, 45},
                {0x7B, 1}},
               {"triggerRadio:on", "triggerGroup:enabled", "timerGroup:disabled",
                "timerIntervalBox=20", "triggerList=High-Level Trigger", "shutDownDelayBox=30",
                "commModeList=RS232", "rs232Group:enabled", "wiegandProtocolList=Wiegand34",
                "pulseWidthBox=9", "pulseCycleBox=13", "userCodeBox=7", "idBorderCheck:on",
                "idBorderIntervalBox=45", "idBorderIntervalBox:enabled"}},
        GetRow{"TimerWiegandBorderOff",
               {{0x70, 2},
                {0x71, 100},
                {0x80, 0},
                {0x84, 0},
                {0x73, 3},
                {0x74, 1},
                {0x75, 255},
                {0x64, 255},
                {0x72, 2},
                {0x7A, 0},
                {0x7B, 2}},
               {"timerRadio:on", "timerGroup:enabled", "triggerGroup:disabled",
                "timerIntervalBox=100", "triggerList=Trigger Off", "commModeList=Wiegand",
                "wiegandGroup:enabled", "rs485Group:disabled", "wiegandProtocolList=Wiegand32",
                "pulseWidthBox=1", "pulseCycleBox=255", "userCodeBox=255", "idBorderCheck:off",
                "idBorderIntervalBox=10"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- both Device Settings pages against the simulated reader ----

TEST_F(WindowTest, DeviceSettingsPagesRunTheirSequencesAgainstTheSimulator) {
    CReaderDlg dlg;
    dlg.resize(1200, 800);
    dlg.show();
    ASSERT_TRUE(ConnectToSimulator(dlg));
    CReaderSimulator& reader = SimulatedReader(dlg);
    CParameterMemory& memory = reader.Parameters();
    const auto waitForLine = [&](const QString& line) {
        return WaitUntil([&] { return !Lines(dlg).isEmpty() && Lines(dlg).last() == line; });
    };
    memory.Store(CParameterMemory::kWorkMode, 3);
    memory.Store(CParameterMemory::kTriggerDelay, 30);
    memory.Store(CParameterMemory::kCommMode, 2);
    memory.Store(CParameterMemory::kWiegandProtocol, 2);
    memory.Store(CParameterMemory::kUserCode, 17);
    Click(dlg, "deviceSettingsButton");
    ASSERT_TRUE(waitForLine("Get Settings Successfully!!"));
    ExpectControls(dlg, {"triggerRadio:on", "triggerGroup:enabled", "shutDownDelayBox=30",
                         "commModeList=Wiegand", "wiegandGroup:enabled",
                         "wiegandProtocolList=Wiegand34", "userCodeBox=17"});
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());

    Operate(dlg,
            {"timerRadio:on", "timerIntervalBox=40", "commModeList=RS485", "rs485BaudList=9600bps",
             "userCodeBox=200", "idBorderCheck:on", "idBorderIntervalBox=5"});
    Click(dlg, "setSettingsButton");
    ASSERT_TRUE(waitForLine("Set Timer Mode Settings Successfully!"));
    EXPECT_EQ(memory.Value(CParameterMemory::kWorkMode), 2);
    EXPECT_EQ(memory.Value(CParameterMemory::kTimerInterval), 40);
    EXPECT_EQ(memory.Value(CParameterMemory::kCommMode), 1);
    EXPECT_EQ(memory.Value(CParameterMemory::kUserCode), 200);
    EXPECT_EQ(memory.Value(CParameterMemory::kIdBorderFlag), 1);
    EXPECT_EQ(memory.Value(CParameterMemory::kIdBorderInterval), 5);
    EXPECT_EQ(reader.HostBaud(), 9600u);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());

    // The reader parameters: its factory values replace the page's start values, and Set writes
    // Default's values back.
    dlg.Sheet().SetActivePage(1);
    ASSERT_TRUE(WaitUntil([&] { return dlg.m_waitGetParams == 0; }));
    EXPECT_EQ(Lines(dlg).last(), "Get Settings Successfully!");
    QStringList factory = {"powerBox=130", "hoppingFrequencyRadio:on"};
    for (int n = 1; n <= kChannelCount; ++n)
        factory << QStringLiteral("freq%1Check:on").arg(n);
    ExpectControls(dlg, factory);
    Click(dlg, "parameterDefaultButton");
    Click(dlg, "parameterSetSettingsButton");
    ASSERT_TRUE(waitForLine("Set Settings Successfully!"));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_EQ(memory.Value(CParameterMemory::kRfPower), 135);
    EXPECT_EQ(memory.Value(CParameterMemory::kAntennaMode), 1);
    EXPECT_EQ(memory.Value(CParameterMemory::kAntennaMask), 0x01);
    EXPECT_EQ(memory.Value(CParameterMemory::kFixedChannel), 0);
    EXPECT_EQ(memory.ReadBlock(CParameterMemory::kHoppingMask, 7),
              Bytes({0x01, 0x04, 0x10, 0x40, 0x00, 0x01, 0x02}));
    EXPECT_EQ(memory.Value(CParameterMemory::kReadTagMode), 0);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

} // namespace
