// Starting each operation while every other one is pending: which marks stay, which counters the
// start resets, and the request it opens with.
#include "fakehost.h"
#include "protocol/hexbytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using S = CReaderState;

// multi step, work-mode Set and Get steps, parameters Set and Get steps, attempts, bytes of the
// stream, bytes in the buffer.
std::vector<std::uint32_t> Counters(const S& s) {
    const auto u = [](int v) { return static_cast<std::uint32_t>(v); };
    return {u(s.m_multiStep),    u(s.m_setModeStep), u(s.m_getModeStep), u(s.m_setParamStep),
            u(s.m_getParamStep), u(s.m_retryCount),  s.m_multiRxTotal,   s.m_rxCount};
}

// The pending marks in dispatcher order, grouped as connect | identify, multi | read, write,
// init, lock, destroy | work-mode Set, Get | parameters Set, Get | login, login password change,
// authorize-code change, authorize, fast write | single-tag mode acknowledgement, then the
// recorded master-slave, timer, trigger, RS-232, RS-485, Wiegand.
std::string Marks(const S& s) {
    std::string text;
    for (std::size_t i = 0; i < std::size(kPendingMarks); ++i) {
        if (i == 2 || i == 4 || i == 9 || i == 11 || i == 13 || i == 18)
            text += ' ';
        text += static_cast<char>('0' + s.*kPendingMarks[i]);
    }
    text += ' ';
    for (int S::*mark : kRecordedModes)
        text += static_cast<char>('0' + s.*mark);
    return text;
}

struct Row {
    const char* name; // as in kOperationStarts
    std::uint8_t variant;
    const char* marks;
    std::vector<std::uint32_t> counters;
    const char* request;
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

class OperationStartTest : public testing::TestWithParam<Row> {};

TEST_P(OperationStartTest, DropsWhatItReplacesAndOpensWithItsRequest) {
    const Row& row = GetParam();
    S s;
    for (int S::*mark : kPendingMarks)
        s.*mark = 1;
    for (int S::*mark : kRecordedModes)
        s.*mark = 1;
    s.m_multiStep = s.m_setModeStep = s.m_getModeStep = s.m_setParamStep = s.m_getParamStep = 7;
    s.m_retryCount = 5;
    const std::uint8_t received[] = {0xE0, 0x04, 0x82};
    s.AppendRx(received, 3);
    s.m_multiRxTotal = 99;
    s.m_tagIdLen = 4;
    s.m_tagId = {0, 0, 0, 0, 0, 0, 0, 0, 0x12, 0x34, 0x56, 0x78};

    const auto start =
        std::find_if(std::begin(kOperationStarts), std::end(kOperationStarts),
                     [&](const OperationStart& o) { return o.name == std::string(row.name); });
    ASSERT_NE(start, std::end(kOperationStarts));
    const Bytes request = start->begin(s, row.variant);

    EXPECT_EQ(Marks(s), row.marks);
    EXPECT_EQ(Counters(s), row.counters);
    EXPECT_EQ(request, HexToBytes(row.request, 64));
}

// Counters before every start: steps 7, 5 attempts, 99 stream bytes, 3 bytes in the buffer.
const Row kRows[] = {
    // clang-format off
    {"Connect",             0, "11 11 11111 11 11 11111 1 111111", {7, 7, 7, 7, 7, 5, 99, 3}, "A0 02 FE 60"},
    {"IdentifySingle",      0, "11 10 11111 11 11 11111 0 111111", {7, 7, 7, 7, 7, 5, 99, 3}, "A0 03 82 04 D7"},
    {"SingleTagMode",       0, "11 01 11111 11 11 11111 1 111111", {7, 7, 7, 7, 7, 5, 99, 3}, "A0 05 60 00 87 00 74"},
    {"MultipleTagsMode",    0, "11 01 11111 11 11 11111 1 111111", {7, 7, 7, 7, 7, 5, 99, 3}, "A0 05 60 00 87 01 73"},
    {"MultiIdentify",       0, "11 11 11111 11 11 11111 1 111111", {1, 7, 7, 7, 7, 5, 99, 3}, "A0 05 63 02 00 70 86"},
    {"MultiStream",         0, "11 01 11111 11 11 11111 1 111111", {7, 7, 7, 7, 7, 5, 0, 3},  "A0 02 65 F9"},
    {"ReadTag",             0, "00 00 10000 11 11 11111 1 111111", {7, 7, 7, 7, 7, 0, 0, 3},  "A0 06 80 04 01 02 04 CF"},
    {"WriteTag",            0, "00 00 01000 11 11 11111 1 111111", {7, 7, 7, 7, 7, 0, 0, 3},  "A0 09 81 04 00 01 02 01 AB CD 56"},
    {"InitTag",             0, "00 00 00100 11 11 11111 1 111111", {7, 7, 7, 7, 7, 0, 0, 3},  "A0 03 99 04 C0"},
    {"LockTag",             0, "00 00 00010 11 11 11111 1 111111", {7, 7, 7, 7, 7, 0, 0, 3},  "A0 04 87 04 01 D0"},
    {"DestroyTag",          0, "00 00 00001 11 11 11111 1 111111", {7, 7, 7, 7, 7, 0, 0, 3},  "A0 08 86 04 00 00 00 00 00 CE"},
    // timer and Wiegand chosen; the buffer is emptied
    {"SetWorkMode",        10, "00 00 00000 10 00 11111 1 010001", {7, 1, 7, 7, 7, 5, 99, 0}, "A0 05 60 00 70 02 89"},
    // nothing chosen: the recorded choice stays and the write says master-slave
    {"SetWorkMode",         0, "00 00 00000 10 00 11111 1 111111", {7, 1, 7, 7, 7, 5, 99, 0}, "A0 05 60 00 70 01 8A"},
    {"GetWorkMode",         0, "00 00 00000 01 11 11111 1 111111", {7, 7, 1, 7, 7, 5, 99, 3}, "A0 05 63 02 00 70 86"},
    {"SetParameters",       0, "00 00 00000 00 10 11111 1 111111", {7, 7, 7, 1, 7, 5, 99, 3}, "A0 05 60 00 65 14 82"},
    {"GetParameters",       0, "00 00 00000 00 01 11111 1 111111", {7, 7, 7, 7, 1, 5, 99, 3}, "A0 04 61 00 65 96"},
    {"Login",               0, "00 00 00000 00 00 10000 0 000000", {7, 7, 7, 7, 7, 5, 99, 3}, "A0 05 63 04 00 C0 34"},
    {"ModifyLoginPassword", 0, "00 00 00000 00 00 01000 0 000000", {7, 7, 7, 7, 7, 5, 99, 3}, "A0 05 63 04 00 C0 34"},
    {"ModifyAuthorizeCode", 0, "00 00 00000 00 00 00100 0 000000", {7, 7, 7, 7, 7, 5, 99, 3}, "A0 05 63 02 00 BA 3C"},
    {"Authorize",           0, "00 00 00000 00 00 00010 0 000000", {7, 7, 7, 7, 7, 5, 99, 3}, "A0 02 9A C4"},
    {"FastWriteId",         0, "00 00 00000 00 00 00001 0 000000", {7, 7, 7, 7, 7, 5, 99, 3}, "A0 07 9C 02 12 34 56 78 A7"},
    // clang-format on
};

INSTANTIATE_TEST_SUITE_P(Starts, OperationStartTest, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) {
                             return std::string(info.param.name) +
                                    (info.param.variant ? std::to_string(info.param.variant) : "");
                         });

} // namespace
