#include "protocol/valuecodes.h"

namespace {

constexpr ValueCode<WorkMode> kWorkModes[] = {{WorkMode::MasterSlave, "Master-Slave"},
                                              {WorkMode::Timer, "Timer"},
                                              {WorkMode::Trigger, "Trigger"}};
constexpr ValueCode<CommMode> kCommModes[] = {
    {CommMode::Rs232, "RS232"}, {CommMode::Rs485, "RS485"}, {CommMode::Wiegand, "Wiegand"}};
constexpr ValueCode<Trigger> kTriggers[] = {{Trigger::HighLevel, "High-Level Trigger"},
                                            {Trigger::Off, "Trigger Off"}};
constexpr ValueCode<Baud> kBauds[] = {{Baud::B9600, "9600bps"},
                                      {Baud::B19200, "19200bps"},
                                      {Baud::B38400, "38400bps"},
                                      {Baud::B57600, "57600bps"},
                                      {Baud::B115200, "115200bps"}};
constexpr ValueCode<TagSection> kSections[] = {{TagSection::Reserved, "Reserved"},
                                               {TagSection::Epc, "EPC"},
                                               {TagSection::Tid, "TID"},
                                               {TagSection::User, "User"}};
constexpr ValueCode<LockKind> kLockKinds[] = {
    {LockKind::User, "LOCK USER"},     {LockKind::Tid, "LOCK TID"},   {LockKind::Epc, "LOCK EPC"},
    {LockKind::Access, "LOCK ACCESS"}, {LockKind::Kill, "LOCK KILL"}, {LockKind::All, "LOCK ALL"}};

} // namespace

template <> std::span<const ValueCode<WorkMode>> Codes() {
    return kWorkModes;
}
template <> std::span<const ValueCode<CommMode>> Codes() {
    return kCommModes;
}
template <> std::span<const ValueCode<Trigger>> Codes() {
    return kTriggers;
}
template <> std::span<const ValueCode<Baud>> Codes() {
    return kBauds;
}
template <> std::span<const ValueCode<TagSection>> Codes() {
    return kSections;
}
template <> std::span<const ValueCode<LockKind>> Codes() {
    return kLockKinds;
}

int BaudRate(Baud baud) {
    constexpr int kRates[] = {9600, 19200, 38400, 57600, 115200};
    return kRates[Encode(baud) % std::size(kRates)];
}
