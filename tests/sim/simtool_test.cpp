// tarnwick-sim end to end: start the tool, open the terminal it names, talk to it.
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
#include <utility>

namespace {

constexpr int kWaitMs = 3000; // bound for an answer; never reached when things work

class ToolRun {
public:
    explicit ToolRun(const QStringList& arguments) {
        m_process.setProgram(QStringLiteral(TARNWICK_SIM_TOOL));
        m_process.setArguments(arguments + QStringList{QStringLiteral("--quiet")});
        m_process.start(); // on any failure below the line stays closed
        while (!m_process.canReadLine() && m_process.waitForReadyRead(kWaitMs)) {
        }
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        m_fd = ::open(m_path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        tcgetattr(m_fd, &tio);
        cfmakeraw(&tio);
        cfsetspeed(&tio, B115200);
        tcsetattr(m_fd, TCSANOW, &tio);
    }
    ~ToolRun() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_process.terminate();
        if (!m_process.waitForFinished(kWaitMs))
            m_process.kill();
        m_process.waitForFinished(kWaitMs);
    }

    bool IsOpen() const { return m_fd >= 0; }
    const QString& Path() const { return m_path; }
    QProcess& Process() { return m_process; }

    // Writes a request and reads until size bytes are in, the line hangs up or the wait runs out.
    TestBytes Exchange(const TestBytes& request, std::size_t size, int waitMs = kWaitMs) {
        TestBytes got;
        if (::write(m_fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
            return got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (got.size() < size && std::chrono::steady_clock::now() < deadline) {
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, 50) <= 0)
                continue;
            std::uint8_t buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, std::min(sizeof buffer, size - got.size()));
            if (n > 0)
                got.insert(got.end(), buffer, buffer + n);
            else if ((n < 0 && errno != EAGAIN) || (fd.revents & POLLHUP)) {
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

TEST(SimTool, OptionsChangeTheAnswers) {
    const TestBytes stop = {0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E};
    // clang-format off
    const struct { QStringList arguments; TestBytes request, answer; } rows[] = {
        {{"--version", "4.5"}, Request(0x6A), Answer(0xE0, 0x6A, {4, 5})},
        {{"--param", "71=37"}, Request(0x61, {0x00, 0x71}), Answer(0xE0, 0x61, {0x00, 0x71, 37})},
        {{"--tags", "0"}, Request(0x82, {0x04}), Status(0x82, 0x01)},
        {{"--fault", "status@0x50:status=7F"}, Request(0x50), Status(0x50, 0x7F)},
        {{"--fault", "checksum@6A"}, Request(0x6A), {0xE0, 0x04, 0x6A, 0x01, 0x02, 0xAF ^ 0x5A}},
        {{"--fault", "silence@6A"}, Request(0xFE), stop},
        {{"--fault", "split:pieces=2,gap-us=20000"}, Request(0xFE), stop},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        ToolRun tool(row.arguments);
        ASSERT_TRUE(tool.IsOpen());
        EXPECT_EQ(Hex(tool.Exchange(row.request, row.answer.size())), Hex(row.answer));
    }
}

TEST(SimTool, SilenceRecoversAndVanishHangsUpAndEnds) {
    ToolRun tool({"--fault", "silence@6A:uses=1", "--fault", "vanish@50"});
    ASSERT_TRUE(tool.IsOpen());
    EXPECT_TRUE(tool.Exchange(Request(0x6A), 1, 300).empty());
    EXPECT_EQ(Hex(tool.Exchange(Request(0x6A), 6)), "E0 04 6A 01 02 AF");
    EXPECT_TRUE(tool.Exchange(Request(0x50), 1).empty());
    EXPECT_TRUE(tool.HungUp());
    EXPECT_TRUE(tool.Process().waitForFinished(kWaitMs));
    EXPECT_EQ(tool.Process().exitCode(), 0);
}

TEST(SimTool, CommandLineErrorsAndHelp) {
    // clang-format off
    const struct { QStringList arguments; int exitCode; const char* mentions; } rows[] = {
        {{"--help"}, 0, "vanish"},
        {{"--fault", "melt"}, 2, "unknown fault kind"},
        {{"--rate", "0.0166"}, 2, "--rate"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        QProcess process;
        process.start(QStringLiteral(TARNWICK_SIM_TOOL), row.arguments);
        ASSERT_TRUE(process.waitForFinished(kWaitMs));
        EXPECT_EQ(process.exitCode(), row.exitCode);
        EXPECT_TRUE(QString::fromLocal8Bit(process.readAll() + process.readAllStandardError())
                        .contains(QLatin1String(row.mentions)));
    }
}

} // namespace
