// Cuts the byte stream coming from the host into request frames.
#pragma once

#include "protocol/frame.h"

#include <cstdint>
#include <vector>

class CRequestParser {
public:
    struct Result {
        std::vector<Bytes> frames; // intact request frames, in arrival order
        Bytes dropped;             // bytes thrown away: noise, bad checksums, stale fragments
    };

    // A partial frame that has seen no new byte for idleMicros is given up on: its first byte is
    // dropped and the rest is searched again, as the reader's receiver does after a pause.
    explicit CRequestParser(std::uint64_t idleMicros = 20000) : m_idleMicros(idleMicros) {}

    // Takes bytes that arrived at nowMicros.
    Result Push(ByteView bytes, std::uint64_t nowMicros);
    // Applies the pause rule at nowMicros without new bytes.
    Result Poll(std::uint64_t nowMicros);
    // When Poll would next give up on the waiting fragment, if one is waiting.
    bool HasFragment() const { return !m_buffer.empty(); }
    std::uint64_t FragmentDeadline() const { return m_lastByteMicros + m_idleMicros; }
    void Reset() { m_buffer.clear(); }

private:
    void Scan(bool stale, Result& result);

    std::uint64_t m_idleMicros;
    std::uint64_t m_lastByteMicros = 0;
    Bytes m_buffer;
};
