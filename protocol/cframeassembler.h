// CFrameAssembler: cuts the bytes received from the line into the pieces a frame trace shows.
//
// Bytes arrive in arbitrary pieces. A byte A0, E0 or E4 followed by a length of at least 2 starts
// a frame of length + 2 bytes; a frame whose tail has not arrived yet waits for the next piece.
// Bytes that cannot start a frame come out as one noise piece per run, never dropped. While the
// reader streams multi-tag records every 17 bytes are one record instead. The stream is taken to
// start right after the multi-tag start acknowledgement E4 03 65 00 B4, and the caller says,
// for every piece, whether the program takes the bytes as records (so a trace opened in the middle
// of a stream, or a stream the program has stopped, is cut the way the program cuts it).
//
// It only watches: it keeps its own copy of the bytes and touches no receive state.
#pragma once

#include "protocol/frame.h"

#include <cstddef>
#include <vector>

struct TracePiece {
    enum class Kind {
        Frame,      // a whole frame: header, length, command, data, checksum
        Record,     // one 17-byte multi-tag record
        Noise,      // bytes that cannot start a frame
        Incomplete, // the start of a frame or record whose rest never came
    };
    Kind kind = Kind::Frame;
    // Frames and records: the checksum (and for records the non-zero closing byte) is right.
    bool intact = false;
    Bytes bytes;

    bool operator==(const TracePiece&) const = default;
};

// A frame the program sends is one piece; it is intact when it has the frame layout (a header,
// a length that matches its size) and its checksum is right.
TracePiece SentPiece(ByteView frame);

class CFrameAssembler {
public:
    // Takes one piece of received bytes; appends every piece completed by it to out. streaming
    // tells whether the program takes these bytes as multi-tag records.
    void Feed(ByteView received, bool streaming, std::vector<TracePiece>& out);
    // Gives up on what is waiting (the program has emptied its receive buffer, or the trace
    // stops): a waiting tail comes out as one incomplete piece.
    void Flush(std::vector<TracePiece>& out);
    // Forgets what is waiting and the stream state.
    void Reset();

    std::size_t Waiting() const { return m_tail.size(); }
    bool InRecords() const { return m_records; }

private:
    Bytes m_tail;
    bool m_records = false;
};
