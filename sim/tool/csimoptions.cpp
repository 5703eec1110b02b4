#include "sim/tool/csimoptions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

// The longest time between two stream records either option may ask for: one minute.
constexpr std::uint64_t kMaxRecordPeriodMicros = 60000000;

// A whole unsigned decimal (or 0x-prefixed hex) number within max.
std::optional<std::uint64_t> ParseNumber(const std::string& text, std::uint64_t max, int base = 0) {
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, base);
    if (errno != 0 || *end != '\0' || value > max)
        return std::nullopt;
    return value;
}

} // namespace

std::string CSimOptions::Usage(const std::string& program) {
    std::ostringstream out;
    out << "Usage: " << program << " [options]\n"
        << "\n"
        << "Serves a simulated UHF RFID reader on a new pseudo-terminal. The first line on\n"
        << "standard output is the terminal's device path; open it with tarnwick (or any serial\n"
        << "program) at any baud rate. The line keeps the time of the rate the host sets: every\n"
        << "byte takes 10 bits at that rate in both directions, a request is answered once its\n"
        << "last byte has arrived and the processing delay has passed, and answers leave byte by\n"
        << "byte. What the tool sends while the terminal is closed is lost. Every frame is\n"
        << "logged to standard error with its time in ms since start and its direction (<- from\n"
        << "the host, -> to the host).\n"
        << "\n"
        << "Options:\n"
        << "  --tags N             tags in the field at once, 0..1000 (default 3)\n"
        << "  --dwell-ms N         tags come and go: each stays in the field for about N ms,\n"
        << "                       then leaves, and a new tag takes its place; 1..3600000\n"
        << "                       (default: the tags stay)\n"
        << "  --antennas N         spread the tags over antennas 1..N, 1..4 (default 1)\n"
        << "  --rate R             multi-tag records per second, 1/60 .. 1000000 (default: what\n"
        << "                       a 115200 bit/s line carries, about 677)\n"
        << "  --record-period-us N time between two records in microseconds\n"
        << "  --version M.N        firmware version answered to 0x6A (default 1.2)\n"
        << "  --delay-us N         processing delay: from the last byte of a request to the\n"
        << "                       first byte of its answer, in microseconds (default 2000)\n"
        << "  --param AAAA=V       store V (0..255) at parameter address AAAA (hex) before\n"
        << "                       serving, e.g. --param 71=37 for a timer interval of 37\n"
        << "  --fault WHAT         spoil answers; may be given several times. WHAT is\n"
        << "                       KIND[@TARGET][:KEY=VALUE,...]\n"
        << "                       KIND    status    refuse with a failure status\n"
        << "                               checksum  answer with a wrong checksum byte\n"
        << "                               split     answer in pieces with gaps between\n"
        << "                               noise     stray bytes before the answer\n"
        << "                               silence   drop the request, answer nothing\n"
        << "                               vanish    the device disappears (the tool closes\n"
        << "                                         the terminal and ends)\n"
        << "                       TARGET  a command code in hex (82, 0x6A), 'all' (default)\n"
        << "                               or 'records' (the multi-tag stream)\n"
        << "                       KEYS    uses=N     spoil only the next N answers\n"
        << "                               status=HH  failure status (default 01)\n"
        << "                               pieces=N   pieces of a split answer (default 3)\n"
        << "                               gap-us=N   gap between pieces (default 5000)\n"
        << "                               bytes=N    noise bytes (default 5)\n"
        << "                       e.g. --fault status@82:uses=3  --fault checksum@6A\n"
        << "  --no-record-log      do not log the records of the multi-tag stream\n"
        << "  --quiet              log nothing but start and end\n"
        << "  --help               show this text\n";
    return out.str();
}

std::optional<CSimOptions::Fault> CSimOptions::ParseFault(const std::string& text,
                                                          std::string* error) {
    Fault fault;
    std::string head = text;
    std::string keys;
    if (auto colon = text.find(':'); colon != std::string::npos) {
        head = text.substr(0, colon);
        keys = text.substr(colon + 1);
    }
    std::string kindName = head;
    if (auto at = head.find('@'); at != std::string::npos) {
        kindName = head.substr(0, at);
        const std::string target = head.substr(at + 1);
        if (target == "records") {
            fault.target = Fault::Target::Records;
        } else if (target != "all") {
            auto code = ParseNumber(target, 0xFF, 16);
            if (!code) {
                *error = "bad fault target '" + target + "'";
                return std::nullopt;
            }
            fault.target = Fault::Target::Command;
            fault.command = static_cast<std::uint8_t>(*code);
        }
    }
    auto kind = ParseFaultKind(kindName);
    if (!kind || *kind == FaultKind::None) {
        *error = "unknown fault kind '" + kindName + "'";
        return std::nullopt;
    }
    fault.what.kind = *kind;
    std::istringstream list(keys);
    std::string item;
    while (std::getline(list, item, ',')) {
        const auto eq = item.find('=');
        const std::string key = item.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
        std::optional<std::uint64_t> number =
            ParseNumber(value, 0xFFFFFFFF, key == "status" ? 16 : 10);
        if (!number) {
            *error = "bad value in fault option '" + item + "'";
            return std::nullopt;
        }
        if (key == "uses" && *number > 0)
            fault.what.uses = static_cast<int>(std::min<std::uint64_t>(*number, 1 << 30));
        else if (key == "status" && *number <= 0xFF)
            fault.what.status = static_cast<std::uint8_t>(*number);
        else if (key == "pieces" && *number >= 2)
            fault.what.pieces = *number;
        else if (key == "gap-us")
            fault.what.gapMicros = *number;
        else if (key == "bytes" && *number >= 1)
            fault.what.noiseBytes = *number;
        else {
            *error = "bad fault option '" + item + "'";
            return std::nullopt;
        }
    }
    return fault;
}

