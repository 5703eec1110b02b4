// Fuzzes the answer dispatcher: a fresh reader state with the pending operations the input
// chooses, then receive events cut from the rest of the input, with what the state and the
// dispatcher promise checked after every event.
//
// Input layout (bytes past the end read as 0):
//   0..3   arm mask, little endian: bit n sets kFlags[n] to 1 in the fresh state
//   4      bits 0-1 multi-identify step (0..3), bit 2 record stream running, bits 3-4 recorded
//          work mode (master-slave, timer, trigger, none), bits 5-6 recorded output (RS-232,
//          RS-485, Wiegand, none), bit 7 connected
//   5      bits 0-3 first step of the work-mode Set and Get, bits 4-7 that of the parameters Set
//          and Get (out-of-range steps included on purpose)
//   6      bits 0-1 when a page refuses to send a resend or a chain's next request (never,
//          always, every other call, every third call), bit 2 a message box handles the next
//          receive event while it is open, bits 3-6 attempts already made (0..9), bit 7 logged in
//   7      fast-write ID length (2..12, even)
//   8..35  login password, old and new login password, old and new authorization password,
//          fast-write ID (4 + 4 + 4 + 2 + 2 + 12 bytes)
//   36..   items, each introduced by one byte h:
//          h <= 0xEF   a receive event of the next h bytes
//          0xF0..0xFB  the operator starts operation (next byte) the way its page does, with
//                      h - 0xF0 choosing its inputs (kOperationStarts in tests/protocol/fakehost.h)
//          0xFC        every pending operation is dropped
//          0xFD        a receive event of the next n bytes, n in the next two bytes (big endian)
//          0xFE, 0xFF  a receive event of all the remaining bytes

#include "fakehost.h"
#include "protocol/answers.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "fuzz_dispatch: %s does not hold (line %d)\n", #cond, __LINE__);  \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (0)

namespace {

using S = CReaderState;

constexpr auto& kFlags = kPendingMarks;
constexpr std::size_t kFlagCount = std::size(kFlags);
// The dispatcher's branches, in the order of kFlags; the last flag, the single-tag mode
// acknowledgement, belongs to the Identify branch.
constexpr int kHandshake = 0, kVersion = 1, kIdentify = 2, kMulti = 3, kReadTag = 4,
              kDestroyTag = 8;
constexpr int kSetMode = 9, kGetMode = 10, kSetParams = 11, kGetParams = 12, kNone = -1;
constexpr std::size_t kSingleModeAckIndex = kFlagCount - 1;

// The chains' steps: the branch that moves each and the last step of its table (the trigger
// mode's 8 requests; 7 and 5 reads, then one past).
constexpr struct {
    int S::*step;
    int branch;
    int last;
} kChains[] = {{&S::m_multiStep, kMulti, 3},
               {&S::m_setModeStep, kSetMode, 8},
               {&S::m_getModeStep, kGetMode, 8},
               {&S::m_setParamStep, kSetParams, 5},
               {&S::m_getParamStep, kGetParams, 6}};

int FirstPending(const S& s) {
    for (std::size_t i = 0; i < kSingleModeAckIndex; ++i)
        if (s.*kFlags[i] == 1)
            return static_cast<int>(i);
    return kNone;
}

// True when the flag at index belongs to the branch: its own flag, the version wait that the
// handshake hands over to, the single-tag mode acknowledgement and the multi-tag wait that
// Identify consumes, and the flags a resend drops, as the page's start of a new attempt does.
bool Owns(int branch, std::size_t index) {
    const bool tagOperation = branch >= kReadTag && branch <= kDestroyTag;
    return branch != kNone &&
           (index == static_cast<std::size_t>(branch) ||
            (branch == kHandshake && index == kVersion) ||
            (branch == kIdentify && (index == kSingleModeAckIndex || index == kMulti)) ||
            (tagOperation && index <= kDestroyTag));
}

// ---- the input ----

constexpr std::size_t kHeaderSize = 36;

struct Item {
    enum Kind { End, Receive, Start, Drop } kind = End;
    ByteView bytes;
    std::uint8_t operation = 0, variant = 0;
};

class CItemReader {
public:
    explicit CItemReader(ByteView rest) : m_rest(rest) {}

