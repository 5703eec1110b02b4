// The serial control over a real pseudo-terminal and over the real QSerialPort back-end.
#include "link/cmscomm.h"
#include "ptypeer.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class SerialControl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(peer.IsOpen());
        comm.SetDevice(peer.SlavePath());
        comm.SetSettings(QStringLiteral("115200,n,8,1"));
        comm.SetRThreshold(1);
    }
    CPtyPeer peer;
    CMSComm comm;
};

TEST_F(SerialControl, OutputHandedOverBeforeACloseReachesTheLine) {
    comm.SetPortOpen(true);
    ASSERT_TRUE(comm.GetPortOpen()) << comm.LastErrorText().toStdString();
    const QByteArray frame("\xA0\x05\x60\x00\x87\x00\x74", 7);
    comm.SetOutput(frame);
    comm.SetPortOpen(false);
    EXPECT_FALSE(comm.GetPortOpen());
    const CPtyPeer::Bytes seen = peer.Expect(7);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(seen.data()), 7), frame);
}

TEST_F(SerialControl, ReceiveEventThenInputReturnsAndRemovesEveryWaitingByte) {
    QSignalSpy events(&comm, &CMSComm::OnComm);
    comm.SetPortOpen(true);
    ASSERT_TRUE(comm.GetPortOpen());
    peer.Send({0xE4, 0x03, 0x60, 0x00, 0xB9});
    peer.Wait(30);
    EXPECT_GE(events.count(), 1);
    EXPECT_EQ(comm.GetCommEvent(), CMSComm::kEvReceive);
    EXPECT_EQ(comm.GetInput(), QByteArray("\xE4\x03\x60\x00\xB9", 5));
    EXPECT_TRUE(comm.GetInput().isEmpty());
}

TEST_F(SerialControl, BytesThatArriveWhileThePortIsClosedAreNotDelivered) {
    comm.SetPortOpen(true);
    comm.SetPortOpen(false);
    peer.Send({0x11, 0x22, 0x33});
    comm.SetPortOpen(true);
    peer.Wait(20);
    EXPECT_TRUE(comm.GetInput().isEmpty());
}

TEST_F(SerialControl, HangUpWhileOpenClosesThePortAndSaysSo) {
    QSignalSpy lost(&comm, &CMSComm::DeviceLost);
    comm.SetPortOpen(true);
    ASSERT_TRUE(comm.GetPortOpen());
    // The port is open only during an exchange, which always starts with a request.
    comm.SetOutput(QByteArray("\xA0\x02\xFE\x60", 4));
    peer.Expect(4);
    peer.CloseMaster();
    QDeadlineTimer deadline(2000);
    while (lost.isEmpty() && !deadline.hasExpired())
        peer.Pump();
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(comm.GetPortOpen());
}

TEST(SerialControlOpen, AbsentDeviceReportsNotFound) {
    CMSComm comm;
    comm.SetDevice(QStringLiteral("/dev/tarnwick-no-such-device"));
    comm.SetPortOpen(true);
    EXPECT_FALSE(comm.GetPortOpen());
    EXPECT_EQ(comm.LastOpenFailure(), OpenFailure::NotFound);
    EXPECT_FALSE(comm.LastErrorText().isEmpty());
}

} // namespace
