// The one place where answers from the reader are recognised.
//
// DispatchResponse runs once per receive event: it appends the received bytes to the receive
// buffer, runs the branch of the first pending flag that is set (in a fixed order), walks the
// records of a running multi-tag stream, and empties the buffer when it holds more than 1700
// bytes. Branches end operations (log line, flag cleared, port closed), resend failed tag
// operations up to ten attempts in all, and send the next request of a chain themselves.
#pragma once

#include "protocol/frame.h"
#include "protocol/readerhost.h"
#include "protocol/readerstate.h"

// Attempts of one tag operation before it is dropped without a message.
inline constexpr int kMaxAttempts = 10;
// Records of one multi-tag stream before the stream is stopped, unless it runs continuously.
inline constexpr std::uint32_t kMaxStreamRecords = 100;

// Hands one request frame to the line and then empties the receive buffer. Every request goes
// through here, including those the dispatcher sends by itself.
void SendRequest(CReaderState& state, IReaderHost& host, ByteView frame);

void DispatchResponse(CReaderState& state, IReaderHost& host, ByteView received);

// True while received bytes are taken as 17-byte records: multi-tag identification is pending,
// its start chain is at step 3 and the 0x65 acknowledgement has started the stream.
bool IsStreaming(const CReaderState& state);

// Requests in the settings sequence that runs under flag (m_waitSetMode for the recorded mode,
// m_waitGetMode, m_waitSetParams, m_waitGetParams); 0 for any other flag.
int SequenceSteps(const CReaderState& state, int CReaderState::*flag);
