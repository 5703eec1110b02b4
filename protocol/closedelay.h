// How long the port is held open after a request whose answer no one waits for.
//
// A port closed at once loses the head of that answer, and its tail reaches the next operation
// after a reopen as bytes that are no frame. Held open until the answer has had time to arrive,
// the answer comes whole and is taken away as a late answer.
#pragma once

#include <algorithm>

// The longest answer the reader gives: a tag read of eight words.
inline constexpr int kLongestAnswerBytes = 24;
// The reader's time to take a request and begin its answer, and the host's time to see it.
inline constexpr int kAnswerMarginMs = 20;
// However slow the line, the port is closed by then.
inline constexpr int kCloseDelayLimitMs = 300;

// Milliseconds that bytes take on a line at baud bit/s, 10 bits a byte, rounded up.
constexpr int WireMs(int bytes, int baud) {
    return baud > 0 ? (bytes * 10 * 1000 + baud - 1) / baud : 0;
}

// How long the line must stay quiet, after pendingBytes went out or last arrived, before
// the port may close: the rest on the line plus the longest answer, and the margin.
constexpr int QuietBeforeCloseMs(int pendingBytes, int baud) {
    return std::min(WireMs(pendingBytes + kLongestAnswerBytes, baud) + kAnswerMarginMs,
                    kCloseDelayLimitMs);
}
