// Serves a CReaderSimulator on a pseudo-terminal, the way a reader on a serial adapter would
// appear: the host opens the slave device and talks to it as to any serial port.
//
// A pseudo-terminal moves bytes at once, so the server keeps the wire's time itself, at the rate
// the host set on the terminal: each byte of a request reaches the reader one character time
// after the one before, and each byte of the reader's output reaches the terminal one character
// time after the one before. Output that reaches the terminal while nobody has it open is lost.
#pragma once

#include "sim/creadersimulator.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>

class CPtyServer {
public:
    CPtyServer(CReaderSimulator& simulator, std::FILE* log, bool logFrames, bool logRecords);
    ~CPtyServer();
    CPtyServer(const CPtyServer&) = delete;
    CPtyServer& operator=(const CPtyServer&) = delete;

    // Creates the terminal pair in raw mode. False with a message in *error on failure.
    bool Open(std::string* error);
    const std::string& SlavePath() const { return m_slavePath; }

    // Serves until *stop becomes non-zero or the simulated device vanishes. Returns the exit code.
    int Run(const volatile std::sig_atomic_t* stop);

private:
    // A byte on the line and the time it has fully arrived at the far end.
    struct LineByte {
        std::uint64_t arrives;
        std::uint8_t byte;
    };

    std::uint64_t Now() const;
    // Microseconds one character takes at the rate the host set on the terminal.
    std::uint64_t CharacterMicros() const;
    // The earliest time at which something is due: a byte arriving or the reader's next event.
    std::optional<std::uint64_t> NextDue() const;
    void ReadHost(std::uint64_t now);
    void FeedReader(std::uint64_t now);
    void SendDue(std::uint64_t now, bool hostPresent);
    void Flush();
    void Log(std::uint64_t micros, const char* direction, const char* what, ByteView bytes);

    CReaderSimulator& m_simulator;
    std::FILE* m_log;
    bool m_logFrames;
    bool m_logRecords;
    int m_master = -1;
    std::string m_slavePath;
    std::uint64_t m_startMicros = 0;
    std::deque<LineByte> m_toReader;  // request bytes on their way to the reader
    std::deque<LineByte> m_toHost;    // the reader's bytes on their way to the terminal
    std::uint64_t m_toReaderFree = 0; // when the host's line is next free
    std::uint64_t m_toHostFree = 0;   // when the reader's line is next free
    Bytes m_pending;                  // arrived bytes the terminal did not take yet
};
