// tarnwick-sim end to end: start the tool, open the terminal it names, talk to it.
#include "link/serialportbackend.h"
#include "simtestframes.h"

#include <QProcess>
#include <QStringList>
#include <QTest>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 3000; // bound for an answer; never reached when things work

class ToolRun {
public:
    explicit ToolRun(const QStringList& arguments) {
        m_process.setProgram(QStringLiteral(TARNWICK_SIM_TOOL));
        m_process.setArguments(arguments + QStringList{QStringLiteral("--quiet")});
        m_process.start();
        if (!m_process.waitForStarted(kWaitMs))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(kWaitMs)) {
        }
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        if (m_path.isEmpty())
            return;
        m_fd = ::open(m_path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return;
        termios tio{};
        tcgetattr(m_fd, &tio);
        cfmakeraw(&tio);
        cfsetspeed(&tio, B115200);
        tcsetattr(m_fd, TCSANOW, &tio);
    }
    ~ToolRun() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(kWaitMs))
                m_process.kill();
            m_process.waitForFinished(kWaitMs);
        }
    }

    bool IsOpen() const { return m_fd >= 0; }
    const QString& Path() const { return m_path; }
    QProcess& Process() { return m_process; }

    // Writes a request and reads until size bytes are in, the line hangs up or the wait runs out.
    TestBytes Exchange(const TestBytes& request, std::size_t size, int waitMs = kWaitMs) {
        if (::write(m_fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
            return {};
        return Read(size, waitMs);
    }
    TestBytes Read(std::size_t size, int waitMs) {
        TestBytes got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (got.size() < size && std::chrono::steady_clock::now() < deadline) {
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, 50) <= 0)
                continue;
            std::uint8_t buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, std::min(sizeof buffer, size - got.size()));
            if (n > 0)
                got.insert(got.end(), buffer, buffer + n);
            else if (n < 0 && errno != EAGAIN) {
                m_hungUp = true;
                break;
            }
            if (fd.revents & POLLHUP && n <= 0) {
                m_hungUp = true;
                break;
            }
        }
        return got;
    }
    bool HungUp() const { return m_hungUp; }

private:
    QProcess m_process;
    QString m_path;
    int m_fd = -1;
    bool m_hungUp = false;
};

struct StepRow {
    const char* name;
    TestBytes request;
    TestBytes answer;
};

// One reader session, step after step on the same terminal.
TEST(SimTool, SessionOnThePseudoTerminal) {
    ToolRun tool({});
    ASSERT_TRUE(tool.IsOpen()) << tool.Path().toStdString();
    const StepRow steps[] = {
        {"Stop", {0xA0, 0x02, 0xFE, 0x60}, {0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E}},
        {"Hello", {0xA0, 0x02, 0x50, 0x0E}, {0xE4, 0x03, 0x50, 0x00, 0xC9}},
        {"Version", {0xA0, 0x02, 0x6A, 0xF4}, {0xE0, 0x04, 0x6A, 0x01, 0x02, 0xAF}},
        {"PowerWrite", Request(0x60, {0x00, 0x65, 0x64}), Status(0x60, 0x00)},
        {"PowerReadBack", Request(0x61, {0x00, 0x65}), Answer(0xE0, 0x61, {0x00, 0x65, 0x64})},
        {"PowerOutOfRange", Request(0x60, {0x00, 0x65, 0xFF}), Status(0x60, 0x01)},
        {"TagRead", Request(0x80, {0x04, 0x01, 0x02, 0x06}),
         Answer(0xE0, 0x80, Concat({{0x04, 0x01, 0x02, 0x06}, DefaultTagId(0)}))},
        {"TagWrite", Request(0x81, {0x04, 0x00, 0x03, 0x00, 0x01, 0x12, 0x34}),
         Answer(0xE0, 0x81, {0x02, 0x04, 0x00, 0x03, 0x00, 0x01, 0x12, 0x34, 0, 0, 0, 0x00})},
        {"TagWriteReadBack", Request(0x80, {0x04, 0x03, 0x00, 0x01}),
         Answer(0xE0, 0x80, {0x04, 0x03, 0x00, 0x01, 0x12, 0x34})},
        {"KillWrongPassword", Request(0x86, {0x04, 0x00, 0x00, 0x00, 0x00, 0x01}),
         Status(0x86, 0x01)},
        {"Kill", Request(0x86, {0x04, 0x00, 0x12, 0x34, 0x56, 0x78}), Status(0x86, 0x00)},
        {"IdentifyKilled", Request(0x82, {0x04}), {0xE4, 0x03, 0x82, 0x01, 0x96}},
    };
    for (const StepRow& step : steps) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(Hex(tool.Exchange(step.request, step.answer.size())), Hex(step.answer));
    }
}

TEST(SimTool, MultiTagStreamOnThePseudoTerminal) {
    ToolRun tool({QStringLiteral("--tags"), QStringLiteral("2")});
    ASSERT_TRUE(tool.IsOpen());
    ASSERT_EQ(Hex(tool.Exchange(Request(0x60, {0x00, 0x87, 0x01}), 5)), "E4 03 60 00 B9");
    const std::size_t records = 30;
    const TestBytes bytes = tool.Exchange(Request(0x65), 5 + records * 17);
    ASSERT_EQ(bytes.size(), 5 + records * 17);
    EXPECT_EQ(Hex(TestBytes(bytes.begin(), bytes.begin() + 5)), "E4 03 65 00 B4");
    for (std::size_t i = 0; i < records; ++i) {
        const TestBytes r(bytes.begin() + 5 + i * 17, bytes.begin() + 5 + (i + 1) * 17);
        EXPECT_EQ(r[15], TestChecksum(r, 15)) << i;
        EXPECT_NE(r[16], 0) << i;
        EXPECT_EQ(Hex(TestBytes(r.begin() + 2, r.begin() + 14)),
                  Hex(DefaultTagId(static_cast<int>(i % 2))))
            << i;
    }
}

