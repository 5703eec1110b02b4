// The "Work Mode" page in a connected window on the simulated reader: its requests and refusals,
// Default, and the Get and Set sequences, checked on the wire and in the operation list.
#include "pagetest.h"

#include "pages/cworkmode.h"

namespace {

const QString kReadWorkMode = "A0 05 63 02 00 70 86";
const QString kStop = "A0 02 FE 60";
const QString kWorkMode1 = "A0 05 60 00 70 01 8A";
const QString kWorkMode2 = "A0 05 60 00 70 02 89";
const QString kUserCode0 = "A0 05 60 00 64 00 97";
const QString kBorderOff = "A0 05 60 00 7B 02 7E";
const QString kBorderInterval0 = "A0 05 60 00 7A 00 81";
const QString kNotInteger = QStringLiteral("请键入一个整数。");
const QString kNote115200 = "The reader now uses 115200 bit/s: press Disconnect, choose 115200 in "
                            "Baud Rate and connect again.";

QStringList Settings(const QString& joined) {
    return joined.split(';', Qt::SkipEmptyParts);
}

class WorkmodePage : public PageTest<CParameterReader> {
protected:
    CWorkmode& Page() { return dlg.WorkmodePage(); }
    // Device Settings in the connected window; what the entry sent and its answers are dropped.
    void EnterDeviceSettings() {
        Click(dlg, "deviceSettingsButton");
        line->m_written.clear();
        line->answers.clear();
    }
    void Set(const QStringList& settings) { Operate(dlg, settings); }
    void Expect(const QStringList& expectations) { ExpectControls(dlg, expectations); }
};

TEST_F(WorkmodePage, StartValuesAndDefaultKeepingBaudRatesAndBorderInterval) {
    const QStringList common = Settings(
        "timerRadio:on;triggerRadio:off;timerGroup:enabled;triggerGroup:disabled;timerIntervalBox="
        "15;"
        "shutDownDelayBox=10;userCodeBox=0;pulseWidthBox=8;pulseCycleBox=12;idBorderCheck:off;"
        "idBorderIntervalBox:disabled;triggerList=High-Level Trigger;wiegandProtocolList=Wiegand26;"
        "wiegandGroup:disabled");
    EnterDeviceSettings();
    Expect(common + QStringList{"masterSlaveRadio:off", "idBorderIntervalBox=10",
                                "commModeList=RS485", "rs232BaudList=9600bps",
                                "rs485BaudList=9600bps", "rs232Group:disabled",
                                "rs485Group:enabled"});
    // The border interval reaches its member when the check box is clicked after typing.
    Set({"timerIntervalBox=50", "rs485BaudList=19200bps", "commModeList=RS232",
         "rs232BaudList=57600bps", "commModeList=Wiegand", "wiegandProtocolList=Wiegand32",
         "pulseWidthBox=40", "pulseCycleBox=41", "triggerRadio:on", "shutDownDelayBox=99",
         "triggerList=Trigger Off", "userCodeBox=5", "idBorderCheck:on", "idBorderIntervalBox=77",
         "idBorderCheck:off", "idBorderCheck:on"});
    Click(dlg, "defaultButton");
    Expect(common + QStringList{"idBorderIntervalBox=77", "commModeList=RS232",
                                "rs232BaudList=57600bps", "rs485BaudList=19200bps",
                                "rs232Group:enabled", "rs485Group:disabled"});
    EXPECT_TRUE(Sent().isEmpty() && messages.isEmpty());
}

TEST_F(WorkmodePage, RequestsSendWhatTheControlsShowOrRefuse) {
    using W = CWorkmode;
    const auto timer = &W::SendTimerInterval, delay = &W::SendShutDownDelay,
               border = &W::SendIdBorderInterval, wiegand = &W::SendWiegandSettings,
               user = &W::SendUserCode, trig = &W::SendTriggerMode, rs232 = &W::SendBaudRs232;
    // clang-format off
    const QString kTimer = "Interval: 1 -100!", kDelay = "Shut Down Delay: 0 - 240",
                  kBorder = "Interval of ID Border Upon Different: 1 - 255",
                  kWidth = "Pulse Width: 0 - 255", kUser = "User Code: 0 - 255",
                  kProtocol = "Wiegand Protocol: choose Wiegand26, Wiegand34 or Wiegand32";
    // Settings (';' between them) made after Default; a null frame: nothing is sent.
    const std::tuple<const char*, void (CWorkmode::*)(), const char*, QString> rows[] = {
        {"timerIntervalBox=100", timer, "A0 05 60 00 71 64 26", {}},
        {"timerIntervalBox=101", timer, nullptr, kTimer},
        {"triggerRadio:on;triggerList=Trigger Off", trig, "A0 07 62 02 00 80 00 00 75", {}},
        {"triggerRadio:on;triggerList=High-Level~", trig, "A0 07 62 02 00 80 FF FF 77", {}},
        {"triggerRadio:on;shutDownDelayBox=240", delay, "A0 05 60 00 84 F0 87", {}},
        {"triggerRadio:on;shutDownDelayBox=241", delay, nullptr, kDelay},
        // With the check box cleared the interval is written as 0, whatever the box holds.
        {"idBorderCheck:on;idBorderIntervalBox=999;idBorderCheck:off", border, "A0 05 60 00 7A 00 81", {}},
        {"idBorderCheck:on;idBorderIntervalBox=255", border, "A0 05 60 00 7A FF 82", {}},
        {"idBorderCheck:on;idBorderIntervalBox=256", border, nullptr, kBorder},
        {"commModeList=RS485;rs485BaudList=38400bps;commModeList=RS232;rs232BaudList=115200bps", rs232, "A0 03 64 04 F5", {}},
        {"rs232BaudList=115200~", rs232, "A0 03 64 00 F9", {}},
        {"commModeList=Wiegand;pulseWidthBox=0", wiegand, nullptr, kWidth},
        {"commModeList=Wiegand;pulseCycleBox=0", wiegand, nullptr, "Pulse Cycle: 0 - 255"},
        // The transfer stops at the cycle box, so the width box after it is not read.
        {"commModeList=Wiegand;pulseCycleBox=x;pulseWidthBox=0", wiegand, "A0 08 62 03 00 73 01 08 0C 6B", kNotInteger},
        {"commModeList=Wiegand;wiegandProtocolList=Wiegand99", wiegand, nullptr, kProtocol},
        {"userCodeBox=256", user, nullptr, kUser},
        {"userCodeBox=abc", user, "A0 05 60 00 64 00 97", kNotInteger},
        {"commModeList=USB", &W::SendCommMode, "A0 05 60 00 72 00 89", {}},
    };
    // clang-format on
    EnterDeviceSettings();
    for (const auto& [settings, send, frame, message] : rows) {
        SCOPED_TRACE(settings);
        Click(dlg, "defaultButton");
        messages.clear();
        Set(Settings(settings));
        (Page().*send)();
        EXPECT_EQ(Sent(), frame ? QStringList({frame}) : QStringList());
        EXPECT_EQ(messages, message.isEmpty() ? QStringList() : QStringList({message}));
    }
}

// ---- whole sequences against the reader on the line ----

TEST_F(WorkmodePage, SetWritesTheRequestsOfTheModeInOrder) {
    // clang-format off
    const std::tuple<const char*, QStringList, QStringList, QString> rows[] = {
        // Settings after Default, frames written, lines logged, and a refusal that stops it.
        {"commModeList=RS232;idBorderCheck:on;idBorderIntervalBox=30", {kWorkMode2, "A0 05 60 00 71 0F 7B", "A0 03 64 00 F9", kUserCode0, "A0 05 60 00 72 03 86", "A0 05 60 00 7B 01 7F", "A0 05 60 00 7A 1E 63"}, {"Set Timer Mode Settings Successfully!"}, {}},
        {"triggerRadio:on;commModeList=Wiegand;wiegandProtocolList=Wiegand34", {"A0 05 60 00 70 03 88", "A0 07 62 02 00 80 01 01 73", "A0 05 60 00 84 0A 6D", "A0 08 62 03 00 73 02 08 0C 6A", kUserCode0, "A0 05 60 00 72 02 87", kBorderOff, kBorderInterval0}, {"Set Trigger Mode Settings Successfully!"}, {}},
        // Master-slave sends no timer interval, so the one in its box is not checked.
        {"timerIntervalBox=500;masterSlaveRadio:on;commModeList=RS485;rs485BaudList=38400bps", {kWorkMode1, "A0 03 64 02 F7", kUserCode0, "A0 05 60 00 72 01 88", kBorderOff, kBorderInterval0}, {"Set Master-Slave Mode Settings Successfully!", "The reader now uses 38400 bit/s: press Disconnect, choose 38400 in Baud Rate and " "connect again."}, {}},
        // Range checks belong to the requests that send the values, not to the start.
        {"timerIntervalBox=0;userCodeBox=300", {kWorkMode2}, {}, "Interval: 1 -100!"},
        // A refusal after the reader switched its rate still tells how to reconnect.
        {"masterSlaveRadio:on;commModeList=RS232;rs232BaudList=115200bps;userCodeBox=300", {kWorkMode1, "A0 03 64 04 F5"}, {kNote115200}, "User Code: 0 - 255"},
    };
    // clang-format on
    EnterDeviceSettings();
    for (const auto& [settings, frames, lines, message] : rows) {
        SCOPED_TRACE(settings);
        Click(dlg, "defaultButton");
        dlg.OnClearOperationList();
        messages.clear();
        Set(Settings(settings));
        Click(dlg, "setSettingsButton");
        line->Pump();
        // A stray byte after the end (or after a refusal) must not move the sequence on.
        line->Deliver(QByteArray(1, '\0'));
        line->Pump();
        EXPECT_EQ(Sent(), frames);
        EXPECT_EQ(Lines(dlg), lines);
        const bool completed = message.isEmpty();
        EXPECT_EQ(messages, completed ? QStringList() : QStringList({message}));
        EXPECT_EQ(dlg.m_serial.GetPortOpen(), !completed);
    }
    // The host keeps its own rate; the operator reconnects.
    EXPECT_EQ(dlg.m_serial.GetSettings(), QStringLiteral("9600,n,8,1"));
}

TEST_F(WorkmodePage, EnteringAndGetShowTheReaderMemory) {
    // clang-format off
    const std::uint8_t addresses[] = {0x70, 0x71, 0x80, 0x81, 0x84, 0x73,
                                      0x74, 0x75, 0x64, 0x72, 0x7B, 0x7A};
    const std::pair<std::array<std::uint8_t, 12>, QStringList> rows[] = {
        {{3, 20, 1, 1, 30, 2, 9, 13, 7, 3, 1, 45}, {"triggerRadio:on", "triggerGroup:enabled", "timerIntervalBox=20", "shutDownDelayBox=30", "triggerList=High-Level Trigger", "commModeList=RS232", "wiegandProtocolList=Wiegand34", "pulseWidthBox=9", "pulseCycleBox=13", "userCodeBox=7", "idBorderIntervalBox=45", "idBorderIntervalBox:enabled"}},
        {{2, 100, 0, 0, 0, 3, 1, 255, 255, 2, 2, 0}, {"timerRadio:on", "timerIntervalBox=100", "triggerList=Trigger Off", "commModeList=Wiegand", "wiegandGroup:enabled", "wiegandProtocolList=Wiegand32", "pulseWidthBox=1", "pulseCycleBox=255", "userCodeBox=255", "idBorderCheck:off", "idBorderIntervalBox=45"}},
    };
    // clang-format on
    // Entering: the window's stop, then its Get; the page sends no read of its own.
    QStringList frames = {kStop};
    for (const auto& [memory, expected] : rows) {
        for (std::size_t i = 0; i < memory.size(); ++i)
            line->sim.Parameters().Store(addresses[i], memory[i]);
        Click(dlg, frames.isEmpty() ? "getSettingsButton" : "deviceSettingsButton");
        line->Pump();
        EXPECT_EQ(Sent(),
                  frames + QStringList({kReadWorkMode, "A0 05 63 02 00 80 76", "A0 04 61 00 84 77",
                                        "A0 05 63 03 00 73 82", "A0 04 61 00 64 97",
                                        "A0 04 61 00 72 89", "A0 05 63 02 00 7A 7C"}));
        frames.clear();
        EXPECT_EQ(Lines(dlg).last(), "Get Settings Successfully!!");
        EXPECT_FALSE(dlg.m_serial.GetPortOpen());
        EXPECT_TRUE(messages.isEmpty());
        Expect(expected);
    }
}

} // namespace
