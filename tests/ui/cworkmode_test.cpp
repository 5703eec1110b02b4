// The "Work Mode" page, driven through its controls in a connected window: the requests it puts
// on the line, the values it refuses, Default, the enabling of its groups, the read-back shown in
// the controls, and the note after a baud rate change.
//
// The scripted reader here answers every request with success from its own parameter memory.
// The simulator test is disabled: the simulated reader answers the stop request that entering
// Device Settings sends, and that answer, left at the start of the receive buffer, keeps the Get
// sequence from ever recognising its first reply.
#include "fakebackend.h"
#include "windowtest.h"

#include "link/portnames.h"
#include "link/simulatorbackend.h"
#include "pages/cworkmode.h"
#include "protocol/frame.h"
#include "ui/controls.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <deque>
#include <functional>
#include <map>

namespace {

// Qt strings compared as standard strings, so that a failure shows the text. (A PrintTo for the
// Qt types here could lose to another file's instantiation of the same printer at link time.)
std::string Show(const QString& text) {
    return '"' + text.toStdString() + '"';
}
std::string Show(const QStringList& list) {
    return "{" + (list.isEmpty() ? std::string() : Show(list.join("\", \""))) + "}";
}
#define EXPECT_TEXT(actual, expected) EXPECT_EQ(Show(actual), Show(expected))

// A reader with parameter memory that acknowledges every write and answers every read. Answers
// wait until the test pumps them; answers still waiting when the port closes are lost with it.
class CScriptedReader : public CFakeBackend {
public:
    using CFakeBackend::CFakeBackend;

    void Write(const QByteArray& bytes) override {
        CFakeBackend::Write(bytes);
        const Bytes answer = AnswerTo(bytes);
        if (!answer.empty())
            answers.emplace_back(reinterpret_cast<const char*>(answer.data()),
                                 static_cast<int>(answer.size()));
    }
    void Close() override {
        answers.clear();
        CFakeBackend::Close();
    }
    // Delivers the waiting answers one by one, and those of the requests they bring.
    void Pump() {
        for (int i = 0; i < 64 && !answers.empty(); ++i) {
            const QByteArray answer = answers.front();
            answers.pop_front();
            Deliver(answer);
        }
    }

    std::map<std::uint8_t, std::uint8_t> memory;
    std::deque<QByteArray> answers;

private:
    static Bytes Answer(std::uint8_t header, std::uint8_t command, const Bytes& data) {
        return BuildFrame(header, command, data);
    }
    Bytes AnswerTo(const QByteArray& request) {
        const auto* b = reinterpret_cast<const std::uint8_t*>(request.constData());
        if (request.size() < 4)
            return {};
        switch (b[2]) {
        case 0x60:
            memory[b[4]] = b[5];
            return Answer(kStatusHeader, 0x60, {0x00});
        case 0x62:
            for (int i = 0; i < b[3]; ++i)
                memory[static_cast<std::uint8_t>(b[5] + i)] = b[6 + i];
            return Answer(kStatusHeader, 0x62, {0x00});
        case 0x64:
            return Answer(kStatusHeader, 0x64, {0x00});
        case 0x61:
            return Answer(kDataHeader, 0x61, {0x00, b[4], memory[b[4]]});
        case 0x63: {
            Bytes data = {b[3], 0x00, b[5]};
            for (int i = 0; i < b[3]; ++i)
                data.push_back(memory[static_cast<std::uint8_t>(b[5] + i)]);
            return Answer(kDataHeader, 0x63, data);
        }
        default:
            return {};
        }
    }
};

// Frames as the reader sees them.
const QString kReadWorkMode = "A0 05 63 02 00 70 86";
const QString kStop = "A0 02 FE 60";
const QString kWorkMode1 = "A0 05 60 00 70 01 8A";
const QString kWorkMode2 = "A0 05 60 00 70 02 89";
const QString kWorkMode3 = "A0 05 60 00 70 03 88";
const QString kUserCode0 = "A0 05 60 00 64 00 97";
const QString kBorderOff = "A0 05 60 00 7B 02 7E";
const QString kBorderInterval0 = "A0 05 60 00 7A 00 81";

const QString kNote115200 = "The reader now uses 115200 bit/s: press Disconnect, choose 115200 in "
                            "Baud Rate and connect again.";

// One control setting, as an operator makes it: text typed into a box or chosen in a list, a
// radio clicked, or the check box brought to "1" or "0".
struct Setting {
    const char* control;
    QString value;
};

// The window and the operator's ways of setting and reading the page's controls.
class WorkmodeWindow : public WindowTest {
protected:
    CWorkmode& Page() { return dlg.WorkmodePage(); }

    template <class T> T* Find(const char* name) {
        T* widget = dlg.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void ApplyOne(const Setting& setting) {
        QWidget* widget = Find<QWidget>(setting.control);
        if (!widget)
            return;
        if (auto* box = qobject_cast<QLineEdit*>(widget)) {
            // An operator cannot type into a disabled control: the row must enable it first.
            EXPECT_TRUE(box->isEnabled()) << setting.control;
            box->clear();
            QTest::keyClicks(box, setting.value);
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            EXPECT_TRUE(list->isEnabled()) << setting.control;
            if (list->objectName() == "commModeList" && list->findText(setting.value) >= 0)
                PickCommMode(setting.value);
            else
                list->setEditText(setting.value);
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            if (check->isChecked() != (setting.value == "1"))
                QTest::mouseClick(check, Qt::LeftButton);
        } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            QTest::mouseClick(radio, Qt::LeftButton);
        }
    }
    void Apply(const std::vector<Setting>& settings) {
        for (const Setting& setting : settings)
            ApplyOne(setting);
    }

