// The dispatcher against a recording window: each answer family, retries, chains and the
// multi-tag record stream.
#include "fakehost.h"

#include <gtest/gtest.h>

namespace {

class Dispatch : public ::testing::Test {
protected:
    CReaderState s;
    CFakeHost host{s};
};

// ---- connect ----

TEST_F(Dispatch, HandshakeSplitAnywhereStillConnects) {
    for (std::size_t piece : {1u, 2u, 3u, 6u}) {
        CReaderState st;
        CFakeHost h(st);
        st.m_waitHandshake = 1;
        auto feed = [&](const Bytes& answer) {
            for (std::size_t i = 0; i < answer.size(); i += piece)
                h.Receive(
                    Bytes(answer.begin() + i, answer.begin() + std::min(answer.size(), i + piece)));
        };
        feed({0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E});
        ASSERT_EQ(h.sent.size(), 1u) << piece;
        EXPECT_EQ(h.sent[0], BuildHandshake());
        feed({0xE4, 0x03, 0x50, 0x00, 0xC9});
        EXPECT_EQ(h.sent.back(), BuildVersionQuery());
        EXPECT_EQ(st.m_waitVersion, 1);
        feed({0xE0, 0x04, 0x6A, 0x01, 0x02, 0xAF});
        EXPECT_EQ(h.lines, (std::vector<std::string>{"Port Opened Successfully!",
                                                     "Firmware Version: V1.2!"}));
        EXPECT_EQ(h.Count("OnHandshakeDone"), 1);
        EXPECT_EQ(st.m_waitVersion, 0);
        EXPECT_EQ(h.closes, 1);
    }
}

TEST_F(Dispatch, NoiseBeforeTheHandshakeAnswerKeepsItFromBeingTaken) {
    s.m_waitHandshake = 1;
    host.Receive({0x00, 0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E});
    EXPECT_TRUE(host.sent.empty());
}

TEST_F(Dispatch, FailureStatusIsNotTheHandshakeAcknowledgement) {
    s.m_waitHandshake = 1;
    host.Receive({0xE4, 0x03, 0x50, 0x01, 0xC8});
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(s.m_waitHandshake, 1);
}

TEST_F(Dispatch, VersionAnswerAboveOneHundredIsShownUnsigned) {
    s.m_waitVersion = 1;
    host.Receive(Answer(kDataHeader, 0x6A, {200, 255}));
    EXPECT_EQ(host.lines.back(), "Firmware Version: V200.255!");
}

// ---- the receive buffer ----

TEST_F(Dispatch, BufferIsClearedAboveSeventeenHundredBytes) {
    s.m_waitReadTag = 1; // an operation that does not take noise
    host.Receive(Bytes(1700, 0x11));
    EXPECT_EQ(s.m_rxCount, 1700u);
    host.Receive(Bytes(1, 0x11));
    EXPECT_EQ(s.m_rxCount, 0u);
    host.Receive(Bytes(5000, 0x11));
    EXPECT_EQ(s.m_rxCount, 0u);
}

TEST_F(Dispatch, EveryRequestEmptiesTheBuffer) {
    s.m_waitReadTag = 1;
    host.Receive({0x01, 0x02, 0x03});
    SendRequest(s, host, BuildStop());
    EXPECT_EQ(s.m_rxCount, 0u);
    EXPECT_TRUE(std::all_of(s.m_rxBuf.begin(), s.m_rxBuf.end(), [](auto b) { return b == 0; }));
}

// ---- tag operations ----

TEST_F(Dispatch, IdentifyIsTakenWhenItsLastByteArrives) {
    s.m_waitIdentify = 1;
    const Bytes answer =
        Answer(kDataHeader, 0x82,
               {0x01, 0xE2, 0x00, 0x30, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11});
    host.Receive(Bytes(answer.begin(), answer.end() - 1));
    EXPECT_TRUE(host.tagLines.empty());
    host.Receive(Bytes(answer.end() - 1, answer.end()));
    ASSERT_EQ(host.tagLines.size(), 1u);
    EXPECT_EQ(host.tagLines[0], "E2 00 30 12 34 56 78 9A BC DE F0 11(Antenna1) \r\n");
    EXPECT_EQ(host.lines, std::vector<std::string>{"Read Tag Successfully!"});
    EXPECT_EQ(s.m_waitIdentify, 0);
    EXPECT_EQ(host.closes, 1);
}

struct RetryRow {
    const char* name;
    int* (*flag)(CReaderState&);
    Bytes failure;
    const char* resend;
    bool closesAtLimit;
};

class Retries : public Dispatch, public ::testing::WithParamInterface<RetryRow> {};

TEST_P(Retries, TenAttemptsInAllThenDroppedSilently) {
    const RetryRow& row = GetParam();
    *row.flag(s) = 1;
    for (int answer = 1; answer <= 10; ++answer) {
        host.Receive(row.failure);
        EXPECT_EQ(host.Count(row.resend), std::min(answer, 9)) << answer;
    }
    EXPECT_EQ(*row.flag(s), 0);
    EXPECT_EQ(s.m_retryCount, 0);
    EXPECT_TRUE(host.lines.empty());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.closes, row.closesAtLimit ? 1 : 0);
    // An eleventh answer finds nothing pending.
    host.Receive(row.failure);
    EXPECT_EQ(host.Count(row.resend), 9);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Retries,
    ::testing::Values(RetryRow{"Identify", [](CReaderState& s) { return &s.m_waitIdentify; },
                               Ack(0x82, 1), "OnIdentifyTag", false},
                      RetryRow{"ReadStatus", [](CReaderState& s) { return &s.m_waitReadTag; },
                               Ack(0x80, 1), "OnReadTag", true},
                      RetryRow{"WriteStatus", [](CReaderState& s) { return &s.m_waitWriteTag; },
                               Ack(0x81, 1), "OnWriteTag", true},
                      RetryRow{"WriteData", [](CReaderState& s) { return &s.m_waitWriteTag; },
                               Answer(kDataHeader, 0x81,
                                      {0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       0x05}), // status 5 at index 14
                               "OnWriteTag", true},
                      RetryRow{"Init", [](CReaderState& s) { return &s.m_waitInitTag; },
                               Ack(0x99, 1), "OnInitialize", true},
                      RetryRow{"Lock", [](CReaderState& s) { return &s.m_waitLockTag; },
                               Ack(0x87, 1), "OnLock", true},
                      RetryRow{"Destroy", [](CReaderState& s) { return &s.m_waitDestroyTag; },
                               Ack(0x86, 1), "OnDestroy", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Dispatch, ReadAnswerIsShownInLowerCaseOnceComplete) {
    s.m_waitReadTag = 1;
    const Bytes answer =
        Answer(kDataHeader, 0x80, {0x04, 0x01, 0x02, 0x02, 0x12, 0x34, 0xAB, 0xCD});
    host.Receive(Bytes(answer.begin(), answer.begin() + 8));
    EXPECT_TRUE(host.readData.empty());
    host.Receive(Bytes(answer.begin() + 8, answer.end()));
    EXPECT_EQ(host.readData, std::vector<std::string>{"12 34 ab cd"});
    EXPECT_EQ(host.lines, std::vector<std::string>{"Tag Data Read Successfully!"});
    EXPECT_EQ(s.m_retryCount, 0);
}

TEST_F(Dispatch, ReadAnswerWithBadChecksumCountsTwoAttempts) {
    s.m_waitReadTag = 1;
    Bytes bad = Answer(kDataHeader, 0x80, {0x04, 0x01, 0x02, 0x01, 0x12, 0x34});
    bad.back() ^= 0xFF;
    for (int i = 1; i <= 5; ++i)
        host.Receive(bad);
    EXPECT_EQ(host.Count("OnReadTag"), 4);
    EXPECT_EQ(s.m_waitReadTag, 0);
    EXPECT_EQ(s.m_retryCount, 0);
    EXPECT_EQ(host.closes, 1);
    EXPECT_TRUE(host.readData.empty());
}

TEST_F(Dispatch, LongestReadAnswerIsCheckedOverAllItsBytes) {
    // 255 words: the checksum covers 517 bytes.
    s.m_waitReadTag = 1;
    Bytes data = {0x04, 0x01, 0x02, 0xFF};
    data.resize(4 + 510, 0x5A);
    host.Receive(BuildFrame(kDataHeader, 0x80, data));
    EXPECT_EQ(host.lines, std::vector<std::string>{"Tag Data Read Successfully!"});
    EXPECT_EQ(host.readData, std::vector<std::string>{""});
}

TEST_F(Dispatch, WriteAnswerInPiecesIsJudgedOnlyWhenComplete) {
    s.m_waitWriteTag = 1;
    const Bytes ok = Answer(kDataHeader, 0x81, {0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});
    ASSERT_EQ(ok.size(), 16u);
    host.Receive(Bytes(ok.begin(), ok.begin() + 15));
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(host.Count("OnWriteTag"), 0);
    host.Receive(Bytes(ok.begin() + 15, ok.end()));
    EXPECT_EQ(host.lines, std::vector<std::string>{"Tag Data Written Successfully!"});
}

TEST_F(Dispatch, CorruptWriteAnswerIsNeverSuccess) {
    s.m_waitWriteTag = 1;
    Bytes bad = Answer(kDataHeader, 0x81, {0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});
    bad.back() ^= 1;
    host.Receive(bad);
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(host.Count("OnWriteTag"), 1);
}

TEST_F(Dispatch, DestroySentWhileALockWaitedIsHandledAsDestroy) {
    s.m_waitDestroyTag = 1; // the destroy handler cleared the lock's flag
    host.Receive(Ack(0x86));
    EXPECT_EQ(host.lines, std::vector<std::string>{"Tag Destroyed Successfully!"});
    EXPECT_EQ(host.Count("OnLock"), 0);
}

// ---- multi-tag identification ----

Bytes Record(std::uint8_t n, bool good = true, std::uint8_t last = 0x0A) {
    Bytes r = {0xCC, 0x11, 0xE2, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, n, 1};
    r.push_back(FrameChecksum(r));
    r.push_back(last);
    if (!good)
        r[15] ^= 0xFF;
    return r;
}

class MultiTag : public Dispatch {
protected:
    void StartStream() {
        s.m_waitMultiIdentify = 1;
        s.m_multiStep = 1;
        host.Receive(Answer(kDataHeader, 0x63, {0x02, 0x00, 0x70, 0x02, 0x0F}));
        host.Receive(Ack(0x60));
        host.Receive(Ack(0x65));
    }
};

TEST_F(MultiTag, ChainForTimerModeSendsCommModeThenStart) {
    StartStream();
    ASSERT_EQ(host.sent.size(), 2u);
    EXPECT_EQ(host.sent[0], BuildCommModeRs232());
    EXPECT_EQ(host.sent[1], BuildMultiStart());
    EXPECT_EQ(host.workmodeReadBack[0], 2);
    EXPECT_EQ(s.m_multiStreaming, 1);
}

TEST_F(MultiTag, MasterSlaveModeIsRefusedOnce) {
    s.m_waitMultiIdentify = 1;
    s.m_multiStep = 1;
    host.Receive(Answer(kDataHeader, 0x63, {0x02, 0x00, 0x70, 0x01, 0x0F}));
    host.Receive({0x00});
    EXPECT_EQ(host.messages,
              std::vector<std::string>{"Can't Identify Multiple Tags in Master-Slave Mode."});
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(s.m_waitMultiIdentify, 1);
    EXPECT_EQ(s.m_multiStep, 1);
}

class StreamChunks : public MultiTag, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(StreamChunks, HundredRecordsAreEachShownOnceThenTheStreamStops) {
    StartStream();
    host.sent.clear();
    Bytes stream;
    for (int n = 0; n < 110; ++n) {
        const Bytes r = Record(static_cast<std::uint8_t>(n));
        stream.insert(stream.end(), r.begin(), r.end());
    }
    for (std::size_t i = 0; i < stream.size(); i += GetParam())
        host.Receive(
            Bytes(stream.begin() + i, stream.begin() + std::min(stream.size(), i + GetParam())));
    ASSERT_EQ(host.tagLines.size(), 100u);
    for (int n = 0; n < 100; ++n) {
        char expected[96];
        std::snprintf(expected, sizeof expected,
                      "NO.%d: E2 00 00 00 00 00 00 00 00 00 00 %02X(Antenna1) \r\n", n, n);
        EXPECT_EQ(host.tagLines[n], expected);
    }
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(host.sent[0], BuildStop());
    EXPECT_EQ(host.messages, std::vector<std::string>{"Exceed 100 Tags. Identifying Stopped!"});
    EXPECT_EQ(host.Count("MultiStreamStopped"), 1);
    EXPECT_EQ(s.m_waitMultiIdentify, 1);
    EXPECT_EQ(s.m_multiShown, 0u);
}

INSTANTIATE_TEST_SUITE_P(Pieces, StreamChunks,
                         ::testing::Values(1, 16, 17, 18, 64, 170, 1700, 1870, 5000),
                         [](const auto& info) { return "Bytes" + std::to_string(info.param); });

TEST_F(MultiTag, RecordsInTheAcknowledgementsEventAreTheStartOfTheStream) {
    s.m_waitMultiIdentify = 1;
    s.m_multiStep = 1;
    host.Receive(Answer(kDataHeader, 0x63, {0x02, 0x00, 0x70, 0x03, 0x0F}));
    host.Receive(Ack(0x60));
    Bytes event = Ack(0x65);
    for (int n = 0; n < 3; ++n) {
        const Bytes r = Record(static_cast<std::uint8_t>(n));
        event.insert(event.end(), r.begin(), r.end());
    }
    host.Receive(event);
    EXPECT_EQ(host.tagLines.size(), 3u);
}

TEST_F(MultiTag, BadRecordsAreSkippedButCounted) {
    StartStream();
    Bytes stream;
    for (const Bytes& r : {Record(0), Record(1, false), Record(2, true, 0x00), Record(3)})
        stream.insert(stream.end(), r.begin(), r.end());
    host.Receive(stream);
    ASSERT_EQ(host.tagLines.size(), 2u);
    EXPECT_EQ(host.tagLines[0].substr(0, 6), "NO.0: ");
    EXPECT_EQ(host.tagLines[1].substr(0, 6), "NO.3: ");
    EXPECT_EQ(s.m_multiShown, 4u);
}

// ---- settings sequences ----

struct SetModeRow {
    const char* name;
    int mode;   // 0 master-slave, 1 timer, 2 trigger
    int output; // 0 RS-232, 1 RS-485, 2 Wiegand, -1 none
    std::vector<WorkmodeRequest> requests;
    const char* line;
};

class SetMode : public Dispatch, public ::testing::WithParamInterface<SetModeRow> {};

TEST_P(SetMode, EachAcknowledgementBringsTheNextRequest) {
    using R = WorkmodeRequest;
    const SetModeRow& row = GetParam();
    s.m_waitSetMode = 1;
    s.m_setModeStep = 1;
    s.m_modeMasterSlave = row.mode == 0;
    s.m_modeTimer = row.mode == 1;
    s.m_modeTrigger = row.mode == 2;
    s.m_outRs232 = row.output == 0;
    s.m_outRs485 = row.output == 1;
    s.m_outWiegand = row.output == 2;
    std::vector<R> expected = row.requests;
    std::vector<R> asked = {R::SendWorkMode};
    host.Receive(Ack(0x60, 1)); // a refusal changes nothing
    EXPECT_TRUE(host.workmodeRequests.empty());
    EXPECT_EQ(s.m_setModeStep, 1);
    s.ClearRx();
    for (std::size_t i = 0; i < 12 && s.m_waitSetMode == 1; ++i) {
        const R last = asked.back();
        const std::uint8_t ack = last == R::SendTriggerMode || last == R::SendWiegandSettings ? 0x62
                                 : last == R::SendBaudRs232 || last == R::SendBaudRs485       ? 0x64
                                                                                        : 0x60;
        host.Receive(Ack(ack));
        if (host.workmodeRequests.size() + 1 > asked.size())
            asked.push_back(host.workmodeRequests.back());
        else
            break;
    }
    EXPECT_EQ(asked, expected);
    if (row.line) {
        EXPECT_EQ(host.lines, std::vector<std::string>{row.line});
        EXPECT_EQ(s.m_waitSetMode, 0);
        EXPECT_EQ(s.m_outRs232 + s.m_outRs485 + s.m_outWiegand + s.m_modeMasterSlave +
                      s.m_modeTimer + s.m_modeTrigger,
                  0);
        EXPECT_EQ(host.closes, 1);
    } else {
        EXPECT_TRUE(host.lines.empty());
        EXPECT_EQ(s.m_waitSetMode, 1);
    }
}

using R = WorkmodeRequest;
INSTANTIATE_TEST_SUITE_P(
    Table, SetMode,
    ::testing::Values(
        SetModeRow{"MasterSlaveRs485",
                   0,
                   1,
                   {R::SendWorkMode, R::SendBaudRs485, R::SendUserCode, R::SendCommMode,
                    R::SendIdBorderFlag, R::SendIdBorderInterval},
                   "Set Master-Slave Mode Settings Successfully!"},
        SetModeRow{"TimerRs232",
                   1,
                   0,
                   {R::SendWorkMode, R::SendTimerInterval, R::SendBaudRs232, R::SendUserCode,
                    R::SendCommMode, R::SendIdBorderFlag, R::SendIdBorderInterval},
                   "Set Timer Mode Settings Successfully!"},
        SetModeRow{"TriggerWiegand",
                   2,
                   2,
                   {R::SendWorkMode, R::SendTriggerMode, R::SendShutDownDelay,
                    R::SendWiegandSettings, R::SendUserCode, R::SendCommMode, R::SendIdBorderFlag,
                    R::SendIdBorderInterval},
                   "Set Trigger Mode Settings Successfully!"},
        SetModeRow{"NoOutputStopsAfterTheWorkMode", 1, -1, {R::SendWorkMode}, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Dispatch, GetModeStoresEachAnswerAndShowsThemAtTheEnd) {
    s.m_waitGetMode = 1;
    s.m_getModeStep = 1;
    host.Receive(Answer(kDataHeader, 0x61, {0x00, 0x84, 0x07})); // step 3's answer, early
    EXPECT_TRUE(host.workmodeRequests.empty());
    EXPECT_EQ(s.m_getModeStep, 1);
    SendRequest(s, host, BuildReadWorkMode()); // pressing Get again starts from a clean buffer
    const std::vector<Bytes> answers = {
        Answer(kDataHeader, 0x63, {0x02, 0x00, 0x70, 0x02, 0x0F}),
        Answer(kDataHeader, 0x63, {0x02, 0x00, 0x80, 0x01, 0x01}),
        Answer(kDataHeader, 0x61, {0x00, 0x84, 0x0A}),
        Answer(kDataHeader, 0x63, {0x03, 0x00, 0x73, 0x02, 0x08, 0x0C}),
        Answer(kDataHeader, 0x61, {0x00, 0x64, 0x2A}),
        Answer(kDataHeader, 0x61, {0x00, 0x72, 0x03}),
        Answer(kDataHeader, 0x63, {0x02, 0x00, 0x7A, 0x05, 0x01}),
    };
    for (const Bytes& a : answers)
        host.Receive(a);
    EXPECT_EQ(host.workmodeReadBack,
              (ReadBack{0x02, 0x0F, 0x01, 0x01, 0x0A, 0x02, 0x08, 0x0C, 0x2A, 0x03, 0x01, 0x05}));
    EXPECT_EQ(host.lines, std::vector<std::string>{"Get Settings Successfully!!"});
    EXPECT_EQ(host.Count("WorkmodeShowReadBack"), 1);
    EXPECT_EQ(s.m_waitGetMode, 0);
    EXPECT_EQ(host.workmodeRequests.size(), 6u);
}

TEST_F(Dispatch, ParameterSetAndGetRunTheirFiveSteps) {
    s.m_waitSetParams = 1;
    s.m_setParamStep = 1;
    for (std::uint8_t ack : {0x60, 0x62, 0x60, 0x62, 0x60})
        host.Receive(Ack(ack));
    EXPECT_EQ(host.lines, std::vector<std::string>{"Set Settings Successfully!"});
    EXPECT_EQ(host.parameterRequests.size(), 4u);

    host.lines.clear();
    s.m_waitGetParams = 1;
    s.m_getParamStep = 1;
    SendRequest(s, host, BuildReadPower());
    host.Receive(Answer(kDataHeader, 0x61, {0x00, 0x65, 200}));
    host.Receive(Answer(kDataHeader, 0x61, {0x00, 0x90, 0x00}));
    host.Receive(Answer(kDataHeader, 0x63, {0x07, 0x00, 0x92, 1, 4, 0x10, 0x40, 0, 1, 2}));
    host.Receive(Answer(kDataHeader, 0x63, {0x02, 0x00, 0x89, 0x04, 0x03}));
    host.Receive(Answer(kDataHeader, 0x61, {0x00, 0x87, 0x01}));
    EXPECT_EQ(host.parameterReadBack, (ReadBack{200, 0, 1, 4, 0x10, 0x40, 0, 1, 2, 4, 3, 1}));
    EXPECT_EQ(host.lines, std::vector<std::string>{"Get Settings Successfully!"});
    EXPECT_EQ(host.Count("ParameterShowReadBack"), 1);
}

// ---- login, passwords, fast write ----

TEST_F(Dispatch, LoginComparesEveryByte) {
    s.m_waitLogin = 1;
    s.m_loginPwd = {0x12, 0x34, 0x56, 0x78};
    host.Receive(Answer(kDataHeader, 0x63, {0x04, 0x00, 0xC0, 0x12, 0x34, 0x56, 0x79}));
    EXPECT_EQ(host.messages, std::vector<std::string>{"Invalid Password!"});
    EXPECT_EQ(s.m_loggedIn, 0);
    s.m_waitLogin = 1;
    SendRequest(s, host, BuildReadLoginPassword());
    host.Receive(Answer(kDataHeader, 0x63, {0x04, 0x00, 0xC0, 0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(s.m_loggedIn, 1);
    EXPECT_EQ(host.lines, std::vector<std::string>{"Login Successfully!"});
    EXPECT_EQ(host.Count("LoginSucceeded"), 1);
}

TEST_F(Dispatch, ModifyLoginPasswordReadsComparesWritesAndLogs) {
    s.m_waitModifyLoginPwd = 1;
    s.m_oldLoginPwd = {1, 2, 3, 4};
    s.m_newLoginPwd = {5, 6, 7, 8};
    host.Receive(Answer(kDataHeader, 0x63, {0x04, 0x00, 0xC0, 1, 2, 3, 4}));
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(host.sent[0], BuildRequest(0x62, {0x04, 0x00, 0xC0, 5, 6, 7, 8}));
    host.Receive(Ack(0x62, 1));
    EXPECT_EQ(host.lines, std::vector<std::string>{"Failed to Modify Login Password!"});
    EXPECT_EQ(s.m_waitModifyLoginPwd, 0);
}

TEST_F(Dispatch, ModifyAuthorizationWithTheWrongOldCodeWritesNothing) {
    s.m_waitModifyAuthPwd = 1;
    s.m_oldAuthPwd = {0xAA, 0xBB};
    host.Receive(Answer(kDataHeader, 0x63, {0x02, 0x00, 0xBA, 0xAA, 0xBC}));
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(host.messages, std::vector<std::string>{"Invalid Password"});
    EXPECT_EQ(s.m_waitModifyAuthPwd, 0);
}

TEST_F(Dispatch, FastWriteSuccessAdvancesTheId) {
    s.m_waitFastWriteId = 1;
    s.m_tagIdLen = 2;
    s.m_tagId = {};
    s.m_tagId[10] = 0xFF;
    s.m_tagId[11] = 0xFF;
    host.Receive(Answer(kDataHeader, 0x9C, {0x00}));
    EXPECT_EQ(host.fastWriteIds, std::vector<std::string>{"00 01 00 00 "});
    EXPECT_EQ(s.m_tagIdLen, 4);
    EXPECT_EQ(host.lines, std::vector<std::string>{"Tag ID Written Successfully!"});
    s.m_waitFastWriteId = 1;
    SendRequest(s, host, BuildFastWriteId(ByteView(&s.m_tagId[8], 4)));
    host.Receive(Answer(kDataHeader, 0x9C, {0x01}));
    EXPECT_EQ(host.lines.back(), "Failed to Write Tag ID!");
    EXPECT_EQ(host.fastWriteIds.size(), 1u);
}

TEST_F(Dispatch, AuthorizeLogsEitherResult) {
    s.m_waitAuthorize = 1;
    host.Receive(Ack(0x9A));
    s.m_waitAuthorize = 1;
    SendRequest(s, host, BuildAuthorize());
    host.Receive(Ack(0x9A, 3));
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Tag Authorized Successfully!",
                                                    "Failed to Authorize Tag!"}));
}

TEST_F(Dispatch, OnlyTheFirstSetFlagRuns) {
    s.m_waitInitTag = 1;
    s.m_waitLockTag = 1;
    host.Receive(Ack(0x87));
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(host.Count("OnInitialize"), 1);
}

} // namespace
