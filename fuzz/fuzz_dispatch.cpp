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
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

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
constexpr std::size_t kBranchCount = kFlagCount - 1;
enum Branch : int {
    kHandshake,
    kVersion,
    kIdentify,
    kMulti,
    kReadTag,
    kWriteTag,
    kInitTag,
    kLockTag,
    kDestroyTag,
    kSetMode,
    kGetMode,
    kSetParams,
    kGetParams,
    kNone = -1,
};
constexpr std::size_t kSingleModeAckIndex = kFlagCount - 1;

int FirstPending(const S& s) {
    for (std::size_t i = 0; i < kBranchCount; ++i)
        if (s.*kFlags[i] == 1)
            return static_cast<int>(i);
    return kNone;
}

bool RetriesTagOperation(int branch) {
    return branch == kIdentify || (branch >= kReadTag && branch <= kDestroyTag);
}

// True when the flag at index belongs to the branch: its own flag, the version wait that the
// handshake hands over to, the single-tag mode acknowledgement that Identify consumes, and the
// flags a resend drops, as the page's start of a new attempt drops them.
bool Owns(int branch, std::size_t index) {
    if (branch == kNone)
        return false;
    if (index == static_cast<std::size_t>(branch))
        return true;
    return (branch == kHandshake && index == kVersion) ||
           (branch == kIdentify && (index == kSingleModeAckIndex || index == kMulti)) ||
           (branch >= kReadTag && branch <= kDestroyTag && index <= kDestroyTag);
}

// ---- the input ----

constexpr std::size_t kHeaderSize = 36;

struct Setup {
    std::array<std::uint8_t, kHeaderSize> b{};
    std::uint32_t Arm() const {
        return static_cast<std::uint32_t>(b[0] | b[1] << 8 | b[2] << 16 | b[3] << 24);
    }
    int MultiStep() const { return b[4] & 3; }
    bool Streaming() const { return (b[4] & 4) != 0; }
    int Mode() const { return (b[4] >> 3) & 3; }
    int Output() const { return (b[4] >> 5) & 3; }
    bool Connected() const { return (b[4] & 0x80) != 0; }
    int ModeStep() const { return b[5] & 0x0F; }
    int ParamStep() const { return b[5] >> 4; }
    int RefusalPattern() const { return b[6] & 3; }
    bool ReentrantMessages() const { return (b[6] & 4) != 0; }
    int Attempts() const { return ((b[6] >> 3) & 0x0F) % kMaxAttempts; }
    bool LoggedIn() const { return (b[6] & 0x80) != 0; }
    std::uint8_t IdLength() const { return static_cast<std::uint8_t>(2 + 2 * (b[7] % 6)); }
    const std::uint8_t* Secrets() const { return b.data() + 8; }
};

struct Item {
    enum Kind { End, Receive, Start, Drop } kind = End;
    ByteView bytes;
    std::uint8_t operation = 0;
    std::uint8_t variant = 0;
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
            return {Item::Drop, {}, 0, 0};
        if (h == 0xFD) {
            const ByteView n = Take(2);
            const std::size_t count = n.size() == 2 ? std::size_t{n[0]} << 8 | n[1] : 0;
            return {Item::Receive, Take(count)};
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
        n = std::min(n, m_rest.size());
        const ByteView taken = m_rest.first(n);
        m_rest = m_rest.subspan(n);
        return taken;
    }

    ByteView m_rest;
};

// ---- what holds at any time, and after every receive event ----

bool IsRequestFrame(ByteView frame) {
    return frame.size() >= 4 && frame[0] == kRequestHeader && frame[1] + 2u == frame.size() &&
           IsIntact(frame);
}

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

void CheckAfterEvent(const S& s) {
    CheckSettled(s);
    // The buffer is emptied at the end of an event that leaves more than 1700 bytes in it.
    CHECK(s.m_rxCount <= S::kRxClearAbove);
    // A running stream is walked record by record: only a partial record may stay.
    if (IsStreaming(s))
        CHECK(s.m_rxCount < kTagRecordSize);
}

// A chain's step only moves forward, and never past the end of its table.
void CheckStep(int before, int after, int last) {
    CHECK(after >= before);
    if (after != before)
        CHECK(after >= 1 && after <= last);
}

void CheckSteps(const S& before, const S& after) {
    CheckStep(before.m_multiStep, after.m_multiStep, 3);
    CheckStep(before.m_setModeStep, after.m_setModeStep, 8); // the trigger mode's 8 requests
    CheckStep(before.m_getModeStep, after.m_getModeStep, 8); // 7 reads, then one past
    CheckStep(before.m_setParamStep, after.m_setParamStep, 5);
    CheckStep(before.m_getParamStep, after.m_getParamStep, 6); // 5 reads, then one past
}