    Item Next() {
        if (m_rest.empty())
            return {};
        const std::uint8_t h = Take(1)[0];
        if (h <= 0xEF)
            return {Item::Receive, Take(h)};
        if (h <= 0xFB) {
            const ByteView which = Take(1);
            return {Item::Start,
                    {},
                    which.empty() ? std::uint8_t{0} : which[0],
                    static_cast<std::uint8_t>(h - 0xF0)};
        }
        if (h == 0xFC)
            return {Item::Drop, {}};
        if (h == 0xFD) {
            const ByteView n = Take(2);
            return {Item::Receive, Take(n.size() == 2 ? std::size_t{n[0]} << 8 | n[1] : 0)};
        }
        return {Item::Receive, Take(m_rest.size())};
    }

    // The next item when it is a receive event; anything else stays for the main loop.
    std::optional<ByteView> NextReceive() {
        CItemReader probe = *this;
        const Item item = probe.Next();
        if (item.kind != Item::Receive)
            return std::nullopt;
        *this = probe;
        return item.bytes;
    }

private:
    ByteView Take(std::size_t n) {
        const ByteView taken = m_rest.first(std::min(n, m_rest.size()));
        m_rest = m_rest.subspan(taken.size());
        return taken;
    }

    ByteView m_rest;
};

// ---- what holds at any time, and after every receive event ----

// Holds whenever the window gets control back, a message box included.
void CheckSettled(const S& s) {
    CHECK(s.m_rxCount <= S::kRxBufSize);
    CHECK(std::all_of(s.m_rxBuf.begin() + s.m_rxCount, s.m_rxBuf.end(),
                      [](std::uint8_t b) { return b == 0; }));
    CHECK(s.m_retryCount >= 0 && s.m_retryCount < kMaxAttempts);
    for (int S::*flag : kFlags)
        CHECK(s.*flag == 0 || s.*flag == 1);
    CHECK(s.m_multiStreaming == 0 || s.m_multiStreaming == 1);
    CHECK(s.m_multiShown < kMaxStreamRecords);
    CHECK(s.m_tagIdLen >= 2 && s.m_tagIdLen <= 12 && s.m_tagIdLen % 2 == 0);
}

// Also: the buffer is emptied at the end of an event that leaves more than 1700 bytes in it, a
// running stream is walked record by record (only a partial record may stay), and a chain's step
// only moves forward and never past the end of its table.
void CheckAfterEvent(const S& s, const S& before) {
    CheckSettled(s);
    CHECK(s.m_rxCount <= S::kRxClearAbove);
    if (IsStreaming(s))
        CHECK(s.m_rxCount < kTagRecordSize);
    for (const auto& chain : kChains)
        if (s.*chain.step != before.*chain.step)
            CHECK(s.*chain.step > before.*chain.step && s.*chain.step <= chain.last);
}

// ---- the window: the shared fake host, whose records are checked and dropped after every step

class CFuzzWindow {
public:
    CFuzzWindow(S& s, CItemReader& items, std::uint8_t options)
        : m_s(s), m_items(items), m_refusal(options & 3), m_reentrant((options & 4) != 0) {
        Drain();
    }

    CFakeHost& host() { return *m_host; }
    int nested = 0; // receive events handled while a message box was open

