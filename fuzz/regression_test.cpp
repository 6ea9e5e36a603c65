// Every kept input of every harness, and its seed corpus, through the harness's own check:
// the faults fuzzing found stay mended in the normal test run.
#include "checks.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

namespace fs = std::filesystem;

namespace varscope::fuzz {

// Test names and messages show the harness by its name.
void PrintTo(const Harness& harness, std::ostream* out) {
    *out << harness.name;
}

} // namespace varscope::fuzz

namespace {

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FuzzInputs : public ::testing::TestWithParam<varscope::fuzz::Harness> {};

TEST_P(FuzzInputs, keptAndSeedInputs_everyPropertyHolds) {
    const varscope::fuzz::Harness harness = GetParam();
    std::size_t inputs = 0;
    for (const char* kind : {"regressions", "corpus"}) {
        const fs::path folder = fs::path(VARSCOPE_FUZZ_DIR) / kind / harness.name;
        if (!fs::is_directory(folder))
            continue;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (!entry.is_regular_file() || entry.path().filename() == "README.md")
                continue;
            ++inputs;
            EXPECT_EQ(harness.check(ReadBytes(entry.path())), std::nullopt) << entry.path();
        }
    }
    EXPECT_GT(inputs, 0u) << "no inputs for " << harness.name;
}

INSTANTIATE_TEST_SUITE_P(Harnesses, FuzzInputs, ::testing::ValuesIn(varscope::fuzz::kHarnesses),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
