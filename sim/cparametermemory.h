// The reader's parameter memory, addressed by the generic parameter commands 0x60 .. 0x63.
//
// Every mapped address has a default and a set of values the reader accepts from the host. A host
// write outside that set, or to an address that is not mapped or not writable by the host, is
// refused and leaves the memory unchanged.
#pragma once

#include "protocol/frame.h"

#include <cstdint>
#include <map>
#include <optional>

class CParameterMemory {
public:
    static constexpr std::uint16_t kUserCode = 0x0064;
    static constexpr std::uint16_t kRfPower = 0x0065;
    static constexpr std::uint16_t kWorkMode = 0x0070;
    static constexpr std::uint16_t kTimerInterval = 0x0071;
    static constexpr std::uint16_t kCommMode = 0x0072;
    static constexpr std::uint16_t kWiegandProtocol = 0x0073;
    static constexpr std::uint16_t kWiegandWidth = 0x0074;
    static constexpr std::uint16_t kWiegandCycle = 0x0075;
    static constexpr std::uint16_t kIdBorderInterval = 0x007A;
    static constexpr std::uint16_t kIdBorderFlag = 0x007B;
    static constexpr std::uint16_t kTriggerMode = 0x0080;
    static constexpr std::uint16_t kTriggerMode2 = 0x0081;
    static constexpr std::uint16_t kTriggerDelay = 0x0084;
    static constexpr std::uint16_t kReadTagMode = 0x0087;
    static constexpr std::uint16_t kAntennaMode = 0x0089;
    static constexpr std::uint16_t kAntennaMask = 0x008A;
    static constexpr std::uint16_t kFixedChannel = 0x0090;
    static constexpr std::uint16_t kHoppingMask = 0x0092;   // seven bytes
    static constexpr std::uint16_t kAuthPassword = 0x00BA;  // two bytes, changed by 0x9B only
    static constexpr std::uint16_t kLoginPassword = 0x00C0; // four bytes

    CParameterMemory();

    // Puts every address back to its default.
    void Reset();

    bool IsMapped(std::uint16_t address) const { return m_cells.count(address) != 0; }
    // True when a host write of value to address would be taken.
    bool Accepts(std::uint16_t address, std::uint8_t value) const;

    std::optional<std::uint8_t> Read(std::uint16_t address) const;
    // count consecutive bytes, or nothing when any of them is not mapped.
    std::optional<Bytes> ReadBlock(std::uint16_t address, std::size_t count) const;
    // Host writes: false, and nothing changed, when any byte is refused.
    bool Write(std::uint16_t address, std::uint8_t value);
    bool WriteBlock(std::uint16_t address, ByteView values);

    // The reader's own stores, past the host rules (the 0x9B command, test set-up). Unmapped
    // addresses are ignored.
    void Store(std::uint16_t address, std::uint8_t value);
    void StoreBlock(std::uint16_t address, ByteView values);
    // The value at a mapped address (0 for an unmapped one).
    std::uint8_t Value(std::uint16_t address) const;

private:
    struct Cell {
        std::uint8_t value;
        std::uint8_t initial;
        std::uint8_t min;
        std::uint8_t max;
        bool hostWritable;
        std::uint8_t onlyOther; // a second accepted value outside min..max, used when != min
    };
    void Define(std::uint16_t address, std::uint8_t initial, std::uint8_t min, std::uint8_t max,
                bool hostWritable = true);

    std::map<std::uint16_t, Cell> m_cells;
};
