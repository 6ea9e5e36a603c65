// The variable lists' rows worked out in the core: sorting a report of 1,000,000 definitions
// by each column, against reading that report (ParseReport), in one run; each sort must take
// at most the reading's time. Also the filter box's matching over 100,000 and 1,000,000
// definitions, which must answer well within a tenth of a second for 100,000.
#include "bench/report_generator.hpp"
#include "core/report/report.hpp"
#include "core/rows/list_rows.hpp"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace varscope;

constexpr std::size_t kDefinitions = 1'000'000;
constexpr double kSortRatioLimit = 1.0;
constexpr double kFilterLimitMs = 100.0;
// Typed into the filter box: a piece of a path found in many rows.
constexpr std::string_view kFilterText = "Standards/";

constexpr std::array<core::RecordColumn, 4> kColumns = {
    core::RecordColumn::Name, core::RecordColumn::Value, core::RecordColumn::Expansion,
    core::RecordColumn::File};
constexpr std::array<const char*, 4> kColumnNames = {"Name", "Value", "Expansion", "File"};

const std::string& Report(std::size_t definitions) {
    static const std::string large = bench::GenerateReport(kDefinitions);
    static const std::string small = bench::GenerateReport(kDefinitions / 10);
    return definitions == kDefinitions ? large : small;
}

const core::ReportData& Data(std::size_t definitions) {
    static const core::ReportData large = core::ParseReport(Report(kDefinitions));
    static const core::ReportData small = core::ParseReport(Report(kDefinitions / 10));
    return definitions == kDefinitions ? large : small;
}

void BM_ParseReport(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::string bytes = Report(kDefinitions);
        state.ResumeTiming();
        const core::ReportData data = core::ParseReport(std::move(bytes));
        if (data.Variables.size() != kDefinitions)
            state.SkipWithError("the generated report was not read whole");
        benchmark::DoNotOptimize(data.Variables.data());
    }
}

void BM_SortRecords(benchmark::State& state) {
    const auto column = kColumns[std::size_t(state.range(0))];
    const core::ReportData& data = Data(kDefinitions);
    for (auto _ : state) {
        const std::vector<std::size_t> order =
            core::SortRecords(data.Variables, column, core::SortDirection::Ascending);
        benchmark::DoNotOptimize(order.data());
    }
    state.SetLabel(kColumnNames[std::size_t(state.range(0))]);
}

void BM_FilterRecords(benchmark::State& state) {
    const core::ReportData& data = Data(std::size_t(state.range(0)));
    std::size_t matches = 0;
    for (auto _ : state) {
        const std::vector<std::size_t> rows = core::MatchingRecords(data.Variables, kFilterText);
        matches = rows.size();
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["matches"] = double(matches);
}

BENCHMARK(BM_ParseReport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_SortRecords)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5);
BENCHMARK(BM_FilterRecords)
    ->Arg(kDefinitions / 10)
    ->Arg(kDefinitions)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5);

// The medians by name and argument: the reporter keys them by function name only.
class RowsReporter final : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> medians;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name + "/" + run.run_name.args] =
                    run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf("report: %.1f MB, %zu definitions\n",
                static_cast<double>(Report(kDefinitions).size()) / 1e6, kDefinitions);
    RowsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double reading = reporter.medians["BM_ParseReport/"];
    if (reading <= 0) {
        std::printf("the reading did not run\n");
        return 1;
    }
    bool ok = true;
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        const double sorting = reporter.medians["BM_SortRecords/" + std::to_string(i)];
        const double ratio = sorting / reading;
        const bool fast = sorting > 0 && ratio <= kSortRatioLimit;
        ok = ok && fast;
        std::printf("sort by %s: %.1f ms, reading: %.1f ms, ratio %.2f (limit %.1f): %s\n",
                    kColumnNames[i], sorting, reading, ratio, kSortRatioLimit,
                    fast ? "ok" : "TOO SLOW");
    }
    const double filtering =
        reporter.medians["BM_FilterRecords/" + std::to_string(kDefinitions / 10)];
    const bool quick = filtering > 0 && filtering <= kFilterLimitMs;
    ok = ok && quick;
    std::printf("filter %zu definitions: %.1f ms (limit %.0f ms): %s\n", kDefinitions / 10,
                filtering, kFilterLimitMs, quick ? "ok" : "TOO SLOW");
    return ok ? 0 : 1;
}
