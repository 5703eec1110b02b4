// The reader's command set: one builder per request. Each returns the complete frame.
#pragma once

#include "protocol/frame.h"

inline constexpr std::uint8_t kCmdStop = 0xFE;
inline constexpr std::uint8_t kCmdHandshake = 0x50;
inline constexpr std::uint8_t kCmdVersion = 0x6A;
inline constexpr std::uint8_t kCmdMultiStart = 0x65;

Bytes BuildStop();         // A0 02 FE 60
Bytes BuildHandshake();    // A0 02 50 0E
Bytes BuildVersionQuery(); // A0 02 6A F4
Bytes BuildMultiStart();   // A0 02 65 F9
