// Connect, Disconnect and Update Settings through the window's buttons, and the group buttons.
#include "fakebackend.h"
#include "pagetest.h"
#include "ptypeer.h"
#include "windowtest.h"

#include "widgets/cpropertypage.h"

namespace {

using Bytes = CPtyPeer::Bytes;
using namespace handshake;

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

// Attempts that end in the time-out: one message, once, nothing more sent, Connect usable again.
enum Fault { FailureAck, Silent, VersionLost, NoiseBurst, HangUp };
class ConnectFails : public ConnectOverPty, public ::testing::WithParamInterface<Fault> {};

TEST_P(ConnectFails, TimesOutOnceAndConnectWorksAgain) {
    const Fault fault = GetParam();
    Click(dlg, "connectButton");
    ASSERT_EQ(peer.Expect(4), kStop);
    EXPECT_FALSE(Button(dlg, "connectButton")->isEnabled());
    if (fault == FailureAck || fault == VersionLost) {
        peer.Send(kStopAnswer);
        ASSERT_EQ(peer.Expect(4), kHandshake);
        peer.Send(fault == FailureAck ? Bytes{0xE4, 0x03, 0x50, 0x01, 0xC8} : kHandshakeAck);
    }
    if (fault == VersionLost) {
        ASSERT_EQ(peer.Expect(4), kVersionQuery);
    } else if (fault == NoiseBurst) { // larger than the receive buffer
        peer.Send(Bytes(10000, 0x5A), 2500);
        EXPECT_LE(dlg.State().m_rxCount, CReaderState::kRxBufSize);
    } else if (fault == HangUp) {
        peer.CloseMaster();
    }
    WaitForTimeout();
    WaitForTimeout(); // the timer does not fire again
    EXPECT_EQ(messages, QStringList({"Failed to Connect Device!"}));
    EXPECT_TRUE(peer.Received().empty());
    EXPECT_TRUE(Button(dlg, "connectButton")->isEnabled());
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_TRUE(fault != HangUp || (Lines(dlg).size() == 1 && Lines(dlg)[0].contains("was lost")));
    if (fault == HangUp)
        return;
    peer.Send(kVersion12); // an answer after the time-out does not connect
    EXPECT_EQ(dlg.State().m_connected, 0);
    messages.clear();
    HandshakeToVersionQuery(0);
    peer.Send(kVersion12);
    EXPECT_EQ(dlg.State().m_connected, 1);
    EXPECT_TRUE(messages.isEmpty());
}
INSTANTIATE_TEST_SUITE_P(Table, ConnectFails,
                         ::testing::Values(FailureAck, Silent, VersionLost, NoiseBurst, HangUp));

TEST_F(WindowTest, GroupButtonsFollowTheStateTableAndAShownGroupIsNotRebuilt) {
    CReaderDlg dlg;
    CFakeBackend* line = ConnectToFakeLine(dlg);
    const char* buttons[] = {"deviceSettingsButton", "demonstrationButton",
                             "updateSettingsButton", "connectButton",
                             "disconnectButton",     "clearOperationListButton"};
    const auto enabling = [&] {
        QString states;
        for (const char* name : buttons)
            states += Button(dlg, name)->isEnabled() ? '1' : '0';
        return states;
    };
    EXPECT_EQ(Tabs(dlg), QStringList({"Tag Identify", "Tag Operation"}));
    EXPECT_EQ(enabling(), "100011");
    QPointer<QWidget> identify = dlg.Sheet().ActivePage()->Window();
    dlg.OnDemonstration();
    EXPECT_FALSE(identify.isNull()) << "showing the group shown rebuilt it";

    Click(dlg, "deviceSettingsButton");
    EXPECT_EQ(Tabs(dlg), QStringList({"Work Mode", "Reader Parameters"}));
    EXPECT_EQ(enabling(), "011011");
    line->m_written.clear();
    dlg.OnDeviceSettings();
    EXPECT_TRUE(line->m_written.empty()) << "a second Device Settings must not send again";

    Click(dlg, "demonstrationButton");
    EXPECT_EQ(Tabs(dlg), QStringList({"Tag Identify", "Tag Operation"}));
    EXPECT_EQ(enabling(), "100011");
}

// Disconnect empties the list, Update Settings keeps it; both send the end request and go back to
// the start page, whose group buttons do nothing until the next Connect.
TEST_F(WindowTest, DisconnectOrUpdateSettingsEndsTheSession) {
    for (const char* end : {"disconnectButton", "updateSettingsButton"}) {
        SCOPED_TRACE(end);
        CReaderDlg dlg;
        CFakeBackend* line = ConnectToFakeLine(dlg);
        dlg.AddOperationLine(QStringLiteral("Firmware Version: V1.2!"));
        Click(dlg, "deviceSettingsButton");
        line->m_written.clear();
        Click(dlg, end);
        EXPECT_EQ(TakeSent(*line), QStringList({"A0 02 65 F9"}));
        EXPECT_EQ(Lines(dlg).isEmpty(), end == std::string("disconnectButton"));
        for (const char* button : {"disconnectButton", "updateSettingsButton"})
            EXPECT_FALSE(Button(dlg, button)->isEnabled()) << button;
        Click(dlg, "demonstrationButton");
        Click(dlg, "deviceSettingsButton");
        EXPECT_EQ(Tabs(dlg), QStringList({""}));
        EXPECT_TRUE(line->m_written.empty());
    }
}

// The list says why the port did not open; the box that follows says it again with the next step.
TEST_F(WindowTest, RefusedConnectLogsTheFailureThenTimesOutWithTheCauseAndTheNextStep) {
    const struct {
        const char *port, *baud, *line, *detail;
        OpenFailure failure; // of an in-memory device, or None for the real back-end
    } rows[] = {
        {"/dev/tarnwick-absent", "9600", "no such",
         "Port /dev/tarnwick-absent at 9600 bit/s. The port did not open: no such device. Plug "
         "the reader's adapter in, or choose another port.",
         OpenFailure::None},
        {"COM11", "9600", "is not a port", "This names no port. Choose COM1", OpenFailure::None},
        {"/dev/tarnwick-absent", "fast", "is not a baud rate", "Choose one of the rates",
         OpenFailure::None},
        {"/dev/ttyUSB7", "9600", "in use", "in use by another program. Close the program",
         OpenFailure::Busy},
        {"/dev/ttyUSB7", "9600", "refused (permission denied). Add your user to the dialout group",
         "permission denied. Add your user to the dialout "
         "group: sudo adduser $USER dialout",
         OpenFailure::PermissionDenied}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.port) + " " + row.baud + " " + row.line);
        messages.clear();
        details.clear();
        CReaderDlg dlg;
        if (row.failure != OpenFailure::None)
            dlg.m_serial.SetBackendFactory([&](const QString& device) {
                auto backend = std::make_unique<CFakeBackend>(device);
                backend->m_failOpen = row.failure;
                return backend;
            });
        Choose(dlg, "portList", QString::fromUtf8(row.port));
        Choose(dlg, "baudList", QString::fromUtf8(row.baud));
        Click(dlg, "connectButton");
        const QString lines = Lines(dlg).join('|');
        EXPECT_TRUE(lines.contains("Failed to Open Comm Port!") && lines.contains(row.line))
            << lines.toStdString();
        QTest::qWait(CReaderDlg::s_connectTimeoutMs + 200);
        EXPECT_EQ(messages, QStringList({"Failed to Connect Device!"}));
        EXPECT_TRUE(details.value(0).contains(row.detail)) << details.value(0).toStdString();
        EXPECT_TRUE(Button(dlg, "connectButton")->isEnabled());
    }
}

} // namespace
