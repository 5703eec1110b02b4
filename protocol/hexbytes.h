// Hex text in both directions: the one parser of operator-typed hex, and the texts the pages show
// for tag IDs and tag data. Also the fast-write ID's increment.
#pragma once

#include "protocol/frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// 0..15 for 0-9, A-F and a-f; 0xFF for any other character.
std::uint8_t HexDigitValue(char c);

// Parses operator text into at most capacity bytes. Blanks (spaces) are removed first; the text
// is refused when fewer than 2 or an odd number of characters remain, when more than 2 x capacity
// remain, or when any remaining character is not a hex digit. Each pair gives one byte, first
// character high nibble. Writes only out[0 .. capacity-1]: it zeroes them, then fills the first
// count; returns the count, or nothing on refusal.
std::optional<std::size_t> HexToBytes(std::string_view text, std::uint8_t* out,
                                      std::size_t capacity);
// The same, returning the parsed bytes.
std::optional<Bytes> HexToBytes(std::string_view text, std::size_t capacity);

// Tag data as the read page shows it: "%02x" per byte, single blanks between, none after.
std::string ReadDataText(ByteView data);

// One identified tag: twelve "%02X" ID bytes separated by blanks, then "(Antenna%d) \r\n".
std::string TagLineText(const std::uint8_t* id12, std::uint8_t antenna);

// The fast-write ID box: "%02X " per byte, a blank after the last one too.
std::string FastWriteIdText(ByteView id);

// Advances the fast-write ID by one. id is a 12-byte big-endian number whose last length bytes
// are the ID. A carry out of the ID's bytes moves into the byte to their left; when that leaves
// the ID all zero, the ID grows by two bytes (up to 12), so FF FF becomes 00 01 00 00.
void IncrementTagId(std::array<std::uint8_t, 12>& id, std::uint8_t& length);
