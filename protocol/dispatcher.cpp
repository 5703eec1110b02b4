#include "protocol/dispatcher.h"

#include "protocol/answers.h"
#include "protocol/commands.h"
#include "protocol/hexbytes.h"
#include "protocol/parammap.h"
#include "protocol/valuecodes.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

// Where an answer frame that is still arriving begins behind the complete frames at the front of
// rx; rx.size() when there is none.
std::size_t ArrivingAnswerAt(ByteView rx) {
    std::size_t at = 0;
    while (const std::size_t size = CompleteAnswerSize(rx.subspan(at)))
        at += size;
    const ByteView rest = rx.subspan(at);
    const std::size_t announced = AnnouncedAnswerSize(rest);
    const bool arriving =
        (rest.size() == 1 && (rest[0] == kDataHeader || rest[0] == kStatusHeader)) ||
        announced > rest.size();
    return arriving ? at : rx.size();
}

} // namespace

void SendRequest(CReaderState& state, IReaderHost& host, ByteView frame) {
    host.WriteToLine(frame);
    // What was received so far is dropped, but for the start of an answer frame whose rest is
    // still on the line: cut off, that rest would reach the front as bytes that are no frame and
    // hold up the answer to this request. Kept, it completes to a frame that is then taken away.
    const std::size_t keep = ArrivingAnswerAt(ByteView(state.m_rxBuf.data(), state.m_rxCount));
    const std::size_t kept = state.m_rxCount - keep;
    std::copy(state.m_rxBuf.begin() + keep, state.m_rxBuf.begin() + state.m_rxCount,
              state.m_rxBuf.begin());
    std::fill(state.m_rxBuf.begin() + kept, state.m_rxBuf.end(), std::uint8_t{0});
    state.m_rxCount = static_cast<std::uint32_t>(kept);
}

bool IsStreaming(const CReaderState& s) {
    return s.m_waitMultiIdentify == 1 && s.m_multiStep == 3 && s.m_multiStreaming == 1;
}

