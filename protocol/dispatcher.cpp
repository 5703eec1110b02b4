#include "protocol/dispatcher.h"

#include "protocol/answers.h"
#include "protocol/commands.h"

#include <cstdio>

void SendRequest(CReaderState& state, IReaderHost& host, ByteView frame) {
    host.WriteToLine(frame);
    state.ClearRx();
}

namespace {

void Send(CReaderState& s, IReaderHost& host, const Bytes& frame) { SendRequest(s, host, frame); }

// Connect handshake: the stop request's answer brings the 0x50 request, its acknowledgement
// brings the version query.
void HandleHandshake(CReaderState& s, IReaderHost& host) {
    if (IsHandshakeAnswer(s.m_rxBuf))
        Send(s, host, BuildHandshake());
    if (IsStatusAck(s.m_rxBuf, kCmdHandshake)) {
        // The connect timer is restarted rather than killed, so a version answer that never
        // comes ends in the same time-out as a handshake that never comes.
        host.KillConnectTimer();
        host.StartConnectTimer();
        s.m_waitHandshake = 0;
        s.m_waitVersion = 1;
        Send(s, host, BuildVersionQuery());
    }
}

void HandleVersion(CReaderState& s, IReaderHost& host) {
    if (!IsVersionAnswer(s.m_rxBuf))
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

} // namespace

void DispatchResponse(CReaderState& s, IReaderHost& host, ByteView received) {
    // Whatever does not fit into the buffer is dropped; the buffer is then over the clearing
    // threshold and is emptied below.
    s.AppendRx(received.data(), received.size());

    if (s.m_waitHandshake == 1)
        HandleHandshake(s, host);
    else if (s.m_waitVersion == 1)
        HandleVersion(s, host);

    if (s.m_rxCount > CReaderState::kRxClearAbove)
        s.ClearRx();
}
