#include "sim/csimtag.h"

#include <algorithm>

namespace {

// The CRC-16 a Gen-2 tag keeps over its PC word and EPC: polynomial 0x1021, preset 0xFFFF,
// complemented result.
std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t count) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= static_cast<std::uint16_t>(bytes[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
    }
    return static_cast<std::uint16_t>(~crc);
}

} // namespace

CSimTag CSimTag::Make(std::size_t index) {
    CSimTag tag;
    // Tag 0 carries E2 00 30 12 34 56 78 9A BC DE F0 11, tag 1 ends in F0 22, and so on.
    const std::uint8_t id[kIdBytes] = {0xE2,
                                       0x00,
                                       0x30,
                                       0x12,
                                       0x34,
                                       0x56,
                                       0x78,
                                       0x9A,
                                       static_cast<std::uint8_t>(0xBC + index / (15 * 16 * 256)),
                                       static_cast<std::uint8_t>(0xDE + index / (15 * 16)),
                                       static_cast<std::uint8_t>(0xF0 + (index / 15) % 16),
                                       static_cast<std::uint8_t>(0x11 * (index % 15 + 1))};
    tag.m_epc[2] = 0x30; // PC: six words of EPC
    tag.m_epc[3] = 0x00;
    tag.SetId(id);
    const std::uint8_t tid[kTidWords * 2] = {0xE2,
                                             0x00,
                                             0x34,
                                             0x12,
                                             0x01,
                                             0x10,
                                             0x00,
                                             0x00,
                                             0x00,
                                             0x00,
                                             static_cast<std::uint8_t>(index >> 8),
                                             static_cast<std::uint8_t>(index)};
    std::copy(std::begin(tid), std::end(tid), tag.m_tid.begin());
    for (std::size_t i = 0; i < tag.m_user.size(); ++i)
        tag.m_user[i] = static_cast<std::uint8_t>(index * 0x40 + i);
    const std::uint8_t kill[4] = {0x12, 0x34, 0x56, static_cast<std::uint8_t>(0x78 + index)};
    const std::uint8_t access[4] = {static_cast<std::uint8_t>(0xA1 + index), 0xB2, 0xC3, 0xD4};
    tag.SetPasswords(kill, access);
    return tag;
}

std::array<std::uint8_t, CSimTag::kIdBytes> CSimTag::Id() const {
    std::array<std::uint8_t, kIdBytes> id{};
    std::copy(m_epc.begin() + 4, m_epc.begin() + 4 + kIdBytes, id.begin());
    return id;
}

const Bytes& CSimTag::Memory(MemoryBank section) const {
    return *Section(static_cast<std::uint8_t>(section));
}

Bytes* CSimTag::Section(std::uint8_t section) {
    return const_cast<Bytes*>(static_cast<const CSimTag*>(this)->Section(section));
}

const Bytes* CSimTag::Section(std::uint8_t section) const {
    switch (section) {
    case 0:
        return &m_reserved;
    case 1:
        return &m_epc;
    case 2:
        return &m_tid;
    case 3:
        return &m_user;
    default:
        return nullptr;
    }
}

bool CSimTag::IsWordLocked(MemoryBank section, std::size_t word) const {
    switch (section) {
    case MemoryBank::Reserved:
        return word < 2 ? m_killLocked : m_accessLocked;
    case MemoryBank::Epc:
        return m_epcLocked;
    case MemoryBank::Tid:
        return m_tidLocked;
    case MemoryBank::User:
        return m_userLocked;
    }
    return false;
}

// A locked password can be neither written nor read back; the other sections stay readable.
bool CSimTag::IsWordReadLocked(MemoryBank section, std::size_t word) const {
    return section == MemoryBank::Reserved && IsWordLocked(section, word);
}

