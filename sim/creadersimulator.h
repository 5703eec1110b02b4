// A UHF reader at the byte level: it takes the host's request frames and produces the reader's
// answers and the multi-tag record stream, with the times at which they leave the reader.
//
// Nothing here reads a clock: every call carries the current time in microseconds, so a test can
// step through time exactly. Times passed in must not go backwards.
#pragma once

#include "sim/cfaultplan.h"
#include "sim/cparametermemory.h"
#include "sim/crequestparser.h"
#include "sim/ctagfield.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// One piece of the reader's output, due to leave the reader at dueMicros.
struct SimOutput {
    enum class Kind { Answer, Piece, Noise, Record };
    std::uint64_t dueMicros = 0;
    Kind kind = Kind::Answer;
    std::uint8_t command = 0; // the command answered; 0 for noise and records
    Bytes bytes;
};

class CReaderSimulator {
public:
    static constexpr std::size_t kRecordSize = 17;
    // One record of 17 bytes at 10 bits per byte on a 115200 bit/s line.
    static constexpr std::uint64_t kDefaultRecordPeriodMicros = 17 * 10 * 1000000ull / 115200;
    // Records that nobody collected for longer than this many periods are lost.
    static constexpr std::uint64_t kMaxBacklogRecords = 1000;
    // The two record header bytes and the closing byte.
    static constexpr std::uint8_t kRecordHead0 = 0xCC;
    static constexpr std::uint8_t kRecordHead1 = 0x11;
    static constexpr std::uint8_t kRecordEnd = 0x0A;

    struct Options {
        std::size_t tagCount = 3;
        // Tags come and go (mean time in the field; 0: they stay) and are spread over antennas
        // 1..antennas; see CTagField.
        std::uint64_t tagDwellMicros = 0;
        unsigned antennas = 1;
        std::uint64_t recordPeriodMicros = kDefaultRecordPeriodMicros;
        std::uint8_t versionMajor = 1;
        std::uint8_t versionMinor = 2;
        // Time from the last byte of a request to the first byte of its answer.
        std::uint64_t answerDelayMicros = 2000;
    };

    // Called for every intact request frame (intact = true) and every run of bytes thrown away.
    using RequestObserver =
        std::function<void(std::uint64_t nowMicros, ByteView bytes, bool intact)>;

    CReaderSimulator() : CReaderSimulator(Options{}) {}
    explicit CReaderSimulator(const Options& options);

    // Bytes from the host that reached the reader at nowMicros, in any split.
    void Receive(ByteView bytes, std::uint64_t nowMicros);
    // Lets time pass: stale request fragments are given up, stream records become due.
    void Advance(std::uint64_t nowMicros);
    // Advance, then remove and return everything due by nowMicros, in order.
    std::vector<SimOutput> TakeOutput(std::uint64_t nowMicros);
    // The same, as one run of bytes.
    Bytes TakeBytes(std::uint64_t nowMicros);
    // The earliest time at which Advance or TakeOutput has something to do; nothing when the
    // reader is idle.
    std::optional<std::uint64_t> NextEventMicros() const;

    bool IsStreaming() const { return m_streaming; }
    std::uint64_t RecordsStreamed() const { return m_recordsStreamed; }

    // The device is gone: it takes no bytes and sends none until Reappear.
    bool HasVanished() const { return m_vanished; }
    void Vanish();
    // Plugged in again: stream stopped, receiver empty; memory and tags are kept.
    void Reappear();

    CParameterMemory& Parameters() { return m_parameters; }
    CTagField& Tags() { return m_tags; }
    CFaultPlan& Faults() { return m_faults; }

    void SetVersion(std::uint8_t major, std::uint8_t minor);
    void SetRecordPeriodMicros(std::uint64_t period);
    std::uint64_t RecordPeriodMicros() const { return m_options.recordPeriodMicros; }
    void SetAnswerDelayMicros(std::uint64_t delay) { m_options.answerDelayMicros = delay; }
    // The host-interface rate last set with command 0x64.
    std::uint32_t HostBaud() const { return m_hostBaud; }

    void SetRequestObserver(RequestObserver observer) { m_observer = std::move(observer); }

private:
    void Handle(const CRequestParser::Result& parsed, std::uint64_t nowMicros);
    void HandleFrame(const Bytes& frame, std::uint64_t nowMicros);
    // The answer to an intact request, carrying the command out; empty when none is sent.
    Bytes Execute(const Bytes& frame, std::uint64_t answerMicros);
    Bytes ExecuteTagCommand(std::uint8_t command, ByteView data);
    // The answer carrying a status (success or refusal) in the form command expects.
    Bytes StatusAnswer(std::uint8_t command, std::uint8_t status, ByteView data) const;
    void Emit(SimOutput::Kind kind, std::uint8_t command, Bytes bytes, const FaultSpec& fault,
              std::size_t checksumIndex, std::uint64_t dueMicros);
    void Queue(SimOutput output);
    void StreamUntil(std::uint64_t nowMicros);
    Bytes Noise(std::size_t count);

    Options m_options;
    CParameterMemory m_parameters;
    CTagField m_tags;
    CFaultPlan m_faults;
    CRequestParser m_parser;
    RequestObserver m_observer;
    std::vector<SimOutput> m_output; // sorted by due time
    bool m_streaming = false;
    std::uint64_t m_nextRecordMicros = 0;
    std::uint64_t m_recordsStreamed = 0;
    std::size_t m_streamCursor = 0;
    bool m_vanished = false;
    std::uint32_t m_hostBaud = 115200;
    std::uint32_t m_noiseState = 0x2545F491;
};