namespace {

ByteView Rx(const CReaderState& s) {
    return ByteView(s.m_rxBuf.data(), s.m_rxCount);
}

// Drops the first n bytes of the buffer and moves the rest to the front; the freed tail is zeroed
// so that the buffer past m_rxCount reads as 0, as after a clear.
void Consume(CReaderState& s, std::size_t n) {
    n = std::min<std::size_t>(n, s.m_rxCount);
    auto* buf = s.m_rxBuf.data();
    std::copy(buf + n, buf + s.m_rxCount, buf);
    std::fill(buf + (s.m_rxCount - n), buf + s.m_rxCount, std::uint8_t{0});
    s.m_rxCount -= static_cast<std::uint32_t>(n);
}

// ---- common endings of the tag operations ----

void Done(CReaderState& s, IReaderHost& host, int& flag, const char* line) {
    host.AddOperationLine(line);
    flag = 0;
    s.m_retryCount = 0;
    host.ClosePortIfOpen();
}

// One failed attempt: resend through the page's handler while fewer than ten attempts were made,
// otherwise drop the operation without a message.
void Retry(CReaderState& s, IReaderHost& host, int& flag, void (IReaderHost::*resend)(),
           bool closeAtLimit) {
    // The failed answer is dropped first, so it is counted once even when the handler refuses
    // to resend (for example because the operator has since changed a box).
    s.ClearRx();
    if (++s.m_retryCount < kMaxAttempts) {
        (host.*resend)();
        return;
    }
    flag = 0;
    s.m_retryCount = 0;
    if (closeAtLimit)
        host.ClosePortIfOpen();
}

// A status frame is judged only once all five bytes are in: a failure acted on at four bytes
// would leave its checksum byte in front of the answer to the resend, which then could never
// be recognised.
bool IsCompleteStatusHeader(ByteView rx) {
    return rx.size() >= 5 && rx[0] == kStatusHeader;
}

// ---- connection ----

// Connect handshake: the stop request's answer brings the 0x50 request, its acknowledgement
// brings the version query.
void Handshake(CReaderState& s, IReaderHost& host) {
    if (IsHandshakeAnswer(Rx(s)))
        SendRequest(s, host, BuildHandshake());
    if (IsStatusAck(Rx(s), kCmdHandshake)) {
        // The connect timer is restarted rather than killed, so a version answer that never
        // comes ends in the same time-out as a handshake that never comes.
        host.KillConnectTimer();
        host.StartConnectTimer();
        s.m_waitHandshake = 0;
        s.m_waitVersion = 1;
        SendRequest(s, host, BuildVersionQuery());
    }
}

void Version(CReaderState& s, IReaderHost& host) {
    if (!IsVersionAnswer(Rx(s)))
        return;
    s.m_waitVersion = 0;
    host.KillConnectTimer();
    char line[64];
    std::snprintf(line, sizeof line, "Firmware Version: V%u.%u!", unsigned{s.m_rxBuf[3]},
                  unsigned{s.m_rxBuf[4]});
    host.AddOperationLine("Port Opened Successfully!");
    host.AddOperationLine(line);
    host.OnHandshakeDone();
    host.ClosePortIfOpen();
}

// ---- tag identification ----

void Identify(CReaderState& s, IReaderHost& host) {
    const ByteView rx = Rx(s);
    if (s.m_waitSingleModeAck != 0 && IsStatusAck(rx, kCmdParamWrite)) {
        // The Single Tag radio's mode write is acknowledged: stop the reader.
        host.SendStop();
        s.m_waitSingleModeAck = 0;
        return;
    }
    if (IsIdentifyAnswer(rx)) {
        s.m_waitIdentify = 0;
        host.AppendTagLine(TagLineText(&rx[4], rx[3]));
        Done(s, host, s.m_waitIdentify, "Read Tag Successfully!");
        return;
    }
    // A failed identify gives up with the port left open.
    if (IsCompleteStatusHeader(rx))
        Retry(s, host, s.m_waitIdentify, &IReaderHost::OnIdentifyTag, false);
}

// The stream starts right after the 0x65 acknowledgement: bytes that came with it in the same
// event are the first bytes of the first record.
// The rest of the buffer is zeroed, as a fresh start of the stream.
void StartStream(CReaderState& s) {
    Consume(s, 5);
    std::fill(s.m_rxBuf.begin() + s.m_rxCount, s.m_rxBuf.end(), std::uint8_t{0});
    s.m_multiRxTotal = s.m_rxCount;
    s.m_multiShown = 0;
    s.m_multiStreaming = 1;
}

void MultiIdentify(CReaderState& s, IReaderHost& host) {
    if (IsStreaming(s))
        return; // the bytes are records; they are walked at the end of the event
    const ByteView rx = Rx(s);
    switch (s.m_multiStep) {
    case 1:
        if (const auto mode = ParamBlockValues(rx, kParamWorkMode, 2)) {
            const std::uint8_t v = (*mode)[0];
            host.WorkmodeReadBack()[0] = v;
            if (Decode<WorkMode>(v) == WorkMode::MasterSlave) {
                // The chain ends here with its flag and step kept; the answer is dropped so
                // that later bytes do not bring the same message again.
                s.ClearRx();
                host.ShowMessage("Can't Identify Multiple Tags in Master-Slave Mode.");
                return;
            }
            s.m_multiStep = 2;
            host.SendCommModeRs232();
        }
        break;
    case 2:
        if (IsStatusAck(rx, kCmdParamWrite)) {
            s.m_multiStep = 3;
            s.m_multiStreaming = 0;
            host.SendMultiStart();
        }
        break;
    case 3:
        if (IsStatusAck(rx, kCmdMultiStart))
            StartStream(s);
        break;
    default:
        break;
    }
}

void StopStreamAtLimit(CReaderState& s, IReaderHost& host) {
    host.SendStop();
    s.m_multiRxTotal = 0;
    s.m_multiShown = 0;
    s.ClearRx();
    // Records the reader sent before it obeyed the stop are not shown as a new stream.
    s.m_multiStreaming = 0;
    host.MultiStreamStopped();
    host.ShowMessage("Exceed 100 Tags. Identifying Stopped!");
}

// Examines every complete record in the buffer, in order. The buffer always begins at a record
// boundary of the stream: examined records are dropped and a partial record is moved to the
// front, so the stream never comes near the 1700-byte clear or the 1800-byte capacity.
void WalkRecords(CReaderState& s, IReaderHost& host) {
    std::size_t at = 0;
    while (s.m_rxCount - at >= kTagRecordSize) {
        const std::uint8_t* r = s.m_rxBuf.data() + at;
        if (IsGoodTagRecord(r)) {
            char prefix[24];
            std::snprintf(prefix, sizeof prefix, "NO.%u: ", unsigned{s.m_multiShown});
            host.AppendTagLine(prefix + TagLineText(r + 2, r[14]));
        }
        at += kTagRecordSize;
        if (++s.m_multiShown >= kMaxStreamRecords && s.m_multiContinuous != 1) {
            StopStreamAtLimit(s, host);
            return;
        }
    }
    Consume(s, at);
}

// ---- tag memory operations ----

void ReadTag(CReaderState& s, IReaderHost& host) {
    const ByteView rx = Rx(s);
    if (const auto answer = CompleteReadTagAnswer(rx)) {
        ++s.m_retryCount;
        if (answer->intact) {
            const bool shown = answer->words >= 1 && answer->words <= 8;
            host.AppendReadData(shown ? ReadDataText(answer->data) : std::string());
            Done(s, host, s.m_waitReadTag, "Tag Data Read Successfully!");
        } else {
            // A corrupt data frame counts two attempts.
            Retry(s, host, s.m_waitReadTag, &IReaderHost::OnReadTag, true);
        }
        return;
    }
    if (IsCompleteStatusHeader(rx))
        Retry(s, host, s.m_waitReadTag, &IReaderHost::OnReadTag, true);
}

void WriteTag(CReaderState& s, IReaderHost& host) {
    const ByteView rx = Rx(s);
    if (IsWriteTagSuccess(rx)) {
        Done(s, host, s.m_waitWriteTag, "Tag Data Written Successfully!");
        return;
    }
    // The reader reports a failed write with a five-byte status frame, which never grows to the
    // sixteen bytes of the data answer; it counts as a failed attempt as soon as it is complete.
    if (rx.size() >= 16 || IsStatusFrame(rx))
        Retry(s, host, s.m_waitWriteTag, &IReaderHost::OnWriteTag, true);
}

void StatusOperation(CReaderState& s, IReaderHost& host, int& flag, std::uint8_t command,
                     const char* line, void (IReaderHost::*resend)()) {
    const ByteView rx = Rx(s);
    if (IsStatusAck(rx, command))
        Done(s, host, flag, line);
    else if (rx.size() >= 5)
        Retry(s, host, flag, resend, true);
}

void InitTag(CReaderState& s, IReaderHost& host) {
    StatusOperation(s, host, s.m_waitInitTag, kCmdInitTag, "Tag Initialized Successfully!",
                    &IReaderHost::OnInitialize);
}

void LockTag(CReaderState& s, IReaderHost& host) {
    StatusOperation(s, host, s.m_waitLockTag, kCmdLockTag, "Tag Locked Successfully!",
                    &IReaderHost::OnLock);
}

void DestroyTag(CReaderState& s, IReaderHost& host) {
    StatusOperation(s, host, s.m_waitDestroyTag, kCmdDestroyTag, "Tag Destroyed Successfully!",
                    &IReaderHost::OnDestroy);
}

// ---- settings chains ----

// The work-mode Set sequence: the requests in order for each recorded mode. Output stands for
// the request of the recorded output interface.
enum class SetItem { Request, Output };
struct SetStep {
    SetItem item;
    WorkmodeRequest request;
};
constexpr SetStep Req(WorkmodeRequest r) {
    return {SetItem::Request, r};
}
constexpr SetStep kOutputStep{SetItem::Output, WorkmodeRequest::SendBaudRs232};

using W = WorkmodeRequest;
const std::vector<SetStep> kMasterSlaveSteps = {
    Req(W::SendWorkMode),     kOutputStep,
    Req(W::SendUserCode),     Req(W::SendCommMode),
    Req(W::SendIdBorderFlag), Req(W::SendIdBorderInterval)};
const std::vector<SetStep> kTimerSteps = {
    Req(W::SendWorkMode),        Req(W::SendTimerInterval), kOutputStep,
    Req(W::SendUserCode),        Req(W::SendCommMode),      Req(W::SendIdBorderFlag),
    Req(W::SendIdBorderInterval)};
const std::vector<SetStep> kTriggerSteps = {
    Req(W::SendWorkMode),      Req(W::SendTriggerMode),
    Req(W::SendShutDownDelay), kOutputStep,
    Req(W::SendUserCode),      Req(W::SendCommMode),
    Req(W::SendIdBorderFlag),  Req(W::SendIdBorderInterval)};

struct SetColumn {
    const std::vector<SetStep>* steps;
    const char* endLine;
};

std::optional<SetColumn> RecordedMode(const CReaderState& s) {
    if (s.m_modeMasterSlave == 1)
        return SetColumn{&kMasterSlaveSteps, "Set Master-Slave Mode Settings Successfully!"};
    if (s.m_modeTimer == 1)
        return SetColumn{&kTimerSteps, "Set Timer Mode Settings Successfully!"};
    if (s.m_modeTrigger == 1)
        return SetColumn{&kTriggerSteps, "Set Trigger Mode Settings Successfully!"};
    return std::nullopt;
}

std::optional<WorkmodeRequest> RecordedOutput(const CReaderState& s) {
    if (s.m_outRs232 == 1)
        return W::SendBaudRs232;
    if (s.m_outRs485 == 1)
        return W::SendBaudRs485;
    if (s.m_outWiegand == 1)
        return W::SendWiegandSettings;
    return std::nullopt;
}

std::uint8_t AckCommand(WorkmodeRequest r) {
    switch (r) {
    case W::SendTriggerMode:
    case W::SendWiegandSettings:
        return kCmdParamWriteBlock;
    case W::SendBaudRs232:
    case W::SendBaudRs485:
        return kCmdSetBaud;
    default:
        return kCmdParamWrite;
    }
}

void SetMode(CReaderState& s, IReaderHost& host) {
    const auto column = RecordedMode(s);
    const auto output = RecordedOutput(s);
    // Without a recorded mode and output there is no sequence to follow: the acknowledgement of
    // the work-mode write is the last thing that happens.
    if (!column || !output)
        return;
    const auto& steps = *column->steps;
    if (s.m_setModeStep < 1 || s.m_setModeStep > static_cast<int>(steps.size()))
        return;
    const auto requestAt = [&](int number) {
        const SetStep& step = steps[static_cast<std::size_t>(number - 1)];
        return step.item == SetItem::Output ? *output : step.request;
    };
    if (!IsStatusAck(Rx(s), AckCommand(requestAt(s.m_setModeStep))))
        return;
    // The acknowledgement is consumed, so it cannot also be taken for the next request's when
    // that request is refused by the page and nothing is sent.
    s.ClearRx();
    if (s.m_setModeStep == static_cast<int>(steps.size())) {
        host.AddOperationLine(column->endLine);
        s.m_waitSetMode = 0;
        s.m_modeMasterSlave = s.m_modeTimer = s.m_modeTrigger = 0;
        s.m_outRs232 = s.m_outRs485 = s.m_outWiegand = 0;
        host.ClosePortIfOpen();
        return;
    }
    ++s.m_setModeStep;
    host.SendWorkmodeRequest(requestAt(s.m_setModeStep));
}

// One read of a Get sequence: the answer awaited and where its bytes go in the read-back image.
template <typename Request> struct GetStep {
    std::uint16_t address;
    std::uint8_t count; // 0: a single read (0x61); otherwise a block read (0x63) of count bytes
    std::array<std::uint8_t, 7> into;
    std::optional<Request> next;
};

template <typename Request, std::size_t N>
bool RunGetStep(CReaderState& s, int& step, const std::array<GetStep<Request>, N>& steps,
                ReadBack& image, std::optional<Request>& next) {
    if (step < 1 || step > static_cast<int>(N))
        return false;
    const GetStep<Request>& g = steps[static_cast<std::size_t>(step - 1)];
    const ByteView rx = Rx(s);
    std::optional<ByteView> values;
    std::uint8_t single = 0;
    if (g.count == 0) {
        if (const auto v = ParamReadValue(rx, g.address)) {
            single = *v;
            values = ByteView(&single, 1);
        }
    } else {
        values = ParamBlockValues(rx, g.address, g.count);
    }
    if (!values)
        return false;
    for (std::size_t i = 0; i < values->size(); ++i)
        image[g.into[i]] = (*values)[i];
    s.ClearRx();
    ++step;
    next = g.next;
    return true;
}

using P = ParameterRequest;
const std::array<GetStep<W>, 7> kGetModeSteps = {{
    {kParamWorkMode, 2, {0, 1}, W::ReadTriggerMode},
    {kParamTriggerMode, 2, {2, 3}, W::ReadShutDownDelay},
    {kParamShutDownDelay, 0, {4}, W::ReadWiegandSettings},
    {kParamWiegandProtocol, 3, {5, 6, 7}, W::ReadUserCode},
    {kParamUserCode, 0, {8}, W::ReadCommMode},
    {kParamCommMode, 0, {9}, W::ReadIdBorder},
    // 0x7A (interval) comes first on the wire but sits after the flag in the image.
    {kParamIdBorderInterval, 2, {11, 10}, std::nullopt},
}};

const std::array<GetStep<P>, 5> kGetParamSteps = {{
    {kParamPower, 0, {0}, P::ReadFixedChannel},
    {kParamFixedChannel, 0, {1}, P::ReadChannelMask},
    {kParamChannelMask, 7, {2, 3, 4, 5, 6, 7, 8}, P::ReadAntennas},
    {kParamAntennaMode, 2, {9, 10}, P::ReadReadTagMode},
    {kParamReadTagMode, 0, {11}, std::nullopt},
}};

void GetMode(CReaderState& s, IReaderHost& host) {
    std::optional<W> next;
    if (!RunGetStep(s, s.m_getModeStep, kGetModeSteps, host.WorkmodeReadBack(), next))
        return;
    if (next) {
        host.SendWorkmodeRequest(*next);
        return;
    }
    host.AddOperationLine("Get Settings Successfully!!");
    s.m_waitGetMode = 0;
    host.WorkmodeShowReadBack();
    host.ClosePortIfOpen();
}

void GetParams(CReaderState& s, IReaderHost& host) {
    std::optional<P> next;
    if (!RunGetStep(s, s.m_getParamStep, kGetParamSteps, host.ParameterReadBack(), next))
        return;
    if (next) {
        host.SendParameterRequest(*next);
        return;
    }
    s.m_waitGetParams = 0;
    host.AddOperationLine("Get Settings Successfully!");
    host.ParameterShowReadBack();
    host.ClosePortIfOpen();
}

struct SetParamStep {
    std::uint8_t ackCommand;
    std::optional<P> next;
};
const std::array<SetParamStep, 5> kSetParamSteps = {{
    {kCmdParamWrite, P::SendAntennas},
    {kCmdParamWriteBlock, P::SendFixedChannel},
    {kCmdParamWrite, P::SendChannelMask},
    {kCmdParamWriteBlock, P::SendReadTagMode},
    {kCmdParamWrite, std::nullopt},
}};

void SetParams(CReaderState& s, IReaderHost& host) {
    const int step = s.m_setParamStep;
    if (step < 1 || step > static_cast<int>(kSetParamSteps.size()))
        return;
    const SetParamStep& p = kSetParamSteps[static_cast<std::size_t>(step - 1)];
    if (!IsStatusAck(Rx(s), p.ackCommand))
        return;
    s.ClearRx();
    if (p.next) {
        ++s.m_setParamStep;
        host.SendParameterRequest(*p.next);
        return;
    }
    s.m_waitSetParams = 0;
    host.AddOperationLine("Set Settings Successfully!");
    host.ClosePortIfOpen();
}

// ---- login, passwords and fast tag-ID write ----

template <std::size_t N> bool SameBytes(ByteView got, const std::array<std::uint8_t, N>& want) {
    return got.size() == N && std::equal(want.begin(), want.end(), got.begin());
}

void Login(CReaderState& s, IReaderHost& host) {
    const auto stored = ParamBlockValues(Rx(s), kParamLoginPassword, 4);
    if (!stored)
        return;
    const bool match = SameBytes(*stored, s.m_loginPwd);
    if (match) {
        s.m_loggedIn = 1;
        host.AddOperationLine("Login Successfully!");
        host.LoginSucceeded();
    }
    s.m_waitLogin = 0;
    host.ClosePortIfOpen();
    if (!match)
        host.ShowMessage("Invalid Password!");
}

void ModifyLoginPassword(CReaderState& s, IReaderHost& host) {
    const ByteView rx = Rx(s);
    if (const auto stored = ParamBlockValues(rx, kParamLoginPassword, 4)) {
        if (SameBytes(*stored, s.m_oldLoginPwd)) {
            SendRequest(s, host, BuildWriteLoginPassword(s.m_newLoginPwd));
        } else {
            s.m_waitModifyLoginPwd = 0;
            host.ShowMessage("Invalid Password!");
        }
        return;
    }
    if (const auto status = StatusOf(rx, kCmdParamWriteBlock)) {
        host.AddOperationLine(*status != 0 ? "Failed to Modify Login Password!"
                                           : "Login Password Modified Successfully!");
        s.m_waitModifyLoginPwd = 0;
        host.ClosePortIfOpen();
    }
}

void ModifyAuthPassword(CReaderState& s, IReaderHost& host) {
    const ByteView rx = Rx(s);
    if (const auto stored = ParamBlockValues(rx, kParamAuthPassword, 2)) {
        if (SameBytes(*stored, s.m_oldAuthPwd)) {
            SendRequest(s, host, BuildAuthPassword(s.m_newAuthPwd));
        } else {
            s.m_waitModifyAuthPwd = 0;
            host.ShowMessage("Invalid Password");
        }
        return;
    }
    if (const auto status = StatusOf(rx, kCmdAuthPassword)) {
        host.AddOperationLine(*status != 0 ? "Failed to Modify Authorization Password!"
                                           : "Authorization Password Modified Successfully!");
        s.m_waitModifyAuthPwd = 0;
        host.ClosePortIfOpen();
    }
}

void Authorize(CReaderState& s, IReaderHost& host) {
    if (const auto status = StatusOf(Rx(s), kCmdAuthorize)) {
        host.AddOperationLine(*status != 0 ? "Failed to Authorize Tag!"
                                           : "Tag Authorized Successfully!");
        s.m_waitAuthorize = 0;
        host.ClosePortIfOpen();
    }
}

void FastWriteId(CReaderState& s, IReaderHost& host) {
    const auto status = FastWriteStatus(Rx(s));
    if (!status)
        return;
    if (*status == 0) {
        IncrementTagId(s.m_tagId, s.m_tagIdLen);
        const std::string text =
            FastWriteIdText(ByteView(s.m_tagId).last(std::min<std::size_t>(s.m_tagIdLen, 12)));
        host.AddOperationLine("Tag ID Written Successfully!");
        host.ShowFastWriteId(text);
    } else {
        host.AddOperationLine("Failed to Write Tag ID!");
    }
    s.m_waitFastWriteId = 0;
    host.ClosePortIfOpen();
}

// ---- branch selection ----

// Which frames a tag operation takes as its own answer: its command's data answer or status,
// failures included (they bring a resend). Any other complete frame in front of it is a late
// answer to an earlier request.
template <std::uint8_t Command> bool Answers(const CReaderState&, ByteView frame) {
    return frame[2] == Command;
}
bool IdentifyAnswers(const CReaderState& s, ByteView frame) {
    return frame[2] == kCmdIdentify ||
           (s.m_waitSingleModeAck != 0 && frame[0] == kStatusHeader && frame[2] == kCmdParamWrite);
}

struct Branch {
    int CReaderState::*flag;
    bool anyNonZero; // the password and fast-write flags count when non-zero, the others at 1
    void (*run)(CReaderState&, IReaderHost&);
    // Tag operations resend on what they do not recognise, so another command's answer is taken
    // away before they look. The other branches simply wait, and a complete frame they leave
    // untouched is taken away after they looked.
    bool (*answers)(const CReaderState&, ByteView frame) = nullptr;
};

constexpr Branch kBranches[] = {
    {&CReaderState::m_waitHandshake, false, Handshake},
    {&CReaderState::m_waitVersion, false, Version},
    {&CReaderState::m_waitIdentify, false, Identify, IdentifyAnswers},
    {&CReaderState::m_waitMultiIdentify, false, MultiIdentify},
    {&CReaderState::m_waitReadTag, false, ReadTag, Answers<kCmdReadTag>},
    {&CReaderState::m_waitWriteTag, false, WriteTag, Answers<kCmdWriteTag>},
    {&CReaderState::m_waitInitTag, false, InitTag, Answers<kCmdInitTag>},
    {&CReaderState::m_waitLockTag, false, LockTag, Answers<kCmdLockTag>},
    {&CReaderState::m_waitDestroyTag, false, DestroyTag, Answers<kCmdDestroyTag>},
    {&CReaderState::m_waitSetMode, false, SetMode},
    {&CReaderState::m_waitGetMode, false, GetMode},
    {&CReaderState::m_waitSetParams, false, SetParams},
    {&CReaderState::m_waitGetParams, false, GetParams},
    {&CReaderState::m_waitLogin, true, Login},
    {&CReaderState::m_waitModifyLoginPwd, true, ModifyLoginPassword},
    {&CReaderState::m_waitModifyAuthPwd, true, ModifyAuthPassword},
    {&CReaderState::m_waitAuthorize, true, Authorize},
    {&CReaderState::m_waitFastWriteId, true, FastWriteId},
};

const Branch* FirstPendingBranch(const CReaderState& s) {
    for (const Branch& b : kBranches) {
        const int value = s.*b.flag;
        if (b.anyNonZero ? value != 0 : value == 1)
            return &b;
    }
    return nullptr;
}

// The longest answer the reader gives to a request other than a tag read (the tag read of eight
// words): a tag operation waits for such a frame of another command to be complete before it
// judges the buffer, so a late answer still arriving does not count as a failed attempt.
constexpr std::size_t kLongestOtherAnswer = 23;

bool IsOtherAnswerArriving(const CReaderState& s, const Branch& b) {
    const ByteView rx = Rx(s);
    const std::size_t announced = AnnouncedAnswerSize(rx);
    return rx.size() >= 3 && announced > rx.size() && announced <= kLongestOtherAnswer &&
           (rx[0] != kStatusHeader || announced == 5) && !b.answers(s, rx);
}

// Runs the branch of the first pending operation. A complete answer frame at the front of the
// buffer that the operation does not take (a late answer to an earlier request) is removed, and
// the operation looks again at what follows. Bytes that are no frame stay where they are.
void RunFirstPendingBranch(CReaderState& s, IReaderHost& host) {
    for (;;) {
        const Branch* b = FirstPendingBranch(s);
        if (!b)
            return;
        const std::size_t frame = IsStreaming(s) ? 0 : CompleteAnswerSize(Rx(s));
        if (b->answers) {
            if (frame != 0 && !b->answers(s, Rx(s).first(frame))) {
                Consume(s, frame);
                continue;
            }
            if (frame == 0 && !IsStreaming(s) && IsOtherAnswerArriving(s, *b))
                return;
            b->run(s, host);
            return;
        }
        const std::uint32_t count = s.m_rxCount;
        b->run(s, host);
        if (frame == 0 || s.m_rxCount != count || FirstPendingBranch(s) != b)
            return; // nothing complete was there, or the branch took it
        Consume(s, frame);
    }
}

} // namespace

