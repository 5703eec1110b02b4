// The simulator back-end: the serial control talks to an in-process simulated reader.
//
// Bytes travel as on a real line, in real time: each byte takes its bits at the configured baud
// rate in both directions, the reader takes a request once its last byte has arrived and answers
// after its processing delay, and answers and multi-tag records come back byte by byte, handed
// over in chunks every few milliseconds as a serial driver does. The line does not care whether
// the port is open: requests written before a close still reach the reader, bytes that reach a
// closed port are lost, and bytes that arrive after a reopen are received. Everything runs on the
// owner's thread from a timer; nothing blocks.
#pragma once

#include "link/commbackend.h"
#include "sim/creadersimulator.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cstdint>
#include <deque>

class CSimulatorBackend : public ICommBackend {
    Q_OBJECT
public:
    // How often arrived bytes are handed over while the port is open.
    static constexpr int kDeliveryIntervalMs = 3;

    explicit CSimulatorBackend(QObject* parent = nullptr);
    explicit CSimulatorBackend(const CReaderSimulator::Options& options, QObject* parent = nullptr);

    // Fails once after the simulated device has vanished (NotFound); the device is back for the
    // attempt after that.
    bool Open(const LineSettings& settings, OpenFailure* failure, QString* errorText) override;
    // Requests already written still reach the reader, at their time; what reaches the port
    // while it is closed is lost.
    void Close() override;
    bool IsOpen() const override { return m_open; }
    bool ApplySettings(const LineSettings& settings) override;
    void Write(const QByteArray& bytes) override;
    QByteArray ReadAll() override;

    // The reader behind the port, for set-up and fault switches.
    CReaderSimulator& Simulator() { return m_simulator; }
    // Microseconds one character takes on the line with the current settings.
    std::uint64_t CharacterMicros() const;

private:
    // Bytes on the line, the first leaving at startMicros and each taking CharacterMicros.
    struct LineChunk {
        std::uint64_t startMicros = 0;
        Bytes bytes;
        std::size_t delivered = 0;
    };

    std::uint64_t Now() const;
    void Tick();
    // Runs the line up to now: request bytes reach the reader, its output goes onto the line, and
    // the bytes that have reached the port are received when it is open and lost when it is not.
    void RunLine(std::uint64_t now);
    void FeedReader(std::uint64_t upToMicros);
    void Lose();

    CReaderSimulator m_simulator;
    QTimer m_timer;
    QElapsedTimer m_clock;
    LineSettings m_settings;
    bool m_open = false;
    bool m_lost = false;
    std::uint64_t m_readerTime = 0;   // latest time handed to the simulator, never ahead of now
    std::uint64_t m_toReaderFree = 0; // when the host's line is next free
    std::uint64_t m_toHostFree = 0;   // when the reader's line is next free
    std::deque<LineChunk> m_toReader;
    std::deque<LineChunk> m_toHost;
    QByteArray m_received;
};
