// Start-up time: from the moment a new process is spawned to the main window exposed and
// painted for the first time, under the offscreen platform.
//
// The program spawns itself (argument --child) several times. The parent reads the monotonic
// clock just before posix_spawn; the child reads the same clock when main is entered (the
// executable and its shared libraries are loaded), when the application object exists, when the
// main window is built, when it is exposed and when its first paint has been handled, and writes
// the readings to a pipe. The child does what start-up does (application object, names, main
// window) and shows the window as exec would, without entering a modal loop. The first run comes
// after the page cache was warmed by this program's own start only, the others are warm.
// Arguments starting with --benchmark are taken and ignored, so scripts/bench can pass its own.
#include "ui/creaderdlg.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kRuns = 10;

long long NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

int Child(int argc, char** argv) {
    const long long entered = NowNs();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    const long long appMade = NowNs();
    CReaderDlg dlg;
    const long long windowMade = NowNs();
    dlg.show();
    QDeadlineTimer deadline(5000);
    while (!(dlg.windowHandle() && dlg.windowHandle()->isExposed()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const long long exposed = NowNs();
    // The paint the exposure asked for.
    QCoreApplication::processEvents();
    const long long painted = NowNs();
    std::printf("%lld %lld %lld %lld %lld\n", entered, appMade, windowMade, exposed, painted);
    return 0;
}

double Ms(long long ns) {
    return static_cast<double>(ns) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return Child(argc, argv);

    struct Run {
        double main, app, window, exposed, painted;
    };
    std::vector<Run> runs;
    for (int i = 0; i < kRuns; ++i) {
        int out[2];
        if (pipe(out) != 0)
            return 1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        char self[] = "/proc/self/exe";
        char child[] = "--child";
        char* childArgv[] = {self, child, nullptr};
        const long long spawned = NowNs();
        pid_t pid = 0;
        const int failed =
            posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, childArgv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (failed != 0) {
            close(out[0]);
            std::fprintf(stderr, "cannot start the child: %s\n", std::strerror(failed));
            return 1;
        }
        std::string text;
        char buffer[256];
        ssize_t n = 0;
        while ((n = read(out[0], buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        close(out[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        long long t[5] = {};
        if (std::sscanf(text.c_str(), "%lld %lld %lld %lld %lld", &t[0], &t[1], &t[2], &t[3],
                        &t[4]) != 5) {
            std::fprintf(stderr, "the child reported nothing\n");
            return 1;
        }
        runs.push_back({Ms(t[0] - spawned), Ms(t[1] - spawned), Ms(t[2] - spawned),
                        Ms(t[3] - spawned), Ms(t[4] - spawned)});
    }

    std::printf("Cold start, ms from spawn (monotonic clock), %d runs\n", kRuns);
    std::printf("%-8s %10s %10s %12s %10s %10s\n", "run", "main", "app", "window built", "exposed",
                "painted");
    for (std::size_t i = 0; i < runs.size(); ++i)
        std::printf("%-8zu %10.1f %10.1f %12.1f %10.1f %10.1f\n", i + 1, runs[i].main, runs[i].app,
                    runs[i].window, runs[i].exposed, runs[i].painted);
    auto median = [&](double Run::*field) {
        std::vector<double> v;
        for (const Run& r : runs)
            v.push_back(r.*field);
        std::sort(v.begin(), v.end());
        return (v[v.size() / 2] + v[(v.size() - 1) / 2]) / 2;
    };
    std::printf("%-8s %10.1f %10.1f %12.1f %10.1f %10.1f\n", "median", median(&Run::main),
                median(&Run::app), median(&Run::window), median(&Run::exposed),
                median(&Run::painted));
    return 0;
}
