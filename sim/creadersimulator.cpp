#include "sim/creadersimulator.h"

#include "sim/simframe.h"

#include <algorithm>

namespace {

// Command codes the reader knows.
enum : std::uint8_t {
    kCmdStop = 0xFE,
    kCmdHello = 0x50,
    kCmdVersion = 0x6A,
    kCmdMultiStart = 0x65,
    kCmdParamWrite = 0x60,
    kCmdParamRead = 0x61,
    kCmdParamWriteBlock = 0x62,
    kCmdParamReadBlock = 0x63,
    kCmdBaud = 0x64,
    kCmdReadTag = 0x80,
    kCmdWriteTag = 0x81,
    kCmdIdentify = 0x82,
    kCmdKill = 0x86,
    kCmdLock = 0x87,
    kCmdInitialize = 0x99,
    kCmdAuthorize = 0x9A,
    kCmdAuthPassword = 0x9B,
    kCmdFastWriteId = 0x9C,
};

constexpr std::uint32_t kBaudByCode[] = {9600, 19200, 38400, 57600, 115200};

std::uint16_t Address(ByteView data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] << 8 | data[at + 1]);
}

std::uint8_t StatusOf(TagResult result) {
    return result == TagResult::Ok ? sim::kOk : sim::kRefused;
}

// The data size each command takes; -1 where it depends on the data itself.
int DataSize(std::uint8_t command) {
    switch (command) {
    case kCmdStop:
    case kCmdHello:
    case kCmdVersion:
    case kCmdMultiStart:
    case kCmdAuthorize:
        return 0;
    case kCmdBaud:
    case kCmdIdentify:
    case kCmdInitialize:
        return 1;
    case kCmdParamRead:
    case kCmdLock:
    case kCmdAuthPassword:
        return 2;
    case kCmdParamWrite:
    case kCmdParamReadBlock:
        return 3;
    case kCmdReadTag:
        return 4;
    case kCmdKill:
        return 6;
    case kCmdWriteTag:
        return 7;
    default:
        return -1;
    }
}

} // namespace

CReaderSimulator::CReaderSimulator(const Options& options)
    : m_options(options), m_tags(options.tagCount) {
    m_tags.SetMotion(options.tagDwellMicros, options.antennas);
}

void CReaderSimulator::SetVersion(std::uint8_t major, std::uint8_t minor) {
    m_options.versionMajor = major;
    m_options.versionMinor = minor;
}

void CReaderSimulator::SetRecordPeriodMicros(std::uint64_t period) {
    m_options.recordPeriodMicros = std::max<std::uint64_t>(period, 1);
}

void CReaderSimulator::Vanish() {
    m_vanished = true;
    m_streaming = false;
    m_output.clear();
    m_parser.Reset();
}

void CReaderSimulator::Reappear() {
    m_vanished = false;
    m_streaming = false;
    m_output.clear();
    m_parser.Reset();
}

void CReaderSimulator::Receive(ByteView bytes, std::uint64_t nowMicros) {
    if (m_vanished)
        return;
    Advance(nowMicros);
    Handle(m_parser.Push(bytes, nowMicros), nowMicros);
}

void CReaderSimulator::Advance(std::uint64_t nowMicros) {
    if (m_vanished)
        return;
    if (m_parser.HasFragment() && m_parser.FragmentDeadline() <= nowMicros) {
        // The receiver gave up on the fragment when the pause ran out, not when it was noticed.
        const std::uint64_t deadline = m_parser.FragmentDeadline();
        StreamUntil(deadline);
        Handle(m_parser.Poll(deadline), deadline);
    }
    StreamUntil(nowMicros);
    m_tags.AdvanceTo(nowMicros);
}

std::vector<SimOutput> CReaderSimulator::TakeOutput(std::uint64_t nowMicros) {
    Advance(nowMicros);
    auto end = std::find_if(m_output.begin(), m_output.end(),
                            [&](const SimOutput& out) { return out.dueMicros > nowMicros; });
    std::vector<SimOutput> due(std::make_move_iterator(m_output.begin()),
                               std::make_move_iterator(end));
    m_output.erase(m_output.begin(), end);
    return due;
}

