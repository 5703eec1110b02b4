// The simulated reader at the byte level: requests in, answer bytes out, time stepped by hand.
#include "sim/creadersimulator.h"
#include "simtestframes.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

constexpr std::uint64_t kMs = 1000;

struct Bench {
    CReaderSimulator sim;
    std::uint64_t now = 0;

    // Sends a request and returns everything the reader sends in the next 50 ms.
    TestBytes Exchange(const TestBytes& request) {
        sim.Receive(request, now);
        now += 50 * kMs;
        return sim.TakeBytes(now);
    }
};

const TestBytes kStopAnswer{0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E};

TestBytes ReadAnswer(std::uint8_t section, std::uint8_t address, const TestBytes& data) {
    TestBytes payload{0x04, section, address, static_cast<std::uint8_t>(data.size() / 2)};
    payload.insert(payload.end(), data.begin(), data.end());
    return Answer(0xE0, 0x80, payload);
}
// The identify answer for default tag 0 with its first ID word replaced.
TestBytes IdentifyTag0(std::uint8_t w0 = 0xE2, std::uint8_t w1 = 0x00) {
    TestBytes id = DefaultTagId(0);
    id[0] = w0, id[1] = w1;
    return Answer(0xE0, 0x82, Concat({{0x01}, id}));
}

struct Step {
    TestBytes request, answer;
};

// Fresh reader per scenario; each request's answer byte for byte.
TEST(Reader, AnswersExactly) {
    const TestBytes killPwd = {0x12, 0x34, 0x56, 0x78};
    // clang-format off
    const struct { const char* name; std::vector<Step> steps; } scenarios[] = {
        {"MultiStartInSingleMode", {{{0xA0, 0x02, 0x65, 0xF9}, {0xE4, 0x03, 0x65, 0x00, 0xB4}}}},
        {"PowerWrite135", {{{0xA0, 0x05, 0x60, 0x00, 0x65, 0x87, 0x0F}, {0xE4, 0x03, 0x60, 0x00, 0xB9}}}},
        {"BaudCodes", {{Request(0x64, {0x04}), Status(0x64, 0x00)}, {Request(0x64, {0x05}), Status(0x64, 0x01)}}},
        {"UnknownCommand", {{Request(0x33), Status(0x33, 0x02)}}},
        {"ReadUnmappedParameter", {{Request(0x61, {0x00, 0x66}), Status(0x61, 0x01)}}},
        {"BlockWriteCountMismatch", {{Request(0x62, {0x02, 0x00, 0xC0, 0x01}), Status(0x62, 0x02)}}},
        {"LoginPasswordBlock", {{Request(0x63, {0x04, 0x00, 0xC0}), Answer(0xE0, 0x63, {0x04, 0x00, 0xC0, 0, 0, 0, 0})}, {Request(0x62, {0x04, 0x00, 0xC0, 0x11, 0x22, 0x33, 0x44}), Status(0x62, 0x00)}, {Request(0x63, {0x04, 0x00, 0xC0}), Answer(0xE0, 0x63, {0x04, 0x00, 0xC0, 0x11, 0x22, 0x33, 0x44})}}},
        {"OneBadMaskByteRefusesTheBlock", {{Request(0x62, {0x07, 0x00, 0x92, 1, 2, 3, 4, 5, 6, 0x04}), Status(0x62, 0x01)}, {Request(0x61, {0x00, 0x92}), Answer(0xE0, 0x61, {0x00, 0x92, 0xFF})}}},
        {"AuthPasswordOnlyBy9B", {{Request(0x62, {0x02, 0x00, 0xBA, 0x12, 0x34}), Status(0x62, 0x01)}, {Request(0x9B, {0x12, 0x34}), Status(0x9B, 0x00)}, {Request(0x63, {0x02, 0x00, 0xBA}), Answer(0xE0, 0x63, {0x02, 0x00, 0xBA, 0x12, 0x34})}}},
        {"ReadUserEightWords", {{Request(0x80, {0x04, 3, 8, 8}), ReadAnswer(3, 8, {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31})}}},
        {"ReadRefused", {{Request(0x80, {0x04, 3, 15, 2}), Status(0x80, 1)}, {Request(0x80, {0x04, 3, 0, 0}), Status(0x80, 1)}, {Request(0x80, {0x04, 4, 0, 1}), Status(0x80, 1)}}},
        {"LockedPasswordUnreadable", {{Request(0x87, {0x04, 0x03}), Status(0x87, 0)}, {Request(0x80, {0x04, 0, 2, 2}), Status(0x80, 1)}, {Request(0x80, {0x04, 0, 0, 2}), ReadAnswer(0, 0, killPwd)}}},
        {"EpcLockStopsFastIdWrite", {{Request(0x9C, {0x01, 0x00, 0x07}), Answer(0xE0, 0x9C, {0x00})}, {Request(0x87, {0x04, 0x02}), Status(0x87, 0)}, {Request(0x9C, {0x01, 0x00, 0x08}), Answer(0xE0, 0x9C, {0x01})}, {Request(0x82, {0x04}), IdentifyTag0(0x00, 0x07)}}},
        {"KilledTagAnswersNothing", {{Request(0x86, {0x04, 0x00, 0x12, 0x34, 0x56, 0x78}), Status(0x86, 0)}, {Request(0x82, {0x04}), {0xE4, 0x03, 0x82, 0x01, 0x96}}, {Request(0x80, {0x04, 1, 2, 1}), Status(0x80, 1)}, {Request(0x86, {0x04, 0x00, 0x12, 0x34, 0x56, 0x78}), Status(0x86, 1)}}},
    };
    // clang-format on
    for (const auto& scenario : scenarios) {
        Bench bench;
        for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
            SCOPED_TRACE(std::string(scenario.name) + " step " + std::to_string(i));
            EXPECT_EQ(Hex(bench.Exchange(scenario.steps[i].request)),
                      Hex(scenario.steps[i].answer));
        }
    }
}

