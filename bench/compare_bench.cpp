// Comparing two reports of 1,000,000 definitions each (CompareReports: the winners of both,
// the join by name and the sort of the names), against reading the two (ParseReport twice),
// in one run. The comparison must take at most half the reading's time.
#include "bench/report_generator.hpp"
#include "core/compare.hpp"
#include "core/report.hpp"

#include <benchmark/benchmark.h>

#include "median_reporter.hpp"

#include <cstdio>
#include <string>

namespace {

using namespace varscope;

constexpr std::size_t kDefinitions = 1'000'000;
constexpr double kRatioLimit = 0.5;

// Two machines' reports: the same names, other values and files.
const std::string& Report(int which) {
    static const std::string reports[] = {
        bench::GenerateReport(kDefinitions, bench::kDefaultSeed),
        bench::GenerateReport(kDefinitions, bench::kDefaultSeed + 1)};
    return reports[which];
}

void BM_ReadBoth(benchmark::State& state) {
    for (auto _ : state) {
        for (int which = 0; which < 2; ++which) {
            state.PauseTiming();
            std::string bytes = Report(which);
            state.ResumeTiming();
            const core::ReportData data = core::ParseReport(std::move(bytes));
            if (data.Variables.size() != kDefinitions)
                state.SkipWithError("the generated report was not read whole");
            benchmark::DoNotOptimize(data.Variables.data());
        }
    }
}

void BM_Compare(benchmark::State& state) {
    const core::ReportData first = core::ParseReport(Report(0));
    const core::ReportData second = core::ParseReport(Report(1));
    std::size_t variables = 0;
    for (auto _ : state) {
        const core::ReportComparison comparison = core::CompareReports(first, second);
        variables = comparison.Variables.size();
        benchmark::DoNotOptimize(variables);
    }
    state.counters["variables"] = static_cast<double>(variables);
}

BENCHMARK(BM_ReadBoth)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_Compare)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    {
        const core::ReportComparison comparison =
            core::CompareReports(core::ParseReport(Report(0)), core::ParseReport(Report(1)));
        std::size_t differ = 0;
        for (const core::ComparedVariable& variable : comparison.Variables)
            differ += variable.Status != core::Difference::Same ? 1 : 0;
        std::printf("reports: %.1f and %.1f MB, %zu definitions each; %zu variables, %zu differ\n",
                    static_cast<double>(Report(0).size()) / 1e6,
                    static_cast<double>(Report(1).size()) / 1e6, kDefinitions,
                    comparison.Variables.size(), differ);
    }
    bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double reading = reporter.medians["BM_ReadBoth"];
    const double comparing = reporter.medians["BM_Compare"];
    if (reading <= 0 || comparing <= 0) {
        std::printf("a benchmark did not run\n");
        return 1;
    }
    const double ratio = comparing / reading;
    std::printf("comparing: %.2f ms, reading both: %.2f ms\n", comparing, reading);
    std::printf("comparing / reading = %.2f (limit %.1f): %s\n", ratio, kRatioLimit,
                ratio <= kRatioLimit ? "ok" : "TOO SLOW");
    return ratio <= kRatioLimit ? 0 : 1;
}
