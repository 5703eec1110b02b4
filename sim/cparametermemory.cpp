#include "sim/cparametermemory.h"

CParameterMemory::CParameterMemory() {
    Define(kUserCode, 0, 0, 255);
    Define(kRfPower, 130, 0, 150);
    // Timer mode, so that multi-tag identification is allowed out of the box.
    Define(kWorkMode, 2, 1, 3);
    Define(kTimerInterval, 10, 1, 100);
    Define(kCommMode, 3, 1, 3);
    Define(kWiegandProtocol, 1, 1, 3);
    Define(kWiegandWidth, 10, 1, 255);
    Define(kWiegandCycle, 15, 1, 255);
    // The interval is 0 while the ID-border flag is off and 1..255 while it is on; the two bytes
    // are written one at a time, so each byte is checked on its own.
    Define(kIdBorderInterval, 0, 0, 255);
    Define(kIdBorderFlag, 2, 1, 2);
    Define(kTriggerMode, 0, 0, 1);
    Define(kTriggerMode2, 0, 0, 1);
    Define(kTriggerDelay, 10, 0, 240);
    Define(kReadTagMode, 0, 0, 1);
    Define(kAntennaMode, 1, 1, 1);
    m_cells[kAntennaMode].onlyOther = 4; // 1 = antenna 1 alone, 4 = any other selection
    Define(kAntennaMask, 0x01, 0x01, 0x0F);
    Define(kFixedChannel, 0, 0, 50);
    for (std::uint16_t i = 0; i < 6; ++i)
        Define(kHoppingMask + i, 0xFF, 0, 255);
    Define(kHoppingMask + 6, 0x03, 0, 3); // channels 49 and 50
    Define(kAuthPassword, 0x00, 0, 255, false);
    Define(kAuthPassword + 1, 0x00, 0, 255, false);
    for (std::uint16_t i = 0; i < 4; ++i)
        Define(kLoginPassword + i, 0x00, 0, 255);
}

void CParameterMemory::Define(std::uint16_t address, std::uint8_t initial, std::uint8_t min,
                              std::uint8_t max, bool hostWritable) {
    m_cells[address] = Cell{initial, initial, min, max, hostWritable, min};
}

void CParameterMemory::Reset() {
    for (auto& [address, cell] : m_cells)
        cell.value = cell.initial;
}

bool CParameterMemory::Accepts(std::uint16_t address, std::uint8_t value) const {
    auto it = m_cells.find(address);
    if (it == m_cells.end() || !it->second.hostWritable)
        return false;
    const Cell& cell = it->second;
    return (value >= cell.min && value <= cell.max) || value == cell.onlyOther;
}

std::optional<std::uint8_t> CParameterMemory::Read(std::uint16_t address) const {
    auto it = m_cells.find(address);
    if (it == m_cells.end())
        return std::nullopt;
    return it->second.value;
}

std::optional<Bytes> CParameterMemory::ReadBlock(std::uint16_t address, std::size_t count) const {
    Bytes values;
    for (std::size_t i = 0; i < count; ++i) {
        if (address + i > 0xFFFF)
            return std::nullopt;
        auto value = Read(static_cast<std::uint16_t>(address + i));
        if (!value)
            return std::nullopt;
        values.push_back(*value);
    }
    return values;
}

bool CParameterMemory::Write(std::uint16_t address, std::uint8_t value) {
    const std::uint8_t values[] = {value};
    return WriteBlock(address, values);
}

bool CParameterMemory::WriteBlock(std::uint16_t address, ByteView values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (address + i > 0xFFFF || !Accepts(static_cast<std::uint16_t>(address + i), values[i]))
            return false;
    }
    StoreBlock(address, values);
    return true;
}

void CParameterMemory::Store(std::uint16_t address, std::uint8_t value) {
    auto it = m_cells.find(address);
    if (it != m_cells.end())
        it->second.value = value;
}

void CParameterMemory::StoreBlock(std::uint16_t address, ByteView values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        Store(static_cast<std::uint16_t>(address + i), values[i]);
}

std::uint8_t CParameterMemory::Value(std::uint16_t address) const {
    return Read(address).value_or(0);
}
