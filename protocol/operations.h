// Starting an operation: each function drops the pending marks of the operations the new one
// replaces, sets the new one's marks and step counters, and returns the request that opens it.
// The caller opens the port first and sends the request through SendRequest; the dispatcher
// takes the operation on from there.
#pragma once

#include "protocol/frame.h"
#include "protocol/readerstate.h"
#include "protocol/valuecodes.h"

#include <array>
#include <cstdint>
#include <optional>

// Groups of pending marks, as one operation's start drops them.
enum MarkGroup : unsigned {
    kConnectMarks = 1u << 0,      // handshake and version query
    kIdentifyMark = 1u << 1,      // single identify
    kSingleModeAckMark = 1u << 2, // the Single Tag radio's mode write
    kMultiIdentifyMark = 1u << 3, // the multi-tag start chain and its stream
    kTagOperationMarks = 1u << 4, // read, write, initialize, lock, destroy
    kWorkModeMarks = 1u << 5,     // work-mode Set and Get
    kParameterMarks = 1u << 6,    // reader-parameters Set and Get
    kAccessMarks = 1u << 7,       // login, password changes, authorize, fast tag-ID write
    kRecordedModeMarks = 1u << 8, // the work mode and output recorded for a Set
    kAllMarks = (1u << 9) - 1,
};

// Sets every mark of the groups to 0.
void ClearMarks(CReaderState& state, unsigned groups);

// Connect: the stop request that opens the handshake.
Bytes BeginConnect(CReaderState& state);

// Tag Identify page. Identify Tag with Single Tag chosen; the radios' mode writes (the Single Tag
// radio sends a stop first); Identify Tag with Multiple Tags chosen, whose chain reads the work
// mode first; and that chain's third step, which starts the record stream.
Bytes BeginIdentifySingle(CReaderState& state);
Bytes BeginSingleTagMode(CReaderState& state);
Bytes BeginMultipleTagsMode(CReaderState& state);
Bytes BeginMultiIdentify(CReaderState& state, bool continuous);
Bytes BeginMultiStream(CReaderState& state);

// Tag Operation page. newOperation is false for the resend of a failed attempt, which keeps the
// count of attempts made.
Bytes BeginReadTag(CReaderState& state, bool newOperation, TagSection section, std::uint8_t address,
                   std::uint8_t length);
Bytes BeginWriteTag(CReaderState& state, bool newOperation, TagSection section,
                    std::uint8_t address, std::uint8_t d0, std::uint8_t d1);
Bytes BeginInitTag(CReaderState& state, bool newOperation);
Bytes BeginLockTag(CReaderState& state, bool newOperation, LockKind kind);
Bytes BeginDestroyTag(CReaderState& state, bool newOperation,
                      const std::array<std::uint8_t, 4>& password);

// Work Mode page. The Set records the chosen work mode and output that pick its requests;
// nothing chosen keeps the recorded one, and the work-mode write then says master-slave.
Bytes BeginSetWorkMode(CReaderState& state, std::optional<WorkMode> workMode,
                       std::optional<CommMode> output);
Bytes BeginGetWorkMode(CReaderState& state);

// Reader Parameters page. The Set's first request is the power write, which the page checks
// against its form before it sends it.
void BeginSetParameters(CReaderState& state);
Bytes BeginGetParameters(CReaderState& state);

// Login, the password changes, Authorize and the fast tag-ID write (2 to 12 bytes, even). Each
// drops every other pending operation; none is retried.
Bytes BeginLogin(CReaderState& state, const std::array<std::uint8_t, 4>& password);
Bytes BeginModifyLoginPassword(CReaderState& state, const std::array<std::uint8_t, 4>& oldPassword,
                               const std::array<std::uint8_t, 4>& newPassword);
Bytes BeginModifyAuthorizeCode(CReaderState& state, const std::array<std::uint8_t, 2>& oldCode,
                               const std::array<std::uint8_t, 2>& newCode);
Bytes BeginAuthorize(CReaderState& state);
Bytes BeginFastWriteId(CReaderState& state, ByteView id);
