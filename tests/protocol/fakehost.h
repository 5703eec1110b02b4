// A recording window for the dispatcher, shared by the tests and the fuzz target: every frame put
// on the line, every log line, message, port close and page call. The pages' resends and chain
// requests start their operations through protocol/operations as the pages do, with fixed form
// values, so the buffer is emptied and the marks set as a real page sets them.
#pragma once

#include "protocol/commands.h"
#include "protocol/dispatcher.h"
#include "protocol/operations.h"
#include "protocol/readerhost.h"
#include "protocol/readerstate.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

// Every pending mark, in the order the dispatcher tries them (the first one set picks the
// branch), with the single-tag mode acknowledgement last: it belongs to the Identify branch.
inline constexpr int CReaderState::*kPendingMarks[] = {
    &CReaderState::m_waitHandshake,      &CReaderState::m_waitVersion,
    &CReaderState::m_waitIdentify,       &CReaderState::m_waitMultiIdentify,
    &CReaderState::m_waitReadTag,        &CReaderState::m_waitWriteTag,
    &CReaderState::m_waitInitTag,        &CReaderState::m_waitLockTag,
    &CReaderState::m_waitDestroyTag,     &CReaderState::m_waitSetMode,
    &CReaderState::m_waitGetMode,        &CReaderState::m_waitSetParams,
    &CReaderState::m_waitGetParams,      &CReaderState::m_waitLogin,
    &CReaderState::m_waitModifyLoginPwd, &CReaderState::m_waitModifyAuthPwd,
    &CReaderState::m_waitAuthorize,      &CReaderState::m_waitFastWriteId,
    &CReaderState::m_waitSingleModeAck,
};
// The work mode and output recorded for a work-mode Set.
inline constexpr int CReaderState::*kRecordedModes[] = {
    &CReaderState::m_modeMasterSlave, &CReaderState::m_modeTimer, &CReaderState::m_modeTrigger,
    &CReaderState::m_outRs232,        &CReaderState::m_outRs485,  &CReaderState::m_outWiegand};

class CFakeHost : public IReaderHost {
public:
    explicit CFakeHost(CReaderState& s) : m_s(s) {}

    std::vector<Bytes> sent;
    std::vector<std::string> lines;
    std::vector<std::string> messages;
    std::vector<std::string> tagLines;
    std::vector<std::string> readData;
    std::vector<std::string> fastWriteIds;
    std::vector<std::string> calls;
    std::vector<WorkmodeRequest> workmodeRequests;
    std::vector<ParameterRequest> parameterRequests;
    ReadBack workmodeReadBack{};
    ReadBack parameterReadBack{};
    int closes = 0;

    // Whether the page refuses the resend or chain request asked of it now, as after the
    // operator changed a box: the page's message is shown and nothing is sent; a refused resend
    // ends its operation.
    std::function<bool()> refuses = [] { return false; };
    // What happens while a message box is open: it runs an event loop.
    std::function<void()> whileMessageOpen = [] {};

    void Receive(const Bytes& bytes) { DispatchResponse(m_s, *this, bytes); }
    int Count(const std::string& call) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }

    void WriteToLine(ByteView frame) override { sent.emplace_back(frame.begin(), frame.end()); }
    void ClosePortIfOpen() override { ++closes; }
    void AddOperationLine(const std::string& text) override { lines.push_back(text); }
    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        whileMessageOpen();
    }
    void KillConnectTimer() override { calls.push_back("KillConnectTimer"); }
    void StartConnectTimer() override { calls.push_back("StartConnectTimer"); }
    void OnHandshakeDone() override {
        calls.push_back("OnHandshakeDone");
        m_s.m_connected = 1;
    }

    void OnIdentifyTag() override {
        Resend("OnIdentifyTag", m_s.m_waitIdentify,
               [](CReaderState& s, bool) { return BeginIdentifySingle(s); });
    }
    void SendStop() override { Send(BuildStop()); }
    void SendCommModeRs232() override { Send(BuildCommModeRs232()); }
    void SendMultiStart() override { Send(BeginMultiStream(m_s)); }
    void AppendTagLine(const std::string& line) override { tagLines.push_back(line); }
    void MultiStreamStopped() override { calls.push_back("MultiStreamStopped"); }

    // clang-format off
    void OnReadTag() override { Resend("OnReadTag", m_s.m_waitReadTag, [](CReaderState& s, bool fresh) { return BeginReadTag(s, fresh, TagSection::Epc, 2, 1); }); }
    void OnWriteTag() override { Resend("OnWriteTag", m_s.m_waitWriteTag, [](CReaderState& s, bool fresh) { return BeginWriteTag(s, fresh, TagSection::Epc, 2, 0x12, 0x34); }); }
    void OnInitialize() override { Resend("OnInitialize", m_s.m_waitInitTag, BeginInitTag); }
    void OnLock() override { Resend("OnLock", m_s.m_waitLockTag, [](CReaderState& s, bool fresh) { return BeginLockTag(s, fresh, LockKind::Epc); }); }
    void OnDestroy() override { Resend("OnDestroy", m_s.m_waitDestroyTag, [](CReaderState& s, bool fresh) { return BeginDestroyTag(s, fresh, {1, 2, 3, 4}); }); }
    // clang-format on
    void AppendReadData(const std::string& text) override { readData.push_back(text); }
    void LoginSucceeded() override { calls.push_back("LoginSucceeded"); }
    void ShowFastWriteId(const std::string& text) override { fastWriteIds.push_back(text); }

    void SendWorkmodeRequest(WorkmodeRequest r) override {
        workmodeRequests.push_back(r);
        if (!PageRefuses())
            Send(BuildWorkMode(0));
    }
    ReadBack& WorkmodeReadBack() override { return workmodeReadBack; }
    void WorkmodeShowReadBack() override { calls.push_back("WorkmodeShowReadBack"); }
    void SendParameterRequest(ParameterRequest r) override {
        parameterRequests.push_back(r);
        if (!PageRefuses())
            Send(BuildPower(0));
    }
    ReadBack& ParameterReadBack() override { return parameterReadBack; }
    void ParameterShowReadBack() override { calls.push_back("ParameterShowReadBack"); }

    void Send(ByteView frame) { SendRequest(m_s, *this, frame); }

