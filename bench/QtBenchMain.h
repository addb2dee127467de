#pragma once
// main() for the benchmarks that need a QApplication; offscreen unless a platform is named.
#include <QApplication>
#include <benchmark/benchmark.h>

inline int runQtBenchmarks(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
