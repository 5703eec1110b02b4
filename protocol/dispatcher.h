// The one place where answers from the reader are recognised.
//
// DispatchResponse runs once per receive event: it appends the received bytes to the receive
// buffer, runs the branch of the first pending flag that is set (in a fixed order), and empties
// the buffer when it holds more than 1700 bytes.
#pragma once

#include "protocol/frame.h"
#include "protocol/readerhost.h"
#include "protocol/readerstate.h"

// Hands one request frame to the line and then empties the receive buffer. Every request goes
// through here, including those the dispatcher sends by itself.
void SendRequest(CReaderState& state, IReaderHost& host, ByteView frame);

void DispatchResponse(CReaderState& state, IReaderHost& host, ByteView received);
