// Which answers the simulated reader spoils, and how.
//
// A fault is set for one command code, for every command (global), or for the records of the
// multi-tag stream. A command's own fault wins over the global one. Each fault may be limited to a
// number of uses, after which the reader behaves again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

enum class FaultKind {
    None,
    FailureStatus,   // refuse with a failure status instead of carrying the command out
    CorruptChecksum, // carry it out, but the answer's last byte is wrong
    Split,           // the answer arrives in several pieces with gaps between them
    Noise,           // stray bytes arrive before the answer
    Silence,         // the request is lost: not carried out, not answered
    Vanish,          // the device disappears: nothing more is answered
};

struct FaultSpec {
    FaultKind kind = FaultKind::None;
    std::uint8_t status = 0x01;     // FailureStatus: the status byte sent
    std::size_t pieces = 3;         // Split: number of pieces (at least 2)
    std::uint64_t gapMicros = 5000; // Split: pause between pieces
    std::size_t noiseBytes = 5;     // Noise: bytes sent before the answer
    int uses = -1;                  // how many answers it spoils; -1 = all
};

// Parses a fault kind name as the tool takes it: status, checksum, split, noise, silence, vanish.
std::optional<FaultKind> ParseFaultKind(const std::string& name);
const char* FaultKindName(FaultKind kind);

class CFaultPlan {
public:
    void Set(std::uint8_t command, const FaultSpec& fault) { m_commands[command] = fault; }
    void SetGlobal(const FaultSpec& fault) { m_global = fault; }
    void SetRecords(const FaultSpec& fault) { m_records = fault; }
    void Clear();

    // The fault for one answer to command, counting it as used.
    FaultSpec TakeFor(std::uint8_t command);
    FaultSpec TakeForRecord();

private:
    static FaultSpec Use(FaultSpec& fault);

    std::map<std::uint8_t, FaultSpec> m_commands;
    FaultSpec m_global;
    FaultSpec m_records;
};
