// Pure recognisers of the answers the program waits for. Each looks only at the start of the
// receive buffer and at fixed indexes; a byte that has not arrived yet reads as 0 there, so an
// incomplete answer fails its checksum test and is looked at again on the next event.
#pragma once

#include "protocol/readerstate.h"

#include <cstdint>

using RxBuf = std::array<std::uint8_t, CReaderState::kRxBufSize>;

// E0 04 x 88 88 cs: the reader's answer to the stop request during Connect (x not examined).
bool IsHandshakeAnswer(const RxBuf& b);
// E4 03 command status cs, exactly, with a valid checksum.
bool IsStatusAck(const RxBuf& b, std::uint8_t command, std::uint8_t status = 0);
// E0 04 6A major minor cs.
bool IsVersionAnswer(const RxBuf& b);
