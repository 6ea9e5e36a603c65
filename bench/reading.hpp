// What the speed targets are measured against: reading the report, as the window does, with
// the copy that the reading takes over made outside the timing.
#pragma once

#include "core/report/report.hpp"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <string>

namespace varscope::bench {

// Reads `report` once, inside a benchmark's loop; `definitions` checks it was read whole.
inline void TimeReading(benchmark::State& state, const std::string& report,
                        std::size_t definitions) {
    state.PauseTiming();
    std::string bytes = report;
    state.ResumeTiming();
    const core::ReportData data = core::ParseReport(std::move(bytes));
    if (data.Variables.size() != definitions)
        state.SkipWithError("the generated report was not read whole");
    benchmark::DoNotOptimize(data.Variables.data());
}

// Prints a median against the reading's and whether it is at most `limit` times it.
inline bool WithinReading(const char* what, double time, double reading, double limit) {
    if (time <= 0 || reading <= 0) {
        std::printf("%s: a benchmark did not run\n", what);
        return false;
    }
    const double ratio = time / reading;
    std::printf("%s: %.2f ms, reading: %.2f ms\n", what, time, reading);
    std::printf("%s / reading = %.2f (limit %.1f): %s\n", what, ratio, limit,
                ratio <= limit ? "ok" : "TOO SLOW");
    return ratio <= limit;
}

} // namespace varscope::bench
