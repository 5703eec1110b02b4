// Frame helpers for the simulator tests, written here from the frame layout so that neither the
// simulator's nor the program's frame code is used to check itself.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using TestBytes = std::vector<std::uint8_t>;

inline std::uint8_t TestChecksum(const TestBytes& bytes, std::size_t count) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return static_cast<std::uint8_t>((256 - sum % 256) % 256);
}

// header (payload + 2) command payload... checksum: answers, and requests with header A0.
inline TestBytes Answer(std::uint8_t header, std::uint8_t command, const TestBytes& payload) {
    TestBytes frame{header, static_cast<std::uint8_t>(payload.size() + 2), command};
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(TestChecksum(frame, frame.size()));
    return frame;
}

inline TestBytes Request(std::uint8_t command, std::initializer_list<std::uint8_t> data = {}) {
    return Answer(0xA0, command, data);
}
inline TestBytes Status(std::uint8_t command, std::uint8_t status) {
    return Answer(0xE4, command, {status});
}

inline TestBytes Concat(std::initializer_list<TestBytes> parts) {
    TestBytes all;
    for (const TestBytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline std::string Hex(const TestBytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

// The ID of default tag i for i < 15: E2 00 30 12 34 56 78 9A BC DE F0 (11 * (i + 1)).
inline TestBytes DefaultTagId(int index) {
    return {0xE2, 0x00, 0x30, 0x12, 0x34, 0x56,
            0x78, 0x9A, 0xBC, 0xDE, 0xF0, static_cast<std::uint8_t>(0x11 * (index + 1))};
}
