// The expression builder's list of names: strSort on the names of a report of 100,000
// definitions against the exchange over all ordered pairs the builder first used, on
// 10,000 (on 100,000 it would take minutes), in names per second; and the builder opened
// over the 100,000-definition report, which must take well under a second.
#include "bench/report_generator.hpp"
#include "bench/silent_context.hpp"
#include "core/builder/builder.hpp"
#include "core/report/report.hpp"
#include "core/session.hpp"
#include "core/system/prompter.hpp"
#include "ui/builder/builder_window.hpp"
#include "ui/context.hpp"
#include "ui/pickers.hpp"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace varscope;

const core::ReportData& Report(std::size_t definitions) {
    static std::map<std::size_t, core::ReportData> reports;
    auto found = reports.find(definitions);
    if (found == reports.end())
        found = reports.emplace(definitions, core::ParseReport(bench::GenerateReport(definitions)))
                    .first;
    return found->second;
}

std::vector<std::string> Names(std::size_t definitions) {
    std::vector<std::string> names;
    for (const core::ConfigVariable& variable : Report(definitions).Variables)
        names.emplace_back(variable.Name);
    return names;
}

// The first way: for every i and every j, swap when element i sorts before element j,
// compared byte by byte, a beginning counting as neither before nor after.
bool SortsBefore(const std::string& a, const std::string& b) {
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (k >= b.size())
            return false;
        const auto ca = static_cast<unsigned char>(a[k]);
        const auto cb = static_cast<unsigned char>(b[k]);
        if (ca != cb)
            return ca < cb;
    }
    return false;
}

void ExchangeAllPairs(std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t j = 0; j < names.size(); ++j)
            if (SortsBefore(names[i], names[j]))
                std::swap(names[i], names[j]);
}

void SetNamesPerSecond(benchmark::State& state, std::size_t names) {
    state.counters["names"] = double(names);
    state.counters["names/s"] =
        benchmark::Counter(double(state.iterations() * names), benchmark::Counter::kIsRate);
}

void BM_strSort(benchmark::State& state) {
    const std::vector<std::string> names = Names(std::size_t(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> sorted = names;
        state.ResumeTiming();
        benchmark::DoNotOptimize(core::strSort(sorted).data());
    }
    SetNamesPerSecond(state, names.size());
}

void BM_ExchangeAllPairs(benchmark::State& state) {
    const std::vector<std::string> names = Names(std::size_t(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> sorted = names;
        state.ResumeTiming();
        ExchangeAllPairs(sorted);
        benchmark::DoNotOptimize(sorted.data());
    }
    SetNamesPerSecond(state, names.size());
}

// Copying the names out of the table, sorting them and dropping the copies.
void BM_DefinedVariableNames(benchmark::State& state) {
    const core::ReportData& report = Report(std::size_t(state.range(0)));
    std::size_t listed = 0;
    for (auto _ : state)
        listed = core::DefinedVariableNames(report.Variables).size();
    state.counters["listed"] = double(listed);
    SetNamesPerSecond(state, report.Variables.size());
}

using bench::NoPickers;
using bench::SilentPrompter;

// What follows the notice: the builder made, its list filled, shown and drawn.
void BM_OpenBuilder(benchmark::State& state) {
    core::AppState appState;
    core::ApplyReport(appState, Report(std::size_t(state.range(0))));
    SilentPrompter prompter;
    NoPickers pickers;
    ui::Context context{appState, prompter, pickers};
    for (auto _ : state) {
        ui::ExpressionBuilder builder(context);
        builder.show();
        QApplication::processEvents();
    }
    state.counters["definitions"] = double(state.range(0));
}

BENCHMARK(BM_strSort)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExchangeAllPairs)->Arg(10'000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DefinedVariableNames)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenBuilder)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
