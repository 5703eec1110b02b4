// Connect, Disconnect and Update Settings, driven through the window's buttons against a scripted
// reader on a real pseudo-terminal, or against an in-memory back-end where only the settings
// matter.
#include "fakebackend.h"
#include "ptypeer.h"
#include "windowtest.h"

#include <QElapsedTimer>

namespace {

using Bytes = CPtyPeer::Bytes;
using namespace handshake;

const Bytes kMultiStart = {0xA0, 0x02, 0x65, 0xF9};

class ConnectOverPty : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(peer.IsOpen());
        Choose(dlg, "portList", peer.SlavePath());
        Choose(dlg, "baudList", QStringLiteral("38400"));
    }
    // Runs the handshake up to the version query, answering in pieces of the given size.
    void HandshakeToVersionQuery(std::size_t piece) {
        Click(dlg, "connectButton");
        ASSERT_EQ(peer.Expect(4), kStop);
        peer.Send(kStopAnswer, piece);
        ASSERT_EQ(peer.Expect(4), kHandshake);
        peer.Send(kHandshakeAck, piece);
        ASSERT_EQ(peer.Expect(4), kVersionQuery);
    }
    void WaitForTimeout() { peer.Wait(CReaderDlg::s_connectTimeoutMs + 200); }

    CPtyPeer peer;
    CReaderDlg dlg;
};

class ConnectSplit : public ConnectOverPty, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(ConnectSplit, HandshakeEndsConnectedWithThePortClosed) {
    HandshakeToVersionQuery(GetParam());
    peer.Send(kVersion12, GetParam());
    EXPECT_EQ(Lines(dlg), QStringList({"Port Opened Successfully!", "Firmware Version: V1.2!"}));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_EQ(dlg.m_connected, 1);
    EXPECT_EQ(dlg.m_sheetReady, 1);
    EXPECT_FALSE(Button(dlg, "connectButton")->isEnabled());
    EXPECT_TRUE(Button(dlg, "disconnectButton")->isEnabled());
    EXPECT_TRUE(Button(dlg, "deviceSettingsButton")->isEnabled());
    EXPECT_FALSE(Button(dlg, "demonstrationButton")->isEnabled());
    EXPECT_EQ(Tabs(dlg), QStringList({"Tag Identify", "Tag Operation"}));
    // The connect timer is gone: no time-out message follows a completed handshake.
    WaitForTimeout();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_TRUE(peer.Received().empty());
}

// Whole frames, byte by byte, and pieces that cut every frame somewhere inside.
INSTANTIATE_TEST_SUITE_P(Pieces, ConnectSplit, ::testing::Values(0, 1, 2, 3),
                         [](const auto& info) { return "Piece" + std::to_string(info.param); });

TEST_F(ConnectOverPty, FailureStatusAcknowledgementIsNotTakenAndTheAttemptTimesOut) {
    Click(dlg, "connectButton");
    ASSERT_EQ(peer.Expect(4), kStop);
    peer.Send(kStopAnswer);
    ASSERT_EQ(peer.Expect(4), kHandshake);
    peer.Send({0xE4, 0x03, 0x50, 0x01, 0xC8});
    WaitForTimeout();
    EXPECT_TRUE(peer.Received().empty());
    EXPECT_EQ(messages, QStringList({"Failed to Connect Device!"}));
    EXPECT_TRUE(Button(dlg, "connectButton")->isEnabled());
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_EQ(dlg.m_connected, 0);
}

TEST_F(ConnectOverPty, SilentReaderTimesOutOnceAndConnectWorksAgain) {
    Click(dlg, "connectButton");
    ASSERT_EQ(peer.Expect(4), kStop);
    EXPECT_FALSE(Button(dlg, "connectButton")->isEnabled());
    WaitForTimeout();
    EXPECT_EQ(messages, QStringList({"Failed to Connect Device!"}));
    WaitForTimeout();
    EXPECT_EQ(messages.size(), 1) << "the timer must not fire again";
    messages.clear();
    HandshakeToVersionQuery(0);
    peer.Send(kVersion12);
    EXPECT_EQ(dlg.m_connected, 1);
}

