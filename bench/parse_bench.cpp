// Reading a report: ParseReport on generated reports of 10,000, 100,000 and 1,000,000
// definitions, in bytes per second. Reading must stay a single pass that is bound by the
// speed of the disk, not by the parser.
#include "bench/report_generator.hpp"
#include "core/report/report.hpp"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace {

using namespace varscope;

const std::string& Report(std::size_t definitions) {
    static std::map<std::size_t, std::string> reports;
    auto found = reports.find(definitions);
    if (found == reports.end())
        found = reports.emplace(definitions, bench::GenerateReport(definitions)).first;
    return found->second;
}

void BM_ParseReport(benchmark::State& state) {
    const auto definitions = static_cast<std::size_t>(state.range(0));
    const std::string& report = Report(definitions);
    for (auto _ : state) {
        // ParseReport takes the bytes over, as it does from the file reader.
        state.PauseTiming();
        std::string bytes = report;
        state.ResumeTiming();
        const core::ReportData data = core::ParseReport(std::move(bytes));
        if (data.Variables.size() != definitions || data.SkippedLines != 0)
            state.SkipWithError("the generated report was not read whole");
        benchmark::DoNotOptimize(data.Variables.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * report.size()));
    state.counters["MB"] = static_cast<double>(report.size()) / 1e6;
    state.counters["definitions/s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * definitions), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ParseReport)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
