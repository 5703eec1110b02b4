// Byte helpers: checksum, typed hex, the fast-write ID and the receive buffer.
#include "protocol/commands.h"
#include "protocol/hexbytes.h"
#include "protocol/readerstate.h"

#include <gtest/gtest.h>

namespace {

TEST(Checksum, IsTheTwosComplementOfTheByteSum) {
    // clang-format off
    const struct { Bytes covered; std::uint8_t checksum; } rows[] = {
        {{0xE4, 0x03, 0x60, 0x00}, 0xB9}, {{0xE4, 0x03, 0x50, 0x00}, 0xC9}, {{}, 0x00},
        {{0x80, 0x80}, 0x00}, {Bytes(300, 0x01), 0xD4}, // a multiple of 256; past an 8-bit count
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.covered.size());
        EXPECT_EQ(FrameChecksum(row.covered), row.checksum);
        Bytes frame = row.covered;
        frame.push_back(row.checksum);
        EXPECT_TRUE(IsIntact(frame));
        frame.back() ^= 1;
        EXPECT_FALSE(IsIntact(frame));
    }
}

TEST(HexText, ParsesOrRefuses) {
    // clang-format off
    const struct { std::string text; std::size_t capacity; std::optional<Bytes> bytes; } rows[] = {
        {" 12 34 ", 2, Bytes{0x12, 0x34}}, {"aBcD", 2, Bytes{0xAB, 0xCD}}, {"0f", 2, Bytes{0x0F}},
        {"00112233445566778899AABB", 12, Bytes{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB}},
        {"123", 2, {}}, {"   ", 2, {}}, {"123456", 2, {}}, {"12G4", 2, {}}, {"12\t34", 2, {}},
        {"12\xC3\xA9", 2, {}}, {"\xEF\xBC\x91\xEF\xBC\x92", 4, {}}, // full-width digits
        {std::string(100000, 'A'), 12, {}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 30));
        EXPECT_EQ(HexToBytes(row.text, row.capacity), row.bytes);
    }
}

TEST(HexText, RawBufferIsZeroedUpToCapacity) {
    std::uint8_t out[6] = {0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A};
    EXPECT_EQ(HexToBytes("AABB", out, 4), 2u);
    EXPECT_EQ(Bytes(out, out + 6), (Bytes{0xAA, 0xBB, 0x00, 0x00, 0x5A, 0x5A}));
}

TEST(FastWriteId, CountsUpWithCarryAndGrowth) {
    // clang-format off
    const struct { Bytes id, next; } rows[] = {
        {{0x12, 0xFF}, {0x13, 0x00}}, {{0xFF, 0xFF}, {0x00, 0x01, 0x00, 0x00}},
        {Bytes(10, 0xFF), Bytes{0x00, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {Bytes(12, 0xFF), Bytes(12, 0x00)},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(HexString(row.id));
        std::array<std::uint8_t, 12> id{};
        auto length = static_cast<std::uint8_t>(row.id.size());
        std::copy(row.id.begin(), row.id.end(), id.end() - length);
        IncrementTagId(id, length);
        EXPECT_EQ(FastWriteIdText(ByteView(id).last(length)), HexString(row.next) + " ");
        EXPECT_EQ(length, row.next.size());
    }
}

TEST(ReceiveBuffer, NeverStoresPastItsEnd) {
    CReaderState s;
    const Bytes burst(2500, 0x33);
    EXPECT_EQ(s.AppendRx(burst.data(), 1790), 1790u);
    EXPECT_EQ(s.AppendRx(burst.data(), burst.size()), 10u);
    EXPECT_EQ(s.m_rxCount, CReaderState::kRxBufSize);
    s.ClearRx();
    EXPECT_TRUE(s.m_rxCount == 0 &&
                std::all_of(s.m_rxBuf.begin(), s.m_rxBuf.end(), [](auto b) { return b == 0; }));
}

} // namespace
