// The entry point the benchmark programs share: an event loop object, because
// transfers and signing dispatch window messages as they do in the program.
#pragma once

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <functional>

inline int run_benchmarks(int argc, char** argv, const std::function<void()>& after = {}) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (after) {
        after();
    }
    return 0;
}
