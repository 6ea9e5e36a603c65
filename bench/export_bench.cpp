// `varscope-cli export REPORT --out /dev/null` against `wc -l REPORT` on one generated
// report of about 100 MB, both from a warm page cache. Prints both medians and their ratio;
// reading is meant to be bound by the disk, so the ratio must stay within 3.
#include "bench/report_generator.hpp"

#include <benchmark/benchmark.h>

#include "median_reporter.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
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
constexpr double kRatioLimit = 3.0;

std::string& ReportPath() {
    static std::string path;
    return path;
}

// Runs a program without a shell, its output discarded; true when it exits with 0.
bool Run(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int failed = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return false;
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunExport() {
    return Run({VARSCOPE_CLI, "export", ReportPath(), "--out", "/dev/null"});
}
bool RunWc() {
    return Run({"wc", "-l", ReportPath()});
}

void BM_VarscopeCliExport(benchmark::State& state) {
    for (auto _ : state) {
        if (!RunExport())
            state.SkipWithError("varscope-cli export failed");
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * fs::file_size(ReportPath())));
}

void BM_WcLines(benchmark::State& state) {
    for (auto _ : state) {
        if (!RunWc())
            state.SkipWithError("wc -l failed");
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * fs::file_size(ReportPath())));
}

BENCHMARK(BM_VarscopeCliExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_WcLines)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

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
    const bool ran = RunExport() && RunWc();

    varscope::bench::MedianReporter reporter;
    if (ran)
        benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove(ReportPath(), ignored);

    const double ours = reporter.medians["BM_VarscopeCliExport"];
    const double theirs = reporter.medians["BM_WcLines"];
    if (!ran || ours <= 0 || theirs <= 0) {
        std::printf("varscope-cli export or wc -l could not be run\n");
        return 1;
    }
    const double ratio = ours / theirs;
    std::printf("varscope-cli export: %.1f ms, wc -l: %.1f ms\n", ours, theirs);
    std::printf("varscope-cli export / wc -l = %.2f (limit %.1f): %s\n", ratio, kRatioLimit,
                ratio <= kRatioLimit ? "ok" : "TOO SLOW");
    return ratio <= kRatioLimit ? 0 : 1;
}
