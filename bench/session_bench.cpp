// Whole exchanges in real time, with the window's event loop running as the operator's would.
//
//   BM_ConnectSimulator      Connect pressed with the "Simulator" entry at 115200 bit/s, up to
//                            the window being connected (the version answer handled). The
//                            simulated line is paced at the baud rate, answers 2 ms after each
//                            request and hands bytes over every 3 ms, as a serial driver does.
//   BM_ConnectPtyTool        the same against tarnwick-sim on a pseudo-terminal through the real
//                            serial back-end; the tool paces the line at the rate set, too.
//   BM_DeviceSettingsFilled  Device Settings pressed on the simulator, up to the Work Mode Get
//                            it starts being done (the page shows the reader's values).
//   BM_GroupSwitch           Device Settings and Demonstration in turn on an in-memory line:
//                            the handler and the events it leaves (layout, paint) until the
//                            pages are shown, in the thread's CPU time; "us_to_settings" and
//                            "us_to_demonstration" each.
// "wire_us" is what the bytes of the exchange (requests and answers) take at 115200 bit/s with
// 10 bits a byte; for the two connects "host_us" is the window's own share (its thread's CPU
// time from Connect to connected) and "over_wire_us" the mean wall time beyond the wire time.
#include "fakewindow.h"

#include "link/portnames.h"
#include "protocol/frame.h"
#include "sim/creadersimulator.h"
#include "ui/creaderdlg.h"
#include "widgets/cpropertysheet.h"
#include "widgets/messagebox.h"

#include "qtbenchmain.h"

#include "eventloop.h"

#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBoundMs = 5000;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The thread's CPU time, for work that does not wait for the line: the machine is shared.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void ShowAndWait(CReaderDlg& dlg) {
    dlg.show();
    SpinUntil([&] { return dlg.windowHandle() && dlg.windowHandle()->isExposed(); });
}

// Bytes of the connect exchange: the three requests and the reader's answers to them.
std::size_t HandshakeBytes() {
    CReaderSimulator reader;
    std::size_t bytes = 0;
    std::uint64_t now = 0;
    // Stop, handshake and version query (the program's command header cannot be mixed with the
    // simulator's).
    for (const Bytes& request : {BuildRequest(0xFE), BuildRequest(0x50), BuildRequest(0x6A)}) {
        reader.Receive(request, now += 100000);
        bytes += request.size() + reader.TakeBytes(now += 100000).size();
    }
    return bytes;
}

double WireMicros(std::size_t bytes) {
    return static_cast<double>(bytes) * 10 * 1e6 / 115200;
}

struct Recorder {
    Recorder() {
        SetMessageRecorder([this](const QString& text) { messages << text; });
    }
    ~Recorder() { SetMessageRecorder({}); }
    QStringList messages;
};

void Choose(CReaderDlg& dlg, const char* list, const QString& text) {
    dlg.findChild<QComboBox*>(QString::fromLatin1(list))->setEditText(text);
}

// Connects to the port named portText at 115200 bit/s, once per iteration, disconnecting in
// between with an operator's pause.
void RunConnect(benchmark::State& state, const QString& portText) {
    Recorder recorder;
    CReaderDlg dlg;
    ShowAndWait(dlg);
    Choose(dlg, "portList", portText);
    Choose(dlg, "baudList", QStringLiteral("115200"));
    int failures = 0;
    double host = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = CpuSeconds();
        const auto t0 = Clock::now();
        dlg.OnConnect();
        const bool connected = SpinUntil([&] { return dlg.State().m_connected == 1; });
        const auto t1 = Clock::now();
        host += CpuSeconds() - c0;
        wall += Seconds(t0, t1);
        if (!connected) {
            ++failures;
            SpinUntil([&] { return !dlg.ConnectTimer().isActive(); });
        }
        state.SetIterationTime(Seconds(t0, t1));
        Spin(20);
        dlg.OnDisconnect();
        Spin(100);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["wire_us"] = WireMicros(HandshakeBytes());
    state.counters["host_us"] = host * 1e6 / n;
    state.counters["over_wire_us"] = wall * 1e6 / n - WireMicros(HandshakeBytes());
    state.counters["failures"] = failures;
    if (!recorder.messages.isEmpty())
        state.SetLabel(recorder.messages.join(QLatin1Char('|')).toStdString());
}

void BM_ConnectSimulator(benchmark::State& state) {
    RunConnect(state, kSimulatorPort);
}
BENCHMARK(BM_ConnectSimulator)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

void BM_ConnectPtyTool(benchmark::State& state) {
    QProcess tool;
    tool.setProgram(QStringLiteral(TARNWICK_SIM_TOOL));
    tool.setArguments({QStringLiteral("--quiet")});
    tool.start();
    QString path;
    if (tool.waitForStarted(kBoundMs)) {
        while (!tool.canReadLine() && tool.waitForReadyRead(kBoundMs)) {
        }
        path = QString::fromLocal8Bit(tool.readLine()).trimmed();
    }
    if (path.isEmpty()) {
        state.SkipWithError("tarnwick-sim did not name its terminal");
        for (auto _ : state) {
        }
        return;
    }
    RunConnect(state, path);
    tool.terminate();
    if (!tool.waitForFinished(kBoundMs))
        tool.kill();
}
BENCHMARK(BM_ConnectPtyTool)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

void BM_DeviceSettingsFilled(benchmark::State& state) {
    Recorder recorder;
    CReaderDlg dlg;
    ShowAndWait(dlg);
    Choose(dlg, "portList", kSimulatorPort);
    Choose(dlg, "baudList", QStringLiteral("115200"));
    dlg.OnConnect();
    if (!SpinUntil([&] { return dlg.State().m_connected == 1; })) {
        state.SkipWithError("no connection to the simulator");
        for (auto _ : state) {
        }
        return;
    }
    int failures = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        dlg.OnDeviceSettings();
        if (!SpinUntil([&] { return dlg.State().m_waitGetMode == 0; }))
            ++failures;
        state.SetIterationTime(Seconds(t0, Clock::now()));
        dlg.OnDemonstration();
        Spin(30);
    }
    state.counters["failures"] = failures;
}
BENCHMARK(BM_DeviceSettingsFilled)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

void BM_GroupSwitch(benchmark::State& state) {
    Recorder recorder;
    CReaderDlg dlg;
    CFakeBackend* line = ConnectToFakeLine(dlg);
    ShowAndWait(dlg);
    Spin(50);
    double toSettings = 0, toDemonstration = 0;
    for (auto _ : state) {
        const double t0 = CpuSeconds();
        dlg.OnDeviceSettings();
        QCoreApplication::processEvents();
        const double t1 = CpuSeconds();
        dlg.OnDemonstration();
        QCoreApplication::processEvents();
        const double t2 = CpuSeconds();
        toSettings += t1 - t0;
        toDemonstration += t2 - t1;
        state.SetIterationTime(t2 - t0);
        line->m_written.clear();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["us_to_settings"] = toSettings * 1e6 / n;
    state.counters["us_to_demonstration"] = toDemonstration * 1e6 / n;
}
BENCHMARK(BM_GroupSwitch)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
