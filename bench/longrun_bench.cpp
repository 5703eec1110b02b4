// The long run: 10,000 operations against the in-process simulator ("Simulator" entry, 115200
// bit/s), started through the window's own handlers as an operator would and each awaited with
// the event loop running, in a fixed mix: single identify, multi-tag runs to the 100-record stop,
// tag read, tag write, tab switches, Device Settings with its Work Mode Get, Work Mode Set and
// Get, Reader Parameters Get and Set, back to Demonstration, and Disconnect + Connect every 2,500
// operations.
//
// Resident memory (VmRSS of /proc/self/status) is printed at idle after connect, after every
// 1,000 operations and at the end, with the operation list's line count, and the mean wall time
// of each kind of operation. Two runs, side by side, each in its own process so that one's heap
// does not hide the other's:
//   keep    the operation list keeps every line until Disconnect clears it, as the program does;
//   clear   the same, with Clear Operation List pressed every 100 operations.
// A leak shows as growth in both; what the list holds shows as the difference.
// At the start and at the end one operation-list line and one Data box line are timed (call and
// the events it leaves, median of 5), to show the window still answers as at the start.
// Arguments starting with --benchmark are taken and ignored, so scripts/bench can pass its own.
#include "link/portnames.h"
#include "pages/cidentify.h"
#include "pages/cparameter.h"
#include "pages/cread.h"
#include "pages/cworkmode.h"
#include "ui/coperationlog.h"
#include "ui/creaderdlg.h"
#include "widgets/cpropertysheet.h"
#include "widgets/messagebox.h"

#include "eventloop.h"

#include <QApplication>
#include <QComboBox>
#include <QRadioButton>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iostream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
int g_operations = 10000; // a second argument to a child run sets it, for trying out
constexpr int kReportEvery = 1000;
constexpr int kReconnectEvery = 2500;
constexpr int kClearEvery = 100;
constexpr int kBoundMs = 5000;

long RssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

