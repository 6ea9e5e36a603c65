// The Category page's tree of 2,000 members over a report of 100,000 definitions, against
// reading that report (ParseReport), in one run. Building the tree (the category file's
// text read, every member matched with the records) must take at most the reading's time.
#include "bench/report_generator.hpp"
#include "core/category/category.hpp"
#include "core/report/report.hpp"

#include <benchmark/benchmark.h>

#include "median_reporter.hpp"
#include "reading.hpp"

#include <cstdio>
#include <string>
#include <unordered_set>

namespace {

using namespace varscope;

constexpr std::size_t kDefinitions = 100'000;
constexpr std::size_t kMembers = 2'000;
constexpr std::size_t kMembersPerCategory = 20;
constexpr double kRatioLimit = 1.0;

const std::string& Report() {
    static const std::string report = bench::GenerateReport(kDefinitions);
    return report;
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
            if (member % kMembersPerCategory == 0)
                out += "[node=Category " + std::to_string(member / kMembersPerCategory) + "]\r\n";
            out += "Member " + std::to_string(member) + "=";
            out += member % 10 == 9 ? "GONE_" + std::to_string(member) : std::string(record.Name);
            out += "\r\n";
            ++member;
        }
        return out;
    }();
    return file;
}

void BM_ParseReport(benchmark::State& state) {
    for (auto _ : state)
        bench::TimeReading(state, Report(), kDefinitions);
}

void BM_BuildCategoryTree(benchmark::State& state) {
    core::ReportData data = core::ParseReport(Report());
    std::size_t values = 0;
    for (auto _ : state) {
        const core::CategoryTree tree =
            core::BuildCategoryTree(core::ParseCategoryListing(CategoryFile()), data);
        if (tree.duplicateKey)
            state.SkipWithError("the category file has a duplicate key");
        values = tree.nodes.size();
        benchmark::DoNotOptimize(tree.nodes.data());
    }
    state.counters["nodes"] = static_cast<double>(values);
}

BENCHMARK(BM_ParseReport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_BuildCategoryTree)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf("report: %.1f MB, %zu definitions; category file: %zu members\n",
                static_cast<double>(Report().size()) / 1e6, kDefinitions, kMembers);
    bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return bench::WithinReading("tree", reporter.medians["BM_BuildCategoryTree"],
                                reporter.medians["BM_ParseReport"], kRatioLimit)
               ? 0
               : 1;
}
