// The variable lists' rows worked out in the core: sorting a report of 1,000,000 definitions
// by each column, against GNU `sort -f` (C locale, one thread) on that column's texts of the
// same report, in one run; each sort must take at most sort's time. Also the filter box's
// matching over 100,000 and 1,000,000 definitions, which must answer well within a tenth of
// a second for 100,000.
#include "bench/report_generator.hpp"
#include "core/report/report.hpp"
#include "core/rows/list_rows.hpp"

#include <benchmark/benchmark.h>

#include "run_command.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

extern char** environ;

namespace {

using namespace varscope;
namespace fs = std::filesystem;

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

// The files holding each column's texts, one a line, for GNU sort.
std::array<std::string, 4>& ColumnFiles() {
    static std::array<std::string, 4> files;
    return files;
}

bool RunGnuSort(std::size_t column) {
    return bench::RunCommand(
        {"env", "LC_ALL=C", "sort", "-f", "--parallel=1", ColumnFiles()[column]},
        bench::Stream::Discard, bench::Stream::Inherit);
}

void BM_GnuSort(benchmark::State& state) {
    const auto column = std::size_t(state.range(0));
    for (auto _ : state) {
        if (!RunGnuSort(column))
            state.SkipWithError("sort could not be run");
    }
    state.SetLabel(kColumnNames[column]);
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

BENCHMARK(BM_GnuSort)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5);
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
    const fs::path folder =
        fs::temp_directory_path() / ("varscope-rows-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        ColumnFiles()[i] = (folder / kColumnNames[i]).string();
        std::ofstream out(ColumnFiles()[i], std::ios::binary);
        for (const core::ConfigVariable& record : Data(kDefinitions).Variables)
            out << core::ColumnText(record, kColumns[i]) << '\n';
    }
    // Each sort once before timing, so none pays for a cold cache.
    bool ran = true;
    for (std::size_t i = 0; i < kColumns.size(); ++i)
        ran = ran && RunGnuSort(i);
    RowsReporter reporter;
    if (ran)
        benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    bool ok = ran;
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        const double sorting = reporter.medians["BM_SortRecords/" + std::to_string(i)];
        const double gnu = reporter.medians["BM_GnuSort/" + std::to_string(i)];
        const double ratio = gnu > 0 ? sorting / gnu : 0;
        const bool fast = sorting > 0 && gnu > 0 && ratio <= kSortRatioLimit;
        ok = ok && fast;
        std::printf("sort by %s: %.1f ms, sort -f: %.1f ms, ratio %.2f (limit %.1f): %s\n",
                    kColumnNames[i], sorting, gnu, ratio, kSortRatioLimit,
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
