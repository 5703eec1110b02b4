#include "protocol/hexbytes.h"

#include <algorithm>
#include <cstdio>

std::uint8_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint8_t>(c - 'a' + 10);
    return 0xFF;
}

std::optional<std::size_t> HexToBytes(std::string_view text, std::uint8_t* out,
                                      std::size_t capacity) {
    // Length and validity are settled before anything is written, so no text of any length
    // reaches past out[capacity - 1].
    std::size_t digits = 0;
    for (char c : text) {
        if (c == ' ')
            continue;
        if (HexDigitValue(c) == 0xFF)
            return std::nullopt;
        ++digits;
    }
    if (digits < 2 || digits % 2 != 0 || digits / 2 > capacity)
        return std::nullopt;
    std::fill_n(out, capacity, std::uint8_t{0});
    std::size_t at = 0;
    bool high = true;
    for (char c : text) {
        if (c == ' ')
            continue;
        const std::uint8_t v = HexDigitValue(c);
        if (high)
            out[at] = static_cast<std::uint8_t>(v << 4);
        else
            out[at++] |= v;
        high = !high;
    }
    return digits / 2;
}

std::optional<Bytes> HexToBytes(std::string_view text, std::size_t capacity) {
    Bytes bytes(capacity);
    const auto count = HexToBytes(text, bytes.data(), capacity);
    if (!count)
        return std::nullopt;
    bytes.resize(*count);
    return bytes;
}

std::string ReadDataText(ByteView data) {
    return HexString(data, HexCase::Lower, " ");
}

std::string TagLineText(const std::uint8_t* id12, std::uint8_t antenna) {
    char tail[32];
    std::snprintf(tail, sizeof tail, "(Antenna%u) \r\n", unsigned{antenna});
    return HexString(ByteView(id12, 12), HexCase::Upper, " ") + tail;
}

std::string FastWriteIdText(ByteView id) {
    std::string text;
    for (std::uint8_t b : id)
        text += HexString(ByteView(&b, 1)) + ' ';
    return text;
}

void IncrementTagId(std::array<std::uint8_t, 12>& id, std::uint8_t& length) {
    const std::size_t len = std::clamp<std::size_t>(length, 1, id.size());
    const std::size_t first = id.size() - len;
    // The carry may reach one byte left of the window, never past index 0.
    const std::size_t lowest = first == 0 ? 0 : first - 1;
    std::size_t i = id.size() - 1;
    while (++id[i] == 0 && i > lowest)
        --i;
    const bool overflowed = std::all_of(id.begin() + static_cast<std::ptrdiff_t>(first), id.end(),
                                        [](std::uint8_t b) { return b == 0; });
    length = static_cast<std::uint8_t>(len);
    if (overflowed && len <= 10)
        length = static_cast<std::uint8_t>(len + 2);
}
