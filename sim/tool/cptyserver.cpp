#include "sim/tool/cptyserver.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// While nobody has the terminal open, look again this often.
constexpr int kIdlePollMs = 5;
// Output beyond this, not taken by the terminal, is dropped as a full line driver would.
constexpr std::size_t kMaxPending = 64 * 1024;

std::uint64_t MonotonicMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000u;
}

const char* KindName(SimOutput::Kind kind) {
    switch (kind) {
    case SimOutput::Kind::Answer:
        return "answer";
    case SimOutput::Kind::Piece:
        return "piece";
    case SimOutput::Kind::Noise:
        return "noise";
    case SimOutput::Kind::Record:
        return "record";
    }
    return "?";
}

} // namespace

CPtyServer::CPtyServer(CReaderSimulator& simulator, std::FILE* log, bool logFrames, bool logRecords)
    : m_simulator(simulator), m_log(log), m_logFrames(logFrames), m_logRecords(logRecords),
      m_startMicros(MonotonicMicros()) {
    m_simulator.SetRequestObserver([this](std::uint64_t now, ByteView bytes, bool intact) {
        Log(now, "<-", intact ? "request" : "dropped", bytes);
    });
}

CPtyServer::~CPtyServer() {
    m_simulator.SetRequestObserver({});
    if (m_master >= 0)
        close(m_master);
}

std::uint64_t CPtyServer::Now() const {
    return MonotonicMicros() - m_startMicros;
}

bool CPtyServer::Open(std::string* error) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ptsname(m_master);
    if (!name) {
        *error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    m_slavePath = name;
    // The line discipline must pass every byte through untouched: no echo, no line editing, no
    // CR/LF translation. Settings made through the master apply to the slave side.
    termios tio{};
    if (tcgetattr(m_master, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_master, TCSANOW, &tio);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
}

int CPtyServer::Run(const volatile std::sig_atomic_t* stop) {
    while (!*stop) {
        const std::uint64_t now = Now();
        pollfd fd{m_master, POLLIN, 0};
        if (!m_pending.empty())
            fd.events |= POLLOUT;
        int timeoutMs = 50;
        if (auto next = m_simulator.NextEventMicros()) {
            const std::uint64_t wait = *next > now ? *next - now : 0;
            timeoutMs = static_cast<int>(std::min<std::uint64_t>((wait + 999) / 1000, 50));
        }
        const int ready = poll(&fd, 1, timeoutMs);
        if (ready < 0 && errno != EINTR) {
            std::fprintf(m_log, "poll failed: %s\n", std::strerror(errno));
            return 1;
        }
        const bool hostPresent = !(fd.revents & POLLHUP);
        if (fd.revents & POLLIN)
            ReadHost(Now());
        SendDue(Now(), hostPresent);
        if (m_simulator.HasVanished()) {
            std::fprintf(m_log, "%10.3f ms  device vanished, closing %s\n", Now() / 1000.0,
                         m_slavePath.c_str());
            std::fflush(m_log);
            close(m_master);
            m_master = -1;
            return 0;
        }
        if (!hostPresent && !(fd.revents & POLLIN)) {
            // Nobody has the terminal open: poll would report the hang-up again at once.
            poll(nullptr, 0, std::min(timeoutMs, kIdlePollMs));
        }
    }
    return 0;
}

void CPtyServer::ReadHost(std::uint64_t now) {
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t n = read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            return; // EAGAIN: all read; EIO: the host closed the terminal
        m_simulator.Receive(ByteView(buffer, static_cast<std::size_t>(n)), now);
    }
}

void CPtyServer::SendDue(std::uint64_t now, bool hostPresent) {
    for (const SimOutput& out : m_simulator.TakeOutput(now)) {
        const bool record = out.kind == SimOutput::Kind::Record;
        // Records nobody can receive are not worth a line each.
        if (!record || (m_logRecords && hostPresent))
            Log(now, hostPresent ? "->" : "-x", KindName(out.kind), out.bytes);
        // A closed port takes nothing: what the reader sends meanwhile is lost.
        if (hostPresent && m_pending.size() + out.bytes.size() <= kMaxPending)
            m_pending.insert(m_pending.end(), out.bytes.begin(), out.bytes.end());
    }
    if (!hostPresent)
        m_pending.clear();
    Flush();
}

void CPtyServer::Flush() {
    while (!m_pending.empty()) {
        const ssize_t n = write(m_master, m_pending.data(), m_pending.size());
        if (n <= 0)
            return;
        m_pending.erase(m_pending.begin(), m_pending.begin() + n);
    }
}

void CPtyServer::Log(std::uint64_t micros, const char* direction, const char* what,
                     ByteView bytes) {
    if (!m_logFrames)
        return;
    std::fprintf(m_log, "%10.3f ms  %s %-7s", micros / 1000.0, direction, what);
    for (std::uint8_t b : bytes)
        std::fprintf(m_log, " %02X", b);
    std::fputc('\n', m_log);
    std::fflush(m_log);
}
