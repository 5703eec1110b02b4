// The simulator back-end: the in-process reader as the serial control sees it, with real timers.
#include "link/simulatorbackend.h"
#include "simtestframes.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 3000; // bound for an answer; never reached when things work

QByteArray ToQt(const TestBytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

TestBytes FromQt(const QByteArray& bytes) {
    return TestBytes(bytes.begin(), bytes.end());
}

struct Port {
    CSimulatorBackend backend;
    TestBytes received;
    int events = 0;
    bool timedOut = false;

    Port() {
        QObject::connect(&backend, &ICommBackend::DataReady, [this] {
            ++events;
            const TestBytes chunk = FromQt(backend.ReadAll());
            received.insert(received.end(), chunk.begin(), chunk.end());
        });
    }
    bool Open(qint32 baud = 115200) {
        OpenFailure failure = OpenFailure::None;
        QString text;
        LineSettings settings;
        settings.baud = baud;
        return backend.Open(settings, &failure, &text);
    }
    // Sends a request and waits until at least size bytes have come back.
    TestBytes Exchange(const TestBytes& request, std::size_t size) {
        received.clear();
        backend.Write(ToQt(request));
        timedOut = !QTest::qWaitFor([&] { return received.size() >= size; }, kWaitMs);
        return received;
    }
};

struct ExchangeRow {
    const char* name;
    qint32 baud;
    TestBytes request;
    TestBytes answer;
};

class BackendExchanges : public testing::TestWithParam<ExchangeRow> {};

TEST_P(BackendExchanges, AnswerArrives) {
    const ExchangeRow& row = GetParam();
    Port port;
    ASSERT_TRUE(port.Open(row.baud));
    EXPECT_EQ(Hex(port.Exchange(row.request, row.answer.size())), Hex(row.answer));
}

INSTANTIATE_TEST_SUITE_P(
    Handshake, BackendExchanges,
    testing::Values(
        ExchangeRow{
            "Stop115200", 115200, {0xA0, 0x02, 0xFE, 0x60}, {0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E}},
        ExchangeRow{
            "Stop9600", 9600, {0xA0, 0x02, 0xFE, 0x60}, {0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E}},
        ExchangeRow{"Hello", 38400, {0xA0, 0x02, 0x50, 0x0E}, {0xE4, 0x03, 0x50, 0x00, 0xC9}},
        ExchangeRow{
            "Version", 115200, {0xA0, 0x02, 0x6A, 0xF4}, {0xE0, 0x04, 0x6A, 0x01, 0x02, 0xAF}},
        ExchangeRow{"TagRead", 57600, Request(0x80, {0x04, 0x01, 0x02, 0x06}),
                    Answer(0xE0, 0x80, Concat({{0x04, 0x01, 0x02, 0x06}, DefaultTagId(0)}))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Backend, StreamArrivesInChunksOfWholeRecords) {
    Port port;
    ASSERT_TRUE(port.Open());
    port.Exchange(Request(0x60, {0x00, 0x87, 0x01}), 5);
    const std::size_t want = 5 + 40 * 17;
    const TestBytes bytes = port.Exchange(Request(0x65), want);
    ASSERT_GE(bytes.size(), want);
    EXPECT_EQ(Hex(TestBytes(bytes.begin(), bytes.begin() + 5)), "E4 03 65 00 B4");
    for (std::size_t at = 5; at + 17 <= want; at += 17) {
        const TestBytes record(bytes.begin() + at, bytes.begin() + at + 17);
        EXPECT_EQ(record[15], TestChecksum(record, 15)) << at;
        EXPECT_NE(record[16], 0) << at;
    }
    // Delivered the way a driver does: many events, not one lump and not byte by byte.
    EXPECT_GT(port.events, 2);
    EXPECT_LT(port.events, static_cast<int>(bytes.size()));
}

TEST(Backend, CloseStopsDeliveryAndRequestsStillArrive) {
    Port port;
    ASSERT_TRUE(port.Open());
    port.Exchange(Request(0x60, {0x00, 0x87, 0x01}), 5);
    port.Exchange(Request(0x65), 5 + 17);
    port.backend.Write(ToQt(Request(0x60, {0x00, 0x65, 0x64})));
    port.backend.Close();
    EXPECT_FALSE(port.backend.IsOpen());
    EXPECT_EQ(port.backend.Simulator().Parameters().Value(0x65), 0x64);
    port.received.clear();
    port.events = 0;
    QTest::qWait(50);
    EXPECT_EQ(port.events, 0);
    EXPECT_TRUE(port.backend.ReadAll().isEmpty());
    // After reopening the reader still streams and still takes requests.
    ASSERT_TRUE(port.Open());
    port.Exchange(Request(0xFE), 1);
    EXPECT_FALSE(port.timedOut);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !port.backend.Simulator().IsStreaming(); }, kWaitMs));
}

TEST(Backend, VanishedDeviceIsLostThenFailsOneOpen) {
    Port port;
    ASSERT_TRUE(port.Open());
    FaultSpec vanish;
    vanish.kind = FaultKind::Vanish;
    port.backend.Simulator().Faults().Set(0x6A, vanish);
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

TEST(Backend, SplitAnswerComesInSeveralEvents) {
    Port port;
    ASSERT_TRUE(port.Open());
    FaultSpec split;
    split.kind = FaultKind::Split;
    split.gapMicros = 20000;
    port.backend.Simulator().Faults().Set(0x82, split);
    const TestBytes answer = port.Exchange(Request(0x82, {0x04}), 17);
    EXPECT_EQ(Hex(answer), Hex(Answer(0xE0, 0x82, Concat({{0x01}, DefaultTagId(0)}))));
    EXPECT_GE(port.events, 3);
}

} // namespace