    // Checks one expectation: "name=text" (box text or list value), "name:on" / "name:off"
    // (radio or check box), "name:enabled" / "name:disabled".
    void ExpectOne(const QString& expectation) {
        const bool isText = expectation.contains('=');
        const QStringList parts = expectation.split(isText ? '=' : ':');
        QWidget* widget = Find<QWidget>(parts[0].toLatin1().constData());
        if (!widget)
            return;
        const QString& want = parts[1];
        if (isText) {
            QString text;
            if (auto* box = qobject_cast<QLineEdit*>(widget))
                text = box->text();
            else if (auto* list = qobject_cast<QComboBox*>(widget))
                text = ListText(list);
            EXPECT_TEXT(text, want) << parts[0].toStdString();
        } else if (want == "enabled" || want == "disabled") {
            EXPECT_EQ(widget->isEnabled(), want == "enabled") << parts[0].toStdString();
        } else {
            auto* button = qobject_cast<QAbstractButton*>(widget);
            ASSERT_NE(button, nullptr) << parts[0].toStdString();
            EXPECT_EQ(button->isChecked(), want == "on") << parts[0].toStdString();
        }
    }
    void Expect(const QStringList& expectations) {
        for (const QString& expectation : expectations)
            ExpectOne(expectation);
    }

    // Opens the Communication Mode drop-down and clicks the entry with this text.
    void PickCommMode(const QString& text) {
        auto* list = Find<QComboBox>("commModeList");
        list->showPopup();
        QAbstractItemView* view = list->view();
        const QModelIndex index = view->model()->index(list->findText(text), 0);
        view->setCurrentIndex(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        QCoreApplication::processEvents();
    }

    CReaderDlg dlg;
};

// A connected window over the scripted reader.
class WorkmodePage : public WorkmodeWindow {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        dlg.m_serial.SetBackendFactory([this](const QString& device) {
            auto made = std::make_unique<CScriptedReader>(device);
            reader = made.get();
            return made;
        });
        dlg.m_serial.SetDevice(QStringLiteral("fake"));
        // The receive settings Connect makes: a receive event for every byte.
        dlg.m_serial.SetInputMode(1);
        dlg.m_serial.SetRThreshold(1);
        dlg.OpenPortIfClosed();
        dlg.ClosePortIfOpen();
        dlg.show();
        dlg.OnHandshakeDone();
        reader->m_written.clear();
    }

    // Device Settings in the connected window; what the entry sent and its answers are dropped.
    void EnterDeviceSettings() {
        Click(dlg, "deviceSettingsButton");
        reader->m_written.clear();
        reader->answers.clear();
    }

    QStringList Sent() {
        QStringList sent;
        for (const QByteArray& frame : reader->m_written)
            sent << QString::fromStdString(
                HexString(ByteView(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                                   static_cast<std::size_t>(frame.size()))));
        reader->m_written.clear();
        return sent;
    }

