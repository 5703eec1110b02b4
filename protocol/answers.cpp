#include "protocol/answers.h"

#include "protocol/commands.h"

namespace {

// True when rx holds at least n + 1 bytes and byte n is the checksum of bytes 0 .. n-1.
bool ChecksumAt(ByteView rx, std::size_t n) {
    return rx.size() > n && ChecksumMatches(rx.data(), n);
}

bool StartsWith(ByteView rx, std::initializer_list<std::uint8_t> head) {
    if (rx.size() < head.size())
        return false;
    std::size_t i = 0;
    for (std::uint8_t b : head)
        if (rx[i++] != b)
            return false;
    return true;
}

std::uint8_t High(std::uint16_t address) {
    return static_cast<std::uint8_t>(address >> 8);
}
std::uint8_t Low(std::uint16_t address) {
    return static_cast<std::uint8_t>(address & 0xFF);
}

} // namespace

bool IsHandshakeAnswer(ByteView rx) {
    return ChecksumAt(rx, 5) && rx[0] == kDataHeader && rx[1] == 0x04 && rx[3] == 0x88 &&
           rx[4] == 0x88;
}

bool IsStatusAck(ByteView rx, std::uint8_t command, std::uint8_t status) {
    return StatusOf(rx, command) == status;
}

std::optional<std::uint8_t> StatusOf(ByteView rx, std::uint8_t command) {
    if (IsStatusFrame(rx) && rx[2] == command)
        return rx[3];
    return std::nullopt;
}

bool IsStatusFrame(ByteView rx) {
    return ChecksumAt(rx, 4) && rx[0] == kStatusHeader && rx[1] == 0x03;
}

bool IsVersionAnswer(ByteView rx) {
    return ChecksumAt(rx, 5) && StartsWith(rx, {kDataHeader, 0x04, kCmdVersion});
}

bool IsIdentifyAnswer(ByteView rx) {
    return ChecksumAt(rx, 16) && StartsWith(rx, {kDataHeader, 0x0F, kCmdIdentify});
}

std::optional<std::uint8_t> ParamReadValue(ByteView rx, std::uint16_t address) {
    if (ChecksumAt(rx, 6) &&
        StartsWith(rx, {kDataHeader, 0x05, kCmdParamRead, High(address), Low(address)}))
        return rx[5];
    return std::nullopt;
}

std::optional<ByteView> ParamBlockValues(ByteView rx, std::uint16_t address, std::uint8_t count) {
    const std::size_t n = count;
    if (ChecksumAt(rx, n + 6) &&
        StartsWith(rx, {kDataHeader, static_cast<std::uint8_t>(n + 5), kCmdParamReadBlock, count,
                        High(address), Low(address)}))
        return rx.subspan(6, n);
    return std::nullopt;
}

std::optional<ReadTagAnswer> CompleteReadTagAnswer(ByteView rx) {
    if (rx.size() < 7 || rx[0] != kDataHeader)
        return std::nullopt;
    const std::size_t n = rx[6];
    if (rx.size() < 2 * n + 8)
        return std::nullopt;
    return ReadTagAnswer{rx[6], ChecksumMatches(rx.data(), 2 * n + 7), rx.subspan(7, 2 * n)};
}

bool IsWriteTagSuccess(ByteView rx) {
    return ChecksumAt(rx, 15) && StartsWith(rx, {kDataHeader, 0x0E, kCmdWriteTag, 0x02}) &&
           rx[14] == 0;
}

std::optional<std::uint8_t> FastWriteStatus(ByteView rx) {
    if (ChecksumAt(rx, 4) && StartsWith(rx, {kDataHeader, 0x03, kCmdFastWriteId}))
        return rx[3];
    return std::nullopt;
}

bool IsGoodTagRecord(const std::uint8_t* record) {
    return record[16] != 0 && ChecksumMatches(record, 15);
}