TEST_F(ConnectOverPty, LostVersionAnswerTimesOutInsteadOfHangingForever) {
    HandshakeToVersionQuery(0);
    WaitForTimeout();
    EXPECT_EQ(messages, QStringList({"Failed to Connect Device!"}));
    EXPECT_TRUE(Button(dlg, "connectButton")->isEnabled());
    EXPECT_EQ(dlg.m_waitVersion, 0);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    // A version answer after the time-out does not connect.
    peer.Send(kVersion12);
    EXPECT_EQ(dlg.m_connected, 0);
}

TEST_F(ConnectOverPty, NoiseBurstLargerThanTheBufferIsSurvived) {
    Click(dlg, "connectButton");
    ASSERT_EQ(peer.Expect(4), kStop);
    peer.Send(Bytes(10000, 0x5A), 2500);
    EXPECT_LE(dlg.m_rxCount, CReaderState::kRxBufSize);
    WaitForTimeout();
    EXPECT_EQ(messages, QStringList({"Failed to Connect Device!"}));
}

TEST_F(ConnectOverPty, HangUpDuringTheHandshakeLogsOneLineAndTimesOut) {
    Click(dlg, "connectButton");
    ASSERT_EQ(peer.Expect(4), kStop);
    peer.CloseMaster();
    WaitForTimeout();
    ASSERT_EQ(Lines(dlg).size(), 1);
    EXPECT_TRUE(Lines(dlg)[0].contains(QStringLiteral("was lost"))) << Lines(dlg)[0].toStdString();
    EXPECT_EQ(messages, QStringList({"Failed to Connect Device!"}));
    EXPECT_TRUE(Button(dlg, "connectButton")->isEnabled());
}

TEST_F(ConnectOverPty, DisconnectSendsTheEndRequestAndEmptiesTheList) {
    HandshakeToVersionQuery(0);
    peer.Send(kVersion12);
    ASSERT_EQ(dlg.m_connected, 1);
    Click(dlg, "disconnectButton");
    EXPECT_EQ(peer.Expect(4), kMultiStart);
    EXPECT_EQ(dlg.OperationList().LineCount(), 0);
    EXPECT_EQ(dlg.m_connected, 0);
    EXPECT_EQ(dlg.m_sheetReady, 0);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_TRUE(Button(dlg, "connectButton")->isEnabled());
    EXPECT_FALSE(Button(dlg, "disconnectButton")->isEnabled());
    EXPECT_FALSE(Button(dlg, "updateSettingsButton")->isEnabled());
    EXPECT_EQ(Tabs(dlg), QStringList({""}));
}

TEST_F(ConnectOverPty, UpdateSettingsReturnsToTheStartPageAndKeepsTheList) {
    HandshakeToVersionQuery(0);
    peer.Send(kVersion12);
    Click(dlg, "deviceSettingsButton");
    // The work-mode page reads the work mode when it is created, the window stops any stream,
    // then starts the work-mode Get sequence.
    const Bytes readWorkMode = {0xA0, 0x05, 0x63, 0x02, 0x00, 0x70, 0x86};
    EXPECT_EQ(peer.Expect(7), readWorkMode);
    EXPECT_EQ(peer.Expect(4), kStop);
    EXPECT_EQ(peer.Expect(7), readWorkMode);
    EXPECT_TRUE(Button(dlg, "updateSettingsButton")->isEnabled());
    EXPECT_EQ(Tabs(dlg), QStringList({"Work Mode", "Reader Parameters"}));
    peer.Take(peer.Received().size());

    Click(dlg, "updateSettingsButton");
    EXPECT_EQ(peer.Expect(4), kMultiStart);
    EXPECT_EQ(Tabs(dlg), QStringList({""}));
    EXPECT_EQ(dlg.m_connected, 0);
    EXPECT_EQ(dlg.m_sheetReady, 0);
    EXPECT_EQ(dlg.m_settingsShown, 0);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_FALSE(Button(dlg, "updateSettingsButton")->isEnabled());
    EXPECT_TRUE(Button(dlg, "connectButton")->isEnabled());
    EXPECT_FALSE(Button(dlg, "disconnectButton")->isEnabled());
    EXPECT_EQ(Lines(dlg).size(), 2);
    // Both group buttons do nothing until the next Connect.
    Click(dlg, "demonstrationButton");
    Click(dlg, "deviceSettingsButton");
    peer.Wait(20);
    EXPECT_EQ(Tabs(dlg), QStringList({""}));
    EXPECT_TRUE(peer.Received().empty());
}

