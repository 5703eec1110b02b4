#include "sim/cfaultplan.h"

namespace {

struct KindName {
    FaultKind kind;
    const char* name;
};

constexpr KindName kNames[] = {
    {FaultKind::None, "none"},
    {FaultKind::FailureStatus, "status"},
    {FaultKind::CorruptChecksum, "checksum"},
    {FaultKind::Split, "split"},
    {FaultKind::Noise, "noise"},
    {FaultKind::Silence, "silence"},
    {FaultKind::Vanish, "vanish"},
};

} // namespace

std::optional<FaultKind> ParseFaultKind(const std::string& name) {
    for (const KindName& entry : kNames) {
        if (name == entry.name)
            return entry.kind;
    }
    return std::nullopt;
}

const char* FaultKindName(FaultKind kind) {
    for (const KindName& entry : kNames) {
        if (kind == entry.kind)
            return entry.name;
    }
    return "?";
}

void CFaultPlan::Clear() {
    m_commands.clear();
    m_global = FaultSpec{};
    m_records = FaultSpec{};
}

FaultSpec CFaultPlan::Use(FaultSpec& fault) {
    if (fault.kind == FaultKind::None || fault.uses == 0)
        return FaultSpec{};
    FaultSpec used = fault;
    if (fault.uses > 0 && --fault.uses == 0)
        fault = FaultSpec{};
    return used;
}

FaultSpec CFaultPlan::TakeFor(std::uint8_t command) {
    auto it = m_commands.find(command);
    if (it != m_commands.end() && it->second.kind != FaultKind::None) {
        FaultSpec used = Use(it->second);
        if (it->second.kind == FaultKind::None)
            m_commands.erase(it);
        return used;
    }
    return Use(m_global);
}

FaultSpec CFaultPlan::TakeForRecord() {
    return Use(m_records);
}
