// Byte helpers: checksum, request builders, typed hex, the fast-write ID and the receive buffer.
#include "protocol/commands.h"
#include "protocol/hexbytes.h"
#include "protocol/readerstate.h"

#include <gtest/gtest.h>

namespace {

Bytes B(std::initializer_list<std::uint8_t> b) {
    return Bytes(b);
}

struct ChecksumRow {
    const char* name;
    Bytes covered;
    std::uint8_t checksum;
};

class Checksum : public ::testing::TestWithParam<ChecksumRow> {};

TEST_P(Checksum, IsTheTwosComplementOfTheByteSum) {
    EXPECT_EQ(FrameChecksum(GetParam().covered), GetParam().checksum);
    Bytes frame = GetParam().covered;
    frame.push_back(GetParam().checksum);
    EXPECT_TRUE(IsIntact(frame));
    frame.back() ^= 1;
    EXPECT_FALSE(IsIntact(frame));
}

INSTANTIATE_TEST_SUITE_P(
    KnownAnswers, Checksum,
    ::testing::Values(ChecksumRow{"Stop", B({0xA0, 0x02, 0xFE}), 0x60},
                      ChecksumRow{"Handshake", B({0xA0, 0x02, 0x50}), 0x0E},
                      ChecksumRow{"MultiStart", B({0xA0, 0x02, 0x65}), 0xF9},
                      ChecksumRow{"Version", B({0xA0, 0x02, 0x6A}), 0xF4},
                      ChecksumRow{"WriteAck", B({0xE4, 0x03, 0x60, 0x00}), 0xB9},
                      ChecksumRow{"HandshakeAck", B({0xE4, 0x03, 0x50, 0x00}), 0xC9},
                      ChecksumRow{"MultiStartAck", B({0xE4, 0x03, 0x65, 0x00}), 0xB4},
                      ChecksumRow{"ReadPower", B({0xA0, 0x04, 0x61, 0x00, 0x65}), 0x96},
                      // A sum that is a multiple of 256 gives 0, not 256 truncated oddly.
                      ChecksumRow{"SumIsZero", B({0x80, 0x80}), 0x00},
                      ChecksumRow{"Empty", B({}), 0x00}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Checksum, CoversMoreThan255Bytes) {
    // The answer to a long tag read is longer than an 8-bit count can cover.
    Bytes bytes(300, 0x01);
    EXPECT_EQ(FrameChecksum(bytes), static_cast<std::uint8_t>(0x100 - (300 & 0xFF)));
}

struct HexRow {
    const char* name;
    std::string text;
    std::size_t capacity;
    bool ok;
    Bytes bytes;
};

class HexText : public ::testing::TestWithParam<HexRow> {};

TEST_P(HexText, ParsesOrRefuses) {
    const auto parsed = HexToBytes(GetParam().text, GetParam().capacity);
    ASSERT_EQ(parsed.has_value(), GetParam().ok);
    if (parsed) {
        EXPECT_EQ(*parsed, GetParam().bytes);
        EXPECT_LE(parsed->size(), GetParam().capacity);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, HexText,
    ::testing::Values(
        HexRow{"Word", "1234", 2, true, B({0x12, 0x34})},
        HexRow{"Blanks", " 12 34 ", 2, true, B({0x12, 0x34})},
        HexRow{"MixedCase", "aBcD", 2, true, B({0xAB, 0xCD})},
        HexRow{"OneByte", "0f", 2, true, B({0x0F})}, HexRow{"Odd", "123", 2, false, {}},
        HexRow{"Single", "1", 2, false, {}}, HexRow{"Empty", "", 2, false, {}},
        HexRow{"OnlyBlanks", "   ", 2, false, {}}, HexRow{"TooLong", "123456", 2, false, {}},
        HexRow{"NotHex", "12G4", 2, false, {}}, HexRow{"Tab", "12\t34", 2, false, {}},
        HexRow{"NonAscii", "12\xC3\xA9", 2, false, {}},
        HexRow{"FullWidthDigits", "\xEF\xBC\x91\xEF\xBC\x92", 4, false, {}},
        HexRow{"TwelveBytes", "00112233445566778899AABB", 12, true,
               B({0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB})},
        HexRow{"Huge", std::string(100000, 'A'), 12, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HexDigit, ValuesAndRefusals) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('a'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('g'), 0xFF);
    EXPECT_EQ(HexDigitValue(' '), 0xFF);
    EXPECT_EQ(HexDigitValue(static_cast<char>(0xC3)), 0xFF);
}

struct IdRow {
    const char* name;
    Bytes id;
    Bytes next;
};

class FastWriteId : public ::testing::TestWithParam<IdRow> {};

TEST_P(FastWriteId, CountsUpWithCarryAndGrowth) {
    std::array<std::uint8_t, 12> id{};
    std::uint8_t length = static_cast<std::uint8_t>(GetParam().id.size());
    std::copy(GetParam().id.begin(), GetParam().id.end(), id.end() - length);
    IncrementTagId(id, length);
    const Bytes next(id.end() - length, id.end());
    EXPECT_EQ(next, GetParam().next);
    EXPECT_EQ(FastWriteIdText(ByteView(id).last(length)), HexString(GetParam().next) + " ");
}

INSTANTIATE_TEST_SUITE_P(
    Table, FastWriteId,
    ::testing::Values(IdRow{"Zero", B({0x00, 0x00}), B({0x00, 0x01})},
                      IdRow{"Carry", B({0x12, 0xFF}), B({0x13, 0x00})},
                      IdRow{"Grows", B({0xFF, 0xFF}), B({0x00, 0x01, 0x00, 0x00})},
                      IdRow{"FourCarry", B({0x00, 0xFF, 0xFF, 0xFF}), B({0x01, 0x00, 0x00, 0x00})},
                      IdRow{"TenGrowsToTwelve", Bytes(10, 0xFF),
                            B({0x00, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
                      IdRow{"TwelveWrapsToZero", Bytes(12, 0xFF), Bytes(12, 0x00)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TagLine, FormatsTwelveBytesAndTheAntenna) {
    const std::uint8_t id[12] = {0xE2, 0x00, 0x30, 0x12, 0x34, 0x56,
                                 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11};
    EXPECT_EQ(TagLineText(id, 1), "E2 00 30 12 34 56 78 9A BC DE F0 11(Antenna1) \r\n");
    EXPECT_EQ(TagLineText(id, 200), "E2 00 30 12 34 56 78 9A BC DE F0 11(Antenna200) \r\n");
}

TEST(ReceiveBuffer, NeverStoresPastItsEnd) {
    CReaderState s;
    const Bytes burst(2500, 0x33);
    EXPECT_EQ(s.AppendRx(burst.data(), 1790), 1790u);
    EXPECT_EQ(s.AppendRx(burst.data(), burst.size()), 10u);
    EXPECT_EQ(s.m_rxCount, CReaderState::kRxBufSize);
    EXPECT_EQ(s.AppendRx(burst.data(), 1), 0u);
    s.ClearRx();
    EXPECT_EQ(s.m_rxCount, 0u);
    EXPECT_TRUE(std::all_of(s.m_rxBuf.begin(), s.m_rxBuf.end(), [](auto b) { return b == 0; }));
}

} // namespace
