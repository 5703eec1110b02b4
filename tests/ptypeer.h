// A peer at the far end of a real pseudo-terminal: the program opens the slave side through its
// real serial back-end, the test reads and writes the master side. While the test waits it keeps
// the program's event loop running, so the program's receive events arrive as they would.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

// The frames of the connect handshake: the program's requests and a reader's answers.
namespace handshake {
inline const std::vector<std::uint8_t> kStop = {0xA0, 0x02, 0xFE, 0x60};
inline const std::vector<std::uint8_t> kHandshake = {0xA0, 0x02, 0x50, 0x0E};
inline const std::vector<std::uint8_t> kVersionQuery = {0xA0, 0x02, 0x6A, 0xF4};
inline const std::vector<std::uint8_t> kStopAnswer = {0xE0, 0x04, 0xFE, 0x88, 0x88, 0x0E};
inline const std::vector<std::uint8_t> kHandshakeAck = {0xE4, 0x03, 0x50, 0x00, 0xC9};
inline const std::vector<std::uint8_t> kVersion12 = {0xE0, 0x04, 0x6A, 0x01, 0x02, 0xAF};
} // namespace handshake

class CPtyPeer {
public:
    using Bytes = std::vector<std::uint8_t>;

    CPtyPeer() {
        char name[256] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        termios t{};
        tcgetattr(m_slave, &t);
        cfmakeraw(&t);
        tcsetattr(m_slave, TCSANOW, &t);
        tcgetattr(m_master, &t);
        cfmakeraw(&t);
        tcsetattr(m_master, TCSANOW, &t);
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_path = QString::fromLocal8Bit(name);
    }
    ~CPtyPeer() {
        CloseMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    CPtyPeer(const CPtyPeer&) = delete;
    CPtyPeer& operator=(const CPtyPeer&) = delete;

    bool IsOpen() const { return m_master >= 0; }
    QString SlavePath() const { return m_path; }

    // Keeps the program running for a moment and collects what it wrote.
    void Pump(int ms = 2) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
        std::uint8_t buf[4096];
        for (;;) {
            if (m_master < 0)
                return;
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            m_received.insert(m_received.end(), buf, buf + n);
        }
        usleep(500);
    }

    // Keeps the program running for ms milliseconds.
    void Wait(int ms) {
        for (QDeadlineTimer deadline(ms); !deadline.hasExpired();)
            Pump();
    }
    // Removes and returns the first count received bytes (fewer if fewer arrived).
    Bytes Take(std::size_t count) {
        const auto end = m_received.begin() + static_cast<long>(std::min(count, m_received.size()));
        Bytes head(m_received.begin(), end);
        m_received.erase(m_received.begin(), end);
        return head;
    }
    // Waits until at least count bytes have come from the program (bounded wait).
    bool WaitForBytes(std::size_t count, int timeoutMs = 3000) {
        for (QDeadlineTimer deadline(timeoutMs);
             m_received.size() < count && !deadline.hasExpired();)
            Pump();
        return m_received.size() >= count;
    }
    // Waits for count bytes and returns them.
    Bytes Expect(std::size_t count, int timeoutMs = 3000) {
        WaitForBytes(count, timeoutMs);
        return Take(count);
    }
    const Bytes& Received() const { return m_received; }

    // Sends bytes to the program, in pieces of the given size, letting it run between pieces.
    void Send(const Bytes& bytes, std::size_t piece = 0) {
        if (piece == 0)
            piece = bytes.size();
        for (std::size_t i = 0; i < bytes.size(); i += piece) {
            const std::size_t n = std::min(piece, bytes.size() - i);
            // A full terminal buffer takes part of a piece; the rest goes once the program has
            // read some.
            for (std::size_t done = 0; done < n && m_master >= 0;) {
                const ssize_t w = ::write(m_master, bytes.data() + i + done, n - done);
                if (w > 0)
                    done += static_cast<std::size_t>(w);
                else if (errno != EAGAIN)
                    break;
                Pump();
            }
            Pump();
        }
        Pump();
    }

    // Hangs up the line, as a pulled USB adapter does.
    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    // Answers the program's connect handshake (stop, handshake, version query) as a reader with
    // firmware V1.2 does. False if a request is not the one expected.
    bool AnswerHandshake() {
        using namespace handshake;
        for (const auto& [request, answer] : {std::pair{kStop, kStopAnswer},
                                              {kHandshake, kHandshakeAck},
                                              {kVersionQuery, kVersion12}}) {
            if (Expect(4) != request)
                return false;
            Send(answer);
        }
        return true;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    Bytes m_received;
};