// ---- the window: the shared fake host, whose records are checked and dropped after every step

class CFuzzWindow {
public:
    CFuzzWindow(S& s, CItemReader& items, const Setup& setup)
        : host(s), m_s(s), m_items(items), m_refusal(setup.RefusalPattern()),
          m_reentrant(setup.ReentrantMessages()) {
        host.refuses = [this] { return Refuses(); };
        host.whileMessageOpen = [this] { Modal(); };
    }

    CFakeHost host;
    int nested = 0; // receive events handled while a message box was open

    struct Shown {
        int stops = 0;
        int streamStops = 0;
        int tagLines = 0;
    };
    // Checks what the host recorded since the last call, counts it and forgets it.
    Shown Drain() {
        static const Bytes stop = BuildStop();
        Shown shown;
        for (const Bytes& frame : host.sent) {
            CHECK(IsRequestFrame(frame));
            shown.stops += frame == stop;
        }
        for (const std::string& text : host.lines)
            Trace("line", text);
        for (const std::string& text : host.messages) {
            CHECK(!text.empty());
            Trace("message", text);
        }
        for (const std::string& line : host.tagLines) {
            Trace("tag", line);
            CHECK(line.size() >= 36 && line.ends_with(") \r\n"));
        }
        // "%02X " per byte of the ID.
        if (!host.fastWriteIds.empty())
            CHECK(host.fastWriteIds.back().size() == 3u * m_s.m_tagIdLen);
        shown.streamStops = host.Count("MultiStreamStopped");
        shown.tagLines = static_cast<int>(host.tagLines.size());
        host.sent.clear();
        host.lines.clear();
        host.messages.clear();
        host.tagLines.clear();
        host.fastWriteIds.clear();
        host.calls.clear();
        host.readData.clear();
        host.workmodeRequests.clear();
        host.parameterRequests.clear();
        return shown;
    }

private:
    // FUZZ_DISPATCH_TRACE=1 prints what the window would show, to follow an input by hand.
    static void Trace(const char* what, const std::string& text) {
        static const bool on = std::getenv("FUZZ_DISPATCH_TRACE") != nullptr;
        if (on)
            std::fprintf(stderr, "%s: %s\n", what, text.c_str());
    }

    // Never, always, every other call, every third call.
    bool Refuses() {
        ++m_pageCalls;
        return m_refusal == 1 || (m_refusal > 1 && m_pageCalls % m_refusal == 0);
    }

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
        DispatchResponse(m_s, host, *bytes);
        CheckAfterEvent(m_s);
        CheckSteps(before, m_s);
        --m_depth;
    }

    S& m_s;
    CItemReader& m_items;
    int m_refusal;
    bool m_reentrant;
    int m_pageCalls = 0;
    int m_depth = 0;
};

// ---- setting up ----

void SetRecordedMode(S& s, const Setup& setup) {
    s.m_modeMasterSlave = setup.Mode() == 0;
    s.m_modeTimer = setup.Mode() == 1;
    s.m_modeTrigger = setup.Mode() == 2;
    s.m_outRs232 = setup.Output() == 0;
    s.m_outRs485 = setup.Output() == 1;
    s.m_outWiegand = setup.Output() == 2;
}

void Prepare(S& s, const Setup& setup) {
    const std::uint32_t arm = setup.Arm();
    for (std::size_t i = 0; i < kFlagCount; ++i)
        s.*kFlags[i] = (arm >> i) & 1;
    s.m_multiStep = setup.MultiStep();
    s.m_multiStreaming = setup.Streaming();
    SetRecordedMode(s, setup);
    s.m_setModeStep = s.m_getModeStep = setup.ModeStep();
    s.m_setParamStep = s.m_getParamStep = setup.ParamStep();
    s.m_connected = setup.Connected();
    s.m_retryCount = setup.Attempts();
    s.m_loggedIn = setup.LoggedIn();
    const std::uint8_t* p = setup.Secrets();
    std::memcpy(s.m_loginPwd.data(), p, 4);
    std::memcpy(s.m_oldLoginPwd.data(), p + 4, 4);
    std::memcpy(s.m_newLoginPwd.data(), p + 8, 4);
    std::memcpy(s.m_oldAuthPwd.data(), p + 12, 2);
    std::memcpy(s.m_newAuthPwd.data(), p + 14, 2);
    std::memcpy(s.m_tagId.data(), p + 16, 12);
    s.m_tagIdLen = setup.IdLength();
}

