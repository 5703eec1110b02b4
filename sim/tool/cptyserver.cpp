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

// The bit rate of a terminal speed code; 9600 for codes not listed.
std::uint64_t BitsPerSecond(speed_t speed) {
    static const struct {
        speed_t code;
        std::uint64_t rate;
    } kRates[] = {{B1200, 1200},     {B2400, 2400},     {B4800, 4800},    {B9600, 9600},
                  {B19200, 19200},   {B38400, 38400},   {B57600, 57600},  {B115200, 115200},
                  {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
    for (const auto& entry : kRates)
        if (entry.code == speed)
            return entry.rate;
    return 9600;
}

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

std::uint64_t CPtyServer::CharacterMicros() const {
    termios tio{};
    if (tcgetattr(m_master, &tio) != 0)
        return 1000000 * 10 / 9600;
    // Start bit, data bits, parity bit when there is one, stop bits.
    const int dataBits = (tio.c_cflag & CSIZE) == CS5   ? 5
                         : (tio.c_cflag & CSIZE) == CS6 ? 6
                         : (tio.c_cflag & CSIZE) == CS7 ? 7
                                                        : 8;
    const int bits =
        1 + dataBits + ((tio.c_cflag & PARENB) ? 1 : 0) + ((tio.c_cflag & CSTOPB) ? 2 : 1);
    return std::max<std::uint64_t>(1, bits * 1000000u / BitsPerSecond(cfgetospeed(&tio)));
}

std::optional<std::uint64_t> CPtyServer::NextDue() const {
    std::optional<std::uint64_t> next = m_simulator.NextEventMicros();
    auto consider = [&](std::uint64_t at) { next = next ? std::min(*next, at) : at; };
    if (!m_toReader.empty())
        consider(m_toReader.front().arrives);
    if (!m_toHost.empty())
        consider(m_toHost.front().arrives);
    return next;
}

int CPtyServer::Run(const volatile std::sig_atomic_t* stop) {
    while (!*stop) {
        const std::uint64_t now = Now();
        pollfd fd{m_master, POLLIN, 0};
        if (!m_pending.empty())
            fd.events |= POLLOUT;
        int timeoutMs = 50;
        if (auto next = NextDue()) {
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
        FeedReader(Now());
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
    const std::uint64_t character = CharacterMicros();
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t n = read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            return; // EAGAIN: all read; EIO: the host closed the terminal
        // The bytes left the host now, one after another.
        for (ssize_t i = 0; i < n; ++i) {
            m_toReaderFree = std::max(m_toReaderFree, now) + character;
            m_toReader.push_back(LineByte{m_toReaderFree, buffer[i]});
        }
    }
}

void CPtyServer::FeedReader(std::uint64_t now) {
    while (!m_toReader.empty() && m_toReader.front().arrives <= now) {
        const LineByte in = m_toReader.front();
        m_toReader.pop_front();
        m_simulator.Receive(ByteView(&in.byte, 1), in.arrives);
    }
}

void CPtyServer::SendDue(std::uint64_t now, bool hostPresent) {
    const std::uint64_t character = CharacterMicros();
    for (const SimOutput& out : m_simulator.TakeOutput(now)) {
        const bool record = out.kind == SimOutput::Kind::Record;
        // The reader sends a record only when its line has room for it.
        if (record && m_toHostFree > out.dueMicros + out.bytes.size() * character)
            continue;
        // Records nobody can receive are not worth a line each.
        if (!record || (m_logRecords && hostPresent))
            Log(out.dueMicros, hostPresent ? "->" : "-x", KindName(out.kind), out.bytes);
        for (std::uint8_t byte : out.bytes) {
            m_toHostFree = std::max(m_toHostFree, out.dueMicros) + character;
            m_toHost.push_back(LineByte{m_toHostFree, byte});
        }
    }
    while (!m_toHost.empty() && m_toHost.front().arrives <= now) {
        // A closed terminal takes nothing: what arrives meanwhile is lost.
        if (hostPresent && m_pending.size() < kMaxPending)
            m_pending.push_back(m_toHost.front().byte);
        m_toHost.pop_front();
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
