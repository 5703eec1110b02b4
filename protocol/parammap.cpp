#include "protocol/parammap.h"

#include <array>

namespace {

constexpr std::array<ParameterInfo, 20> kMap{{
    {kParamUserCode, 1, 0, 255, "user code", "free byte reported with each tag by the reader"},
    {kParamPower, 1, 0, 150, "RF power", "RF output power"},
    {kParamWorkMode, 1, 1, 3, "work mode", "1 master-slave, 2 timer, 3 trigger"},
    {kParamTimerInterval, 1, 1, 100, "timer interval", "timer-mode read interval, unit 10 ms"},
    {kParamCommMode, 1, 1, 3, "communication mode", "output: 1 RS-485, 2 Wiegand, 3 RS-232"},
    {kParamWiegandProtocol, 1, 1, 3, "Wiegand protocol", "1 Wiegand26, 2 Wiegand34, 3 Wiegand32"},
    {kParamPulseWidth, 1, 1, 255, "pulse width", "Wiegand pulse width, unit 10 us"},
    {kParamPulseCycle, 1, 1, 255, "pulse cycle", "Wiegand pulse cycle, unit 100 us"},
    {kParamIdBorderInterval, 1, 0, 255, "ID-border interval",
     "unit 1 s; 1..255 while the flag is on, 0 while off"},
    {kParamIdBorderFlag, 1, 1, 2, "ID-border flag", "1 on, 2 off"},
    {kParamTriggerMode, 1, 0, 1, "trigger mode", "1 high-level trigger, 0 trigger off"},
    {kParamTriggerMode2, 1, 0, 1, "trigger mode 2", "always written equal to the trigger mode"},
    {kParamShutDownDelay, 1, 0, 240, "shut-down delay", "trigger-mode shut-down delay, unit 1 s"},
    {kParamReadTagMode, 1, 0, 1, "read-tag mode", "0 single tag, 1 multiple tags"},
    {kParamAntennaMode, 1, 1, 4, "antenna mode", "1 antenna 1 alone, 4 any other selection"},
    {kParamAntennaMask, 1, 1, 15, "antenna mask", "bits 0..3 antennas 1..4, at least one set"},
    {kParamFixedChannel, 1, 0, 50, "fixed channel", "0 hopping, 1..50 the fixed channel"},
    {kParamChannelMask, 7, 0, 255, "hopping mask",
     "channel n is bit (n-1) mod 8 of byte (n-1) div 8"},
    {kParamAuthPassword, 2, 0, 255, "authorization password", "changed only with command 0x9B"},
    {kParamLoginPassword, 4, 0, 255, "login password", "read with 0x63, written with 0x62"},
}};

} // namespace

std::span<const ParameterInfo> ParameterMap() {
    return kMap;
}

std::optional<ParameterInfo> FindParameter(std::uint16_t address) {
    for (const ParameterInfo& p : kMap)
        if (address >= p.address && address < p.address + p.width)
            return p;
    return std::nullopt;
}

bool ParameterValueInRange(std::uint16_t address, int value) {
    const auto p = FindParameter(address);
    return p && value >= p->min && value <= p->max;
}