    struct Shown {
        int stops = 0, streamStops = 0, tagLines = 0;
    };
    // Checks what the host recorded since the last call, counts it and forgets it.
    Shown Drain() {
        Shown shown;
        if (m_host) {
            for (const Bytes& frame : m_host->sent) {
                CHECK(frame.size() >= 4 && frame[0] == kRequestHeader &&
                      frame[1] + 2u == frame.size() && IsIntact(frame));
                shown.stops += frame == BuildStop();
            }
            // FUZZ_DISPATCH_TRACE=1 prints what the window would show, to follow an input.
            static const bool trace = std::getenv("FUZZ_DISPATCH_TRACE") != nullptr;
            for (const auto* texts : {&m_host->lines, &m_host->messages, &m_host->tagLines})
                for (const std::string& text : *texts)
                    if (trace)
                        std::fprintf(stderr, "%s\n", text.c_str());
            for (const std::string& text : m_host->messages)
                CHECK(!text.empty());
            for (const std::string& line : m_host->tagLines)
                CHECK(line.size() >= 36 && line.ends_with(") \r\n"));
            // "%02X " per byte of the ID.
            if (!m_host->fastWriteIds.empty())
                CHECK(m_host->fastWriteIds.back().size() == 3u * m_s.m_tagIdLen);
            shown.streamStops = m_host->Count("MultiStreamStopped");
            shown.tagLines = static_cast<int>(m_host->tagLines.size());
        }
        m_host.emplace(m_s);
        m_host->refuses = [this] { // never, always, every other call, every third call
            ++m_pageCalls;
            return m_refusal == 1 || (m_refusal > 1 && m_pageCalls % m_refusal == 0);
        };
        m_host->whileMessageOpen = [this] { Modal(); };
        return shown;
    }

private:
    // A modal box runs an event loop: the next receive event may be handled before it returns.
    void Modal() {
        CheckSettled(m_s);
        if (!m_reentrant || m_depth > 0)
            return;
        const auto bytes = m_items.NextReceive();
        if (!bytes)
            return;
        ++nested;
        ++m_depth;
        const S before = m_s;
        DispatchResponse(m_s, *m_host, *bytes);
        CheckAfterEvent(m_s, before);
        --m_depth;
    }

