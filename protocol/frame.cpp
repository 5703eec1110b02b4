#include "protocol/frame.h"

std::uint8_t FrameChecksum(const std::uint8_t* bytes, std::size_t count) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

bool IsIntact(ByteView frame) {
    unsigned sum = 0;
    for (std::uint8_t b : frame)
        sum += b;
    return !frame.empty() && (sum & 0xFF) == 0;
}

std::size_t AnnouncedAnswerSize(ByteView rx) {
    if (rx.size() < 2 || (rx[0] != kDataHeader && rx[0] != kStatusHeader) || rx[1] < 2)
        return 0;
    return std::size_t{rx[1]} + 2;
}

std::size_t CompleteAnswerSize(ByteView rx) {
    const std::size_t size = AnnouncedAnswerSize(rx);
    return size != 0 && rx.size() >= size && IsIntact(rx.first(size)) ? size : 0;
}

Bytes BuildFrame(std::uint8_t header, std::uint8_t command, ByteView data) {
    Bytes frame;
    frame.reserve(data.size() + 4);
    frame.push_back(header);
    frame.push_back(static_cast<std::uint8_t>(data.size() + 2));
    frame.push_back(command);
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(FrameChecksum(frame.data(), frame.size()));
    return frame;
}

Bytes BuildRequest(std::uint8_t command, ByteView data) {
    return BuildFrame(kRequestHeader, command, data);
}

std::string HexString(ByteView bytes, HexCase hexCase, const std::string& separator) {
    static constexpr char kUpper[] = "0123456789ABCDEF";
    static constexpr char kLower[] = "0123456789abcdef";
    const char* digits = hexCase == HexCase::Upper ? kUpper : kLower;
    std::string text;
    text.reserve(bytes.size() * (2 + separator.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += separator;
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}
