// Serves a CReaderSimulator on a pseudo-terminal, the way a reader on a serial adapter would
// appear: the host opens the slave device and talks to it as to any serial port.
#pragma once

#include "sim/creadersimulator.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
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
    std::uint64_t Now() const;
    void ReadHost(std::uint64_t now);
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
    Bytes m_pending; // bytes the terminal did not take yet
};
