// The start of every Google Benchmark program here: a QApplication on the offscreen platform
// (unless one is chosen), then the benchmarks asked for on the command line.
#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

// registerMore adds benchmarks that are made at run time, before any is run.
inline int RunQtBenchmarks(int argc, char** argv, void (*registerMore)() = nullptr) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (registerMore)
        registerMore();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
