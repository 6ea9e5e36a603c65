// `varscope-cli export REPORT --out /dev/null` against `cut -d= -f2- REPORT` (a plain
// program that splits every line and writes it out) on one generated report of about
// 100 MB, both from a warm page cache and writing to /dev/null. Prints both medians and
// their ratio; the export must take at most 1.5 times cut's time.
#include "bench/report_generator.hpp"

#include <benchmark/benchmark.h>

#include "median_reporter.hpp"
#include "run_command.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// About 146 bytes a definition with its share of file lines, traces and summary: 100 MB.
constexpr std::size_t kDefinitions = 680'000;
constexpr double kRatioLimit = 1.5;

std::string& ReportPath() {
    static std::string path;
    return path;
}

bool RunExport() {
    return varscope::bench::RunCommand({VARSCOPE_CLI, "export", ReportPath(), "--out", "/dev/null"},
                                       varscope::bench::Stream::Discard,
                                       varscope::bench::Stream::Inherit);
}
bool RunCut() {
    return varscope::bench::RunCommand({"cut", "-d=", "-f2-", ReportPath()},
                                       varscope::bench::Stream::Discard,
                                       varscope::bench::Stream::Inherit);
}

void BM_VarscopeCliExport(benchmark::State& state) {
    for (auto _ : state) {
        if (!RunExport())
            state.SkipWithError("varscope-cli export failed");
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * fs::file_size(ReportPath())));
}

void BM_Cut(benchmark::State& state) {
    for (auto _ : state) {
        if (!RunCut())
            state.SkipWithError("cut failed");
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * fs::file_size(ReportPath())));
}

BENCHMARK(BM_VarscopeCliExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_Cut)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::string pattern = (fs::temp_directory_path() / "varscope-export-bench-XXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        std::perror("cannot create the temporary report");
        return 1;
    }
    close(fd);
    ReportPath() = pattern;
    if (const auto failure = varscope::bench::WriteReport(ReportPath(), kDefinitions)) {
        std::fprintf(stderr, "%s\n", failure->c_str());
        fs::remove(ReportPath());
        return 1;
    }
    std::printf("report: %s, %.1f MB, %zu definitions\ncli: %s\n", ReportPath().c_str(),
                static_cast<double>(fs::file_size(ReportPath())) / 1e6, kDefinitions, VARSCOPE_CLI);
    // Both once before timing, so neither pays for a cold cache.
    const bool ran = RunExport() && RunCut();

    varscope::bench::MedianReporter reporter;
    if (ran)
        benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove(ReportPath(), ignored);

    const double ours = reporter.medians["BM_VarscopeCliExport"];
    const double theirs = reporter.medians["BM_Cut"];
    if (!ran || ours <= 0 || theirs <= 0) {
        std::printf("varscope-cli export or cut could not be run\n");
        return 1;
    }
    const double ratio = ours / theirs;
    std::printf("varscope-cli export: %.1f ms, cut -d= -f2-: %.1f ms\n", ours, theirs);
    std::printf("varscope-cli export / cut = %.2f (limit %.1f): %s\n", ratio, kRatioLimit,
                ratio <= kRatioLimit ? "ok" : "TOO SLOW");
    return ratio <= kRatioLimit ? 0 : 1;
}