    S& m_s;
    CItemReader& m_items;
    int m_refusal;
    bool m_reentrant;
    std::optional<CFakeHost> m_host;
    int m_pageCalls = 0;
    int m_depth = 0;
};

void Prepare(S& s, const std::uint8_t* b) {
    const std::uint32_t arm = b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t{b[3]} << 24;
    for (std::size_t i = 0; i < kFlagCount; ++i)
        s.*kFlags[i] = (arm >> i) & 1;
    s.m_multiStep = b[4] & 3;
    s.m_multiStreaming = (b[4] >> 2) & 1;
    for (int i = 0; i < 6; ++i) // work mode, then output: 0..2 picks one, 3 none
        s.*kRecordedModes[i] = ((b[4] >> (i < 3 ? 3 : 5)) & 3) == i % 3;
    s.m_connected = b[4] >> 7;
    s.m_setModeStep = s.m_getModeStep = b[5] & 0x0F;
    s.m_setParamStep = s.m_getParamStep = b[5] >> 4;
    s.m_retryCount = ((b[6] >> 3) & 0x0F) % kMaxAttempts;
    s.m_loggedIn = b[6] >> 7;
    const std::uint8_t* p = b + 8;
    for (auto* field : {s.m_loginPwd.data(), s.m_oldLoginPwd.data(), s.m_newLoginPwd.data()})
        std::memcpy(field, std::exchange(p, p + 4), 4);
    std::memcpy(s.m_oldAuthPwd.data(), p, 2);
    std::memcpy(s.m_newAuthPwd.data(), p + 2, 2);
    std::memcpy(s.m_tagId.data(), p + 4, 12);
    s.m_tagIdLen = static_cast<std::uint8_t>(2 + 2 * (b[7] % 6));
}

// ---- one receive event, checked ----

// track: true while a record stream runs that nothing but the stream has touched since it
// started; then every byte received since its start is in a walked record or still in the buffer.
void RunEvent(S& s, CFuzzWindow& window, ByteView bytes, bool& track) {
    const S before = s;
    const int branch = FirstPending(before);
    const int nestedBefore = window.nested;

    DispatchResponse(s, window.host(), bytes);
    const CFuzzWindow::Shown shown = window.Drain();
    CheckAfterEvent(s, before);

    // The dispatcher never starts an operation of its own accord: a flag is only ever cleared,
    // but for the version query the handshake hands over to.
    for (std::size_t i = 0; i < kFlagCount; ++i) {
        if (i == kVersion && s.*kFlags[i] > before.*kFlags[i])
            CHECK(before.m_waitHandshake == 1 && s.m_waitHandshake == 0);
        else
            CHECK(s.*kFlags[i] <= before.*kFlags[i]);
    }

    const bool nested = window.nested != nestedBefore;
    if (!nested) {
        // One event runs one branch: the other operations, their attempts, their chains and the
        // recorded mode stay as they were, and a connection is never dropped.
        for (std::size_t i = 0; i < kFlagCount; ++i)
            if (!Owns(branch, i))
                CHECK(s.*kFlags[i] == before.*kFlags[i]);
        if (branch != kIdentify && !(branch >= kReadTag && branch <= kDestroyTag))
            CHECK(s.m_retryCount == before.m_retryCount);
        if (branch != kSetMode)
            for (int S::*mark : kRecordedModes)
                CHECK(s.*mark == before.*mark);
        for (const auto& chain : kChains)
            if (branch != chain.branch)
                CHECK(s.*chain.step == before.*chain.step);
        if (branch != kMulti)
            CHECK(s.m_multiStreaming <= before.m_multiStreaming);
        CHECK(s.m_connected || !before.m_connected);
    }

    // The stream's bookkeeping.
    const bool wasStreaming = IsStreaming(before), isStreaming = IsStreaming(s);
    if (nested || (wasStreaming && branch != kMulti) || !isStreaming)
        track = false;
    else if (!wasStreaming)
        track = true; // started by this event's acknowledgement
    if (track)
        CHECK(s.m_multiRxTotal == kTagRecordSize * s.m_multiShown + s.m_rxCount);
    if (wasStreaming && branch == kMulti && !nested) {
        const std::uint32_t walkedBefore = before.m_multiShown;
        if (isStreaming) {
            // Every byte of the event is taken, however large the event.
            CHECK(before.m_rxCount + bytes.size() ==
                  kTagRecordSize * (s.m_multiShown - walkedBefore) + s.m_rxCount);
            CHECK(s.m_multiRxTotal - before.m_multiRxTotal == bytes.size());
            CHECK(shown.tagLines <= static_cast<int>(s.m_multiShown - walkedBefore));
            CHECK(shown.streamStops == 0);
        } else {
            // The 100th record stops the stream, once.
            CHECK(shown.streamStops == 1 && shown.stops > 0);
            CHECK(s.m_rxCount == 0 && s.m_multiShown == 0 && s.m_multiRxTotal == 0);
            CHECK(shown.tagLines <= static_cast<int>(kMaxStreamRecords - walkedBefore));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint8_t header[kHeaderSize] = {};
    std::memcpy(header, data, std::min(size, kHeaderSize));
    CItemReader items(size > kHeaderSize ? ByteView(data + kHeaderSize, size - kHeaderSize)
                                         : ByteView());
    auto state = std::make_unique<S>();
    S& s = *state;
    Prepare(s, header);
    CFuzzWindow window(s, items, header[6]);
    CheckAfterEvent(s, s);

    bool track = IsStreaming(s); // a fresh state: nothing received yet
    int starts = 0;
    for (Item item = items.Next(); item.kind != Item::End; item = items.Next()) {
        if (item.kind == Item::Receive) {
            RunEvent(s, window, item.bytes, track);
            continue;
        }
        if (item.kind == Item::Drop) {
            ClearMarks(s, kAllMarks);
        } else if (starts++ < 8) {
            const OperationStart& start =
                kOperationStarts[item.operation % std::size(kOperationStarts)];
            window.host().Send(start.begin(s, item.variant));
            window.Drain();
        }
        track = false;
        const S settled = s;
        CheckAfterEvent(s, settled);
    }
    return 0;
}
