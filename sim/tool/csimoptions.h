// The command line of tarnwick-sim.
#pragma once

#include "sim/cfaultplan.h"
#include "sim/creadersimulator.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CSimOptions {
public:
    struct Fault {
        enum class Target { All, Command, Records };
        Target target = Target::All;
        std::uint8_t command = 0;
        FaultSpec what;
    };

    // False with a message in *error when the line cannot be used.
    bool Parse(int argc, char** argv, std::string* error);
    static std::string Usage(const std::string& program);
    // Puts the options into a simulator.
    void Apply(CReaderSimulator& simulator) const;

    bool help = false;
    bool logFrames = true;
    bool logRecords = true;
    std::size_t tags = 3;
    std::uint64_t dwellMicros = 0;
    unsigned antennas = 1;
    std::uint64_t recordPeriodMicros = CReaderSimulator::kDefaultRecordPeriodMicros;
    std::uint8_t versionMajor = 1;
    std::uint8_t versionMinor = 2;
    std::uint64_t answerDelayMicros = 2000;
    std::vector<Fault> faults;
    // Parameter memory set before serving: address and value.
    std::vector<std::pair<std::uint16_t, std::uint8_t>> parameters;

private:
    static std::optional<Fault> ParseFault(const std::string& text, std::string* error);
};