TagResult CSimTag::Read(std::uint8_t section, std::uint8_t wordAddress, std::uint8_t words,
                        Bytes* out) const {
    if (m_killed)
        return TagResult::Killed;
    const Bytes* memory = Section(section);
    if (!memory || words == 0 || (wordAddress + words) * 2u > memory->size())
        return TagResult::OutOfRange;
    for (std::size_t w = wordAddress; w < wordAddress + words; ++w) {
        if (IsWordReadLocked(static_cast<MemoryBank>(section), w))
            return TagResult::Locked;
    }
    out->insert(out->end(), memory->begin() + wordAddress * 2,
                memory->begin() + (wordAddress + words) * 2);
    return TagResult::Ok;
}

TagResult CSimTag::WriteWord(std::uint8_t section, std::uint8_t wordAddress, std::uint8_t high,
                             std::uint8_t low) {
    if (m_killed)
        return TagResult::Killed;
    Bytes* memory = Section(section);
    if (!memory || (wordAddress + 1u) * 2u > memory->size())
        return TagResult::OutOfRange;
    if (IsWordLocked(static_cast<MemoryBank>(section), wordAddress))
        return TagResult::Locked;
    (*memory)[wordAddress * 2] = high;
    (*memory)[wordAddress * 2 + 1] = low;
    if (section == static_cast<std::uint8_t>(MemoryBank::Epc) && wordAddress >= 1)
        UpdateCrc();
    return TagResult::Ok;
}

TagResult CSimTag::WriteId(ByteView id) {
    if (m_killed)
        return TagResult::Killed;
    if (id.empty() || id.size() % 2 != 0 || id.size() > kIdBytes)
        return TagResult::OutOfRange;
    if (m_epcLocked)
        return TagResult::Locked;
    std::copy(id.begin(), id.end(), m_epc.begin() + 4);
    UpdateCrc();
    return TagResult::Ok;
}

TagResult CSimTag::Lock(std::uint8_t kind) {
    if (m_killed)
        return TagResult::Killed;
    switch (kind) {
    case LockUser:
        m_userLocked = true;
        break;
    case LockTid:
        m_tidLocked = true;
        break;
    case LockEpc:
        m_epcLocked = true;
        break;
    case LockAccess:
        m_accessLocked = true;
        break;
    case LockKill:
        m_killLocked = true;
        break;
    case LockAll:
        m_userLocked = m_tidLocked = m_epcLocked = m_accessLocked = m_killLocked = true;
        break;
    default:
        return TagResult::OutOfRange;
    }
    return TagResult::Ok;
}

TagResult CSimTag::Kill(ByteView password) {
    if (m_killed)
        return TagResult::Killed;
    // A tag whose kill password is all zeros cannot be killed.
    const bool zero = std::all_of(m_reserved.begin(), m_reserved.begin() + 4,
                                  [](std::uint8_t b) { return b == 0; });
    if (zero || password.size() != 4 ||
        !std::equal(password.begin(), password.end(), m_reserved.begin()))
        return TagResult::WrongPassword;
    m_killed = true;
    return TagResult::Ok;
}

TagResult CSimTag::Initialize() {
    if (m_killed)
        return TagResult::Killed;
    if (m_userLocked)
        return TagResult::Locked;
    std::fill(m_user.begin(), m_user.end(), 0);
    return TagResult::Ok;
}

TagResult CSimTag::Authorize() {
    if (m_killed)
        return TagResult::Killed;
    m_authorized = true;
    return TagResult::Ok;
}

void CSimTag::SetId(ByteView id) {
    std::fill(m_epc.begin() + 4, m_epc.end(), 0);
    std::copy(id.begin(), id.begin() + std::min(id.size(), kIdBytes), m_epc.begin() + 4);
    UpdateCrc();
}

void CSimTag::SetPasswords(ByteView kill, ByteView access) {
    std::copy(kill.begin(), kill.begin() + std::min<std::size_t>(kill.size(), 4),
              m_reserved.begin());
    std::copy(access.begin(), access.begin() + std::min<std::size_t>(access.size(), 4),
              m_reserved.begin() + 4);
}

void CSimTag::UpdateCrc() {
    const std::uint16_t crc = Crc16(m_epc.data() + 2, m_epc.size() - 2);
    m_epc[0] = static_cast<std::uint8_t>(crc >> 8);
    m_epc[1] = static_cast<std::uint8_t>(crc);
}