bool CSimOptions::Parse(int argc, char** argv, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++i]);
        };
        if (arg == "--help" || arg == "-h") {
            help = true;
            continue;
        }
        if (arg == "--quiet") {
            logFrames = false;
            logRecords = false;
            continue;
        }
        if (arg == "--no-record-log") {
            logRecords = false;
            continue;
        }
        const auto text = value();
        if (!text) {
            *error = "unknown option or missing value: " + arg;
            return false;
        }
        if (arg == "--tags") {
            auto n = ParseNumber(*text, 1000, 10);
            if (!n) {
                *error = "--tags takes 0..1000";
                return false;
            }
            tags = *n;
        } else if (arg == "--dwell-ms") {
            auto n = ParseNumber(*text, 3600000, 10);
            if (!n || *n == 0) {
                *error = "--dwell-ms takes 1..3600000";
                return false;
            }
            dwellMicros = *n * 1000;
        } else if (arg == "--antennas") {
            auto n = ParseNumber(*text, CTagField::kMaxAntennas, 10);
            if (!n || *n == 0) {
                *error = "--antennas takes 1..4";
                return false;
            }
            antennas = static_cast<unsigned>(*n);
        } else if (arg == "--rate") {
            char* end = nullptr;
            const double rate = std::strtod(text->c_str(), &end);
            // The period is checked as a double, before it is converted: a tiny rate gives a
            // quotient no integer holds. The bound is the one --record-period-us has.
            const double period = rate > 0.0 ? std::round(1e6 / rate) : 0.0;
            if (*end != '\0' || !(rate > 0.0) || rate > 1e6 ||
                period > static_cast<double>(kMaxRecordPeriodMicros)) {
                *error = "--rate takes 1/60 (one record a minute) to 1000000 records per second";
                return false;
            }
            recordPeriodMicros = static_cast<std::uint64_t>(period);
        } else if (arg == "--record-period-us") {
            auto n = ParseNumber(*text, kMaxRecordPeriodMicros, 10);
            if (!n || *n == 0) {
                *error = "--record-period-us takes 1..60000000";
                return false;
            }
            recordPeriodMicros = *n;
        } else if (arg == "--version") {
            const auto dot = text->find('.');
            auto major = ParseNumber(text->substr(0, dot), 255, 10);
            auto minor = dot == std::string::npos ? std::nullopt
                                                  : ParseNumber(text->substr(dot + 1), 255, 10);
            if (!major || !minor) {
                *error = "--version takes MAJOR.MINOR, each 0..255";
                return false;
            }
            versionMajor = static_cast<std::uint8_t>(*major);
            versionMinor = static_cast<std::uint8_t>(*minor);
        } else if (arg == "--delay-us") {
            auto n = ParseNumber(*text, 10000000, 10);
            if (!n) {
                *error = "--delay-us takes 0..10000000";
                return false;
            }
            answerDelayMicros = *n;
        } else if (arg == "--param") {
            const auto equals = text->find('=');
            auto address = ParseNumber(text->substr(0, equals), 0xFFFF, 16);
            auto value = equals == std::string::npos
                             ? std::nullopt
                             : ParseNumber(text->substr(equals + 1), 255, 10);
            if (!address || !value) {
                *error = "--param takes ADDRESS=VALUE, the address in hex, the value 0..255";
                return false;
            }
            parameters.emplace_back(static_cast<std::uint16_t>(*address),
                                    static_cast<std::uint8_t>(*value));
        } else if (arg == "--fault") {
            auto fault = ParseFault(*text, error);
            if (!fault)
                return false;
            faults.push_back(*fault);
        } else {
            *error = "unknown option: " + arg;
            return false;
        }
    }
    return true;
}

void CSimOptions::Apply(CReaderSimulator& simulator) const {
    simulator.Tags().Reset(tags);
    simulator.Tags().SetMotion(dwellMicros, antennas);
    simulator.SetRecordPeriodMicros(recordPeriodMicros);
    simulator.SetVersion(versionMajor, versionMinor);
    simulator.SetAnswerDelayMicros(answerDelayMicros);
    for (const auto& [address, value] : parameters)
        simulator.Parameters().Store(address, value);
    for (const Fault& fault : faults) {
        switch (fault.target) {
        case Fault::Target::All:
            simulator.Faults().SetGlobal(fault.what);
            break;
        case Fault::Target::Command:
            simulator.Faults().Set(fault.command, fault.what);
            break;
        case Fault::Target::Records:
            simulator.Faults().SetRecords(fault.what);
            break;
        }
    }
}