private:
    bool PageRefuses() {
        if (!refuses())
            return false;
        ShowMessage("refused");
        return true;
    }
    // A tag page's resend: begun again as a new attempt of the same operation, or refused the
    // way the page refuses it (message first, then the operation ends).
    void Resend(const char* name, int& mark, Bytes (*begin)(CReaderState&, bool)) {
        calls.push_back(name);
        const bool fresh = mark != 1;
        if (PageRefuses()) {
            if (!fresh) {
                mark = 0;
                m_s.m_retryCount = 0;
                ClosePortIfOpen();
            }
            return;
        }
        Send(begin(m_s, fresh));
    }

    CReaderState& m_s;
};

// Every operation start with fixed form values (passwords and the tag ID as the state holds
// them), in the order the fuzz target numbers them.
// variant picks the inputs that change what a start does: the work mode and output the Set
// records (bits 0-1 and 2-3, 0 for none chosen) and a continuous multi-tag stream (bit 0).
struct OperationStart {
    const char* name;
    Bytes (*begin)(CReaderState& state, std::uint8_t variant);
};

// clang-format off
inline const OperationStart kOperationStarts[] = {
    {"Connect", [](CReaderState& s, std::uint8_t) { return BeginConnect(s); }},
    {"IdentifySingle", [](CReaderState& s, std::uint8_t) { return BeginIdentifySingle(s); }},
    {"SingleTagMode", [](CReaderState& s, std::uint8_t) { return BeginSingleTagMode(s); }},
    {"MultiIdentify", [](CReaderState& s, std::uint8_t v) { return BeginMultiIdentify(s, (v & 1) != 0); }},
    {"ReadTag", [](CReaderState& s, std::uint8_t) { return BeginReadTag(s, true, TagSection::Epc, 2, 4); }},
    {"WriteTag", [](CReaderState& s, std::uint8_t) { return BeginWriteTag(s, true, TagSection::Epc, 2, 0xAB, 0xCD); }},
    {"InitTag", [](CReaderState& s, std::uint8_t) { return BeginInitTag(s, true); }},
    {"LockTag", [](CReaderState& s, std::uint8_t) { return BeginLockTag(s, true, LockKind::Tid); }},
    {"DestroyTag", [](CReaderState& s, std::uint8_t) { return BeginDestroyTag(s, true, {0, 0, 0, 0}); }},
    {"SetWorkMode", [](CReaderState& s, std::uint8_t v) { return BeginSetWorkMode(s, Decode<WorkMode>(v & 3), Decode<CommMode>((v >> 2) & 3)); }},
    {"GetWorkMode", [](CReaderState& s, std::uint8_t) { return BeginGetWorkMode(s); }},
    {"SetParameters", [](CReaderState& s, std::uint8_t) { BeginSetParameters(s); return BuildPower(20); }},
    {"GetParameters", [](CReaderState& s, std::uint8_t) { return BeginGetParameters(s); }},
    {"Login", [](CReaderState& s, std::uint8_t) { return BeginLogin(s, s.m_loginPwd); }},
    {"ModifyLoginPassword", [](CReaderState& s, std::uint8_t) { return BeginModifyLoginPassword(s, s.m_oldLoginPwd, s.m_newLoginPwd); }},
    {"ModifyAuthorizeCode", [](CReaderState& s, std::uint8_t) { return BeginModifyAuthorizeCode(s, s.m_oldAuthPwd, s.m_newAuthPwd); }},
    {"Authorize", [](CReaderState& s, std::uint8_t) { return BeginAuthorize(s); }},
    {"FastWriteId", [](CReaderState& s, std::uint8_t) { return BeginFastWriteId(s, Bytes(s.m_tagId.end() - s.m_tagIdLen, s.m_tagId.end())); }},
    {"MultipleTagsMode", [](CReaderState& s, std::uint8_t) { return BeginMultipleTagsMode(s); }},
    {"MultiStream", [](CReaderState& s, std::uint8_t) { return BeginMultiStream(s); }},
};
// clang-format on

// An answer with its length and checksum: header, command, payload.
inline Bytes Answer(std::uint8_t header, std::uint8_t command,
                    std::initializer_list<std::uint8_t> payload) {
    return BuildFrame(header, command, ByteView(payload.begin(), payload.size()));
}
// The status acknowledgement E4 03 command status cs.
inline Bytes Ack(std::uint8_t command, std::uint8_t status = 0) {
    return Answer(kStatusHeader, command, {status});
}
