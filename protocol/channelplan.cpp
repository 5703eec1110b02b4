#include "protocol/channelplan.h"

#include <cstdio>

std::string ChannelLabel(int n) {
    std::string label = std::to_string(n);
    label.resize(4, '-');
    // Half-megahertz steps are exact in binary, so the one decimal never rounds.
    char frequency[16];
    std::snprintf(frequency, sizeof frequency, "%.1fMHz", 902.0 + 0.5 * n);
    return label + frequency;
}

std::optional<int> ChannelForLabel(std::string_view label) {
    for (int n = 1; n <= kChannelCount; ++n)
        if (ChannelLabel(n) == label)
            return n;
    return std::nullopt;
}

ChannelMask EncodeChannelMask(const ChannelFlags& channels) {
    ChannelMask mask{};
    for (int i = 0; i < kChannelCount; ++i)
        if (channels[i] != 0)
            mask[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
    return mask;
}

ChannelFlags DecodeChannelMask(const ChannelMask& mask) {
    ChannelFlags channels{};
    for (int i = 0; i < kChannelCount; ++i)
        channels[i] = (mask[i / 8] >> (i % 8)) & 1;
    return channels;
}

ChannelFlags DefaultSixChannels() {
    ChannelFlags channels{};
    for (int n : kDefaultSixChannels)
        channels[n - 1] = 1;
    return channels;
}
