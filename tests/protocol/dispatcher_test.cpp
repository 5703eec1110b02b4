// The dispatcher against a recording window: each answer family, retries, chains and the
// multi-tag record stream.
#include "fakehost.h"
#include "tagrecord.h"

#include "protocol/pendingoperation.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// Everything the window was asked to show or do, prefixed by kind.
Lines Shown(const CFakeHost& h) {
    Lines all = h.lines;
    const std::pair<const char*, const Lines*> kinds[] = {{"box:", &h.messages},
                                                          {"tag:", &h.tagLines},
                                                          {"data:", &h.readData},
                                                          {"id:", &h.fastWriteIds},
                                                          {"call:", &h.calls}};
    for (const auto& [prefix, texts] : kinds)
        for (const std::string& t : *texts)
            all.push_back(prefix + t);
    return all;
}

class Dispatch : public ::testing::Test {
protected:
    CReaderState s;
    CFakeHost host{s};
};

TEST_F(Dispatch, HandshakeSplitAnywhereStillConnects) {
    for (std::size_t piece : {1u, 2u, 3u, 6u}) {
        SCOPED_TRACE(piece);
        CReaderState st;
        CFakeHost h(st);
        st.m_waitHandshake = 1;
        auto feed = [&](const Bytes& a) {
            for (std::size_t i = 0; i < a.size(); i += piece)
                h.Receive(Bytes(a.begin() + i, a.begin() + std::min(a.size(), i + piece)));
        };
        feed({0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E});
        feed({0xE4, 0x03, 0x50, 0x00, 0xC9});
        EXPECT_EQ(h.sent, (std::vector<Bytes>{BuildHandshake(), BuildVersionQuery()}));
        feed({0xE0, 0x04, 0x6A, 0x01, 0x02, 0xAF});
        EXPECT_EQ(Shown(h), (Lines{"Port Opened Successfully!", "Firmware Version: V1.2!",
                                   "call:KillConnectTimer", "call:StartConnectTimer",
                                   "call:KillConnectTimer", "call:OnHandshakeDone"}));
        EXPECT_EQ(st.m_waitVersion + h.closes, 1);
    }
}

Bytes LongRead() { // 255 words: the checksum covers 517 bytes
    Bytes data = {0x04, 0x01, 0x02, 0xFF};
    data.resize(4 + 510, 0x5A);
    return BuildFrame(kDataHeader, 0x80, data);
}
Bytes WriteAnswer(std::uint8_t status) {
    return Answer(kDataHeader, 0x81, {0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, status});
}
Bytes block(std::initializer_list<std::uint8_t> p) { // a block read answer
    return Answer(kDataHeader, 0x63, p);
}
Bytes one(std::initializer_list<std::uint8_t> addressAndValue) { // a single read answer
    Bytes p = {0x00};
    p.insert(p.end(), addressAndValue.begin(), addressAndValue.end());
    return BuildFrame(kDataHeader, 0x61, p);
}
Bytes Spoiled(Bytes b) {
    b.back() ^= 1;
    return b;
}

using S = CReaderState;
using Flag = int S::*;

