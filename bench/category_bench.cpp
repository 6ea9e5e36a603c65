// The Category page's tree of 2,000 members over a report of 1,000,000 definitions must be
// built (the category file's text read, every member matched with the records) in under 1 s
// in a Release build, whatever the names look like: once over the generator's names, once
// over names numbered in the middle (CIVIL_LAYER_000123_SETTINGS), which share their first
// and last bytes and their length. The reading of the generated report is timed beside it.
#include "bench/report_generator.hpp"
#include "core/category/category_tree.hpp"
#include "core/report/report.hpp"

#include <benchmark/benchmark.h>

#include "bound.hpp"
#include "median_reporter.hpp"
#include "reading.hpp"

#include <cstdio>
#include <string>
#include <unordered_set>

namespace {

using namespace varscope;

constexpr std::size_t kDefinitions = 1'000'000;
constexpr std::size_t kMembers = 2'000;
constexpr std::size_t kMembersPerCategory = 20;
constexpr double kLimitMilliseconds = 1000;

const std::string& Report() {
    static const std::string report = bench::GenerateReport(kDefinitions);
    return report;
}

// "CIVIL_LAYER_000123_SETTINGS".
std::string MiddleNumbered(std::size_t number) {
    std::string digits = std::to_string(number);
    return "CIVIL_LAYER_" + std::string(6 - digits.size(), '0') + digits + "_SETTINGS";
}

// A report whose every definition names one of kMembers middle-numbered variables.
const std::string& MiddleNumberedReport() {
    static const std::string report = [] {
        std::string out = "Debug level = 2\r\n\r\nProcessing macro file [C:\\civil.cfg]\r\n";
        for (std::size_t i = 0; i < kDefinitions; ++i) {
            const std::string value = "C:/Civil/Layers/" + std::to_string(i) + "/";
            out += "(user): " + MiddleNumbered(i % kMembers) + "=" + value + " [" + value + "]\r\n";
        }
        return out;
    }();
    return report;
}

std::string MemberLine(std::size_t member, std::string_view variable) {
    std::string out;
    if (member % kMembersPerCategory == 0)
        out += "[node=Category " + std::to_string(member / kMembersPerCategory) + "]\r\n";
    out += "Member " + std::to_string(member) + "=" + std::string(variable) + "\r\n";
    return out;
}

// Members name the report's variables in the order they first appear, every tenth one a
// variable the report lacks, as a category file kept over years would.
const std::string& CategoryFile() {
    static const std::string file = [] {
        const core::ReportData data = core::ParseReport(Report());
        std::unordered_set<std::string_view> seen;
        std::string out;
        std::size_t member = 0;
        for (const core::ConfigVariable& record : data.Variables) {
            if (member == kMembers)
                break;
            if (!seen.insert(record.Name).second)
                continue;
            out += MemberLine(member, member % 10 == 9 ? "GONE_" + std::to_string(member)
                                                       : std::string(record.Name));
            ++member;
        }
        return out;
    }();
    return file;
}

const std::string& MiddleNumberedCategoryFile() {
    static const std::string file = [] {
        std::string out;
        for (std::size_t member = 0; member < kMembers; ++member)
            out += MemberLine(member, MiddleNumbered(member));
        return out;
    }();
    return file;
}

void BM_ParseReport(benchmark::State& state) {
    for (auto _ : state)
        bench::TimeReading(state, Report(), kDefinitions);
}

void TimeTree(benchmark::State& state, const std::string& report, const std::string& file) {
    core::ReportData data = core::ParseReport(report);
    std::size_t values = 0;
    for (auto _ : state) {
        const core::CategoryTree tree =
            core::BuildCategoryTree(core::ParseCategoryListing(file), data);
        if (tree.duplicateKey)
            state.SkipWithError("the category file has a duplicate key");
        values = tree.nodes.size();
        benchmark::DoNotOptimize(tree.nodes.data());
    }
    state.counters["nodes"] = static_cast<double>(values);
}

void BM_BuildCategoryTree(benchmark::State& state) {
    TimeTree(state, Report(), CategoryFile());
}

void BM_BuildCategoryTreeMiddleNumbered(benchmark::State& state) {
    TimeTree(state, MiddleNumberedReport(), MiddleNumberedCategoryFile());
}

BENCHMARK(BM_ParseReport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_BuildCategoryTree)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_BuildCategoryTreeMiddleNumbered)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf("report: %.1f MB, %zu definitions; category file: %zu members\n",
                static_cast<double>(Report().size()) / 1e6, kDefinitions, kMembers);
    bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("reading: %.2f ms\n", reporter.medians["BM_ParseReport"]);
    const bool generated =
        bench::WithinBound("tree", reporter.medians["BM_BuildCategoryTree"], kLimitMilliseconds);
    const bool middle = bench::WithinBound("tree, names numbered in the middle",
                                           reporter.medians["BM_BuildCategoryTreeMiddleNumbered"],
                                           kLimitMilliseconds);
    return generated && middle ? 0 : 1;
}
