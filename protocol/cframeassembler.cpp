#include "protocol/cframeassembler.h"

#include "protocol/answers.h"
#include "protocol/commands.h"

namespace {

bool IsHeader(std::uint8_t b) {
    return b == kRequestHeader || b == kDataHeader || b == kStatusHeader;
}

// The smallest length byte of a frame: command and checksum.
constexpr std::size_t kMinLength = 2;

} // namespace

TracePiece SentPiece(ByteView frame) {
    TracePiece piece{TracePiece::Kind::Frame, false, Bytes(frame.begin(), frame.end())};
    piece.intact = frame.size() >= kMinLength + 2 && IsHeader(frame[0]) &&
                   frame[1] + 2u == frame.size() && ChecksumMatches(frame.data(), frame.size() - 1);
    return piece;
}

void CFrameAssembler::Feed(ByteView received, bool streaming, std::vector<TracePiece>& out) {
    m_records = streaming;
    m_tail.insert(m_tail.end(), received.begin(), received.end());
    const std::uint8_t* t = m_tail.data();
    const std::size_t n = m_tail.size();
    std::size_t at = 0;
    while (at < n) {
        const std::size_t left = n - at;
        if (m_records) {
            if (left < kTagRecordSize)
                break;
            out.push_back({TracePiece::Kind::Record, IsGoodTagRecord(t + at),
                           Bytes(t + at, t + at + kTagRecordSize)});
            at += kTagRecordSize;
            continue;
        }
        if (IsHeader(t[at])) {
            if (left < 2)
                break; // the length byte is still to come
            const std::size_t total = t[at + 1] + 2u;
            if (t[at + 1] >= kMinLength) {
                if (left < total)
                    break;
                TracePiece frame{TracePiece::Kind::Frame, ChecksumMatches(t + at, total - 1),
                                 Bytes(t + at, t + at + total)};
                // The acknowledgement of the multi-tag start: records follow right after it.
                if (IsStatusAck(frame.bytes, kCmdMultiStart))
                    m_records = true;
                out.push_back(std::move(frame));
                at += total;
                continue;
            }
        }
        // A run of bytes up to the next byte that may start a frame.
        std::size_t end = at + 1;
        while (end < n && !IsHeader(t[end]))
            ++end;
        out.push_back({TracePiece::Kind::Noise, false, Bytes(t + at, t + end)});
        at = end;
    }
    m_tail.erase(m_tail.begin(), m_tail.begin() + static_cast<std::ptrdiff_t>(at));
}

void CFrameAssembler::Flush(std::vector<TracePiece>& out) {
    if (!m_tail.empty())
        out.push_back({TracePiece::Kind::Incomplete, false, std::move(m_tail)});
    m_tail.clear();
}

void CFrameAssembler::Reset() {
    m_tail.clear();
    m_records = false;
}