double MedianMicros(const std::function<void()>& action) {
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        action();
        QCoreApplication::processEvents();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

// The kinds of operation in the mix, for the time each takes.
enum Kind {
    kIdentify,
    kStream,
    kTab,
    kTagRead,
    kTagWrite,
    kDeviceSettings,
    kWorkModeSet,
    kWorkModeGet,
    kParametersTab,
    kParametersSet,
    kParametersGet,
    kDemonstration,
    kReconnect,
    kKinds
};
const char* const kKindNames[kKinds] = {"single identify",
                                        "multi-tag run to 100",
                                        "tab switch",
                                        "tag read",
                                        "tag write",
                                        "Device Settings + Get",
                                        "Work Mode Set",
                                        "Work Mode Get",
                                        "Reader Parameters tab",
                                        "Reader Parameters Set",
                                        "Reader Parameters Get",
                                        "Demonstration",
                                        "Disconnect + Connect"};

class Session {
public:
    explicit Session(bool clearList) : m_clearList(clearList) {
        SetMessageRecorder([this](const QString& text) { m_messages << text; });
    }
    ~Session() { SetMessageRecorder({}); }

    int Run() {
        m_dlg.show();
        SpinUntil([&] { return m_dlg.windowHandle() && m_dlg.windowHandle()->isExposed(); });
        m_dlg.findChild<QComboBox*>(QStringLiteral("portList"))->setEditText(kSimulatorPort);
        m_dlg.findChild<QComboBox*>(QStringLiteral("baudList"))
            ->setEditText(QStringLiteral("115200"));
        if (!Connect()) {
            std::printf("no connection to the simulator\n");
            return 1;
        }
        Spin(200);
        const auto started = Clock::now();
        std::printf("%-22s %8s %10s %8s %8s %9s\n", "point", "ops", "seconds", "VmRSS kB", "list",
                    "failures");
        Report("idle after connect", 0, started);
        const double lineAtStart = TimeListLine();
        const double boxAtStart = TimeBoxLine();

        for (int op = 0; op < g_operations; ++op) {
            const auto t0 = Clock::now();
            const Kind kind = Operation(op);
            m_seconds[kind] += std::chrono::duration<double>(Clock::now() - t0).count();
            ++m_count[kind];
            if (m_clearList && (op + 1) % kClearEvery == 0)
                m_dlg.OnClearOperationList();
            if ((op + 1) % kReportEvery == 0)
                Report("after operations", op + 1, started);
            if (m_failures > 50) {
                std::printf("too many failures, stopped at %d: %s\n", op, m_lastFailure.c_str());
                return 1;
            }
        }
        Spin(200);
        Report("end, idle", g_operations, started);
        const double lineAtEnd = TimeListLine();
        const double boxAtEnd = TimeBoxLine();
        std::printf("one operation-list line: %.0f us at the start, %.0f us at the end\n",
                    lineAtStart, lineAtEnd);
        std::printf("one Data box line:       %.0f us at the start, %.0f us at the end\n",
                    boxAtStart, boxAtEnd);
        std::printf("%-24s %6s %10s\n", "operation", "count", "mean ms");
        for (int k = 0; k < kKinds; ++k)
            if (m_count[k] > 0)
                std::printf("%-24s %6d %10.1f\n", kKindNames[k], m_count[k],
                            m_seconds[k] * 1e3 / m_count[k]);
        std::printf("multi-tag runs stopped at 100 records: %d; messages other than that: %d\n",
                    m_streams, static_cast<int>(m_messages.size()) - m_streams);
        for (const QString& text : m_messages)
            if (text != QStringLiteral("Exceed 100 Tags. Identifying Stopped!")) {
                std::printf("  first other message: %s\n", text.toStdString().c_str());
                break;
            }
        if (m_failures > 0)
            std::printf("operations not finished within %d ms: %d (last: %s)\n", kBoundMs,
                        m_failures, m_lastFailure.c_str());
        return 0;
    }

private:
    void Report(const char* point, int ops, Clock::time_point started) {
        std::printf("%-22s %8d %10.1f %8ld %8d %9d\n", point, ops,
                    std::chrono::duration<double>(Clock::now() - started).count(), RssKb(),
                    m_dlg.OperationList().LineCount(), m_failures);
        std::fflush(stdout);
    }

    double TimeListLine() {
        return MedianMicros([&] { m_dlg.AddOperationLine(QStringLiteral("Probe line")); });
    }
    // The Data box of the Tag Identify page, which is in front at both probes.
    double TimeBoxLine() {
        CIdentify& page = m_dlg.IdentifyPage();
        return MedianMicros([&] {
            page.AppendTagLine(
                QStringLiteral("30 31 32 33 34 35 36 37 38 39 3A 3B(Antenna1) \r\n"));
            page.RefreshBox();
        });
    }

    void Expect(bool done, const char* what) {
        if (!done) {
            ++m_failures;
            m_lastFailure = what;
        }
    }

    bool Connect() {
        m_dlg.OnConnect();
        return SpinUntil([&] { return m_dlg.State().m_connected == 1; });
    }

    // Operation op of the mix, in blocks of 20 on the Demonstration group's Tag Identify tab.
    Kind Operation(int op) {
        const int block = op / 20;
        switch (op % 20) {
        case 6:
            if (block % 2 == 1) {
                StreamRun();
                return kStream;
            }
            [[fallthrough]];
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
            m_dlg.IdentifyPage().OnIdentifyTag();
            Expect(SpinUntil([&] { return m_dlg.State().m_waitIdentify == 0; }), "single identify");
            return kIdentify;
        case 7:
            m_dlg.Sheet().SetActivePage(1);
            QCoreApplication::processEvents();
            return kTab;
        case 8:
        case 9:
        case 10:
            m_dlg.ReadPage().OnReadTag();
            Expect(SpinUntil([&] { return m_dlg.State().m_waitReadTag == 0; }), "tag read");
            return kTagRead;
        case 11:
        case 12:
        case 13:
            m_dlg.ReadPage().OnWriteTag();
            Expect(SpinUntil([&] { return m_dlg.State().m_waitWriteTag == 0; }), "tag write");
            return kTagWrite;
        case 14:
            m_dlg.Sheet().SetActivePage(0);
            QCoreApplication::processEvents();
            return kTab;
        case 15:
            m_dlg.OnDeviceSettings();
            Expect(SpinUntil([&] { return m_dlg.State().m_waitGetMode == 0; }), "device settings");
            return kDeviceSettings;
        case 16:
            if (block % 2 == 0) {
                // The mode the simulated reader starts in, so multi-tag runs stay allowed.
                m_dlg.findChild<QRadioButton*>(QStringLiteral("timerRadio"))->setChecked(true);
                m_dlg.WorkmodePage().OnRadioTimer();
                m_dlg.WorkmodePage().OnSetSettings();
                Expect(SpinUntil([&] { return m_dlg.State().m_waitSetMode == 0; }),
                       "work mode set");
                return kWorkModeSet;
            } else {
                m_dlg.WorkmodePage().OnGetSettings();
                Expect(SpinUntil([&] { return m_dlg.State().m_waitGetMode == 0; }),
                       "work mode get");
                return kWorkModeGet;
            }
        case 17:
            m_dlg.Sheet().SetActivePage(1);
            Expect(SpinUntil([&] { return m_dlg.State().m_waitGetParams == 0; }), "parameters tab");
            return kParametersTab;
        case 18:
            if (block % 2 == 0) {
                m_dlg.ParameterPage().OnSetSettings();
                Expect(SpinUntil([&] { return m_dlg.State().m_waitSetParams == 0; }),
                       "parameters set");
                return kParametersSet;
            } else {
                m_dlg.ParameterPage().OnGetSettings();
                Expect(SpinUntil([&] { return m_dlg.State().m_waitGetParams == 0; }),
                       "parameters get");
                return kParametersGet;
            }
        case 19:
            if ((op + 1) % kReconnectEvery == 0) {
                m_dlg.OnDisconnect();
                Spin(100); // an operator's pause; the stream Disconnect starts is lost meanwhile
                Expect(Connect(), "connect");
                return kReconnect;
            }
            m_dlg.OnDemonstration();
            QCoreApplication::processEvents();
            return kDemonstration;
        default:
            return kDemonstration;
        }
    }

    // Multiple Tags, Identify Tag, the run to the 100-record stop, then Single Tag again.
    void StreamRun() {
        CIdentify& page = m_dlg.IdentifyPage();
        page.OnMultipleTags();
        Spin(10); // the mode write's acknowledgement
        const int stops = static_cast<int>(
            m_messages.count(QStringLiteral("Exceed 100 Tags. Identifying Stopped!")));
        page.OnIdentifyTag();
        const bool stopped = SpinUntil([&] {
            return m_messages.count(QStringLiteral("Exceed 100 Tags. Identifying Stopped!")) >
                   stops;
        });
        Expect(stopped, "multi-tag run");
        if (stopped)
            ++m_streams;
        Spin(10);
        page.OnSingleTag();
        Spin(30); // records sent before the stop are lost to the closed port
    }

    bool m_clearList;
    CReaderDlg m_dlg;
    QStringList m_messages;
    int m_failures = 0;
    int m_streams = 0;
    std::string m_lastFailure;
    double m_seconds[kKinds] = {};
    int m_count[kKinds] = {};
};

int Child(int argc, char** argv, bool clearList) {
    if (argc > 2)
        g_operations = std::atoi(argv[2]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("== long run, %s\n", clearList ? "operation list cleared every 100 operations"
                                               : "operation list kept (cleared by Disconnect)");
    Session session(clearList);
    return session.Run();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--keep") == 0)
        return Child(argc, argv, false);
    if (argc > 1 && std::strcmp(argv[1], "--clear") == 0)
        return Child(argc, argv, true);
    // The two runs go side by side: they spend most of their time waiting for the simulated
    // line, and each has its own heap. Each writes to a file, shown when both are done.
    const char* const modes[] = {"--keep", "--clear"};
    pid_t pids[2] = {};
    std::string files[2];
    for (int i = 0; i < 2; ++i) {
        files[i] = "/tmp/tarnwick-longrun-" + std::to_string(getpid()) + modes[i] + ".txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, files[i].c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        char self[] = "/proc/self/exe";
        char* childArgv[] = {self, const_cast<char*>(modes[i]), nullptr};
        const int failed =
            posix_spawn(&pids[i], "/proc/self/exe", &actions, nullptr, childArgv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0)
            return 1;
    }
    int result = 0;
    for (int i = 0; i < 2; ++i) {
        int status = 0;
        waitpid(pids[i], &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            result = 1;
        std::ifstream text(files[i]);
        std::cout << text.rdbuf();
        std::remove(files[i].c_str());
    }
    return result;
}
