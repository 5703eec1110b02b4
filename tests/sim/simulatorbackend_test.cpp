// The simulator back-end: the in-process reader as the serial control sees it, with real timers.
#include "link/simulatorbackend.h"
#include "simtestframes.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 3000; // bound for an answer; never reached when things work

QByteArray ToQt(const TestBytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

struct Port {
    CSimulatorBackend backend;
    TestBytes received;
    int events = 0;

    Port() {
        QObject::connect(&backend, &ICommBackend::DataReady, [this] {
            ++events;
            const QByteArray chunk = backend.ReadAll();
            received.insert(received.end(), chunk.begin(), chunk.end());
        });
    }
    bool Open(qint32 baud = 115200) {
        OpenFailure failure = OpenFailure::None;
        QString text;
        return backend.Open(LineSettings{.baud = baud}, &failure, &text);
    }
    // Sends a request and waits until at least size bytes have come back.
    TestBytes Exchange(const TestBytes& request, std::size_t size) {
        received.clear();
        backend.Write(ToQt(request));
        (void)QTest::qWaitFor([&] { return received.size() >= size; }, kWaitMs);
        return received;
    }
};

TEST(Backend, CloseStopsDeliveryAndVanishedDeviceFailsOneOpen) {
    Port port;
    ASSERT_TRUE(port.Open());
    port.Exchange(Request(0x60, {0x00, 0x87, 0x01}), 5);
    port.Exchange(Request(0x65), 5 + 17);
    port.backend.Write(ToQt(Request(0x60, {0x00, 0x65, 0x64})));
    port.backend.Close();
    EXPECT_FALSE(port.backend.IsOpen());
    // The request still reaches the reader; its answer reaches the closed port and is lost.
    port.events = 0;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return port.backend.Simulator().Parameters().Value(0x65) == 0x64; }, kWaitMs));
    QTest::qWait(50);
    EXPECT_EQ(port.events, 0);
    EXPECT_TRUE(port.backend.ReadAll().isEmpty());
    // After reopening the reader still streams (records may come before the stop's answer) and
    // still takes requests; a vanishing device is lost for one open.
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(port.Exchange(Request(0xFE), 1).empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !port.backend.Simulator().IsStreaming(); }, kWaitMs));
    port.backend.Simulator().Faults().Set(0x6A, FaultSpec{.kind = FaultKind::Vanish});
    QSignalSpy lost(&port.backend, &ICommBackend::DeviceLost);
    port.backend.Write(ToQt(Request(0x6A)));
    EXPECT_TRUE(lost.wait(kWaitMs));
    EXPECT_FALSE(port.backend.IsOpen());
    OpenFailure failure = OpenFailure::None;
    QString text;
    EXPECT_FALSE(port.backend.Open(LineSettings{}, &failure, &text));
    EXPECT_EQ(failure, OpenFailure::NotFound);
    EXPECT_FALSE(text.isEmpty());
    port.backend.Simulator().Faults().Clear();
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(Hex(port.Exchange(Request(0xFE), 6)), "E0 04 FE 88 88 0E");
}

} // namespace