Bytes CReaderSimulator::TakeBytes(std::uint64_t nowMicros) {
    Bytes bytes;
    for (const SimOutput& out : TakeOutput(nowMicros))
        bytes.insert(bytes.end(), out.bytes.begin(), out.bytes.end());
    return bytes;
}

std::optional<std::uint64_t> CReaderSimulator::NextEventMicros() const {
    if (m_vanished)
        return std::nullopt;
    std::optional<std::uint64_t> next;
    auto consider = [&](std::uint64_t at) { next = next ? std::min(*next, at) : at; };
    if (!m_output.empty())
        consider(m_output.front().dueMicros);
    if (m_streaming)
        consider(m_nextRecordMicros);
    if (m_parser.HasFragment())
        consider(m_parser.FragmentDeadline());
    return next;
}

void CReaderSimulator::Handle(const CRequestParser::Result& parsed, std::uint64_t nowMicros) {
    if (!parsed.dropped.empty() && m_observer)
        m_observer(nowMicros, parsed.dropped, false);
    for (const Bytes& frame : parsed.frames) {
        if (m_vanished)
            return;
        if (m_observer)
            m_observer(nowMicros, frame, true);
        HandleFrame(frame, nowMicros);
    }
}

void CReaderSimulator::HandleFrame(const Bytes& frame, std::uint64_t nowMicros) {
    const std::uint8_t command = frame[2];
    const ByteView data(frame.data() + 3, frame.size() - 4);
    const std::uint64_t due = nowMicros + m_options.answerDelayMicros;
    const FaultSpec fault = m_faults.TakeFor(command);
    switch (fault.kind) {
    case FaultKind::Silence:
        return;
    case FaultKind::Vanish:
        Vanish();
        return;
    case FaultKind::FailureStatus: {
        Bytes refusal = StatusAnswer(command, fault.status, data);
        Emit(SimOutput::Kind::Answer, command, std::move(refusal), FaultSpec{}, 0, due);
        return;
    }
    default:
        break;
    }
    Bytes answer = Execute(frame, due);
    if (!answer.empty())
        Emit(SimOutput::Kind::Answer, command, std::move(answer), fault, 0, due);
}

Bytes CReaderSimulator::Execute(const Bytes& frame, std::uint64_t answerMicros) {
    const std::uint8_t command = frame[2];
    const ByteView data(frame.data() + 3, frame.size() - 4);
    const int expected = DataSize(command);
    if (expected >= 0 && data.size() != static_cast<std::size_t>(expected))
        return sim::MakeStatus(command, sim::kBadRequest);

    switch (command) {
    case kCmdStop: {
        m_streaming = false;
        const std::uint8_t payload[] = {0x88, 0x88};
        return sim::MakeFrame(sim::kData, command, payload);
    }
    case kCmdHello:
        return sim::MakeStatus(command, sim::kOk);
    case kCmdVersion: {
        const std::uint8_t payload[] = {m_options.versionMajor, m_options.versionMinor};
        return sim::MakeFrame(sim::kData, command, payload);
    }
    case kCmdMultiStart:
        if (m_parameters.Value(CParameterMemory::kReadTagMode) == 1 && !m_streaming) {
            m_streaming = true;
            m_nextRecordMicros = answerMicros + m_options.recordPeriodMicros;
            m_streamCursor = m_tags.Count() ? m_tags.Count() - 1 : 0;
        }
        return sim::MakeStatus(command, sim::kOk);
    case kCmdParamWrite: {
        const bool ok = m_parameters.Write(Address(data, 0), data[2]);
        return sim::MakeStatus(command, ok ? sim::kOk : sim::kRefused);
    }
    case kCmdParamRead: {
        auto value = m_parameters.Read(Address(data, 0));
        if (!value)
            return StatusAnswer(command, sim::kRefused, data);
        const std::uint8_t payload[] = {data[0], data[1], *value};
        return sim::MakeFrame(sim::kData, command, payload);
    }
    case kCmdParamWriteBlock: {
        if (data.size() < 3 || data[0] == 0 || data.size() != 3u + data[0])
            return sim::MakeStatus(command, sim::kBadRequest);
        const bool ok = m_parameters.WriteBlock(Address(data, 1), data.subspan(3));
        return sim::MakeStatus(command, ok ? sim::kOk : sim::kRefused);
    }
    case kCmdParamReadBlock: {
        const std::size_t count = data[0];
        auto values = count == 0 || count > 250 ? std::nullopt
                                                : m_parameters.ReadBlock(Address(data, 1), count);
        if (!values)
            return StatusAnswer(command, sim::kRefused, data);
        Bytes payload(data.begin(), data.end());
        payload.insert(payload.end(), values->begin(), values->end());
        return sim::MakeFrame(sim::kData, command, payload);
    }
    case kCmdBaud:
        if (data[0] >= std::size(kBaudByCode))
            return sim::MakeStatus(command, sim::kRefused);
        m_hostBaud = kBaudByCode[data[0]];
        return sim::MakeStatus(command, sim::kOk);
    case kCmdAuthPassword:
        m_parameters.StoreBlock(CParameterMemory::kAuthPassword, data);
        return sim::MakeStatus(command, sim::kOk);
    case kCmdReadTag:
    case kCmdWriteTag:
    case kCmdIdentify:
    case kCmdKill:
    case kCmdLock:
    case kCmdInitialize:
    case kCmdAuthorize:
    case kCmdFastWriteId:
        return ExecuteTagCommand(command, data);
    default:
        return sim::MakeStatus(command, sim::kBadRequest);
    }
}

