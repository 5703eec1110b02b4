// Pure recognisers of the answers the program waits for. Each takes the bytes received so far
// (the receive buffer up to its count) and compares fixed bytes at fixed indexes from index 0:
// header, length, command, status, the address echo of parameter reads, and the checksum over the
// first N bytes against byte N. An answer is recognised only once all its bytes are in; bytes
// before it (noise, a late answer) keep it from being recognised.
#pragma once

#include "protocol/frame.h"

#include <cstdint>
#include <optional>

// Size of one record of the multi-tag stream.
inline constexpr std::size_t kTagRecordSize = 17;

// E0 04 x 88 88 cs: the answer to the stop request during Connect (x not examined).
bool IsHandshakeAnswer(ByteView rx);
// E4 03 command status cs with a valid checksum, for the given status.
bool IsStatusAck(ByteView rx, std::uint8_t command, std::uint8_t status = 0);
// The status byte of E4 03 command st cs with a valid checksum, whatever the status.
std::optional<std::uint8_t> StatusOf(ByteView rx, std::uint8_t command);
// Any complete five-byte status frame E4 03 x st cs with a valid checksum.
bool IsStatusFrame(ByteView rx);
// E0 04 6A major minor cs.
bool IsVersionAnswer(ByteView rx);
// E0 0F 82 antenna id[12] cs: one identified tag (antenna at 3, ID at 4..15).
bool IsIdentifyAnswer(ByteView rx);
// E0 05 61 ah al v cs for this address: the value read.
std::optional<std::uint8_t> ParamReadValue(ByteView rx, std::uint16_t address);
// E0 (n+5) 63 n ah al d[n] cs for this address and count: the n bytes read.
std::optional<ByteView> ParamBlockValues(ByteView rx, std::uint16_t address, std::uint8_t count);

// The tag read answer E0 len 80 .. n d[2n] cs, with n (words) at index 6 and the data from index
// 7. Complete once 2n + 8 bytes are in; its checksum covers the first 2n + 7.
struct ReadTagAnswer {
    std::uint8_t words;
    bool intact;
    ByteView data;
};
std::optional<ReadTagAnswer> CompleteReadTagAnswer(ByteView rx);

// The sixteen-byte write answer E0 0E 81 02 .. st cs with status 0 at index 14.
bool IsWriteTagSuccess(ByteView rx);
// E0 03 9C st cs: the status of a fast tag-ID write.
std::optional<std::uint8_t> FastWriteStatus(ByteView rx);
// A 17-byte stream record is shown when its byte 16 is not zero and byte 15 is the checksum of
// bytes 0..14. The two header bytes are not examined.
bool IsGoodTagRecord(const std::uint8_t* record);
