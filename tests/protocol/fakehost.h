// A recording window for the dispatcher: every frame put on the line, every log line, message,
// port close and page call. Page operations record their name and send a frame like the page's,
// so the buffer is emptied as a real resend empties it.
#pragma once

#include "protocol/commands.h"
#include "protocol/dispatcher.h"
#include "protocol/readerhost.h"
#include "protocol/readerstate.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

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

    void Receive(const Bytes& bytes) { DispatchResponse(m_s, *this, bytes); }
    int Count(const std::string& call) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }

    void WriteToLine(ByteView frame) override { sent.emplace_back(frame.begin(), frame.end()); }
    void ClosePortIfOpen() override { ++closes; }
    void AddOperationLine(const std::string& text) override { lines.push_back(text); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void KillConnectTimer() override { calls.push_back("KillConnectTimer"); }
    void StartConnectTimer() override { calls.push_back("StartConnectTimer"); }
    void OnHandshakeDone() override { calls.push_back("OnHandshakeDone"); }

    void OnIdentifyTag() override { Resend("OnIdentifyTag", BuildIdentifySingle()); }
    void SendStop() override { Send(BuildStop()); }
    void SendCommModeRs232() override { Send(BuildCommModeRs232()); }
    void SendMultiStart() override {
        Send(BuildMultiStart());
        m_s.m_multiRxTotal = 0;
        m_s.m_waitIdentify = 0;
        m_s.m_waitMultiIdentify = 1;
    }
    void AppendTagLine(const std::string& line) override { tagLines.push_back(line); }
    void MultiStreamStopped() override { calls.push_back("MultiStreamStopped"); }

    void OnReadTag() override { Resend("OnReadTag", BuildReadTag(1, 2, 1)); }
    void OnWriteTag() override { Resend("OnWriteTag", BuildWriteTag(1, 2, 0x12, 0x34)); }
    void OnInitialize() override { Resend("OnInitialize", BuildInitTag()); }
    void OnLock() override { Resend("OnLock", BuildLockTag(2)); }
    void OnDestroy() override { Resend("OnDestroy", BuildDestroyTag({1, 2, 3, 4})); }
    void AppendReadData(const std::string& text) override { readData.push_back(text); }
    void LoginSucceeded() override { calls.push_back("LoginSucceeded"); }
    void ShowFastWriteId(const std::string& text) override { fastWriteIds.push_back(text); }

    void SendWorkmodeRequest(WorkmodeRequest r) override {
        workmodeRequests.push_back(r);
        Send(BuildWorkMode(0));
    }
    ReadBack& WorkmodeReadBack() override { return workmodeReadBack; }
    void WorkmodeShowReadBack() override { calls.push_back("WorkmodeShowReadBack"); }
    void SendParameterRequest(ParameterRequest r) override {
        parameterRequests.push_back(r);
        Send(BuildPower(0));
    }
    ReadBack& ParameterReadBack() override { return parameterReadBack; }
    void ParameterShowReadBack() override { calls.push_back("ParameterShowReadBack"); }

private:
    void Send(const Bytes& frame) { SendRequest(m_s, *this, frame); }
    void Resend(const char* name, const Bytes& frame) {
        calls.push_back(name);
        Send(frame);
    }

    CReaderState& m_s;
};

// An answer with its length and checksum: header, command, payload.
inline Bytes Answer(std::uint8_t header, std::uint8_t command,
                    std::initializer_list<std::uint8_t> payload) {
    return BuildFrame(header, command, ByteView(payload.begin(), payload.size()));
}
// The status acknowledgement E4 03 command status cs.
inline Bytes Ack(std::uint8_t command, std::uint8_t status = 0) {
    return Answer(kStatusHeader, command, {status});
}
