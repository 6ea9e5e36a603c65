// The winners of a report of 1,000,000 definitions with a summary of about 100,000 entries
// (FinalValues: the summary read, every record joined with it) must take under 1 s in a
// Release build. The reading of that report is timed beside it, for scale.
#include "bench/report_generator.hpp"
#include "core/report/final_values.hpp"
#include "core/report/report.hpp"

#include <benchmark/benchmark.h>

#include "bound.hpp"
#include "median_reporter.hpp"
#include "reading.hpp"

#include <cstdio>
#include <string>

namespace {

using namespace varscope;

constexpr std::size_t kDefinitions = 1'000'000;
// Three of the generator's twelve name prefixes are the same: 120,000 name numbers give
// about 100,000 names.
constexpr std::size_t kNames = 120'000;
constexpr double kLimitMilliseconds = 1000;

const std::string& Report() {
    static const std::string report =
        bench::GenerateReport(kDefinitions, bench::kDefaultSeed, kNames);
    return report;
}

void BM_ParseReport(benchmark::State& state) {
    for (auto _ : state)
        bench::TimeReading(state, Report(), kDefinitions);
}

void BM_FinalValues(benchmark::State& state) {
    const core::ReportData data = core::ParseReport(Report());
    std::size_t winners = 0;
    for (auto _ : state) {
        const core::FinalValues finals(data);
        winners = 0;
        for (const core::FinalVariable& variable : finals.variables())
            winners += variable.Winner != 0 ? 1 : 0;
        benchmark::DoNotOptimize(winners);
    }
    state.counters["winners"] = static_cast<double>(winners);
}

BENCHMARK(BM_ParseReport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_FinalValues)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    {
        const core::FinalValues finals(core::ParseReport(Report()));
        std::printf("report: %.1f MB, %zu definitions, %zu summary entries\n",
                    static_cast<double>(Report().size()) / 1e6, kDefinitions,
                    finals.entries().size());
    }
    bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("reading: %.2f ms\n", reporter.medians["BM_ParseReport"]);
    return bench::WithinBound("winners", reporter.medians["BM_FinalValues"], kLimitMilliseconds)
               ? 0
               : 1;
}