    CScriptedReader* reader = nullptr;
};

// ---- entering Device Settings and the page's start ----

TEST_F(WorkmodePage, EnteringDeviceSettingsReadsTheWorkModeAroundTheStopRequest) {
    EXPECT_EQ(Page().m_readBack, (std::array<std::uint8_t, 12>{}));
    Click(dlg, "deviceSettingsButton");
    // The page's own initialisation reads first; the window then stops the reader, closes the
    // port and starts the Get again.
    EXPECT_TEXT(Sent(), QStringList({kReadWorkMode, kStop, kReadWorkMode}));
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
    // Two labels read "Interval" and two "Baud Rate": their boxes say which one they are.
    EXPECT_TEXT(Find<QLineEdit>("timerIntervalBox")->accessibleName(), "Timer Interval");
    EXPECT_TEXT(Find<QLineEdit>("idBorderIntervalBox")->accessibleName(), "ID Border Interval");
    EXPECT_TEXT(Find<QComboBox>("rs232BaudList")->accessibleName(), "RS-232 Baud Rate");
    EXPECT_TEXT(Find<QComboBox>("commModeList")->accessibleName(), "Communication Mode");
}

TEST_F(WorkmodePage, ButtonsDoNothingWhileNotConnected) {
    EnterDeviceSettings();
    dlg.m_connected = 0;
    dlg.m_waitGetMode = 0;
    Apply({{"userCodeBox", "99"}, {"commModeList", "Wiegand"}});
    Click(dlg, "defaultButton");
    Click(dlg, "getSettingsButton");
    Click(dlg, "setSettingsButton");
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(dlg.m_waitGetMode, 0);
    EXPECT_EQ(dlg.m_waitSetMode, 0);
    Expect(
        {"userCodeBox=99", "commModeList=Wiegand", "wiegandGroup:enabled", "rs232Group:disabled"});
}

// ---- each request, with the controls set as an operator sets them ----

struct SenderRow {
    const char* name;
    std::vector<Setting> settings;
    void (CWorkmode::*send)();
    QString frame; // empty: nothing is sent
    QStringList messages;
};

class WorkmodeSender : public WorkmodePage, public ::testing::WithParamInterface<SenderRow> {};

TEST_P(WorkmodeSender, SendsWhatTheControlsShowOrRefuses) {
    const SenderRow& row = GetParam();
    EnterDeviceSettings();
    Apply(row.settings);
    (Page().*row.send)();
    EXPECT_TEXT(Sent(), row.frame.isEmpty() ? QStringList() : QStringList({row.frame}));
    EXPECT_TEXT(messages, row.messages);
}

const QString kNotInteger = QStringLiteral("请键入一个整数。");

INSTANTIATE_TEST_SUITE_P(
    Table, WorkmodeSender,
    ::testing::Values(
        SenderRow{"WorkModeMasterSlave",
                  {{"masterSlaveRadio", ""}},
                  &CWorkmode::SendWorkMode,
                  kWorkMode1,
                  {}},
        SenderRow{"WorkModeTimer", {{"timerRadio", ""}}, &CWorkmode::SendWorkMode, kWorkMode2, {}},
        SenderRow{
            "WorkModeTrigger", {{"triggerRadio", ""}}, &CWorkmode::SendWorkMode, kWorkMode3, {}},
        SenderRow{"TimerInterval1",
                  {{"timerIntervalBox", "1"}},
                  &CWorkmode::SendTimerInterval,
                  "A0 05 60 00 71 01 89",
                  {}},
        SenderRow{"TimerInterval100",
                  {{"timerIntervalBox", "100"}},
                  &CWorkmode::SendTimerInterval,
                  "A0 05 60 00 71 64 26",
                  {}},
        SenderRow{"TimerInterval0",
                  {{"timerIntervalBox", "0"}},
                  &CWorkmode::SendTimerInterval,
                  "",
                  {"Interval: 1 -100!"}},
        SenderRow{"TimerInterval101",
                  {{"timerIntervalBox", "101"}},
                  &CWorkmode::SendTimerInterval,
                  "",
                  {"Interval: 1 -100!"}},
        SenderRow{"TriggerHighLevel",
                  {{"triggerRadio", ""}, {"triggerList", "High-Level Trigger"}},
                  &CWorkmode::SendTriggerMode,
                  "A0 07 62 02 00 80 01 01 73",
                  {}},
        SenderRow{"TriggerOff",
                  {{"triggerRadio", ""}, {"triggerList", "Trigger Off"}},
                  &CWorkmode::SendTriggerMode,
                  "A0 07 62 02 00 80 00 00 75",
                  {}},
        SenderRow{"TriggerTypedText",
                  {{"triggerRadio", ""}, {"triggerList", "High-Level"}},
                  &CWorkmode::SendTriggerMode,
                  "A0 07 62 02 00 80 FF FF 77",
                  {}},
        SenderRow{"ShutDownDelay0",
                  {{"triggerRadio", ""}, {"shutDownDelayBox", "0"}},
                  &CWorkmode::SendShutDownDelay,
                  "A0 05 60 00 84 00 77",
                  {}},
        SenderRow{"ShutDownDelay240",
                  {{"triggerRadio", ""}, {"shutDownDelayBox", "240"}},
                  &CWorkmode::SendShutDownDelay,
                  "A0 05 60 00 84 F0 87",
                  {}},
        SenderRow{"ShutDownDelay241",
                  {{"triggerRadio", ""}, {"shutDownDelayBox", "241"}},
                  &CWorkmode::SendShutDownDelay,
                  "",
                  {"Shut Down Delay: 0 - 240"}},
        SenderRow{"ShutDownDelayMinus1",
                  {{"triggerRadio", ""}, {"shutDownDelayBox", "-1"}},
                  &CWorkmode::SendShutDownDelay,
                  "",
                  {"Shut Down Delay: 0 - 240"}},
        SenderRow{"IdBorderFlagOn",
                  {{"idBorderCheck", "1"}},
                  &CWorkmode::SendIdBorderFlag,
                  "A0 05 60 00 7B 01 7F",
                  {}},
        SenderRow{"IdBorderFlagOff", {}, &CWorkmode::SendIdBorderFlag, kBorderOff, {}},
        SenderRow{"IdBorderIntervalOffSendsZero",
                  {{"idBorderCheck", "1"}, {"idBorderIntervalBox", "999"}, {"idBorderCheck", "0"}},
                  &CWorkmode::SendIdBorderInterval,
                  kBorderInterval0,
                  {}},
        SenderRow{"IdBorderInterval1",
                  {{"idBorderCheck", "1"}, {"idBorderIntervalBox", "1"}},
                  &CWorkmode::SendIdBorderInterval,
                  "A0 05 60 00 7A 01 80",
                  {}},
        SenderRow{"IdBorderInterval255",
                  {{"idBorderCheck", "1"}, {"idBorderIntervalBox", "255"}},
                  &CWorkmode::SendIdBorderInterval,
                  "A0 05 60 00 7A FF 82",
                  {}},
        SenderRow{"IdBorderInterval0",
                  {{"idBorderCheck", "1"}, {"idBorderIntervalBox", "0"}},
                  &CWorkmode::SendIdBorderInterval,
                  "",
                  {"Interval of ID Border Upon Different: 1 - 255"}},
        SenderRow{"IdBorderInterval256",
                  {{"idBorderCheck", "1"}, {"idBorderIntervalBox", "256"}},
                  &CWorkmode::SendIdBorderInterval,
                  "",
                  {"Interval of ID Border Upon Different: 1 - 255"}},
        SenderRow{"BaudRs232IgnoresTheRs485List",
                  {{"rs485BaudList", "38400bps"},
                   {"commModeList", "RS232"},
                   {"rs232BaudList", "115200bps"}},
                  &CWorkmode::SendBaudRs232,
                  "A0 03 64 04 F5",
                  {}},
        SenderRow{"BaudRs485",
                  {{"rs485BaudList", "38400bps"},
                   {"commModeList", "RS232"},
                   {"rs232BaudList", "115200bps"}},
                  &CWorkmode::SendBaudRs485,
                  "A0 03 64 02 F7",
                  {}},
        SenderRow{"BaudTypedTextSendsCode0",
                  {{"commModeList", "RS232"}, {"rs232BaudList", "115200"}},
                  &CWorkmode::SendBaudRs232,
                  "A0 03 64 00 F9",
                  {}},
        SenderRow{"Wiegand34",
                  {{"commModeList", "Wiegand"}, {"wiegandProtocolList", "Wiegand34"}},
                  &CWorkmode::SendWiegandSettings,
                  "A0 08 62 03 00 73 02 08 0C 6A",
                  {}},
        SenderRow{"WiegandPulseWidth255",
                  {{"commModeList", "Wiegand"}, {"pulseWidthBox", "255"}},
                  &CWorkmode::SendWiegandSettings,
                  "A0 08 62 03 00 73 01 FF 0C 74",
                  {}},
        SenderRow{"WiegandPulseWidth0",
                  {{"commModeList", "Wiegand"}, {"pulseWidthBox", "0"}},
                  &CWorkmode::SendWiegandSettings,
                  "",
                  {"Pulse Width: 0 - 255"}},
        SenderRow{"WiegandPulseWidth256",
                  {{"commModeList", "Wiegand"}, {"pulseWidthBox", "256"}},
                  &CWorkmode::SendWiegandSettings,
                  "",
                  {"Pulse Width: 0 - 255"}},
        SenderRow{"WiegandPulseCycle0",
                  {{"commModeList", "Wiegand"}, {"pulseCycleBox", "0"}},
                  &CWorkmode::SendWiegandSettings,
                  "",
                  {"Pulse Cycle: 0 - 255"}},
        // The transfer stops at the cycle box, so the width box after it is not read.
        SenderRow{"WiegandBadCycleTextKeepsTheLaterWidth",
                  {{"commModeList", "Wiegand"}, {"pulseCycleBox", "x"}, {"pulseWidthBox", "0"}},
                  &CWorkmode::SendWiegandSettings,
                  "A0 08 62 03 00 73 01 08 0C 6B",
                  {kNotInteger}},
        SenderRow{"WiegandTypedProtocol",
                  {{"commModeList", "Wiegand"}, {"wiegandProtocolList", "Wiegand99"}},
                  &CWorkmode::SendWiegandSettings,
                  "",
                  {"Wiegand Protocol: choose Wiegand26, Wiegand34 or Wiegand32"}},
        SenderRow{"UserCode0", {{"userCodeBox", "0"}}, &CWorkmode::SendUserCode, kUserCode0, {}},
        SenderRow{"UserCode255",
                  {{"userCodeBox", "255"}},
                  &CWorkmode::SendUserCode,
                  "A0 05 60 00 64 FF 98",
                  {}},
        SenderRow{"UserCode256",
                  {{"userCodeBox", "256"}},
                  &CWorkmode::SendUserCode,
                  "",
                  {"User Code: 0 - 255"}},
        SenderRow{"UserCodeMinus1",
                  {{"userCodeBox", "-1"}},
                  &CWorkmode::SendUserCode,
                  "",
                  {"User Code: 0 - 255"}},
        SenderRow{"UserCodeNotANumberSendsTheHeldValue",
                  {{"userCodeBox", "abc"}},
                  &CWorkmode::SendUserCode,
                  kUserCode0,
                  {kNotInteger}},
        SenderRow{"CommModeRs232",
                  {{"commModeList", "RS232"}},
                  &CWorkmode::SendCommMode,
                  "A0 05 60 00 72 03 86",
                  {}},
        SenderRow{"CommModeRs485",
                  {{"commModeList", "RS485"}},
                  &CWorkmode::SendCommMode,
                  "A0 05 60 00 72 01 88",
                  {}},
        SenderRow{"CommModeWiegand",
                  {{"commModeList", "Wiegand"}},
                  &CWorkmode::SendCommMode,
                  "A0 05 60 00 72 02 87",
                  {}},
        SenderRow{"CommModeTypedText",
                  {{"commModeList", "USB"}},
                  &CWorkmode::SendCommMode,
                  "A0 05 60 00 72 00 89",
                  {}},
        SenderRow{"ReadWorkMode", {}, &CWorkmode::ReadWorkMode, kReadWorkMode, {}},
        SenderRow{"ReadTriggerMode", {}, &CWorkmode::ReadTriggerMode, "A0 05 63 02 00 80 76", {}},
        SenderRow{"ReadShutDownDelay", {}, &CWorkmode::ReadShutDownDelay, "A0 04 61 00 84 77", {}},
        SenderRow{
            "ReadWiegandSettings", {}, &CWorkmode::ReadWiegandSettings, "A0 05 63 03 00 73 82", {}},
        SenderRow{"ReadUserCode", {}, &CWorkmode::ReadUserCode, "A0 04 61 00 64 97", {}},
        SenderRow{"ReadCommMode", {}, &CWorkmode::ReadCommMode, "A0 04 61 00 72 89", {}},
        SenderRow{"ReadIdBorder", {}, &CWorkmode::ReadIdBorder, "A0 05 63 02 00 7A 7C", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Set Settings: its start ----

struct SetStartRow {
    const char* name;
    std::vector<Setting> settings;
    bool noRadio; // the read-back selected no radio
    QString frame;
    std::array<int, 6> flags; // master-slave, timer, trigger, RS-232, RS-485, Wiegand
};

class WorkmodeSetStart : public WorkmodePage, public ::testing::WithParamInterface<SetStartRow> {};

TEST_P(WorkmodeSetStart, RecordsModeAndOutputClearsOtherOperationsAndWritesTheWorkMode) {
    const SetStartRow& row = GetParam();
    EnterDeviceSettings();
    if (row.noRadio) {
        Page().m_readBack = {0, 15, 1, 1, 10, 1, 8, 12, 0, 0, 2, 10};
        Page().ShowReadBack();
    }
    Apply(row.settings);
    // What was recorded before stays where this Set records nothing.
    dlg.m_modeMasterSlave = 0, dlg.m_modeTimer = 1, dlg.m_modeTrigger = 1;
    dlg.m_outRs232 = 0, dlg.m_outRs485 = 1, dlg.m_outWiegand = 1;
    dlg.m_waitReadTag = dlg.m_waitMultiIdentify = dlg.m_waitGetParams = dlg.m_waitSetParams = 1;
    dlg.ClosePortIfOpen();

    Click(dlg, "setSettingsButton");
    EXPECT_TEXT(Sent(), QStringList({row.frame}));
    EXPECT_EQ((std::array<int, 6>{dlg.m_modeMasterSlave, dlg.m_modeTimer, dlg.m_modeTrigger,
                                  dlg.m_outRs232, dlg.m_outRs485, dlg.m_outWiegand}),
              row.flags);
    EXPECT_EQ(dlg.m_waitSetMode, 1);
    EXPECT_EQ(dlg.m_setModeStep, 1);
    EXPECT_EQ(dlg.m_waitGetMode, 0);
    EXPECT_EQ(
        dlg.m_waitReadTag + dlg.m_waitMultiIdentify + dlg.m_waitGetParams + dlg.m_waitSetParams, 0);
    EXPECT_TRUE(dlg.m_serial.GetPortOpen());
    EXPECT_TRUE(messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkmodeSetStart,
    ::testing::Values(
        SetStartRow{"MasterSlaveRs232",
                    {{"masterSlaveRadio", ""}, {"commModeList", "RS232"}},
                    false,
                    kWorkMode1,
                    {1, 0, 0, 1, 0, 0}},
        SetStartRow{"TimerRs485", {}, false, kWorkMode2, {0, 1, 0, 0, 1, 0}},
        SetStartRow{"TriggerWiegand",
                    {{"triggerRadio", ""}, {"commModeList", "Wiegand"}},
                    false,
                    kWorkMode3,
                    {0, 0, 1, 0, 0, 1}},
        // Range checks belong to the requests that send the values: none is made here.
        SetStartRow{"OutOfRangeBoxesDoNotStopTheStart",
                    {{"timerIntervalBox", "500"}, {"userCodeBox", "300"}},
                    false,
                    kWorkMode2,
                    {0, 1, 0, 0, 1, 0}},
        SetStartRow{"NoRadioAndTypedOutputKeepTheRecord",
                    {{"commModeList", "RS-232"}},
                    true,
                    kWorkMode1,
                    {0, 1, 1, 0, 1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the read-back shown in the controls ----

struct ReadBackRow {
    const char* name;
    std::array<std::uint8_t, 12> readBack;
    QStringList expected;
};

class WorkmodeReadBack : public WorkmodePage, public ::testing::WithParamInterface<ReadBackRow> {};

TEST_P(WorkmodeReadBack, ShowsTheReaderValuesInTheControls) {
    EnterDeviceSettings();
    Page().m_readBack = GetParam().readBack;
    Page().ShowReadBack();
    Expect(GetParam().expected);
    EXPECT_TRUE(Sent().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkmodeReadBack,
    ::testing::Values(
        ReadBackRow{"TimerRs232BorderOn",
                    {2, 20, 3, 3, 30, 2, 9, 13, 7, 3, 1, 45},
                    {"timerRadio:on", "masterSlaveRadio:off", "timerGroup:enabled",
                     "triggerGroup:disabled", "timerIntervalBox=20",
                     "triggerList=High-Level Trigger", "shutDownDelayBox=30", "commModeList=RS232",
                     "rs232Group:enabled", "rs485Group:disabled", "wiegandGroup:disabled",
                     "wiegandProtocolList=Wiegand34", "pulseWidthBox=9", "pulseCycleBox=13",
                     "userCodeBox=7", "idBorderCheck:on", "idBorderIntervalBox=45",
                     "idBorderIntervalBox:enabled", "rs232BaudList=9600bps"}},
        ReadBackRow{"TriggerWiegandBorderOff",
                    {3, 1, 2, 2, 240, 3, 255, 1, 255, 2, 2, 99},
                    {"triggerRadio:on", "timerRadio:off", "triggerGroup:enabled",
                     "timerGroup:disabled", "triggerList=Trigger Off", "shutDownDelayBox=240",
                     "commModeList=Wiegand", "wiegandGroup:enabled", "rs232Group:disabled",
                     "rs485Group:disabled", "wiegandProtocolList=Wiegand32", "pulseWidthBox=255",
                     "pulseCycleBox=1", "userCodeBox=255", "idBorderCheck:off",
                     "idBorderIntervalBox:disabled", "idBorderIntervalBox=10"}},
        ReadBackRow{"MasterSlaveRs485",
                    {1, 15, 1, 1, 10, 1, 8, 12, 0, 1, 2, 0},
                    {"masterSlaveRadio:on", "timerGroup:disabled", "triggerGroup:disabled",
                     "commModeList=RS485", "rs485Group:enabled", "rs232Group:disabled",
                     "wiegandProtocolList=Wiegand26"}},
        // Codes outside the lists select nothing and leave the enabling as it was.
        ReadBackRow{"UnknownCodes",
                    {0, 15, 0, 0, 10, 4, 8, 12, 0, 0, 0, 77},
                    {"masterSlaveRadio:off", "timerRadio:off", "triggerRadio:off",
                     "timerGroup:enabled", "triggerGroup:disabled", "commModeList=RS485",
                     "rs485Group:enabled", "rs232Group:disabled",
                     "wiegandProtocolList=", "triggerList=Trigger Off", "idBorderCheck:off",
                     "idBorderIntervalBox=10", "idBorderIntervalBox:disabled"}},
        ReadBackRow{"WiegandProtocolZero",
                    {2, 15, 1, 1, 10, 0, 8, 12, 0, 2, 2, 10},
                    {"wiegandProtocolList=", "commModeList=Wiegand"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Default and the enabling rules ----

TEST_F(WorkmodePage, DefaultResetsTheFormButKeepsBaudRatesAndTheBorderInterval) {
    EnterDeviceSettings();
    // The border interval reaches its member when the check box is clicked after typing.
    Apply({{"timerIntervalBox", "50"},
           {"rs485BaudList", "19200bps"},
           {"commModeList", "RS232"},
           {"rs232BaudList", "57600bps"},
           {"commModeList", "Wiegand"},
           {"wiegandProtocolList", "Wiegand32"},
           {"pulseWidthBox", "40"},
           {"pulseCycleBox", "41"},
           {"triggerRadio", ""},
           {"shutDownDelayBox", "99"},
           {"triggerList", "Trigger Off"},
           {"userCodeBox", "5"},
           {"idBorderCheck", "1"},
           {"idBorderIntervalBox", "77"},
           {"idBorderCheck", "0"},
           {"idBorderCheck", "1"}});
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

TEST_F(WorkmodePage, RadiosEnableTheirGroupsOnly) {
    EnterDeviceSettings();
    ApplyOne({"masterSlaveRadio", ""});
    Expect({"timerGroup:disabled", "triggerGroup:disabled"});
    ApplyOne({"triggerRadio", ""});
    Expect({"timerGroup:disabled", "triggerGroup:enabled"});
    ApplyOne({"timerRadio", ""});
    Expect({"timerGroup:enabled", "triggerGroup:disabled"});
    // The work mode itself follows at the next transfer.
    EXPECT_EQ(Page().m_workMode, 1);
    ApplyOne({"masterSlaveRadio", ""});
    EXPECT_EQ(Page().m_workMode, 1);
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(WorkmodePage, CheckBoxEnablesTheBorderInterval) {
    EnterDeviceSettings();
    ApplyOne({"idBorderCheck", "1"});
    Expect({"idBorderIntervalBox:enabled"});
    EXPECT_EQ(Page().m_idBorderOn, 1);
    ApplyOne({"idBorderCheck", "0"});
    Expect({"idBorderIntervalBox:disabled"});
    EXPECT_EQ(Page().m_idBorderOn, 0);
}

TEST_F(WorkmodePage, ClosingTheCommunicationModeListEnablesThatOutput) {
    EnterDeviceSettings();
    PickCommMode("RS232");
    Expect({"commModeList=RS232", "rs232Group:enabled", "rs485Group:disabled",
            "wiegandGroup:disabled"});
    PickCommMode("Wiegand");
    Expect({"rs232Group:disabled", "rs485Group:disabled", "wiegandGroup:enabled"});
    PickCommMode("RS485");
    Expect({"rs232Group:disabled", "rs485Group:enabled", "wiegandGroup:disabled"});
    // Typed text that names no output changes nothing when the list closes.
    ApplyOne({"commModeList", "Wiegand "});
    Page().OnCommModeCloseUp();
    Expect({"rs485Group:enabled", "wiegandGroup:disabled"});
}

// ---- without controls ----

TEST_F(WorkmodePage, RequestsUseTheMembersWhileThePageHasNoControls) {
    EnterDeviceSettings();
    Apply({{"userCodeBox", "42"},
           {"commModeList", "RS232"},
           {"rs232BaudList", "57600bps"},
           {"commModeList", "Wiegand"},
           {"triggerRadio", ""},
           {"triggerList", "Trigger Off"}});
    Page().SendUserCode();
    Click(dlg, "demonstrationButton");
    ASSERT_FALSE(Page().HasWindow());
    dlg.OpenPortIfClosed();
    Sent();

    Page().SendUserCode();
    Page().SendCommMode();
    Page().SendBaudRs232();
    Page().SendTriggerMode();
    EXPECT_TEXT(Sent(), QStringList({"A0 05 60 00 64 2A 6D", "A0 05 60 00 72 02 87",
                                     "A0 03 64 03 F6", "A0 07 62 02 00 80 00 00 75"}));
    Page().m_readBack = {3, 15, 1, 1, 10, 1, 8, 12, 9, 3, 2, 10};
    Page().ShowReadBack();
    EXPECT_EQ(Page().m_workMode, 2);
    EXPECT_EQ(Page().m_userCode, 9);
    Page().SendCommMode();
    EXPECT_TEXT(Sent(), QStringList({"A0 05 60 00 72 03 86"}));
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
        Apply({{"masterSlaveRadio", ""}, {"commModeList", "RS232"}, {"rs232BaudList", baud}});
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
    EXPECT_TEXT(dlg.m_serial.GetSettings(), QStringLiteral("9600,n,8,1"));
    EXPECT_TEXT(ListText(Find<QComboBox>("baudList")), "9600");
    // Later receive events add nothing.
    dlg.OpenPortIfClosed();
    reader->Deliver(QByteArray("\xE4", 1));
    EXPECT_EQ(Lines(dlg).size(), lines.size());
}

TEST_F(WorkmodeBaudNote, NoNoteWhenTheRateIsTheHostRateOrTheSequenceWasAbandoned) {
    Choose(dlg, "baudList", "115200");
    StartMasterSlaveRs232("115200bps");
    FinishSequence();
    EXPECT_TEXT(Lines(dlg).last(), "Set Master-Slave Mode Settings Successfully!");

    Choose(dlg, "baudList", "9600");
    StartMasterSlaveRs232("57600bps");
    dlg.OpenPortIfClosed();
    EndSequence();
    EXPECT_FALSE(Lines(dlg).join('|').contains("bit/s"));
}

TEST_F(WorkmodeBaudNote, RefusalAfterTheReaderSwitchedAlsoTellsHowToReconnect) {
    StartMasterSlaveRs232("115200bps");
    ApplyOne({"userCodeBox", "300"});
    ++dlg.m_setModeStep;
    Page().SendUserCode();
    EXPECT_TEXT(messages, QStringList({"User Code: 0 - 255"}));
    EXPECT_TEXT(Lines(dlg).last(), kNote115200);
    EXPECT_TEXT(Sent(), QStringList({kWorkMode1, "A0 03 64 04 F5"}));
}

// ---- whole sequences against the scripted reader ----

struct SetRow {
    const char* name;
    std::vector<Setting> settings;
    QStringList frames;
    QStringList lines;    // lines logged by the sequence
    QStringList messages; // a refusal stops the sequence
};

class WorkmodeSet : public WorkmodePage, public ::testing::WithParamInterface<SetRow> {};

TEST_P(WorkmodeSet, WritesTheRequestsOfTheModeInOrder) {
    const SetRow& row = GetParam();
    EnterDeviceSettings();
    dlg.OnClearOperationList();
    Apply(row.settings);
    Click(dlg, "setSettingsButton");
    reader->Pump();
    // A stray byte after the end (or after a refusal) must not move the sequence on.
    reader->Deliver(QByteArray(1, '\0'));
    reader->Pump();
    EXPECT_TEXT(Sent(), row.frames);
    EXPECT_TEXT(Lines(dlg), row.lines);
    EXPECT_TEXT(messages, row.messages);
    const bool completed = row.messages.isEmpty();
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
               {{"masterSlaveRadio", ""},
                {"commModeList", "RS232"},
                {"rs232BaudList", "115200bps"},
                {"commModeList", "RS485"},
                {"rs485BaudList", "38400bps"}},
               {kWorkMode1, "A0 03 64 02 F7", kUserCode0, "A0 05 60 00 72 01 88", kBorderOff,
                kBorderInterval0},
               {"Set Master-Slave Mode Settings Successfully!",
                "The reader now uses 38400 bit/s: press Disconnect, choose 38400 in Baud Rate "
                "and connect again."},
               {}},
        SetRow{"TimerRs232AtTheHostRate",
               {{"timerRadio", ""}, {"commModeList", "RS232"}},
               {kWorkMode2, "A0 05 60 00 71 0F 7B", "A0 03 64 00 F9", kUserCode0,
                "A0 05 60 00 72 03 86", kBorderOff, kBorderInterval0},
               {"Set Timer Mode Settings Successfully!"},
               {}},
        SetRow{"TriggerWiegand",
               {{"triggerRadio", ""},
                {"commModeList", "Wiegand"},
                {"wiegandProtocolList", "Wiegand34"}},
               {kWorkMode3, "A0 07 62 02 00 80 01 01 73", "A0 05 60 00 84 0A 6D",
                "A0 08 62 03 00 73 02 08 0C 6A", kUserCode0, "A0 05 60 00 72 02 87", kBorderOff,
                kBorderInterval0},
               {"Set Trigger Mode Settings Successfully!"},
               {}},
        SetRow{"MasterSlaveIgnoresTheTimerInterval",
               {{"timerIntervalBox", "500"}, {"masterSlaveRadio", ""}, {"commModeList", "Wiegand"}},
               {kWorkMode1, "A0 08 62 03 00 73 01 08 0C 6B", kUserCode0, "A0 05 60 00 72 02 87",
                kBorderOff, kBorderInterval0},
               {"Set Master-Slave Mode Settings Successfully!"},
               {}},
        SetRow{"TimerWithIdBorder",
               {{"commModeList", "RS232"}, {"idBorderCheck", "1"}, {"idBorderIntervalBox", "30"}},
               {kWorkMode2, "A0 05 60 00 71 0F 7B", "A0 03 64 00 F9", kUserCode0,
                "A0 05 60 00 72 03 86", "A0 05 60 00 7B 01 7F", "A0 05 60 00 7A 1E 63"},
               {"Set Timer Mode Settings Successfully!"},
               {}},
        SetRow{"TimerIntervalRefusedStopsAfterTheWorkMode",
               {{"timerIntervalBox", "0"}},
               {kWorkMode2},
               {},
               {"Interval: 1 -100!"}}),
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
    EXPECT_TEXT(Sent(),
                QStringList({kReadWorkMode, kStop, kReadWorkMode, "A0 05 63 02 00 80 76",
                             "A0 04 61 00 84 77", "A0 05 63 03 00 73 82", "A0 04 61 00 64 97",
                             "A0 04 61 00 72 89", "A0 05 63 02 00 7A 7C"}));
    EXPECT_TEXT(Lines(dlg).last(), "Get Settings Successfully!!");
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

// ---- against the simulated reader, through the "Simulator" port entry ----

class WorkmodeOnSimulator : public WorkmodeWindow {
protected:
    void SetUp() override {
        WorkmodeWindow::SetUp();
        dlg.show();
        auto* ports = Find<QComboBox>("portList");
        ports->setCurrentIndex(ports->findText(kSimulatorPort));
        Click(dlg, "connectButton");
        ASSERT_TRUE(WaitUntil([&] { return dlg.m_connected == 1; }));
    }
    CReaderSimulator& Reader() {
        return qobject_cast<CSimulatorBackend*>(dlg.m_serial.Backend())->Simulator();
    }
    bool WaitForLine(const QString& line) {
        return WaitUntil([&] { return !Lines(dlg).isEmpty() && Lines(dlg).last() == line; });
    }
    static bool WaitUntil(const std::function<bool()>& done) {
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            QTest::qWait(5);
        return done();
    }
};

// Disabled: see the top of this file.
TEST_F(WorkmodeOnSimulator, DeviceSettingsShowsTheReaderAndSetWritesTheFormBack) {
    CParameterMemory& memory = Reader().Parameters();
    memory.Store(CParameterMemory::kWorkMode, 3);
    memory.Store(CParameterMemory::kTriggerDelay, 30);
    memory.Store(CParameterMemory::kCommMode, 2);
    memory.Store(CParameterMemory::kWiegandProtocol, 2);
    memory.Store(CParameterMemory::kUserCode, 17);
    Click(dlg, "deviceSettingsButton");
    ASSERT_TRUE(WaitForLine("Get Settings Successfully!!"));
    Expect({"triggerRadio:on", "triggerGroup:enabled", "shutDownDelayBox=30",
            "commModeList=Wiegand", "wiegandGroup:enabled", "wiegandProtocolList=Wiegand34",
            "userCodeBox=17"});
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());

    Apply({{"timerRadio", ""},
           {"timerIntervalBox", "40"},
           {"commModeList", "RS485"},
           {"rs485BaudList", "9600bps"},
           {"userCodeBox", "200"},
           {"idBorderCheck", "1"},
           {"idBorderIntervalBox", "5"}});
    Click(dlg, "setSettingsButton");
    ASSERT_TRUE(WaitForLine("Set Timer Mode Settings Successfully!"));
    EXPECT_EQ(memory.Value(CParameterMemory::kWorkMode), 2);
    EXPECT_EQ(memory.Value(CParameterMemory::kTimerInterval), 40);
    EXPECT_EQ(memory.Value(CParameterMemory::kCommMode), 1);
    EXPECT_EQ(memory.Value(CParameterMemory::kUserCode), 200);
    EXPECT_EQ(memory.Value(CParameterMemory::kIdBorderFlag), 1);
    EXPECT_EQ(memory.Value(CParameterMemory::kIdBorderInterval), 5);
    EXPECT_EQ(Reader().HostBaud(), 9600u);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

} // namespace