// A single-byte write is acknowledged with its status; a read shows the new value only when taken.
TEST(Reader, ParameterWritesKeepToTheirRanges) {
    // clang-format off
    const struct { std::uint8_t address, value; bool accepted; } rows[] = {
        {0x65, 150, true},  {0x65, 151, false}, {0x70, 0, false},  {0x70, 3, true},
        {0x70, 4, false},   {0x71, 0, false},   {0x71, 100, true}, {0x71, 101, false},
        {0x72, 3, true},    {0x7B, 3, false},   {0x84, 240, true}, {0x84, 241, false},
        {0x87, 1, true},    {0x87, 2, false},   {0x89, 4, true},   {0x89, 2, false},
        {0x8A, 0, false},   {0x8A, 15, true},   {0x8A, 16, false}, {0x90, 50, true},
        {0x90, 51, false},  {0x98, 3, true},    {0x98, 4, false},  {0xBA, 7, false},
        {0xC3, 0x5A, true},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(Hex({row.address, row.value}));
        Bench bench;
        const std::uint8_t before = bench.sim.Parameters().Value(row.address);
        EXPECT_EQ(Hex(bench.Exchange(Request(0x60, {0x00, row.address, row.value}))),
                  Hex(Status(0x60, row.accepted ? 0x00 : 0x01)));
        EXPECT_EQ(Hex(bench.Exchange(Request(0x61, {0x00, row.address}))),
                  Hex(Answer(0xE0, 0x61, {0x00, row.address, row.accepted ? row.value : before})));
    }
}

TEST(Reader, WritingTheIdChangesIdentifyAndTheCrc) {
    Bench bench;
    const TestBytes crcBefore = bench.Exchange(Request(0x80, {0x04, 0x01, 0x00, 0x01}));
    bench.Exchange(Request(0x81, {0x04, 0x00, 0x01, 0x02, 0x01, 0xAB, 0xCD}));
    EXPECT_EQ(Hex(bench.Exchange(Request(0x82, {0x04}))), Hex(IdentifyTag0(0xAB, 0xCD)));
    EXPECT_NE(Hex(bench.Exchange(Request(0x80, {0x04, 0x01, 0x00, 0x01}))), Hex(crcBefore));
}

Bench StreamingBench() {
    Bench bench;
    bench.Exchange(Request(0x60, {0x00, 0x87, 0x01}));
    return bench;
}

TEST(Stream, RecordsFollowTheAckAtTheRecordRate) {
    Bench bench = StreamingBench();
    const std::uint64_t period = CReaderSimulator::kDefaultRecordPeriodMicros;
    bench.sim.Receive(Request(0x65), bench.now);
    const std::uint64_t ack = bench.now + CReaderSimulator::Options{}.answerDelayMicros;
    const auto out = bench.sim.TakeOutput(ack + 29 * period);
    ASSERT_EQ(out.size(), 30u); // the ack, then one record per period after it
    EXPECT_EQ(Hex(out[0].bytes), "E4 03 65 00 B4");
    for (std::size_t i = 1; i < out.size(); ++i) {
        SCOPED_TRACE(i);
        const TestBytes& r = out[i].bytes;
        ASSERT_EQ(r.size(), 17u);
        EXPECT_EQ(out[i].kind, SimOutput::Kind::Record);
        EXPECT_EQ(Hex(TestBytes(r.begin() + 2, r.begin() + 15)),
                  Hex(Concat({DefaultTagId(static_cast<int>((i - 1) % 3)), {1}})));
        EXPECT_EQ(r[15], TestChecksum(r, 15));
        EXPECT_NE(r[16], 0);
        EXPECT_EQ(out[i].dueMicros - out[i - 1].dueMicros, period);
    }
}