Bytes CReaderSimulator::ExecuteTagCommand(std::uint8_t command, ByteView data) {
    if (command == kCmdFastWriteId &&
        (data.empty() || data[0] < 1 || data[0] > 6 || data.size() != 1u + 2u * data[0]))
        return StatusAnswer(command, sim::kBadRequest, data);
    if (command == kCmdWriteTag && data[4] != 1)
        return StatusAnswer(command, sim::kBadRequest, data);

    CSimTag* tag = m_tags.Focused();
    if (!tag)
        return StatusAnswer(command, sim::kRefused, data);

    switch (command) {
    case kCmdIdentify: {
        Bytes payload{tag->Antenna()};
        const auto id = tag->Id();
        payload.insert(payload.end(), id.begin(), id.end());
        return sim::MakeFrame(sim::kData, command, payload);
    }
    case kCmdReadTag: {
        // E0 len 80 04 section address n data[2n] checksum.
        Bytes payload{data[0], data[1], data[2], data[3]};
        const TagResult result = tag->Read(data[1], data[2], data[3], &payload);
        if (result != TagResult::Ok || payload.size() + 2 > 255)
            return StatusAnswer(command, StatusOf(result), data);
        return sim::MakeFrame(sim::kData, command, payload);
    }
    case kCmdWriteTag: {
        const TagResult result = tag->WriteWord(data[2], data[3], data[5], data[6]);
        return StatusAnswer(command, StatusOf(result), data);
    }
    case kCmdLock:
        return sim::MakeStatus(command, StatusOf(tag->Lock(data[1])));
    case kCmdKill:
        return sim::MakeStatus(command, StatusOf(tag->Kill(data.subspan(2))));
    case kCmdInitialize:
        return sim::MakeStatus(command, StatusOf(tag->Initialize()));
    case kCmdAuthorize:
        return sim::MakeStatus(command, StatusOf(tag->Authorize()));
    case kCmdFastWriteId:
        return StatusAnswer(command, StatusOf(tag->WriteId(data.subspan(1))), data);
    default:
        return sim::MakeStatus(command, sim::kBadRequest);
    }
}

// The answer that carries a status for command: for most commands the five-byte E4 frame; the
// word write and the fast ID write have data answers of their own with the status inside.
Bytes CReaderSimulator::StatusAnswer(std::uint8_t command, std::uint8_t status,
                                     ByteView data) const {
    if (command == kCmdWriteTag) {
        // E0 0E 81 02, the request echoed (04 00 section address 01 d0 d1) padded to ten bytes,
        // status, checksum: sixteen bytes.
        Bytes payload{0x02};
        for (std::size_t i = 0; i < 10; ++i)
            payload.push_back(i < data.size() ? data[i] : 0x00);
        payload.push_back(status);
        return sim::MakeFrame(sim::kData, command, payload);
    }
    if (command == kCmdFastWriteId) {
        const std::uint8_t payload[] = {status};
        return sim::MakeFrame(sim::kData, command, payload);
    }
    return sim::MakeStatus(command, status);
}

