#pragma once
// The process's peak resident size as a benchmark counter. It is the
// benchmark's own only when the benchmark runs alone in the process (see
// bench/README.md).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

inline void ReportPeak(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