// ---- one receive event, checked ----

struct Tracking {
    // True while a record stream runs that nothing but the stream has touched since it started:
    // then every byte received since its start is either in a walked record or still in the
    // buffer.
    bool stream = false;
};

void RunEvent(S& s, CFuzzWindow& window, ByteView bytes, Tracking& track) {
    const S before = s;
    const int branch = FirstPending(before);
    const int nestedBefore = window.nested;

    DispatchResponse(s, window.host, bytes);
    const CFuzzWindow::Shown shown = window.Drain();

    CheckAfterEvent(s);
    CheckSteps(before, s);

    // The dispatcher never starts an operation of its own accord: a flag is only ever cleared,
    // but for the version query the handshake hands over to.
    for (std::size_t i = 0; i < kFlagCount; ++i) {
        const int was = before.*kFlags[i];
        const int is = s.*kFlags[i];
        if (i == kVersion && was == 0 && is == 1)
            CHECK(before.m_waitHandshake == 1 && s.m_waitHandshake == 0);
        else
            CHECK(is <= was);
    }

    const bool nested = window.nested != nestedBefore;
    if (!nested) {
        // One event runs one branch: the other operations, their attempts and their chains
        // stay as they were.
        for (std::size_t i = 0; i < kFlagCount; ++i)
            if (!Owns(branch, i))
                CHECK(s.*kFlags[i] == before.*kFlags[i]);
        if (!RetriesTagOperation(branch))
            CHECK(s.m_retryCount == before.m_retryCount);
        if (branch != kSetMode)
            for (int S::*mark : kRecordedModes)
                CHECK(s.*mark == before.*mark);
        if (branch != kMulti) {
            CHECK(s.m_multiStep == before.m_multiStep);
            CHECK(s.m_multiStreaming <= before.m_multiStreaming);
        }
        if (branch != kSetMode)
            CHECK(s.m_setModeStep == before.m_setModeStep);
        if (branch != kGetMode)
            CHECK(s.m_getModeStep == before.m_getModeStep);
        if (branch != kSetParams)
            CHECK(s.m_setParamStep == before.m_setParamStep);
        if (branch != kGetParams)
            CHECK(s.m_getParamStep == before.m_getParamStep);
        if (!s.m_connected)
            CHECK(!before.m_connected);
    }

    // The stream's bookkeeping.
    const bool wasStreaming = IsStreaming(before);
    const bool isStreaming = IsStreaming(s);
    const bool streamFirst = branch == kMulti;
    if (nested || (wasStreaming && !streamFirst))
        track.stream = false;
    else if (isStreaming && !wasStreaming)
        track.stream = true; // started by this event's acknowledgement
    if (!isStreaming)
        track.stream = false;
    if (track.stream)
        CHECK(s.m_multiRxTotal == kTagRecordSize * s.m_multiShown + s.m_rxCount);
    if (wasStreaming && streamFirst && !nested) {
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
            CHECK(shown.streamStops == 1);
            CHECK(shown.stops > 0);
            CHECK(s.m_rxCount == 0 && s.m_multiShown == 0 && s.m_multiRxTotal == 0);
            CHECK(shown.tagLines <= static_cast<int>(kMaxStreamRecords - walkedBefore));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Setup setup;
    std::memcpy(setup.b.data(), data, std::min(size, kHeaderSize));
    CItemReader items(size > kHeaderSize ? ByteView(data + kHeaderSize, size - kHeaderSize)
                                         : ByteView());

    auto state = std::make_unique<S>();
    S& s = *state;
    Prepare(s, setup);
    CFuzzWindow window(s, items, setup);
    CheckAfterEvent(s);

    Tracking track;
    track.stream = IsStreaming(s); // a fresh state: nothing received yet
    constexpr int kMaxStarts = 8;
    int starts = 0;
    for (Item item = items.Next(); item.kind != Item::End; item = items.Next()) {
        switch (item.kind) {
        case Item::Receive:
            RunEvent(s, window, item.bytes, track);
            break;
        case Item::Start:
            if (starts++ < kMaxStarts) {
                const OperationStart& start =
                    kOperationStarts[item.operation % std::size(kOperationStarts)];
                window.host.Send(start.begin(s, item.variant));
                window.Drain();
            }
            track.stream = false;
            CheckAfterEvent(s);
            break;
        case Item::Drop:
            ClearMarks(s, kAllMarks);
            track.stream = false;
            CheckAfterEvent(s);
            break;
        case Item::End:
            break;
        }
    }
    return 0;
}
