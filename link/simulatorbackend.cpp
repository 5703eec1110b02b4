#include "link/simulatorbackend.h"

#include <algorithm>

CSimulatorBackend::CSimulatorBackend(QObject* parent)
    : CSimulatorBackend(CReaderSimulator::Options{}, parent) {}

CSimulatorBackend::CSimulatorBackend(const CReaderSimulator::Options& options, QObject* parent)
    : ICommBackend(parent), m_simulator(options) {
    m_clock.start();
    m_timer.setInterval(kDeliveryIntervalMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CSimulatorBackend::Tick);
}

std::uint64_t CSimulatorBackend::Now() const {
    return static_cast<std::uint64_t>(m_clock.nsecsElapsed() / 1000);
}

std::uint64_t CSimulatorBackend::CharacterMicros() const {
    // Start bit, data bits, parity bit when there is one, stop bits.
    const int bits =
        1 + m_settings.dataBits + (m_settings.parity == 'n' ? 0 : 1) + m_settings.stopBits;
    const std::uint64_t baud =
        m_settings.baud > 0 ? static_cast<std::uint64_t>(m_settings.baud) : 9600u;
    return std::max<std::uint64_t>(1, bits * 1000000u / baud);
}

bool CSimulatorBackend::ApplySettings(const LineSettings& settings) {
    if (settings.baud <= 0 || settings.dataBits < 5 || settings.dataBits > 8 ||
        settings.stopBits < 1 || settings.stopBits > 2)
        return false;
    m_settings = settings;
    return true;
}

bool CSimulatorBackend::Open(const LineSettings& settings, OpenFailure* failure,
                             QString* errorText) {
    if (m_open)
        return true;
    if (m_lost || m_simulator.HasVanished()) {
        // The adapter was pulled out; it is plugged in again for the next attempt.
        m_lost = false;
        m_simulator.Reappear();
        *failure = OpenFailure::NotFound;
        *errorText = QStringLiteral("The simulated reader is not connected");
        return false;
    }
    if (!ApplySettings(settings)) {
        *failure = OpenFailure::BadSettings;
        *errorText = QStringLiteral("Unsupported line settings");
        return false;
    }
    // What reached the port while it was closed never reached anybody.
    RunLine(Now());
    m_received.clear();
    m_open = true;
    m_timer.start();
    return true;
}

void CSimulatorBackend::Close() {
    if (!m_open)
        return;
    // Bytes the driver held and nobody read go with the port.
    RunLine(Now());
    m_open = false;
    m_received.clear();
    // The timer runs on while requests are still on their way to the reader.
    if (m_toReader.empty())
        m_timer.stop();
}

void CSimulatorBackend::Write(const QByteArray& bytes) {
    if (!m_open || bytes.isEmpty())
        return;
    LineChunk chunk;
    chunk.startMicros = std::max(Now(), m_toReaderFree);
    chunk.bytes.assign(bytes.begin(), bytes.end());
    m_toReaderFree = chunk.startMicros + chunk.bytes.size() * CharacterMicros();
    m_toReader.push_back(std::move(chunk));
}

QByteArray CSimulatorBackend::ReadAll() {
    QByteArray bytes;
    bytes.swap(m_received);
    return bytes;
}

// Hands the reader every request byte that has crossed the line by upToMicros.
void CSimulatorBackend::FeedReader(std::uint64_t upToMicros) {
    const std::uint64_t character = CharacterMicros();
    while (!m_toReader.empty()) {
        LineChunk& chunk = m_toReader.front();
        const std::size_t arrived =
            upToMicros < chunk.startMicros
                ? 0
                : std::min<std::uint64_t>(chunk.bytes.size(),
                                          (upToMicros - chunk.startMicros) / character);
        if (arrived > chunk.delivered) {
            const std::uint64_t at =
                std::max(m_readerTime, chunk.startMicros + arrived * character);
            m_simulator.Receive(
                ByteView(chunk.bytes.data() + chunk.delivered, arrived - chunk.delivered), at);
            m_readerTime = at;
            chunk.delivered = arrived;
        }
        if (chunk.delivered < chunk.bytes.size())
            return;
        m_toReader.pop_front();
    }
}

void CSimulatorBackend::Tick() {
    const qsizetype before = m_received.size();
    RunLine(Now());
    if (m_simulator.HasVanished()) {
        if (m_open) {
            Lose();
        } else {
            m_timer.stop();
            m_toReader.clear();
            m_toHost.clear();
        }
        return;
    }
    if (!m_open) {
        if (m_toReader.empty())
            m_timer.stop();
        return;
    }
    if (m_received.size() > before)
        emit DataReady();
}

void CSimulatorBackend::RunLine(std::uint64_t now) {
    now = std::max(now, m_readerTime);
    FeedReader(now);
    m_readerTime = now;

    const std::uint64_t character = CharacterMicros();
    for (SimOutput& out : m_simulator.TakeOutput(now)) {
        // The reader sends a record only when its line has room for it; a record whose turn
        // comes while the line is still busy with earlier ones is skipped, as a slow line does.
        if (out.kind == SimOutput::Kind::Record &&
            m_toHostFree > out.dueMicros + out.bytes.size() * character)
            continue;
        LineChunk chunk;
        chunk.startMicros = std::max(out.dueMicros, m_toHostFree);
        chunk.bytes = std::move(out.bytes);
        m_toHostFree = chunk.startMicros + chunk.bytes.size() * character;
        m_toHost.push_back(std::move(chunk));
    }

    while (!m_toHost.empty()) {
        LineChunk& chunk = m_toHost.front();
        const std::size_t arrived =
            now < chunk.startMicros
                ? 0
                : std::min<std::uint64_t>(chunk.bytes.size(),
                                          (now - chunk.startMicros) / character);
        if (arrived > chunk.delivered) {
            if (m_open)
                m_received.append(
                    reinterpret_cast<const char*>(chunk.bytes.data() + chunk.delivered),
                    static_cast<qsizetype>(arrived - chunk.delivered));
            chunk.delivered = arrived;
        }
        if (chunk.delivered < chunk.bytes.size())
            break;
        m_toHost.pop_front();
    }
}

void CSimulatorBackend::Lose() {
    m_open = false;
    m_lost = true;
    m_timer.stop();
    m_toReader.clear();
    m_toHost.clear();
    m_received.clear();
    emit DeviceLost(QStringLiteral("The simulated reader has vanished"));
}
