// Comparing two reports of 1,000,000 definitions each (CompareReports: the winners of both,
// the join by name and the sort of the names) must take under 1 s in a Release build. The
// reading of the two is timed beside it, for scale.
#include "bench/report_generator.hpp"
#include "core/compare/compare.hpp"
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
constexpr double kLimitMilliseconds = 1000;

// Two machines' reports: the same names, other values and files.
const std::string& Report(int which) {
    static const std::string reports[] = {
        bench::GenerateReport(kDefinitions, bench::kDefaultSeed),
        bench::GenerateReport(kDefinitions, bench::kDefaultSeed + 1)};
    return reports[which];
}

void BM_ReadBoth(benchmark::State& state) {
    for (auto _ : state) {
        bench::TimeReading(state, Report(0), kDefinitions);
        bench::TimeReading(state, Report(1), kDefinitions);
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
    std::printf("reading both: %.2f ms\n", reporter.medians["BM_ReadBoth"]);
    return bench::WithinBound("comparing", reporter.medians["BM_Compare"], kLimitMilliseconds) ? 0
                                                                                               : 1;
}
