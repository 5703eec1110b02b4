// The reader's frequency plan in bytes: the 50 RF channels, their labels, and the seven-byte
// hopping mask that says which channels the reader hops over.
//
// Channel n (1 .. 50) has the centre frequency 902.0 + 0.5 n MHz. In the mask, channel n is bit
// (n-1) mod 8 of byte (n-1) div 8, bit 0 being the least significant; the last byte carries only
// channels 49 and 50 in bits 0 and 1, its other bits are written as 0 and ignored when read.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr int kChannelCount = 50;
inline constexpr std::size_t kChannelMaskSize = 7;

// One flag per channel, index n-1 for channel n; non-zero means the channel is in the set.
using ChannelFlags = std::array<int, kChannelCount>;
using ChannelMask = std::array<std::uint8_t, kChannelMaskSize>;

// The six channels a fresh page shows and "Default" restores: 902.5, 907.5, 912.5, 917.5, 922.5
// and 927.0 MHz.
inline constexpr std::array<int, 6> kDefaultSixChannels = {1, 11, 21, 31, 41, 50};

// "1---902.5MHz" .. "50--927.0MHz": the number left-aligned and padded with '-' to four
// characters, then the frequency with one decimal. n must be 1 .. 50.
std::string ChannelLabel(int n);
// The channel whose label is exactly this text, or nothing.
std::optional<int> ChannelForLabel(std::string_view label);

ChannelMask EncodeChannelMask(const ChannelFlags& channels);
ChannelFlags DecodeChannelMask(const ChannelMask& mask);
// The flags of the default six-channel set.
ChannelFlags DefaultSixChannels();
