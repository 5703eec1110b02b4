// The window on a line that keeps the wire's time, as a reader on a serial adapter does: the
// in-process simulator and tarnwick-sim on a pseudo-terminal, at the slowest and the fastest rate.
// Every operation, repeated at once as often as an impatient operator would, ends as it should,
// including those that close the port right after a request and open it again at once.
#include "pagetest.h"

#include "protocol/dispatcher.h"
#include "sim/cparametermemory.h"

#include <QProcess>

namespace {

// The reader's memory differs from every page's start values, so a page that shows it has read it.
constexpr std::uint8_t kTimerInterval = 37; // the Work Mode page starts with 15
constexpr std::uint8_t kPower = 77;         // the Reader Parameters page starts with 140

enum class Line { Simulator, Tool };
enum class Op {
    DeviceSettings,
    ParametersGet,
    Connect,
    UpdateSettingsThenConnect,
    IdentifyTag,
    SingleTagRadioThenIdentify,
    PauseThenIdentify,
    ReadTag,
};
struct Row {
    const char* name;
    Op op;
    int repeats;
};

using Param = std::tuple<Line, const char*, Row>;

class RealLine : public WindowTest, public ::testing::WithParamInterface<Param> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // Bounds for waiting, never reached when things work: a slow, loaded machine may take
        // far longer than the line does.
        CReaderDlg::s_connectTimeoutMs = 3000;
        dlg.show();
        const auto [line, baud, row] = GetParam();
        if (line == Line::Tool) {
            tool.start(QStringLiteral(TARNWICK_SIM_TOOL),
                       {QStringLiteral("--quiet"), QStringLiteral("--param"),
                        QStringLiteral("71=%1").arg(kTimerInterval), QStringLiteral("--param"),
                        QStringLiteral("65=%1").arg(kPower)});
            while (!tool.canReadLine() && tool.waitForReadyRead(5000)) {
            }
            const QString path = QString::fromLocal8Bit(tool.readLine()).trimmed();
            ASSERT_TRUE(path.startsWith(QStringLiteral("/dev/"))) << path.toStdString();
            Choose(dlg, "portList", path);
            Choose(dlg, "baudList", QString::fromLatin1(baud));
            Click(dlg, "connectButton");
            ASSERT_TRUE(WaitUntil([&] { return dlg.State().m_connected == 1; }, kBoundMs));
        } else {
            ASSERT_TRUE(ConnectToSimulator(dlg, QString::fromLatin1(baud)));
            CParameterMemory& memory = SimulatedReader(dlg).Parameters();
            memory.Store(CParameterMemory::kTimerInterval, kTimerInterval);
            memory.Store(CParameterMemory::kRfPower, kPower);
        }
    }
    void TearDown() override {
        dlg.ClosePortIfOpen();
        if (tool.state() != QProcess::NotRunning) {
            tool.terminate();
            tool.waitForFinished(5000);
        }
        WindowTest::TearDown();
    }

    int Count(const QString& line) { return static_cast<int>(Lines(dlg).count(line)); }
    // Waits until the operation list holds line n times.
    bool WaitForCount(const QString& line, int n) {
        return WaitUntil([&] { return Count(line) >= n; }, kBoundMs);
    }
    void ClickOn(const char* name) {
        Operate(dlg, QString::fromLatin1(name) + QStringLiteral(":on"));
    }

    static constexpr int kBoundMs = 20000;
    CReaderDlg dlg;
    QProcess tool;
};