void CReaderSimulator::Emit(SimOutput::Kind kind, std::uint8_t command, Bytes bytes,
                            const FaultSpec& fault, std::size_t checksumIndex,
                            std::uint64_t dueMicros) {
    switch (fault.kind) {
    case FaultKind::CorruptChecksum: {
        std::uint8_t& checksum = checksumIndex ? bytes[checksumIndex] : bytes.back();
        checksum ^= 0x5A;
        break;
    }
    case FaultKind::FailureStatus:
        // Only records come here with this fault: their closing byte is zero.
        bytes.back() = 0x00;
        break;
    case FaultKind::Noise:
        Queue(SimOutput{dueMicros, SimOutput::Kind::Noise, 0, Noise(fault.noiseBytes)});
        break;
    case FaultKind::Split: {
        const std::size_t pieces = std::clamp<std::size_t>(fault.pieces, 2, bytes.size());
        const std::size_t size = (bytes.size() + pieces - 1) / pieces;
        std::uint64_t due = dueMicros;
        for (std::size_t at = 0; at < bytes.size(); at += size, due += fault.gapMicros) {
            const std::size_t end = std::min(bytes.size(), at + size);
            Queue(SimOutput{due, SimOutput::Kind::Piece, command,
                            Bytes(bytes.begin() + at, bytes.begin() + end)});
        }
        return;
    }
    default:
        break;
    }
    Queue(SimOutput{dueMicros, kind, command, std::move(bytes)});
}

void CReaderSimulator::Queue(SimOutput output) {
    auto at = std::upper_bound(
        m_output.begin(), m_output.end(), output.dueMicros,
        [](std::uint64_t due, const SimOutput& queued) { return due < queued.dueMicros; });
    m_output.insert(at, std::move(output));
}

void CReaderSimulator::StreamUntil(std::uint64_t nowMicros) {
    if (!m_streaming)
        return;
    const std::uint64_t period = m_options.recordPeriodMicros;
    if (nowMicros > m_nextRecordMicros + kMaxBacklogRecords * period) {
        // Nobody listened for a long time: what the reader sent meanwhile is gone.
        const std::uint64_t missed = (nowMicros - m_nextRecordMicros) / period - kMaxBacklogRecords;
        m_nextRecordMicros += missed * period;
    }
    while (m_streaming && m_nextRecordMicros <= nowMicros) {
        const std::uint64_t due = m_nextRecordMicros;
        m_nextRecordMicros += period;
        m_tags.AdvanceTo(due);
        const CSimTag* tag = m_tags.NextLive(&m_streamCursor);
        if (!tag)
            continue; // no live tag in the field: nothing to report this turn
        Bytes record{kRecordHead0, kRecordHead1};
        const auto id = tag->Id();
        record.insert(record.end(), id.begin(), id.end());
        record.push_back(tag->Antenna());
        record.push_back(sim::Checksum(record));
        record.push_back(kRecordEnd);
        ++m_recordsStreamed;
        const FaultSpec fault = m_faults.TakeForRecord();
        if (fault.kind == FaultKind::Silence)
            continue;
        if (fault.kind == FaultKind::Vanish) {
            Vanish();
            return;
        }
        Emit(SimOutput::Kind::Record, 0, std::move(record), fault, 15, due);
    }
}

Bytes CReaderSimulator::Noise(std::size_t count) {
    Bytes noise;
    for (std::size_t i = 0; i < count; ++i) {
        // xorshift32: the same noise on every run.
        m_noiseState ^= m_noiseState << 13;
        m_noiseState ^= m_noiseState >> 17;
        m_noiseState ^= m_noiseState << 5;
        noise.push_back(static_cast<std::uint8_t>(m_noiseState));
    }
    return noise;
}