// One answer to one waiting operation: nothing happens before its last byte, the result is shown
// once, and a stray byte afterwards adds nothing.
TEST_F(Dispatch, EachAnswerIsJudgedOnceWhenComplete) {
    auto login = [](std::uint8_t last) {
        return block({0x04, 0x00, 0xC0, 0x12, 0x34, 0x56, last});
    };
    auto fast = [](std::uint8_t status) { return Answer(kDataHeader, 0x9C, {status}); };
    const Bytes identify = {0x01, 0xE2, 0x00, 0x30, 0x12, 0x34, 0x56,
                            0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11};
    // clang-format off
    const struct { const char* name; Flag flag; Bytes answer; Lines shown; std::size_t sent = 0; Flag also = nullptr; } rows[] = {
        {"AfterNoise", &S::m_waitHandshake, {0x00, 0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E}, {}},
        {"HandshakeFailure", &S::m_waitHandshake, Ack(0x50, 1), {}},
        {"SpoiledStopAnswer", &S::m_waitHandshake, Spoiled({0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E}), {}},
        {"VersionUnsigned", &S::m_waitVersion, Answer(kDataHeader, 0x6A, {200, 255}), {"Port Opened Successfully!", "Firmware Version: V200.255!", "call:KillConnectTimer", "call:OnHandshakeDone"}},
        {"Identify", &S::m_waitIdentify, BuildFrame(kDataHeader, 0x82, identify), {"Read Tag Successfully!", "tag:E2 00 30 12 34 56 78 9A BC DE F0 11(Antenna1) \r\n"}},
        {"ReadLowerCase", &S::m_waitReadTag, Answer(kDataHeader, 0x80, {0x04, 0x01, 0x02, 0x02, 0x12, 0x34, 0xAB, 0xCD}), {"Tag Data Read Successfully!", "data:12 34 ab cd"}},
        {"LongestRead", &S::m_waitReadTag, LongRead(), {"Tag Data Read Successfully!", "data:"}},
        {"Write", &S::m_waitWriteTag, WriteAnswer(0), {"Tag Data Written Successfully!"}},
        {"CorruptWrite", &S::m_waitWriteTag, Spoiled(WriteAnswer(0)), {"call:OnWriteTag"}, 1},
        {"Destroy", &S::m_waitDestroyTag, Ack(0x86), {"Tag Destroyed Successfully!"}},
        // The first pending operation in dispatcher order takes a failure as its own.
        {"First", &S::m_waitInitTag, Ack(0x99, 1), {"call:OnInitialize"}, 1, &S::m_waitLockTag},
        {"Authorized", &S::m_waitAuthorize, Ack(0x9A), {"Tag Authorized Successfully!"}},
        {"NotAuthorized", &S::m_waitAuthorize, Ack(0x9A, 3), {"Failed to Authorize Tag!"}},
        {"LoginWrong", &S::m_waitLogin, login(0x79), {"box:Invalid Password!"}},
        {"Login", &S::m_waitLogin, login(0x78), {"Login Successfully!", "call:LoginSucceeded"}},
        {"AuthOld", &S::m_waitModifyAuthPwd, block({2, 0, 0xBA, 0xAA, 0xBC}), {"box:Invalid Password"}},
        {"Fast", &S::m_waitFastWriteId, fast(0), {"Tag ID Written Successfully!", "id:00 01 00 00 "}},
        {"FastFailed", &S::m_waitFastWriteId, fast(1), {"Failed to Write Tag ID!"}},
        {"MasterSlaveMulti", &S::m_waitMultiIdentify, block({0x02, 0x00, 0x70, 0x01, 0x0F}), {"box:Can't Identify Multiple Tags in Master-Slave Mode."}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CReaderState st;
        CFakeHost h(st);
        st.*row.flag = 1;
        if (row.also)
            st.*row.also = 1;
        st.m_multiStep = 1;
        st.m_loginPwd = {0x12, 0x34, 0x56, 0x78};
        st.m_oldAuthPwd = {0xAA, 0xBB};
        st.m_tagId[10] = st.m_tagId[11] = 0xFF;
        h.Receive(Bytes(row.answer.begin(), row.answer.end() - 1));
        EXPECT_EQ(Shown(h), Lines{});
        h.Receive(Bytes(row.answer.end() - 1, row.answer.end()));
        h.Receive({0x00});
        EXPECT_EQ(Shown(h), row.shown);
        EXPECT_EQ(h.sent.size(), row.sent);
    }
}

// A complete answer to an earlier request in front of the awaited one is taken away, in the same
// event and in later ones; bytes that are no frame still keep the answer from being recognised.
TEST_F(Dispatch, LateAnswersInFrontAreDroppedButNoiseIsNot) {
    const Bytes stop = {0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E};
    const Bytes modeRead = block({0x02, 0x00, 0x70, 0x02, 0x25});
    const Bytes triggerRead = block({0x02, 0x00, 0x80, 0x01, 0x01});
    const Bytes readAnswer = Answer(kDataHeader, 0x80, {0x04, 0x01, 0x02, 0x01, 0x12, 0x34});
    const Bytes identify = Answer(kDataHeader, 0x82, {0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    const auto join = [](std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& p : parts)
            all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    // clang-format off
    const struct { const char* name; Flag flag; std::vector<Bytes> events; Lines shown; std::size_t sent; int step = 1; } rows[] = {
        // A second answer to the work mode read in front of the trigger mode read's answer.
        {"StaleReadBeforeAwaitedRead", &S::m_waitGetMode, {modeRead, triggerRead}, {}, 1, 2},
        {"StaleAckBeforeDataAnswer", &S::m_waitReadTag, {join({Ack(0x60), readAnswer})}, {"Tag Data Read Successfully!", "data:12 34"}, 0},
        {"TwoStaleFrames", &S::m_waitIdentify, {join({stop, Ack(0x60), identify})}, {"Read Tag Successfully!", "tag:01 02 03 04 05 06 07 08 09 0A 0B 0C(Antenna1) \r\n"}, 0},
        // Five bytes of another answer are not yet a failed attempt.
        {"StaleSplitAcrossEvents", &S::m_waitInitTag, {Bytes(stop.begin(), stop.begin() + 5), join({{stop.back()}, Ack(0x99)})}, {"Tag Initialized Successfully!"}, 0},
        {"StaleThenAwaitedInOneEvent", &S::m_waitGetMode, {join({stop, modeRead})}, {}, 1},
        {"StaleAckThenOwnFailureRetries", &S::m_waitReadTag, {join({Ack(0x60), Ack(0x80, 1)})}, {"call:OnReadTag"}, 1},
        // The stop's answer brings a request while a late answer is half in: its start is kept,
        // so its rest does not arrive as bytes that are no frame.
        {"LateAnswerHalfInWhenARequestGoes", &S::m_waitHandshake, {join({stop, Bytes(modeRead.begin(), modeRead.begin() + 2)}), join({Bytes(modeRead.begin() + 2, modeRead.end()), Ack(0x50)})}, {"call:KillConnectTimer", "call:StartConnectTimer"}, 2},
        {"NoiseBeforeAwaited", &S::m_waitGetMode, {join({{0x5A, 0x00, 0x13}, modeRead})}, {}, 0},
        // An answer is the awaited one only when both address bytes and the byte count match.
        {"BlockReadOfAnotherLowAddress", &S::m_waitGetMode, {block({2, 0, 0x71, 2, 0x25})}, {}, 0},
        {"SingleReadOfAnotherLowAddress", &S::m_waitGetMode, {one({0x85, 0x0A})}, {}, 0, 3},
        {"ParameterReadOfAnotherLowAddress", &S::m_waitGetParams, {one({0x66, 200})}, {}, 0},
        {"AuthorizationReadOfThreeBytes", &S::m_waitModifyAuthPwd, {block({3, 0, 0xBA, 0xAA, 0xBB, 0})}, {}, 0},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CReaderState st;
        CFakeHost h(st);
        st.*row.flag = 1;
        st.m_getModeStep = st.m_getParamStep = row.step;
        for (const Bytes& event : row.events)
            h.Receive(event);
        EXPECT_EQ(Shown(h), row.shown);
        EXPECT_EQ(h.sent.size(), row.sent);
    }
}

// A failure is acted on at its checksum byte, with one resend; ten attempts in all (a corrupt read
// answer counts two), then the operation is dropped silently.
TEST_F(Dispatch, RetriesEndAfterTenAttempts) {
    // clang-format off
    const struct { Flag flag; Bytes failure; const char* resend; int attemptsPerAnswer = 1; int closes = 1; } rows[] = {
        {&S::m_waitIdentify, Ack(0x82, 1), "OnIdentifyTag", 1, 0},
        {&S::m_waitReadTag, Ack(0x80, 1), "OnReadTag"},
        {&S::m_waitReadTag, Spoiled(Answer(kDataHeader, 0x80, {0x04, 0x01, 0x02, 0x01, 0x12, 0x34})), "OnReadTag", 2},
        {&S::m_waitWriteTag, Ack(0x81, 1), "OnWriteTag"},
        {&S::m_waitWriteTag, WriteAnswer(5), "OnWriteTag"},
        {&S::m_waitInitTag, Ack(0x99, 1), "OnInitialize"},
        {&S::m_waitLockTag, Ack(0x87, 1), "OnLock"},
        {&S::m_waitDestroyTag, Ack(0x86, 1), "OnDestroy"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.resend + std::to_string(row.failure.size()));
        CReaderState st;
        CFakeHost h(st);
        st.*row.flag = 1;
        const int answers = 10 / row.attemptsPerAnswer;
        for (int answer = 1; answer <= answers + 1; ++answer) { // the last finds nothing pending
            h.Receive(Bytes(row.failure.begin(), row.failure.end() - 1));
            EXPECT_EQ(h.Count(row.resend), std::min(answer - 1, answers - 1)) << answer;
            h.Receive(Bytes(row.failure.end() - 1, row.failure.end()));
            EXPECT_EQ(h.Count(row.resend), std::min(answer, answers - 1)) << answer;
        }
        EXPECT_EQ(st.*row.flag, 0);
        EXPECT_EQ(st.m_retryCount, 0);
        EXPECT_EQ(h.lines.size() + h.messages.size(), 0u);
        EXPECT_EQ(h.closes, row.closes);
    }
}

// A cancelled operation's attempts do not count against the next one.
TEST_F(Dispatch, AfterACancelTheNextOperationHasTenAttempts) {
    s.m_waitIdentify = 1;
    for (int i = 0; i < 5; ++i)
        host.Receive(Ack(0x82, 1));
    CancelOperation(s, WaitingOperation(s, 0x82).value());
    s.m_waitIdentify = 1; // the operator identifies again
    for (int i = 0; i < 10; ++i)
        host.Receive(Ack(0x82, 1));
    EXPECT_EQ(host.Count("OnIdentifyTag"), 5 + 9);
}

TEST_F(Dispatch, BufferIsClearedAboveItsLimitAndByEveryRequest) {
    s.m_waitReadTag = 1; // an operation that does not take noise
    for (auto [size, count] : {std::pair{1700u, 1700u}, {1u, 0u}, {5000u, 0u}, {3u, 3u}}) {
        host.Receive(Bytes(size, 0x11));
        EXPECT_EQ(s.m_rxCount, count);
    }
    SendRequest(s, host, BuildStop());
    EXPECT_EQ(s.m_rxCount + s.m_rxBuf[0], 0u);
}

// ---- multi-tag identification ----

Bytes Records(std::initializer_list<int> numbers, int bad = -1, int unfinished = -1) {
    Bytes all;
    for (int n : numbers) {
        Bytes r = TagRecord(Bytes{0xE2, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(n)}, 1);
        r[15] ^= n == bad ? 0xFF : 0;
        r[16] = n == unfinished ? 0x00 : 0x0A;
        all.insert(all.end(), r.begin(), r.end());
    }
    return all;
}

TEST_F(Dispatch, RecordsWithTheLastAckStartTheStreamAndBadOnesAreCounted) {
    s.m_multiShown = 7; // left from an earlier stream: the numbering starts again
    s.m_waitMultiIdentify = s.m_multiStep = 1;
    host.Receive(block({0x02, 0x00, 0x70, 0x02, 0x0F}));
    host.Receive(Ack(0x60));
    Bytes last = Ack(0x65);
    const Bytes records = Records({0, 1, 2, 3}, 1, 2);
    last.insert(last.end(), records.begin(), records.end());
    host.Receive(last);
    ASSERT_EQ(host.tagLines.size(), 2u);
    EXPECT_EQ(host.tagLines[0].substr(0, 6), "NO.0: ");
    EXPECT_EQ(host.tagLines[1].substr(0, 6), "NO.3: ");
    EXPECT_EQ(s.m_multiShown, 4u);
}

// ---- settings sequences ----

TEST_F(Dispatch, GetChainsStoreEachAnswerAndShowThemAtTheEnd) {
    s.m_waitGetMode = s.m_getModeStep = 1;
    host.Receive(Answer(kDataHeader, 0x61, {0x00, 0x84, 0x07})); // step 3's answer, early
    EXPECT_EQ(s.m_getModeStep, 1);
    SendRequest(s, host, BuildReadWorkMode()); // pressing Get again starts from a clean buffer
    for (const Bytes& a :
         {block({0x02, 0x00, 0x70, 0x02, 0x0F}), block({0x02, 0x00, 0x80, 0x01, 0x01}),
          one({0x84, 0x0A}), block({0x03, 0x00, 0x73, 0x02, 0x08, 0x0C}), one({0x64, 0x2A}),
          one({0x72, 0x03}), block({0x02, 0x00, 0x7A, 0x05, 0x01})})
        host.Receive(a);
    EXPECT_EQ(host.workmodeReadBack,
              (ReadBack{0x02, 0x0F, 0x01, 0x01, 0x0A, 0x02, 0x08, 0x0C, 0x2A, 0x03, 0x01, 0x05}));
    EXPECT_EQ(s.m_waitGetMode, 0);
    EXPECT_EQ(host.workmodeRequests.size(), 6u);

    s.m_waitGetParams = s.m_getParamStep = 1;
    SendRequest(s, host, BuildReadPower());
    for (const Bytes& a :
         {one({0x65, 200}), one({0x90, 0x00}), block({0x07, 0x00, 0x92, 1, 4, 0x10, 0x40, 0, 1, 2}),
          block({0x02, 0x00, 0x89, 0x04, 0x03}), one({0x87, 0x01})})
        host.Receive(a);
    EXPECT_EQ(host.parameterReadBack, (ReadBack{200, 0, 1, 4, 0x10, 0x40, 0, 1, 2, 4, 3, 1}));
    EXPECT_EQ(s.m_waitGetParams, 0);
    EXPECT_EQ(host.closes, 2);
    EXPECT_EQ(Shown(host), (Lines{"Get Settings Successfully!!", "Get Settings Successfully!",
                                  "call:WorkmodeShowReadBack", "call:ParameterShowReadBack"}));
}

} // namespace
