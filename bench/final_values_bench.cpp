// The winners of a report of 1,000,000 definitions with a summary of about 100,000 entries
// (FinalValues: the summary read, every record joined with it), against reading that report
// (ParseReport), in one run. The winners must take at most 0.3 of the reading's time.
#include "bench/report_generator.hpp"
#include "core/final_values.hpp"
#include "core/report.hpp"

#include <benchmark/benchmark.h>

#include "median_reporter.hpp"

#include <cstdio>
#include <string>

namespace {

using namespace varscope;

constexpr std::size_t kDefinitions = 1'000'000;
// Three of the generator's twelve name prefixes are the same: 120,000 name numbers give
// about 100,000 names.
constexpr std::size_t kNames = 120'000;
constexpr double kRatioLimit = 0.3;

const std::string& Report() {
    static const std::string report =
        bench::GenerateReport(kDefinitions, bench::kDefaultSeed, kNames);
    return report;
}

void BM_ParseReport(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::string bytes = Report();
        state.ResumeTiming();
        const core::ReportData data = core::ParseReport(std::move(bytes));
        if (data.Variables.size() != kDefinitions)
            state.SkipWithError("the generated report was not read whole");
        benchmark::DoNotOptimize(data.Variables.data());
    }
}

void BM_FinalValues(benchmark::State& state) {
    const core::ReportData data = core::ParseReport(Report());
    std::size_t winners = 0;
    for (auto _ : state) {
        const core::FinalValues finals(data);
        winners = 0;
        for (const core::FinalVariable& variable : finals.Variables())
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
                    finals.Entries().size());
    }
    bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double reading = reporter.medians["BM_ParseReport"];
    const double winners = reporter.medians["BM_FinalValues"];
    if (reading <= 0 || winners <= 0) {
        std::printf("a benchmark did not run\n");
        return 1;
    }
    const double ratio = winners / reading;
    std::printf("winners: %.2f ms, reading: %.2f ms\n", winners, reading);
    std::printf("winners / reading = %.2f (limit %.1f): %s\n", ratio, kRatioLimit,
                ratio <= kRatioLimit ? "ok" : "TOO SLOW");
    return ratio <= kRatioLimit ? 0 : 1;
}
