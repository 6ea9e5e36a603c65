// How a variable got its value, on a report of 1,000,000 definitions: the name index built
// once per report (limit 0.3 s), a derivation of a record (limit 20 ms: the slowest of
// 2,000 records spread over the report, at its moment and of its final value), and "used
// by" of the variable the most records refer to (limit 100 ms).
#include "bench/report_generator.hpp"
#include "core/report/final_values.hpp"
#include "core/report/references.hpp"
#include "core/report/report.hpp"

#include <benchmark/benchmark.h>

#include "bound.hpp"
#include "median_reporter.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <unordered_map>

namespace {

using namespace varscope;

constexpr std::size_t kDefinitions = 1'000'000;
constexpr std::size_t kSampledRecords = 2'000;

struct Fixture {
    core::ReportData report;
    core::FinalValues finals;
    core::NameIndex index;
    std::string mostReferenced;
    std::size_t references = 0;
};

const Fixture& Data() {
    static const Fixture fixture = [] {
        Fixture made;
        made.report = core::ParseReport(bench::GenerateReport(kDefinitions));
        made.finals = core::FinalValues(made.report);
        made.index = core::NameIndex(made.report);
        std::unordered_map<std::string_view, std::size_t> counts;
        for (const core::ConfigVariable& record : made.report.Variables)
            for (const core::Reference& reference : core::ParseReferences(record.Value))
                ++counts[reference.Name];
        const auto most =
            std::max_element(counts.begin(), counts.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        made.mostReferenced = std::string(most->first);
        made.references = most->second;
        return made;
    }();
    return fixture;
}

void BM_NameIndex(benchmark::State& state) {
    const core::ReportData& report = Data().report;
    for (auto _ : state) {
        const core::NameIndex index(report);
        benchmark::DoNotOptimize(index.records("MS_DEF").size());
    }
}

// The slowest derivation of the sampled records, each timed alone.
void BM_SlowestDerivation(benchmark::State& state) {
    const Fixture& data = Data();
    const std::size_t step = data.report.Variables.size() / kSampledRecords;
    std::size_t nodes = 0;
    for (auto _ : state) {
        double slowest = 0;
        for (std::size_t record = 1; record <= data.report.Variables.size(); record += step) {
            const auto start = std::chrono::steady_clock::now();
            const core::Derivation moment = core::DeriveAtRecord(data.report, data.index, record);
            const core::Derivation final = core::DeriveFinalValue(
                data.report, data.finals, data.index, data.report.Variables[record - 1].Name);
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            slowest = std::max(slowest, seconds);
            nodes = std::max({nodes, moment.Nodes.size(), final.Nodes.size()});
        }
        state.SetIterationTime(slowest);
    }
    state.counters["most nodes"] = static_cast<double>(nodes);
}

void BM_UsedBy(benchmark::State& state) {
    const Fixture& data = Data();
    std::size_t users = 0;
    for (auto _ : state) {
        users = core::UsedBy(data.report, data.mostReferenced).size();
        benchmark::DoNotOptimize(users);
    }
    state.counters["users"] = static_cast<double>(users);
}

BENCHMARK(BM_NameIndex)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_SlowestDerivation)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5);
BENCHMARK(BM_UsedBy)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf("report: %zu definitions; the most referenced variable, %s, referred to by %zu\n",
                Data().report.Variables.size(), Data().mostReferenced.c_str(), Data().references);
    bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    bool ok = bench::WithinBound("name index", reporter.medians["BM_NameIndex"], 300);
    ok = bench::WithinBound("slowest derivation", reporter.medians["BM_SlowestDerivation"], 20) &&
         ok;
    ok = bench::WithinBound("used by", reporter.medians["BM_UsedBy"], 100) && ok;
    return ok ? 0 : 1;
}
