// The serial control over a real pseudo-terminal and over the real QSerialPort back-end.
#include "link/cmscomm.h"
#include "link/portnames.h"
#include "ptypeer.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

struct PortTextRow {
    const char* name;
    const char* text;
    const char* device; // nullptr: opens nothing
};

class PortText : public ::testing::TestWithParam<PortTextRow> {};

TEST_P(PortText, MapsToTheDeviceItOpens) {
    const PortTextRow& row = GetParam();
    const auto device = DeviceForPortText(QString::fromUtf8(row.text));
    if (row.device == nullptr)
        EXPECT_FALSE(device.has_value()) << device.value_or(QString()).toStdString();
    else
        EXPECT_EQ(device.value_or(QString()).toStdString(), row.device);
}

INSTANTIATE_TEST_SUITE_P(Table, PortText,
                         ::testing::Values(PortTextRow{"Com1", "COM1", "/dev/ttyS0"},
                                           PortTextRow{"Com3", "COM3", "/dev/ttyS2"},
                                           PortTextRow{"Com10", "COM10", "/dev/ttyS9"},
                                           PortTextRow{"Com0", "COM0", nullptr},
                                           PortTextRow{"Com11", "COM11", nullptr},
                                           PortTextRow{"LowerCase", "com1", nullptr},
                                           PortTextRow{"LeadingBlank", " COM1", nullptr},
                                           PortTextRow{"Empty", "", nullptr},
                                           PortTextRow{"Slash", "/", nullptr},
                                           PortTextRow{"UsbPath", "/dev/ttyUSB0", "/dev/ttyUSB0"},
                                           PortTextRow{"PtyPath", "/dev/pts/7", "/dev/pts/7"},
                                           PortTextRow{"Simulator", "Simulator", "Simulator"},
                                           PortTextRow{"Words", "my reader", nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SettingsRow {
    const char* name;
    const char* text;
    bool valid;
    int baud;
};

class SettingsText : public ::testing::TestWithParam<SettingsRow> {};

TEST_P(SettingsText, ParsesOrRefuses) {
    const auto parsed = CMSComm::ParseSettings(QString::fromUtf8(GetParam().text));
    ASSERT_EQ(parsed.has_value(), GetParam().valid);
    if (parsed) {
        EXPECT_EQ(parsed->baud, GetParam().baud);
        EXPECT_EQ(parsed->parity, 'n');
        EXPECT_EQ(parsed->dataBits, 8);
        EXPECT_EQ(parsed->stopBits, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsText,
                         ::testing::Values(SettingsRow{"Slowest", "9600,n,8,1", true, 9600},
                                           SettingsRow{"Fastest", "115200,n,8,1", true, 115200},
                                           SettingsRow{"TypedRate", "250000,n,8,1", true, 250000},
                                           SettingsRow{"WordsForBaud", "fast,n,8,1", false, 0},
                                           SettingsRow{"EmptyBaud", ",n,8,1", false, 0},
                                           SettingsRow{"NegativeBaud", "-9600,n,8,1", false, 0},
                                           SettingsRow{"BadParity", "9600,x,8,1", false, 0},
                                           SettingsRow{"TooFewFields", "9600,n,8", false, 0},
                                           SettingsRow{"NineBits", "9600,n,9,1", false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

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
