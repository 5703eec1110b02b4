#include "protocol/answers.h"

#include "protocol/commands.h"

bool IsHandshakeAnswer(const RxBuf& b) {
    return b[0] == kDataHeader && b[1] == 0x04 && b[3] == 0x88 && b[4] == 0x88 &&
           ChecksumMatches(b.data(), 5);
}

bool IsStatusAck(const RxBuf& b, std::uint8_t command, std::uint8_t status) {
    return b[0] == kStatusHeader && b[1] == 0x03 && b[2] == command && b[3] == status &&
           ChecksumMatches(b.data(), 4);
}

bool IsVersionAnswer(const RxBuf& b) {
    return b[0] == kDataHeader && b[1] == 0x04 && b[2] == kCmdVersion && ChecksumMatches(b.data(), 5);
}
