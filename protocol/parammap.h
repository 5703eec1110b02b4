// The reader's parameter memory as the generic parameter commands (0x60 .. 0x63) address it: one
// table of every parameter the program reads or writes, with its width and the values a byte of
// it may take. Pages name a parameter by its constant and look up its range here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

inline constexpr std::uint16_t kParamUserCode = 0x0064;
inline constexpr std::uint16_t kParamPower = 0x0065;
inline constexpr std::uint16_t kParamWorkMode = 0x0070;
inline constexpr std::uint16_t kParamTimerInterval = 0x0071;
inline constexpr std::uint16_t kParamCommMode = 0x0072;
inline constexpr std::uint16_t kParamWiegandProtocol = 0x0073;
inline constexpr std::uint16_t kParamPulseWidth = 0x0074;
inline constexpr std::uint16_t kParamPulseCycle = 0x0075;
inline constexpr std::uint16_t kParamIdBorderInterval = 0x007A;
inline constexpr std::uint16_t kParamIdBorderFlag = 0x007B;
inline constexpr std::uint16_t kParamTriggerMode = 0x0080;
inline constexpr std::uint16_t kParamTriggerMode2 = 0x0081;
inline constexpr std::uint16_t kParamShutDownDelay = 0x0084;
inline constexpr std::uint16_t kParamReadTagMode = 0x0087;
inline constexpr std::uint16_t kParamAntennaMode = 0x0089;
inline constexpr std::uint16_t kParamAntennaMask = 0x008A;
inline constexpr std::uint16_t kParamFixedChannel = 0x0090;
inline constexpr std::uint16_t kParamChannelMask = 0x0092;
inline constexpr std::uint16_t kParamAuthPassword = 0x00BA;
inline constexpr std::uint16_t kParamLoginPassword = 0x00C0;

struct ParameterInfo {
    std::uint16_t address; // first address
    std::uint8_t width;    // bytes, at consecutive addresses
    std::uint8_t min;      // range of each byte
    std::uint8_t max;
    std::string_view name;
    std::string_view meaning;
};

// Every parameter, in address order.
std::span<const ParameterInfo> ParameterMap();

// The parameter that holds address (a multi-byte parameter holds width addresses), if any.
std::optional<ParameterInfo> FindParameter(std::uint16_t address);

// True when value lies in the range of the parameter that holds address.
bool ParameterValueInRange(std::uint16_t address, int value);