TEST(Stream, RateIsConfigurableStopEndsItAndTheBacklogIsBounded) {
    Bench bench = StreamingBench();
    bench.sim.SetRecordPeriodMicros(10 * kMs);
    bench.sim.Receive(Request(0x65), bench.now);
    EXPECT_EQ(bench.sim.TakeBytes(bench.now + 100 * kMs).size(), 5u + 9 * 17);
    bench.now += 100 * kMs;
    EXPECT_EQ(Hex(bench.Exchange(Request(0xFE))), Hex(kStopAnswer));
    EXPECT_FALSE(bench.sim.IsStreaming());
    EXPECT_TRUE(bench.sim.TakeBytes(bench.now + 1000 * kMs).empty());
    Bench idle = StreamingBench(); // nobody collects for an hour
    idle.sim.Receive(Request(0x65), idle.now);
    EXPECT_LE(idle.sim.TakeOutput(idle.now + 3600ull * 1000 * kMs).size(),
              CReaderSimulator::kMaxBacklogRecords + 2);
}

// With a dwell time, each tag stays in the field for half to one and a half dwell times and new
// tags take the places of those that left, each in front of one of the antennas.
TEST(Stream, TagsComeAndGoOnTheirAntennas) {
    CReaderSimulator::Options options;
    options.tagCount = 4;
    options.tagDwellMicros = 100 * kMs;
    options.antennas = 4;
    options.recordPeriodMicros = kMs;
    Bench bench{CReaderSimulator(options)};
    bench.Exchange(Request(0x60, {0x00, 0x87, 0x01}));
    bench.sim.Receive(Request(0x65), bench.now);
    std::map<TestBytes, std::pair<std::uint64_t, std::uint64_t>> seen; // ID: first, last read
    std::set<std::uint8_t> antennas;
    std::map<TestBytes, std::uint8_t> antennaOf;
    for (int step = 0; step < 20; ++step) {
        bench.now += 100 * kMs;
        for (const SimOutput& out : bench.sim.TakeOutput(bench.now)) {
            if (out.kind != SimOutput::Kind::Record)
                continue;
            const TestBytes id(out.bytes.begin() + 2, out.bytes.begin() + 14);
            auto [at, added] = seen.emplace(id, std::pair{out.dueMicros, out.dueMicros});
            at->second.second = out.dueMicros;
            antennas.insert(out.bytes[14]);
            EXPECT_EQ(antennaOf.emplace(id, out.bytes[14]).first->second, out.bytes[14]);
        }
    }
    EXPECT_GT(seen.size(), 20u);
    EXPECT_EQ(antennas, (std::set<std::uint8_t>{1, 2, 3, 4}));
    for (const auto& [id, span] : seen)
        EXPECT_LE(span.second - span.first, 150 * kMs) << Hex(id);
}

TEST(Reader, FindsRequestsInTheByteStream) {
    const TestBytes stop{0xA0, 0x02, 0xFE, 0x60};
    // clang-format off
    const struct {
        const char* name;
        std::vector<TestBytes> chunks; // delivered 1 ms apart
        std::uint64_t pauseMicros;     // extra time before collecting
        TestBytes answer;
    } rows[] = {
        {"ByteByByte", {{0xA0}, {0x02}, {0xFE}, {0x60}}, 0, kStopAnswer},
        {"NoiseBefore", {{0x00, 0x13, 0xFF, 0xE0}, stop}, 0, kStopAnswer},
        {"BadChecksumIgnored", {{0xA0, 0x02, 0xFE, 0x61}}, 0, {}},
        {"BadChecksumThenGood", {{0xA0, 0x02, 0xFE, 0x61}, stop}, 0, kStopAnswer},
        {"ShortLength", {{0xA0, 0x01, 0xA0, 0x02, 0xFE, 0x60}}, 0, kStopAnswer},
        {"TwoInOneChunk", {Concat({stop, {0xA0, 0x02, 0x50, 0x0E}})}, 0, Concat({kStopAnswer, {0xE4, 0x03, 0x50, 0x00, 0xC9}})},
        // A stray A0 with a long length holds the real frame back until a pause.
        {"StrayHeaderWaitsForPause", {{0xA0, 0x30}, stop}, 0, {}},
        {"StrayHeaderThenPause", {{0xA0, 0x30}, stop}, 30 * kMs, kStopAnswer},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Bench bench;
        for (const TestBytes& chunk : row.chunks) {
            bench.sim.Receive(chunk, bench.now);
            bench.now += kMs;
        }
        EXPECT_EQ(Hex(bench.sim.TakeBytes(bench.now + row.pauseMicros + 10 * kMs)),
                  Hex(row.answer));
    }
}

} // namespace