TEST_F(WindowTest, DeviceSettingsBeforeAnyConnectionDoesNothing) {
    CReaderDlg dlg;
    Click(dlg, "deviceSettingsButton");
    EXPECT_EQ(Tabs(dlg), QStringList({""}));
    EXPECT_FALSE(Button(dlg, "updateSettingsButton")->isEnabled());
    EXPECT_EQ(dlg.m_settingsShown, 0);
}

struct OpenFailureRow {
    const char* name;
    const char* port;
    const char* baud;
    const char* detail; // text the second line contains
};

class ConnectRefused : public WindowTest, public ::testing::WithParamInterface<OpenFailureRow> {};

TEST_P(ConnectRefused, LogsTheFailureThenTimesOut) {
    CReaderDlg dlg;
    Choose(dlg, "portList", QString::fromUtf8(GetParam().port));
    Choose(dlg, "baudList", QString::fromUtf8(GetParam().baud));
    Click(dlg, "connectButton");
    const QStringList lines = Lines(dlg);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.contains(QStringLiteral("Failed to Open Comm Port!")));
    EXPECT_TRUE(lines.join('\n').contains(QString::fromUtf8(GetParam().detail)))
        << lines.join('|').toStdString();
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    QTest::qWait(CReaderDlg::s_connectTimeoutMs + 200);
    EXPECT_EQ(messages, QStringList({"Failed to Connect Device!"}));
    EXPECT_TRUE(Button(dlg, "connectButton")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConnectRefused,
    ::testing::Values(OpenFailureRow{"AbsentDevice", "/dev/tarnwick-absent", "9600", "no such"},
                      OpenFailureRow{"NotAPort", "COM11", "9600", "is not a port"},
                      OpenFailureRow{"NotABaudRate", "/dev/tarnwick-absent", "fast",
                                     "is not a baud rate"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, ConnectOnCom3At38400OpensTtyS2WithThoseSettingsAndSendsTheStop) {
    CReaderDlg dlg;
    CFakeBackend* backend = nullptr;
    dlg.m_serial.SetBackendFactory([&](const QString& device) {
        auto made = std::make_unique<CFakeBackend>(device);
        backend = made.get();
        return made;
    });
    Choose(dlg, "portList", QStringLiteral("COM3"));
    Choose(dlg, "baudList", QStringLiteral("38400"));
    Click(dlg, "connectButton");
    ASSERT_NE(backend, nullptr);
    EXPECT_EQ(dlg.m_serial.GetCommPort(), 3);
    EXPECT_EQ(backend->m_device, QStringLiteral("/dev/ttyS2"));
    EXPECT_EQ(dlg.m_serial.GetSettings(), QStringLiteral("38400,n,8,1"));
    EXPECT_EQ(backend->m_settings.baud, 38400);
    ASSERT_EQ(backend->m_written.size(), 1u);
    EXPECT_EQ(backend->m_written[0], QByteArray("\xA0\x02\xFE\x60", 4));
    EXPECT_EQ(dlg.m_waitHandshake, 1);
}

} // namespace
