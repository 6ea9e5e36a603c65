// The disk search against `find ROOT -name NAME -print -quit` on one generated tree of
// 200,000 entries whose only copy of the program lies in the last folder both walk.
// Prints the ratio of the medians; it should stay at or below 1.5.
#include "core/system/platform/platform.hpp"
#include "core/system/search.hpp"

#include <benchmark/benchmark.h>

#include "median_reporter.hpp"
#include "run_command.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace varscope::core;

constexpr const char* kProgram = "notepad.exe";
constexpr int kTopFolders = 30;
constexpr int kFoldersPerTop = 30;
constexpr int kLeavesPerFolder = 20;
constexpr int kFilesPerLeaf = 10;
constexpr int kTotalEntries = 200'000;
constexpr double kRatioLimit = 1.5;

void Touch(const fs::path& path) {
    std::ofstream(path, std::ios::binary) << 'x';
}

// The last subfolder in enumeration order, which both walks enter last.
fs::path LastFolder(const fs::path& folder) {
    std::string last;
    const auto entries = platform::ListFolder(folder.string());
    for (const platform::DirEntry& entry : entries.value()) {
        if (entry.isFolder)
            last = entry.name;
    }
    return folder / last;
}

// Memory-backed when the system has it: making and removing 200,000 files on a journaled
// disk takes minutes, and both walks read cached entries either way.
fs::path TempBase() {
    std::error_code error;
    const fs::path shm = "/dev/shm";
    if (fs::is_directory(shm, error) && access(shm.c_str(), W_OK) == 0)
        return shm;
    return fs::temp_directory_path();
}

struct Tree {
    fs::path root;
    std::string target;
    int entries = 0;
};

Tree MakeTree() {
    Tree tree;
    std::random_device random;
    const fs::path base = TempBase();
    do {
        tree.root = base / ("varscope-search-bench-" + std::to_string(random()));
    } while (!fs::create_directory(tree.root));

    for (int t = 0; t < kTopFolders; ++t) {
        const fs::path top = tree.root / ("top" + std::to_string(t));
        fs::create_directory(top);
        Touch(top / "readme.txt");
        Touch(top / "setup.ini");
        tree.entries += 3;
        for (int m = 0; m < kFoldersPerTop; ++m) {
            const fs::path middle = top / ("folder" + std::to_string(m));
            fs::create_directory(middle);
            Touch(middle / "index.dat");
            tree.entries += 2;
            for (int l = 0; l < kLeavesPerFolder; ++l) {
                const fs::path leaf = middle / ("leaf" + std::to_string(l));
                fs::create_directory(leaf);
                ++tree.entries;
                for (int f = 0; f < kFilesPerLeaf; ++f) {
                    Touch(leaf / ("file" + std::to_string(f) + ".dll"));
                    ++tree.entries;
                }
            }
        }
    }
    // Files at the top make up the round number, the program among them counted.
    for (int i = 0; tree.entries < kTotalEntries - 1; ++i, ++tree.entries)
        Touch(tree.root / ("root" + std::to_string(i) + ".sys"));
    const fs::path lastLeaf = LastFolder(LastFolder(LastFolder(tree.root)));
    Touch(lastLeaf / kProgram);
    ++tree.entries;
    tree.target = (lastLeaf / kProgram).string();
    return tree;
}

Tree& TheTree() {
    static Tree tree = MakeTree();
    return tree;
}

// Runs find without a shell; its output goes to `outputFd` or is discarded.
bool RunFind(const std::string& root, int outputFd = -1) {
    return varscope::bench::RunCommand({"find", root, "-name", kProgram, "-print", "-quit"},
                                       varscope::bench::Stream::Discard,
                                       varscope::bench::Stream::Inherit, outputFd);
}

std::string FindOutput(const std::string& root) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    RunFind(root, pipeFds[1]);
    close(pipeFds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(got));
    close(pipeFds[0]);
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

void BM_FindFileInTree(benchmark::State& state) {
    const Tree& tree = TheTree();
    for (auto _ : state) {
        SearchResult result = FindFileInTree(kProgram, tree.root.string());
        if (result.path != tree.target)
            state.SkipWithError("the search did not find the program");
        benchmark::DoNotOptimize(result);
    }
    state.counters["entries"] = tree.entries;
}

void BM_FindCommand(benchmark::State& state) {
    const Tree& tree = TheTree();
    for (auto _ : state) {
        if (!RunFind(tree.root.string()))
            state.SkipWithError("find could not be run");
    }
    state.counters["entries"] = tree.entries;
}

BENCHMARK(BM_FindFileInTree)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_FindCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const auto started = std::chrono::steady_clock::now();
    const Tree& tree = TheTree();
    std::printf("tree made in %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    // Both walks once before timing, so neither pays for a cold cache, and both must agree.
    const std::string found = FindFileInTree(kProgram, tree.root.string()).path;
    const std::string foundByFind = FindOutput(tree.root.string());
    std::printf("tree: %d entries in %s\ntarget: %s\nfound: %s\nfind:  %s\n", tree.entries,
                tree.root.string().c_str(), tree.target.c_str(), found.c_str(),
                foundByFind.c_str());

    varscope::bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(tree.root, ignored);

    const double ours = reporter.medians["BM_FindFileInTree"];
    const double theirs = reporter.medians["BM_FindCommand"];
    if (found != tree.target || foundByFind != tree.target || ours <= 0 || theirs <= 0) {
        std::printf("the walks did not both find the program\n");
        return 1;
    }
    const double ratio = ours / theirs;
    std::printf("FindFileInTree / find = %.2f (limit %.1f): %s\n", ratio, kRatioLimit,
                ratio <= kRatioLimit ? "ok" : "TOO SLOW");
    return ratio <= kRatioLimit ? 0 : 1;
}
