// gen_report DEFINITIONS FILE [SEED]: writes a large realistic report for trying Varscope
// and the command line on company-sized configurations.
#include "bench/report_generator.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "Usage: gen_report DEFINITIONS FILE [SEED]\n");
        return 2;
    }
    char* end = nullptr;
    const unsigned long long definitions = std::strtoull(argv[1], &end, 10);
    if (end == argv[1] || *end != '\0') {
        std::fprintf(stderr, "gen_report: '%s' is not a number of definitions\n", argv[1]);
        return 2;
    }
    std::uint64_t seed = varscope::bench::kDefaultSeed;
    if (argc == 4) {
        seed = std::strtoull(argv[3], &end, 10);
        if (end == argv[3] || *end != '\0') {
            std::fprintf(stderr, "gen_report: '%s' is not a seed\n", argv[3]);
            return 2;
        }
    }
    if (const auto failure = varscope::bench::WriteReport(argv[2], definitions, seed)) {
        std::fprintf(stderr, "gen_report: %s\n", failure->c_str());
        return 1;
    }
    return 0;
}
