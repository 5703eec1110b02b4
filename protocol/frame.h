// Frames on the reader's serial line.
//
// A request is A0 length command data... checksum; an answer has the same layout with the header
// E0 (data) or E4 (status acknowledgement, always five bytes: E4 03 command status checksum).
// The length byte counts what follows it, so a whole frame is length + 2 bytes. The checksum is
// the two's complement of the 8-bit byte sum of everything before it, so an intact frame sums to
// zero modulo 256.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline constexpr std::uint8_t kRequestHeader = 0xA0;
inline constexpr std::uint8_t kDataHeader = 0xE0;
inline constexpr std::uint8_t kStatusHeader = 0xE4;

// Two's complement of the byte sum of bytes[0 .. count-1]. The count is a full size, not a byte:
// the answer to a long tag read covers more than 255 bytes' worth of index range.
std::uint8_t FrameChecksum(const std::uint8_t* bytes, std::size_t count);
inline std::uint8_t FrameChecksum(ByteView bytes) {
    return FrameChecksum(bytes.data(), bytes.size());
}

// True when bytes[count] holds the checksum of bytes[0 .. count-1]. The caller guarantees that
// index count lies inside the array.
inline bool ChecksumMatches(const std::uint8_t* bytes, std::size_t count) {
    return FrameChecksum(bytes, count) == bytes[count];
}

// True when the frame, checksum included, sums to zero modulo 256.
bool IsIntact(ByteView frame);

// The size an answer frame at the start of rx announces (its length byte + 2), or 0 when rx does
// not start with an answer header (E0 or E4) and a length of at least 2.
std::size_t AnnouncedAnswerSize(ByteView rx);
// The size of the whole answer frame at the start of rx: right header, all the bytes its length
// announces, and a valid checksum. 0 when rx does not start with one (yet).
std::size_t CompleteAnswerSize(ByteView rx);

// A0 (data.size() + 2) command data... checksum.
Bytes BuildRequest(std::uint8_t command, ByteView data = {});
inline Bytes BuildRequest(std::uint8_t command, std::initializer_list<std::uint8_t> data) {
    return BuildRequest(command, ByteView(data.begin(), data.size()));
}

// Any header: header (data.size() + 2) command data... checksum. Used for answers in tests and by
// tools that show frames.
Bytes BuildFrame(std::uint8_t header, std::uint8_t command, ByteView data = {});

enum class HexCase { Upper, Lower };

// Two hex digits per byte joined by separator ("12 AB"), with no separator after the last.
std::string HexString(ByteView bytes, HexCase hexCase = HexCase::Upper,
                      const std::string& separator = " ");