void DispatchResponse(CReaderState& s, IReaderHost& host, ByteView received) {
    std::size_t used = s.AppendRx(received.data(), received.size());
    RunFirstPendingBranch(s, host);
    if (IsStreaming(s)) {
        WalkRecords(s, host);
        // The rest of a large event belongs to the stream too: it is taken in pieces that fit,
        // with the records walked between pieces, so none is lost to the buffer's size.
        while (used < received.size() && IsStreaming(s)) {
            used += s.AppendRx(received.data() + used, received.size() - used);
            WalkRecords(s, host);
        }
    }
    // Outside a stream, bytes that did not fit are dropped, and the full buffer is emptied here.
    if (s.m_rxCount > CReaderState::kRxClearAbove)
        s.ClearRx();
}

int SequenceSteps(const CReaderState& s, int CReaderState::*flag) {
    if (flag == &CReaderState::m_waitSetMode) {
        const auto column = RecordedMode(s);
        return column ? static_cast<int>(column->steps->size()) : 0;
    }
    if (flag == &CReaderState::m_waitGetMode)
        return static_cast<int>(kGetModeSteps.size());
    if (flag == &CReaderState::m_waitSetParams)
        return static_cast<int>(kSetParamSteps.size());
    if (flag == &CReaderState::m_waitGetParams)
        return static_cast<int>(kGetParamSteps.size());
    return 0;
}
