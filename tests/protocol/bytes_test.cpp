// Byte helpers: checksum, the fast-write ID and the receive buffer.
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

// Reading typed hex text is the fuzz target's, against its own reading of the rules.

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
