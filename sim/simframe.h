// Frame helpers of the reader simulator.
//
// The simulator builds its answers from the command set on its own, with its own checksum, so that
// a fault in the program's frame code shows up as a disagreement instead of being shared.
#pragma once

#include "protocol/frame.h"

#include <cstddef>
#include <cstdint>

namespace sim {

inline constexpr std::uint8_t kRequest = 0xA0;
inline constexpr std::uint8_t kData = 0xE0;
inline constexpr std::uint8_t kStatus = 0xE4;

// Status bytes the simulated reader answers with.
inline constexpr std::uint8_t kOk = 0x00;
inline constexpr std::uint8_t kRefused = 0x01;    // out of range, locked, wrong password, no tag
inline constexpr std::uint8_t kBadRequest = 0x02; // unknown command or wrong length

// Two's complement of the 8-bit sum of the bytes.
inline std::uint8_t Checksum(ByteView bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

// header (payload.size() + 2) command payload... checksum.
inline Bytes MakeFrame(std::uint8_t header, std::uint8_t command, ByteView payload = {}) {
    Bytes frame;
    frame.reserve(payload.size() + 4);
    frame.push_back(header);
    frame.push_back(static_cast<std::uint8_t>(payload.size() + 2));
    frame.push_back(command);
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(Checksum(frame));
    return frame;
}

// E4 03 command status checksum.
inline Bytes MakeStatus(std::uint8_t command, std::uint8_t status) {
    const std::uint8_t payload[] = {status};
    return MakeFrame(kStatus, command, payload);
}

} // namespace sim