// The route the program takes: the serial-port back-end on the terminal the tool printed.
TEST(SimTool, HandshakeThroughTheSerialPortBackend) {
    ToolRun tool({});
    ASSERT_TRUE(tool.IsOpen());
    CSerialPortBackend port(tool.Path());
    OpenFailure failure = OpenFailure::None;
    QString text;
    LineSettings settings;
    settings.baud = 115200;
    ASSERT_TRUE(port.Open(settings, &failure, &text)) << text.toStdString();
    QByteArray received;
    QObject::connect(&port, &ICommBackend::DataReady, [&] { received += port.ReadAll(); });
    const StepRow steps[] = {
        {"Stop", {0xA0, 0x02, 0xFE, 0x60}, {0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E}},
        {"Hello", {0xA0, 0x02, 0x50, 0x0E}, {0xE4, 0x03, 0x50, 0x00, 0xC9}},
        {"Version", {0xA0, 0x02, 0x6A, 0xF4}, {0xE0, 0x04, 0x6A, 0x01, 0x02, 0xAF}},
    };
    for (const StepRow& step : steps) {
        SCOPED_TRACE(step.name);
        received.clear();
        port.Write(QByteArray(reinterpret_cast<const char*>(step.request.data()),
                              static_cast<qsizetype>(step.request.size())));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return received.size() >= static_cast<qsizetype>(step.answer.size()); },
            kWaitMs));
        EXPECT_EQ(Hex(TestBytes(received.begin(), received.end())), Hex(step.answer));
    }
    port.Close();
}

struct OptionRow {
    const char* name;
    QStringList arguments;
    TestBytes request;
    TestBytes answer;
};

class SimToolOptions : public testing::TestWithParam<OptionRow> {};

TEST_P(SimToolOptions, ChangeTheAnswer) {
    const OptionRow& row = GetParam();
    ToolRun tool(row.arguments);
    ASSERT_TRUE(tool.IsOpen());
    EXPECT_EQ(Hex(tool.Exchange(row.request, row.answer.size())), Hex(row.answer));
}

INSTANTIATE_TEST_SUITE_P(
    Switches, SimToolOptions,
    testing::Values(
        OptionRow{"Version", {"--version", "4.5"}, Request(0x6A), Answer(0xE0, 0x6A, {4, 5})},
        OptionRow{"NoTags", {"--tags", "0"}, Request(0x82, {0x04}), Status(0x82, 0x01)},
        OptionRow{"StatusFault", {"--fault", "status@50"}, Request(0x50), Status(0x50, 0x01)},
        OptionRow{"StatusFaultOwnByte",
                  {"--fault", "status@0x50:status=7F"},
                  Request(0x50),
                  Status(0x50, 0x7F)},
        OptionRow{"ChecksumFault",
                  {"--fault", "checksum@6A"},
                  Request(0x6A),
                  {0xE0, 0x04, 0x6A, 0x01, 0x02, 0xAF ^ 0x5A}},
        OptionRow{"FaultOnOtherCommand",
                  {"--fault", "silence@6A"},
                  Request(0xFE),
                  {0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E}},
        OptionRow{"SplitFault",
                  {"--fault", "split:pieces=2,gap-us=20000"},
                  Request(0xFE),
                  {0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimTool, SilenceAnswersNothingThenRecovers) {
    ToolRun tool({"--fault", "silence@6A:uses=1"});
    ASSERT_TRUE(tool.IsOpen());
    EXPECT_TRUE(tool.Exchange(Request(0x6A), 1, 300).empty());
    EXPECT_EQ(Hex(tool.Exchange(Request(0x6A), 6)), "E0 04 6A 01 02 AF");
}

TEST(SimTool, VanishHangsUpTheTerminalAndEnds) {
    ToolRun tool({"--fault", "vanish@50"});
    ASSERT_TRUE(tool.IsOpen());
    EXPECT_EQ(tool.Exchange(Request(0xFE), 6).size(), 6u);
    EXPECT_TRUE(tool.Exchange(Request(0x50), 1).empty());
    EXPECT_TRUE(tool.HungUp());
    EXPECT_TRUE(tool.Process().waitForFinished(kWaitMs));
    EXPECT_EQ(tool.Process().exitCode(), 0);
}

struct CommandLineRow {
    const char* name;
    QStringList arguments;
    int exitCode;
    const char* mentions;
};

class SimToolCommandLine : public testing::TestWithParam<CommandLineRow> {};

TEST_P(SimToolCommandLine, ExitsWith) {
    QProcess process;
    process.start(QStringLiteral(TARNWICK_SIM_TOOL), GetParam().arguments);
    ASSERT_TRUE(process.waitForFinished(kWaitMs));
    EXPECT_EQ(process.exitCode(), GetParam().exitCode);
    const QString all =
        QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    EXPECT_TRUE(all.contains(QLatin1String(GetParam().mentions))) << all.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, SimToolCommandLine,
    testing::Values(CommandLineRow{"Help", {"--help"}, 0, "vanish"},
                    CommandLineRow{"UnknownOption", {"--colour"}, 2, "unknown option"},
                    CommandLineRow{"UnknownFault", {"--fault", "melt"}, 2, "unknown fault kind"},
                    CommandLineRow{"BadVersion", {"--version", "1"}, 2, "--version"},
                    // A record period longer than a minute, and one no integer holds.
                    CommandLineRow{"RateBelowOneAMinute", {"--rate", "0.0166"}, 2, "--rate"},
                    CommandLineRow{"RateTiny", {"--rate", "6e-77"}, 2, "--rate"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
