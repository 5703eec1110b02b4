// Multi-tag stream records as the reader sends them, and byte strings joined, for tests and
// benchmarks.
#pragma once

#include "protocol/frame.h"

#include <cassert>
#include <initializer_list>

// CC 11, the 12-byte tag ID, the antenna, the checksum of those fifteen bytes, the closing 0A.
inline Bytes TagRecord(ByteView id, std::uint8_t antenna) {
    assert(id.size() == 12);
    Bytes r = {0xCC, 0x11};
    r.insert(r.end(), id.begin(), id.end());
    r.push_back(antenna);
    r.push_back(FrameChecksum(r.data(), r.size()));
    r.push_back(0x0A);
    return r;
}
// The tag ID 30 31 .. 3A n: eleven fixed bytes and a last one of the caller's.
inline Bytes NumberedTagId(std::uint8_t n) {
    return {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, n};
}
// The parts one after another.
inline Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}
