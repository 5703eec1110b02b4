// The operation whose answer the program waits for, named as the operator started it, and how to
// give it up when the reader stays silent.
#pragma once

#include "protocol/readerstate.h"

#include <cstdint>
#include <optional>

struct PendingOperation {
    const char* name = "";
    int step = 0;  // 1-based; 0 for an operation of one exchange
    int steps = 0; // 0 for an operation of one exchange
    // Connect ends in its own time-out; every other operation waits until it is answered,
    // replaced or cancelled.
    bool timesOut = false;
    int CReaderState::*flag = nullptr;
};

// The operation the dispatcher serves next (the first pending mark in its order), given the
// command of the last request sent, which tells the step of a password change. A running record
// stream and a stream stopped by a stop request wait for no answer: nothing then.
std::optional<PendingOperation> WaitingOperation(const CReaderState& state,
                                                 std::uint8_t lastCommand);

// Gives the operation up: its pending mark, its step counter, the retry count and the work mode
// recorded for a Set are cleared.
void CancelOperation(CReaderState& state, const PendingOperation& operation);
