// Request builders: the exact bytes of the commands no operation start opens with (those are
// in the operation table), and the parameter map.
#include "protocol/commands.h"
#include "protocol/parammap.h"
#include "protocol/readerstate.h"

#include <gtest/gtest.h>

namespace {

TEST(Builders, KnownFrames) {
    // clang-format off
    const struct { const char* name; Bytes frame, expected; } rows[] = {
        {"read fixed channel", BuildReadFixedChannel(), {0xA0, 0x04, 0x61, 0x00, 0x90, 0x6B}},
        {"read mask", BuildReadChannelMask(), {0xA0, 0x05, 0x63, 0x07, 0x00, 0x92, 0x5F}},
        {"read antennas", BuildReadAntennas(), {0xA0, 0x05, 0x63, 0x02, 0x00, 0x89, 0x6D}},
        {"antenna 1 alone", BuildAntennas(1, 1), {0xA0, 0x07, 0x62, 0x02, 0x00, 0x89, 0x01, 0x01, 0x6A}},
        {"hopping", BuildFixedChannel(0), {0xA0, 0x05, 0x60, 0x00, 0x90, 0x00, 0x6B}},
        {"channel 50", BuildFixedChannel(50), {0xA0, 0x05, 0x60, 0x00, 0x90, 0x32, 0x39}},
        {"six channels", BuildChannelMask({0x01, 0x04, 0x10, 0x40, 0x00, 0x01, 0x02}), {0xA0, 0x0C, 0x62, 0x07, 0x00, 0x92, 0x01, 0x04, 0x10, 0x40, 0x00, 0x01, 0x02, 0x01}},
        {"all channels", BuildChannelMask({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03}), {0xA0, 0x0C, 0x62, 0x07, 0x00, 0x92, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0x5C}},
        {"baud 115200", BuildSetBaud(4), {0xA0, 0x03, 0x64, 0x04, 0xF5}},
        {"wiegand34", BuildWiegandSettings(2, 8, 12), {0xA0, 0x08, 0x62, 0x03, 0x00, 0x73, 0x02, 0x08, 0x0C, 0x6A}},
        {"address high byte first", BuildParamRead(0x1234), BuildRequest(0x61, {0x12, 0x34})},
    };
    // clang-format on
    for (const auto& r : rows)
        EXPECT_EQ(r.frame, r.expected) << r.name;
    EXPECT_EQ(BuildFastWriteId(Bytes(12, 0xAA)).size(), 17u);
    EXPECT_EQ(BuildFastWriteId(Bytes(12, 0xAA))[3], 6);
}

TEST(ParameterMap, LookupAndRanges) {
    EXPECT_EQ(FindParameter(0x0065)->max, 150);
    EXPECT_EQ(FindParameter(0x0095)->address, kParamChannelMask); // inside the 7-byte mask
    EXPECT_EQ(FindParameter(0x00C3)->address, kParamLoginPassword);
    EXPECT_FALSE(FindParameter(0x00C4));
    EXPECT_FALSE(FindParameter(0x0066));
    EXPECT_TRUE(ParameterValueInRange(kParamShutDownDelay, 240));
    EXPECT_FALSE(ParameterValueInRange(kParamShutDownDelay, 241));
    EXPECT_FALSE(ParameterValueInRange(kParamTimerInterval, 0));
    for (std::size_t i = 1; i < ParameterMap().size(); ++i)
        EXPECT_GE(ParameterMap()[i].address,
                  ParameterMap()[i - 1].address + ParameterMap()[i - 1].width);
}

} // namespace
