// The health check on a report of 1,000,000 definitions: every rule together, the records'
// references found once for all of them (limit 1 s). The name index the rules share with
// the derivations is built once per report and timed in references_bench.
#include "bench/report_generator.hpp"
#include "core/problems/problems.hpp"
#include "core/report/final_values.hpp"
#include "core/report/references.hpp"
#include "core/report/report.hpp"

#include <benchmark/benchmark.h>

#include "bound.hpp"
#include "median_reporter.hpp"

#include <cstdio>

namespace {

using namespace varscope;

constexpr std::size_t kDefinitions = 1'000'000;

struct Fixture {
    core::ReportData report;
    core::FinalValues finals;
    core::NameIndex index;
};

const Fixture& Data() {
    static const Fixture fixture = [] {
        Fixture made;
        made.report = core::ParseReport(bench::GenerateReport(kDefinitions));
        made.finals = core::FinalValues(made.report);
        made.index = core::NameIndex(made.report);
        return made;
    }();
    return fixture;
}

void BM_CheckReport(benchmark::State& state) {
    const Fixture& data = Data();
    std::size_t findings = 0;
    for (auto _ : state) {
        findings = core::CheckReport(data.report, data.finals, data.index).size();
        benchmark::DoNotOptimize(findings);
    }
    state.counters["findings"] = static_cast<double>(findings);
}

BENCHMARK(BM_CheckReport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Data();
    bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return bench::WithinBound("all rules", reporter.medians["BM_CheckReport"], 1000) ? 0 : 1;
}
