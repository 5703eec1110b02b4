// The simulated reader at the byte level: requests in, answer bytes out, time stepped by hand.
#include "sim/creadersimulator.h"
#include "simtestframes.h"

#include <array>
#include <functional>
#include <gtest/gtest.h>
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
    std::uint8_t ReadParam(std::uint8_t address) {
        const TestBytes answer = Exchange(Request(0x61, {0x00, address}));
        return answer.size() == 7 ? answer[5] : 0xFF;
    }
};

struct FixedAnswerRow {
    const char* name;
    TestBytes request;
    TestBytes answer;
};

class FixedAnswers : public testing::TestWithParam<FixedAnswerRow> {};

TEST_P(FixedAnswers, AnswerIsExactly) {
    Bench bench;
    EXPECT_EQ(Hex(bench.Exchange(GetParam().request)), Hex(GetParam().answer));
}

INSTANTIATE_TEST_SUITE_P(
    Handshake, FixedAnswers,
    testing::Values(
        FixedAnswerRow{"Stop", {0xA0, 0x02, 0xFE, 0x60}, {0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E}},
        FixedAnswerRow{"Hello", {0xA0, 0x02, 0x50, 0x0E}, {0xE4, 0x03, 0x50, 0x00, 0xC9}},
        FixedAnswerRow{"Version", {0xA0, 0x02, 0x6A, 0xF4}, {0xE0, 0x04, 0x6A, 0x01, 0x02, 0xAF}},
        FixedAnswerRow{
            "MultiStartInSingleMode", {0xA0, 0x02, 0x65, 0xF9}, {0xE4, 0x03, 0x65, 0x00, 0xB4}},
        FixedAnswerRow{"PowerWrite135",
                       {0xA0, 0x05, 0x60, 0x00, 0x65, 0x87, 0x0F},
                       {0xE4, 0x03, 0x60, 0x00, 0xB9}},
        FixedAnswerRow{"IdentifyFirstTag", Request(0x82, {0x04}),
                       Answer(0xE0, 0x82, Concat({{0x01}, DefaultTagId(0)}))},
        FixedAnswerRow{"WorkModeBlock", Request(0x63, {0x02, 0x00, 0x70}),
                       Answer(0xE0, 0x63, {0x02, 0x00, 0x70, 0x02, 0x0A})},
        FixedAnswerRow{"LoginPassword", Request(0x63, {0x04, 0x00, 0xC0}),
                       Answer(0xE0, 0x63, {0x04, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00})},
        FixedAnswerRow{"BaudCode115200", Request(0x64, {0x04}), Status(0x64, 0x00)},
        FixedAnswerRow{"BaudCodeUnknown", Request(0x64, {0x05}), Status(0x64, 0x01)},
        FixedAnswerRow{"LockKindUnknown", Request(0x87, {0x04, 0x06}), Status(0x87, 0x01)},
        FixedAnswerRow{"UnknownCommand", Request(0x33), Status(0x33, 0x02)},
        FixedAnswerRow{"StopWithStrayData", Request(0xFE, {0x01}), Status(0xFE, 0x02)},
        FixedAnswerRow{"ReadUnmappedParameter", Request(0x61, {0x00, 0x66}), Status(0x61, 0x01)},
        FixedAnswerRow{"BlockReadPastTheMap", Request(0x63, {0x03, 0x00, 0xC2}),
                       Status(0x63, 0x01)},
        FixedAnswerRow{"BlockWriteCountMismatch", Request(0x62, {0x02, 0x00, 0xC0, 0x01}),
                       Status(0x62, 0x02)},
        FixedAnswerRow{"FastWriteSevenWords",
                       Request(0x9C, {0x07, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}),
                       Answer(0xE0, 0x9C, {0x02})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Handshake, VersionIsConfigurable) {
    Bench bench;
    bench.sim.SetVersion(3, 14);
    EXPECT_EQ(Hex(bench.Exchange(Request(0x6A))), Hex(Answer(0xE0, 0x6A, {0x03, 0x0E})));
}

struct ParamRow {
    const char* name;
    std::uint8_t address;
    std::uint8_t value;
    bool accepted;
};

class ParameterWrites : public testing::TestWithParam<ParamRow> {};

// A single-byte write is acknowledged with its status; reading back shows the new value only
// when the write was taken.
TEST_P(ParameterWrites, WriteThenReadBack) {
    const ParamRow& row = GetParam();
    Bench bench;
    const std::uint8_t before = bench.sim.Parameters().Value(row.address);
    EXPECT_EQ(Hex(bench.Exchange(Request(0x60, {0x00, row.address, row.value}))),
              Hex(Status(0x60, row.accepted ? 0x00 : 0x01)));
    const TestBytes readBack = bench.Exchange(Request(0x61, {0x00, row.address}));
    if (!bench.sim.Parameters().IsMapped(row.address)) {
        EXPECT_EQ(Hex(readBack), Hex(Status(0x61, 0x01)));
        return;
    }
    EXPECT_EQ(Hex(readBack),
              Hex(Answer(0xE0, 0x61, {0x00, row.address, row.accepted ? row.value : before})));
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, ParameterWrites,
    testing::Values(
        ParamRow{"PowerTop", 0x65, 150, true}, ParamRow{"PowerAbove", 0x65, 151, false},
        ParamRow{"WorkModeZero", 0x70, 0, false}, ParamRow{"WorkModeTrigger", 0x70, 3, true},
        ParamRow{"WorkModeFour", 0x70, 4, false}, ParamRow{"IntervalZero", 0x71, 0, false},
        ParamRow{"IntervalTop", 0x71, 100, true}, ParamRow{"IntervalAbove", 0x71, 101, false},
        ParamRow{"CommModeRs232", 0x72, 3, true}, ParamRow{"IdBorderFlagThree", 0x7B, 3, false},
        ParamRow{"TriggerDelayTop", 0x84, 240, true},
        ParamRow{"TriggerDelayAbove", 0x84, 241, false},
        ParamRow{"ReadModeMultiple", 0x87, 1, true}, ParamRow{"ReadModeTwo", 0x87, 2, false},
        ParamRow{"AntennaModeFour", 0x89, 4, true}, ParamRow{"AntennaModeTwo", 0x89, 2, false},
        ParamRow{"AntennaMaskNone", 0x8A, 0, false}, ParamRow{"AntennaMaskAll", 0x8A, 15, true},
        ParamRow{"AntennaMaskFifth", 0x8A, 16, false}, ParamRow{"ChannelFifty", 0x90, 50, true},
        ParamRow{"ChannelFiftyOne", 0x90, 51, false},
        ParamRow{"HoppingLastByteTwoBits", 0x98, 3, true},
        ParamRow{"HoppingLastByteThirdBit", 0x98, 4, false},
        ParamRow{"AuthPasswordByParameter", 0xBA, 7, false},
        ParamRow{"LoginPasswordByte", 0xC3, 0x5A, true}, ParamRow{"Unmapped", 0x66, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParameterBlocks, LoginPasswordWriteAndReadBack) {
    Bench bench;
    EXPECT_EQ(Hex(bench.Exchange(Request(0x62, {0x04, 0x00, 0xC0, 0x11, 0x22, 0x33, 0x44}))),
              Hex(Status(0x62, 0x00)));
    EXPECT_EQ(Hex(bench.Exchange(Request(0x63, {0x04, 0x00, 0xC0}))),
              Hex(Answer(0xE0, 0x63, {0x04, 0x00, 0xC0, 0x11, 0x22, 0x33, 0x44})));
}

TEST(ParameterBlocks, OneBadByteRefusesTheWholeBlock) {
    Bench bench;
    // Seven hopping-mask bytes; the last may use only bits 0 and 1.
    const TestBytes request =
        Request(0x62, {0x07, 0x00, 0x92, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x04});
    ASSERT_EQ(request.size(), 14u);
    EXPECT_EQ(Hex(bench.Exchange(request)), Hex(Status(0x62, 0x01)));
    EXPECT_EQ(bench.ReadParam(0x92), 0xFF);
}

TEST(ParameterBlocks, AuthorizationPasswordChangesOnlyBy9B) {
    Bench bench;
    EXPECT_EQ(Hex(bench.Exchange(Request(0x62, {0x02, 0x00, 0xBA, 0x12, 0x34}))),
              Hex(Status(0x62, 0x01)));
    EXPECT_EQ(Hex(bench.Exchange(Request(0x9B, {0x12, 0x34}))), Hex(Status(0x9B, 0x00)));
    EXPECT_EQ(Hex(bench.Exchange(Request(0x63, {0x02, 0x00, 0xBA}))),
              Hex(Answer(0xE0, 0x63, {0x02, 0x00, 0xBA, 0x12, 0x34})));
}

// --- Tag memory ------------------------------------------------------------------------------

TestBytes ReadAnswer(std::uint8_t section, std::uint8_t address, const TestBytes& data) {
    TestBytes payload{0x04, section, address, static_cast<std::uint8_t>(data.size() / 2)};
    payload.insert(payload.end(), data.begin(), data.end());
    return Answer(0xE0, 0x80, payload);
}

TestBytes WriteAnswer(std::uint8_t section, std::uint8_t address, std::uint8_t d0, std::uint8_t d1,
                      std::uint8_t status) {
    return Answer(0xE0, 0x81, {0x02, 0x04, 0x00, section, address, 0x01, d0, d1, 0, 0, 0, status});
}

TEST(TagMemory, ReadAnswerLayout) {
    Bench bench;
    const TestBytes answer = bench.Exchange(Request(0x80, {0x04, 0x01, 0x02, 0x06}));
    ASSERT_EQ(answer.size(), 2u * 6 + 8);
    EXPECT_EQ(answer[1], answer.size() - 2);
    EXPECT_EQ(answer[6], 6);
    EXPECT_EQ(Hex(TestBytes(answer.begin() + 7, answer.begin() + 19)), Hex(DefaultTagId(0)));
    EXPECT_EQ(answer.back(), TestChecksum(answer, answer.size() - 1));
}

struct ReadRow {
    const char* name;
    std::uint8_t section, address, words;
    TestBytes expected; // empty: refused
};

class TagReads : public testing::TestWithParam<ReadRow> {};

TEST_P(TagReads, AnswerFromFocusedTag) {
    const ReadRow& row = GetParam();
    Bench bench;
    const TestBytes answer =
        bench.Exchange(Request(0x80, {0x04, row.section, row.address, row.words}));
    if (row.expected.empty())
        EXPECT_EQ(Hex(answer), Hex(Status(0x80, 0x01)));
    else
        EXPECT_EQ(Hex(answer), Hex(ReadAnswer(row.section, row.address, row.expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Sections, TagReads,
    testing::Values(ReadRow{"KillPassword", 0, 0, 2, {0x12, 0x34, 0x56, 0x78}},
                    ReadRow{"AccessPassword", 0, 2, 2, {0xA1, 0xB2, 0xC3, 0xD4}},
                    ReadRow{"PcWord", 1, 1, 1, {0x30, 0x00}},
                    ReadRow{"TidStart", 2, 0, 2, {0xE2, 0x00, 0x34, 0x12}},
                    ReadRow{"UserEightWords",
                            3,
                            8,
                            8,
                            {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31}},
                    ReadRow{"UserPastTheEnd", 3, 15, 2, {}}, ReadRow{"ZeroWords", 3, 0, 0, {}},
                    ReadRow{"NoSuchSection", 4, 0, 1, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TagMemory, WrittenWordReadsBack) {
    Bench bench;
    EXPECT_EQ(Hex(bench.Exchange(Request(0x81, {0x04, 0x00, 0x03, 0x05, 0x01, 0x12, 0x34}))),
              Hex(WriteAnswer(3, 5, 0x12, 0x34, 0x00)));
    EXPECT_EQ(Hex(bench.Exchange(Request(0x80, {0x04, 0x03, 0x05, 0x01}))),
              Hex(ReadAnswer(3, 5, {0x12, 0x34})));
}

TEST(TagMemory, WritingTheIdChangesIdentifyAndTheCrc) {
    Bench bench;
    const TestBytes crcBefore = bench.Exchange(Request(0x80, {0x04, 0x01, 0x00, 0x01}));
    bench.Exchange(Request(0x81, {0x04, 0x00, 0x01, 0x02, 0x01, 0xAB, 0xCD}));
    const TestBytes identify = bench.Exchange(Request(0x82, {0x04}));
    ASSERT_EQ(identify.size(), 17u);
    EXPECT_EQ(identify[4], 0xAB);
    EXPECT_EQ(identify[5], 0xCD);
    EXPECT_NE(Hex(bench.Exchange(Request(0x80, {0x04, 0x01, 0x00, 0x01}))), Hex(crcBefore));
}

struct LockRow {
    const char* name;
    std::uint8_t kind;
    std::uint8_t section, address;         // a word the lock must protect
    std::uint8_t freeSection, freeAddress; // a word it must leave writable
};

class Locks : public testing::TestWithParam<LockRow> {};

TEST_P(Locks, LockedWordRefusesWrites) {
    const LockRow& row = GetParam();
    Bench bench;
    EXPECT_EQ(Hex(bench.Exchange(Request(0x87, {0x04, row.kind}))), Hex(Status(0x87, 0x00)));
    EXPECT_EQ(Hex(bench.Exchange(
                  Request(0x81, {0x04, 0x00, row.section, row.address, 0x01, 0x55, 0x66}))),
              Hex(WriteAnswer(row.section, row.address, 0x55, 0x66, 0x01)));
    if (row.freeSection != 0xFF) {
        EXPECT_EQ(Hex(bench.Exchange(Request(
                      0x81, {0x04, 0x00, row.freeSection, row.freeAddress, 0x01, 0x55, 0x66}))),
                  Hex(WriteAnswer(row.freeSection, row.freeAddress, 0x55, 0x66, 0x00)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Locks,
    testing::Values(LockRow{"User", 0, 3, 0, 1, 2}, LockRow{"Tid", 1, 2, 3, 3, 0},
                    LockRow{"Epc", 2, 1, 2, 3, 0}, LockRow{"Access", 3, 0, 3, 0, 1},
                    LockRow{"Kill", 4, 0, 0, 0, 2}, LockRow{"AllUser", 5, 3, 7, 0xFF, 0},
                    LockRow{"AllKill", 5, 0, 1, 0xFF, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Locks, LockedPasswordCannotBeReadBack) {
    Bench bench;
    bench.Exchange(Request(0x87, {0x04, 0x03}));
    EXPECT_EQ(Hex(bench.Exchange(Request(0x80, {0x04, 0x00, 0x02, 0x02}))),
              Hex(Status(0x80, 0x01)));
    EXPECT_EQ(Hex(bench.Exchange(Request(0x80, {0x04, 0x00, 0x00, 0x02}))),
              Hex(ReadAnswer(0, 0, {0x12, 0x34, 0x56, 0x78})));
}

TEST(Locks, EpcLockStopsFastIdWrite) {
    Bench bench;
    EXPECT_EQ(Hex(bench.Exchange(Request(0x9C, {0x01, 0x00, 0x07}))),
              Hex(Answer(0xE0, 0x9C, {0x00})));
    bench.Exchange(Request(0x87, {0x04, 0x02}));
    EXPECT_EQ(Hex(bench.Exchange(Request(0x9C, {0x01, 0x00, 0x08}))),
              Hex(Answer(0xE0, 0x9C, {0x01})));
    const TestBytes identify = bench.Exchange(Request(0x82, {0x04}));
    ASSERT_EQ(identify.size(), 17u);
    EXPECT_EQ(identify[4], 0x00);
    EXPECT_EQ(identify[5], 0x07);
}

TEST(TagMemory, InitializeClearsUserUnlessLocked) {
    Bench bench;
    EXPECT_EQ(Hex(bench.Exchange(Request(0x99, {0x04}))), Hex(Status(0x99, 0x00)));
    EXPECT_EQ(Hex(bench.Exchange(Request(0x80, {0x04, 0x03, 0x00, 0x02}))),
              Hex(ReadAnswer(3, 0, {0, 0, 0, 0})));
    bench.Exchange(Request(0x87, {0x04, 0x00}));
    EXPECT_EQ(Hex(bench.Exchange(Request(0x99, {0x04}))), Hex(Status(0x99, 0x01)));
}

// --- Kill ------------------------------------------------------------------------------------

struct KillRow {
    const char* name;
    TestBytes password;
    bool killed;
};

class Kill : public testing::TestWithParam<KillRow> {};

TEST_P(Kill, KilledTagAnswersNothingAfterwards) {
    const KillRow& row = GetParam();
    Bench bench;
    TestBytes data{0x04, 0x00};
    data.insert(data.end(), row.password.begin(), row.password.end());
    TestBytes request{0xA0, 0x08, 0x86};
    request.insert(request.end(), data.begin(), data.end());
    request.push_back(TestChecksum(request, request.size()));
    EXPECT_EQ(Hex(bench.Exchange(request)), Hex(Status(0x86, row.killed ? 0x00 : 0x01)));

    const TestBytes identify = bench.Exchange(Request(0x82, {0x04}));
    const TestBytes read = bench.Exchange(Request(0x80, {0x04, 0x01, 0x02, 0x01}));
    if (row.killed) {
        EXPECT_EQ(Hex(identify), "E4 03 82 01 96");
        EXPECT_EQ(Hex(read), Hex(Status(0x80, 0x01)));
        EXPECT_EQ(Hex(bench.Exchange(request)), Hex(Status(0x86, 0x01)));
    } else {
        EXPECT_EQ(identify.size(), 17u);
        EXPECT_EQ(read.size(), 10u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Passwords, Kill,
    testing::Values(KillRow{"Right", {0x12, 0x34, 0x56, 0x78}, true},
                    KillRow{"LastByteWrong", {0x12, 0x34, 0x56, 0x79}, false},
                    KillRow{"AccessPasswordInstead", {0xA1, 0xB2, 0xC3, 0xD4}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Kill, OtherTagsAnswerOnceFocusMoves) {
    Bench bench;
    bench.Exchange(Request(0x86, {0x04, 0x00, 0x12, 0x34, 0x56, 0x78}));
    bench.sim.Tags().SetFocus(2);
    EXPECT_EQ(Hex(bench.Exchange(Request(0x82, {0x04}))),
              Hex(Answer(0xE0, 0x82, Concat({{0x01}, DefaultTagId(2)}))));
}

TEST(TagField, DefaultTagsDiffer) {
    CTagField field;
    ASSERT_EQ(field.Count(), 3u);
    for (std::size_t a = 0; a < 3; ++a) {
        for (std::size_t b = a + 1; b < 3; ++b) {
            for (TagSection section :
                 {TagSection::Reserved, TagSection::Epc, TagSection::Tid, TagSection::User})
                EXPECT_NE(field.Tag(a).Memory(section), field.Tag(b).Memory(section))
                    << a << " " << b << " section " << static_cast<int>(section);
        }
    }
}

TEST(TagField, IdsStayDistinctForLargeFields) {
    CTagField field(1000);
    std::set<std::array<std::uint8_t, 12>> ids;
    for (std::size_t i = 0; i < field.Count(); ++i)
        ids.insert(field.Tag(i).Id());
    EXPECT_EQ(ids.size(), 1000u);
}

// --- Multi-tag stream --------------------------------------------------------------------------

Bench StreamingBench() {
    Bench bench;
    bench.Exchange(Request(0x60, {0x00, 0x87, 0x01}));
    return bench;
}

TEST(Stream, RecordsFollowTheAckAtTheRecordRate) {
    Bench bench = StreamingBench();
    const std::uint64_t period = CReaderSimulator::kDefaultRecordPeriodMicros;
    EXPECT_EQ(period, 1475u); // 17 bytes * 10 bits at 115200 bit/s
    bench.sim.Receive(Request(0x65), bench.now);
    const auto out = bench.sim.TakeOutput(bench.now + 30 * period);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(Hex(out[0].bytes), "E4 03 65 00 B4");
    ASSERT_EQ(out.size(), 30u); // the ack, then one record per period after it
    for (std::size_t i = 1; i < out.size(); ++i) {
        const TestBytes& r = out[i].bytes;
        ASSERT_EQ(r.size(), 17u) << i;
        EXPECT_EQ(out[i].kind, SimOutput::Kind::Record);
        EXPECT_EQ(Hex(TestBytes(r.begin() + 2, r.begin() + 14)),
                  Hex(DefaultTagId(static_cast<int>((i - 1) % 3))));
        EXPECT_EQ(r[14], 1) << "antenna";
        EXPECT_EQ(r[15], TestChecksum(r, 15)) << i;
        EXPECT_NE(r[16], 0) << i;
        EXPECT_EQ(out[i].dueMicros - out[i - 1].dueMicros, i == 1 ? period + 0 : period);
    }
}

TEST(Stream, RateIsConfigurableAndStopEndsIt) {
    Bench bench = StreamingBench();
    bench.sim.SetRecordPeriodMicros(10 * kMs);
    bench.sim.Receive(Request(0x65), bench.now);
    EXPECT_EQ(bench.sim.TakeBytes(bench.now + 100 * kMs).size(), 5u + 9 * 17);
    bench.now += 100 * kMs;
    EXPECT_EQ(Hex(bench.Exchange(Request(0xFE))), "E0 04 FE 88 88 0E");
    EXPECT_FALSE(bench.sim.IsStreaming());
    EXPECT_TRUE(bench.sim.TakeBytes(bench.now + 1000 * kMs).empty());
}

TEST(Stream, KilledTagLeavesTheStream) {
    Bench bench = StreamingBench();
    bench.sim.Tags().SetFocus(1);
    bench.Exchange(Request(0x86, {0x04, 0x00, 0x12, 0x34, 0x56, 0x79}));
    bench.sim.Receive(Request(0x65), bench.now);
    const auto out = bench.sim.TakeOutput(bench.now + 20 * kMs);
    ASSERT_GT(out.size(), 4u);
    for (std::size_t i = 1; i < out.size(); ++i)
        EXPECT_NE(out[i].bytes[13], DefaultTagId(1)[11]);
}

TEST(Stream, UncollectedBacklogIsBounded) {
    Bench bench = StreamingBench();
    bench.sim.Receive(Request(0x65), bench.now);
    const auto out = bench.sim.TakeOutput(bench.now + 3600ull * 1000 * kMs);
    EXPECT_LE(out.size(), CReaderSimulator::kMaxBacklogRecords + 2);
}

// --- Receiving -------------------------------------------------------------------------------

struct StreamRow {
    const char* name;
    std::vector<TestBytes> chunks; // delivered 1 ms apart
    std::uint64_t pauseMicros;     // extra time before collecting
    TestBytes answer;
};

class Receiving : public testing::TestWithParam<StreamRow> {};

TEST_P(Receiving, FindsTheRequest) {
    const StreamRow& row = GetParam();
    Bench bench;
    for (const TestBytes& chunk : row.chunks) {
        bench.sim.Receive(chunk, bench.now);
        bench.now += kMs;
    }
    EXPECT_EQ(Hex(bench.sim.TakeBytes(bench.now + row.pauseMicros + 10 * kMs)), Hex(row.answer));
}

const TestBytes kStop{0xA0, 0x02, 0xFE, 0x60};
const TestBytes kStopAnswer{0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E};

INSTANTIATE_TEST_SUITE_P(
    Framing, Receiving,
    testing::Values(
        StreamRow{"Whole", {kStop}, 0, kStopAnswer},
        StreamRow{"ByteByByte", {{0xA0}, {0x02}, {0xFE}, {0x60}}, 0, kStopAnswer},
        StreamRow{"NoiseBefore", {{0x00, 0x13, 0xFF, 0xE0}, kStop}, 0, kStopAnswer},
        StreamRow{"BadChecksumIgnored", {{0xA0, 0x02, 0xFE, 0x61}}, 0, {}},
        StreamRow{"BadChecksumThenGood", {{0xA0, 0x02, 0xFE, 0x61}, kStop}, 0, kStopAnswer},
        StreamRow{"ShortLength", {{0xA0, 0x01, 0xA0, 0x02, 0xFE, 0x60}}, 0, kStopAnswer},
        StreamRow{"TwoInOneChunk",
                  {Concat({kStop, {0xA0, 0x02, 0x50, 0x0E}})},
                  0,
                  Concat({kStopAnswer, {0xE4, 0x03, 0x50, 0x00, 0xC9}})},
        // A stray A0 with a long length holds the real frame back until the receiver gives up on
        // it after a pause.
        StreamRow{"StrayHeaderWaitsForPause", {{0xA0, 0x30}, kStop}, 0, {}},
        StreamRow{"StrayHeaderThenPause", {{0xA0, 0x30}, kStop}, 30 * kMs, kStopAnswer}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Faults ----------------------------------------------------------------------------------

struct FaultRow {
    const char* name;
    std::uint8_t command; // 0: the fault is global
    FaultSpec fault;
    TestBytes request;
    // Checks what came out; the normal answer is passed for comparison.
    std::function<void(const std::vector<SimOutput>&, const TestBytes& normal, Bench&)> check;
};

class Faults : public testing::TestWithParam<FaultRow> {};

TEST_P(Faults, SpoilsTheAnswer) {
    const FaultRow& row = GetParam();
    Bench reference;
    const TestBytes normal = reference.Exchange(row.request);
    Bench bench;
    if (row.command)
        bench.sim.Faults().Set(row.command, row.fault);
    else
        bench.sim.Faults().SetGlobal(row.fault);
    bench.sim.Receive(row.request, bench.now);
    bench.now += 100 * kMs;
    row.check(bench.sim.TakeOutput(bench.now), normal, bench);
}

TestBytes Joined(const std::vector<SimOutput>& out) {
    TestBytes all;
    for (const SimOutput& o : out)
        all.insert(all.end(), o.bytes.begin(), o.bytes.end());
    return all;
}

FaultSpec Kind(FaultKind kind) {
    FaultSpec fault;
    fault.kind = kind;
    return fault;
}

INSTANTIATE_TEST_SUITE_P(
    Switches, Faults,
    testing::Values(
        FaultRow{"StatusOnVersion", 0x6A, Kind(FaultKind::FailureStatus), Request(0x6A),
                 [](auto& out, auto&, auto&) { EXPECT_EQ(Hex(Joined(out)), "E4 03 6A 01 AE"); }},
        FaultRow{"StatusOnWordWriteKeepsSixteenBytes", 0x81, Kind(FaultKind::FailureStatus),
                 Request(0x81, {0x04, 0x00, 0x03, 0x00, 0x01, 0x99, 0x98}),
                 [](auto& out, auto&, Bench& bench) {
                     EXPECT_EQ(Hex(Joined(out)), Hex(WriteAnswer(3, 0, 0x99, 0x98, 0x01)));
                     EXPECT_EQ(bench.sim.Tags().Tag(0).Memory(TagSection::User)[0], 0x00);
                 }},
        FaultRow{"StatusOnFastWrite", 0x9C, Kind(FaultKind::FailureStatus),
                 Request(0x9C, {0x01, 0x12, 0x34}),
                 [](auto& out, auto&, auto&) {
                     EXPECT_EQ(Hex(Joined(out)), Hex(Answer(0xE0, 0x9C, {0x01})));
                 }},
        FaultRow{"StatusIsNotCarriedOut", 0x60, Kind(FaultKind::FailureStatus),
                 Request(0x60, {0x00, 0x65, 0x10}),
                 [](auto& out, auto&, Bench& bench) {
                     EXPECT_EQ(Hex(Joined(out)), "E4 03 60 01 B8");
                     EXPECT_EQ(bench.sim.Parameters().Value(0x65), 130);
                 }},
        FaultRow{"ChecksumOnly", 0xFE, Kind(FaultKind::CorruptChecksum), Request(0xFE),
                 [](auto& out, const TestBytes& normal, auto&) {
                     const TestBytes got = Joined(out);
                     ASSERT_EQ(got.size(), normal.size());
                     EXPECT_EQ(Hex(TestBytes(got.begin(), got.end() - 1)),
                               Hex(TestBytes(normal.begin(), normal.end() - 1)));
                     EXPECT_NE(got.back(), TestChecksum(got, got.size() - 1));
                 }},
        FaultRow{"ChecksumStillCarriedOut", 0, Kind(FaultKind::CorruptChecksum),
                 Request(0x60, {0x00, 0x65, 0x10}),
                 [](auto&, auto&, Bench& bench) {
                     EXPECT_EQ(bench.sim.Parameters().Value(0x65), 0x10);
                 }},
        FaultRow{"SplitInPiecesWithGaps", 0x82, Kind(FaultKind::Split), Request(0x82, {0x04}),
                 [](auto& out, const TestBytes& normal, auto&) {
                     ASSERT_EQ(out.size(), 3u);
                     EXPECT_EQ(Hex(Joined(out)), Hex(normal));
                     EXPECT_EQ(out[1].dueMicros - out[0].dueMicros, 5000u);
                     EXPECT_EQ(out[2].dueMicros - out[1].dueMicros, 5000u);
                 }},
        FaultRow{"NoiseBeforeIntactAnswer", 0, Kind(FaultKind::Noise), Request(0x50),
                 [](auto& out, const TestBytes& normal, auto&) {
                     ASSERT_EQ(out.size(), 2u);
                     EXPECT_EQ(out[0].kind, SimOutput::Kind::Noise);
                     EXPECT_EQ(out[0].bytes.size(), 5u);
                     EXPECT_EQ(Hex(out[1].bytes), Hex(normal));
                 }},
        FaultRow{"SilenceDropsTheRequest", 0x60, Kind(FaultKind::Silence),
                 Request(0x60, {0x00, 0x65, 0x10}),
                 [](auto& out, auto&, Bench& bench) {
                     EXPECT_TRUE(out.empty());
                     EXPECT_EQ(bench.sim.Parameters().Value(0x65), 130);
                 }},
        FaultRow{"VanishEndsEverything", 0, Kind(FaultKind::Vanish), Request(0xFE),
                 [](auto& out, auto&, Bench& bench) {
                     EXPECT_TRUE(out.empty());
                     EXPECT_TRUE(bench.sim.HasVanished());
                     bench.sim.Faults().Clear();
                     EXPECT_TRUE(bench.Exchange(Request(0xFE)).empty());
                     bench.sim.Reappear();
                     EXPECT_EQ(Hex(bench.Exchange(Request(0xFE))), Hex(kStopAnswer));
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FaultPlan, UsesRunOutAndCommandFaultWinsOverGlobal) {
    Bench bench;
    FaultSpec twice = Kind(FaultKind::FailureStatus);
    twice.uses = 2;
    bench.sim.Faults().Set(0x82, twice);
    bench.sim.Faults().SetGlobal(Kind(FaultKind::Silence));
    EXPECT_EQ(Hex(bench.Exchange(Request(0x82, {0x04}))), "E4 03 82 01 96");
    EXPECT_EQ(Hex(bench.Exchange(Request(0x82, {0x04}))), "E4 03 82 01 96");
    EXPECT_TRUE(bench.Exchange(Request(0x82, {0x04})).empty()); // now the global silence
    EXPECT_TRUE(bench.Exchange(Request(0x6A)).empty());
    bench.sim.Faults().Clear();
    EXPECT_EQ(bench.Exchange(Request(0x82, {0x04})).size(), 17u);
}

struct RecordFaultRow {
    const char* name;
    FaultKind kind;
    std::function<void(const TestBytes& record)> check;
};

class RecordFaults : public testing::TestWithParam<RecordFaultRow> {};

TEST_P(RecordFaults, SpoilsTheFirstRecordOnly) {
    Bench bench = StreamingBench();
    FaultSpec once = Kind(GetParam().kind);
    once.uses = 1;
    bench.sim.Faults().SetRecords(once);
    bench.sim.Receive(Request(0x65), bench.now);
    const TestBytes bytes = bench.sim.TakeBytes(bench.now + 20 * kMs);
    ASSERT_GE(bytes.size(), 5u + 3 * 17);
    GetParam().check(TestBytes(bytes.begin() + 5, bytes.begin() + 22));
    const TestBytes later(bytes.end() - 17, bytes.end());
    EXPECT_EQ(later[15], TestChecksum(later, 15));
    EXPECT_NE(later[16], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, RecordFaults,
    testing::Values(RecordFaultRow{"Checksum", FaultKind::CorruptChecksum,
                                   [](const TestBytes& r) {
                                       EXPECT_NE(r[15], TestChecksum(r, 15));
                                   }},
                    RecordFaultRow{"StatusZeroesTheLastByte", FaultKind::FailureStatus,
                                   [](const TestBytes& r) { EXPECT_EQ(r[16], 0); }},
                    RecordFaultRow{"SilenceSkipsATag", FaultKind::Silence,
                                   [](const TestBytes& r) {
                                       EXPECT_EQ(Hex(TestBytes(r.begin() + 2, r.begin() + 14)),
                                                 Hex(DefaultTagId(1)));
                                   }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
