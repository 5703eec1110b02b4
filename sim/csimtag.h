// One EPC Gen-2 tag in the simulated field: its four memory sections, lock state and kill state.
//
// Memory is kept in 16-bit words, high byte first. Reserved holds the kill password (words 0-1)
// and the access password (words 2-3); EPC holds the CRC (word 0), the protocol-control word
// (word 1) and the 12-byte tag ID (words 2-7).
#pragma once

#include "protocol/frame.h"

#include <array>
#include <cstddef>
#include <cstdint>

enum class MemoryBank : std::uint8_t { Reserved = 0, Epc = 1, Tid = 2, User = 3 };

enum class TagResult {
    Ok,
    OutOfRange,    // no such section, or words past its end
    Locked,        // the words are locked against this access
    WrongPassword, // kill password does not match
    Killed,        // the tag no longer answers
};

class CSimTag {
public:
    static constexpr std::size_t kReservedWords = 4;
    static constexpr std::size_t kEpcWords = 8;
    static constexpr std::size_t kTidWords = 6;
    static constexpr std::size_t kUserWords = 16;
    static constexpr std::size_t kIdBytes = 12;

    // Lock choices of command 0x87.
    enum LockKind : std::uint8_t { LockUser, LockTid, LockEpc, LockAccess, LockKill, LockAll };

    // A tag whose ID, TID, User memory and passwords differ from those of every other index.
    static CSimTag Make(std::size_t index);

    std::array<std::uint8_t, kIdBytes> Id() const;
    Bytes KillPassword() const { return Bytes(m_reserved.begin(), m_reserved.begin() + 4); }
    Bytes AccessPassword() const { return Bytes(m_reserved.begin() + 4, m_reserved.end()); }
    const Bytes& Memory(MemoryBank section) const;
    std::uint8_t Antenna() const { return m_antenna; }
    void SetAntenna(std::uint8_t antenna) { m_antenna = antenna; }

    bool IsKilled() const { return m_killed; }
    bool IsAuthorized() const { return m_authorized; }
    // True when a write to the word would be refused because of a lock.
    bool IsWordLocked(MemoryBank section, std::size_t word) const;

    // words 16-bit words from wordAddress on, appended to out as bytes.
    TagResult Read(std::uint8_t section, std::uint8_t wordAddress, std::uint8_t words,
                   Bytes* out) const;
    TagResult WriteWord(std::uint8_t section, std::uint8_t wordAddress, std::uint8_t high,
                        std::uint8_t low);
    // Writes the new ID (an even number of bytes, at most 12) from EPC word 2 on; the other ID
    // words keep their value.
    TagResult WriteId(ByteView id);
    TagResult Lock(std::uint8_t kind);
    TagResult Kill(ByteView password);
    // Clears User memory to zeros.
    TagResult Initialize();
    TagResult Authorize();
    // Replaces the ID (test and tool set-up), keeping the CRC word right.
    void SetId(ByteView id);
    void SetPasswords(ByteView kill, ByteView access);

private:
    Bytes* Section(std::uint8_t section);
    const Bytes* Section(std::uint8_t section) const;
    bool IsWordReadLocked(MemoryBank section, std::size_t word) const;
    void UpdateCrc();

    Bytes m_reserved = Bytes(kReservedWords * 2);
    Bytes m_epc = Bytes(kEpcWords * 2);
    Bytes m_tid = Bytes(kTidWords * 2);
    Bytes m_user = Bytes(kUserWords * 2);
    bool m_userLocked = false;
    bool m_tidLocked = false;
    bool m_epcLocked = false;
    bool m_accessLocked = false;
    bool m_killLocked = false;
    bool m_killed = false;
    bool m_authorized = false;
    std::uint8_t m_antenna = 1;
};