TEST_P(RealLine, EveryRepeatEndsAsItShould) {
    const Row& row = std::get<2>(GetParam());
    const QString identified = QStringLiteral("Read Tag Successfully!");
    if (row.op == Op::ParametersGet) {
        Click(dlg, "deviceSettingsButton");
        ASSERT_TRUE(WaitForCount(QStringLiteral("Get Settings Successfully!!"), 1));
        dlg.Sheet().SetActivePage(1);
        ASSERT_TRUE(WaitForCount(QStringLiteral("Get Settings Successfully!"), 1));
    }
    if (row.op == Op::PauseThenIdentify)
        ClickOn("identifyMultipleTagsRadio");
    for (int i = 1; i <= row.repeats; ++i) {
        SCOPED_TRACE(i);
        switch (row.op) {
        case Op::DeviceSettings:
            Click(dlg, "deviceSettingsButton");
            ASSERT_TRUE(WaitForCount(QStringLiteral("Get Settings Successfully!!"), i))
                << Lines(dlg).join('|').toStdString();
            ExpectControls(dlg, {QStringLiteral("timerIntervalBox=%1").arg(kTimerInterval)});
            Click(dlg, "demonstrationButton");
            break;
        case Op::ParametersGet:
            Operate(dlg, QStringLiteral("powerBox=1"));
            Click(dlg, "parameterGetSettingsButton");
            ASSERT_TRUE(WaitForCount(QStringLiteral("Get Settings Successfully!"), i + 1));
            ExpectControls(dlg, {QStringLiteral("powerBox=%1").arg(kPower)});
            break;
        case Op::Connect:
        case Op::UpdateSettingsThenConnect:
            if (row.op == Op::UpdateSettingsThenConnect) {
                Click(dlg, "deviceSettingsButton");
                ASSERT_TRUE(WaitForCount(QStringLiteral("Get Settings Successfully!!"), i));
                Click(dlg, "updateSettingsButton");
            } else {
                Click(dlg, "disconnectButton");
            }
            ASSERT_EQ(dlg.State().m_connected, 0);
            Click(dlg, "connectButton");
            ASSERT_TRUE(WaitUntil([&] { return dlg.State().m_connected == 1; }, kBoundMs))
                << Lines(dlg).join('|').toStdString();
            EXPECT_EQ(Lines(dlg).last(), QStringLiteral("Firmware Version: V1.2!"));
            break;
        case Op::IdentifyTag:
            Click(dlg, "identifyTagButton");
            ASSERT_TRUE(WaitForCount(identified, i));
            break;
        case Op::SingleTagRadioThenIdentify:
            ClickOn("identifyMultipleTagsRadio");
            ClickOn("identifySingleTagRadio");
            Click(dlg, "identifyTagButton");
            ASSERT_TRUE(WaitForCount(identified, i)) << Lines(dlg).join('|').toStdString();
            break;
        case Op::PauseThenIdentify: {
            // A running stream, paused, then one tag identified.
            Click(dlg, "identifyTagButton");
            ASSERT_TRUE(
                WaitUntil([&] { return IsStreaming(dlg.State()) && dlg.State().m_multiShown > 0; },
                          kBoundMs));
            Click(dlg, "identifyPauseButton");
            // An operator's pause: records the reader sent before it took the stop are no
            // frames, and an identify started while they arrive would find them in front. The
            // port closes once the line has gone quiet.
            ASSERT_TRUE(WaitUntil([&] { return !dlg.m_serial.GetPortOpen(); }, kBoundMs));
            ClickOn("identifySingleTagRadio");
            Click(dlg, "identifyTagButton");
            ASSERT_TRUE(WaitForCount(identified, i)) << Lines(dlg).join('|').toStdString();
            ClickOn("identifyMultipleTagsRadio");
            break;
        }
        case Op::ReadTag:
            // Tag Operation sends a stop as it comes up, whose answer is still on the line.
            dlg.Sheet().SetActivePage(0);
            dlg.Sheet().SetActivePage(1);
            Click(dlg, "readTagButton");
            ASSERT_TRUE(WaitForCount(QStringLiteral("Tag Data Read Successfully!"), i));
            break;
        }
        EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    }
}

const Row kRows[] = {
    {"DeviceSettings", Op::DeviceSettings, 20},
    {"ParametersGet", Op::ParametersGet, 20},
    {"DisconnectThenConnect", Op::Connect, 20},
    {"UpdateSettingsThenConnect", Op::UpdateSettingsThenConnect, 5},
    {"IdentifyTag", Op::IdentifyTag, 20},
    {"SingleTagRadioThenIdentify", Op::SingleTagRadioThenIdentify, 5},
    {"PauseThenIdentify", Op::PauseThenIdentify, 5},
    {"ReadTag", Op::ReadTag, 20},
};

std::string RowName(const ::testing::TestParamInfo<Param>& info) {
    const auto& [line, baud, row] = info.param;
    return std::string(line == Line::Tool ? "Tool" : "Simulator") + baud + "_" + row.name;
}

INSTANTIATE_TEST_SUITE_P(Table, RealLine,
                         ::testing::Combine(::testing::Values(Line::Simulator, Line::Tool),
                                            ::testing::Values("9600", "115200"),
                                            ::testing::ValuesIn(kRows)),
                         RowName);

} // namespace
