// A libFuzzer entry point for one check; VARSCOPE_FUZZ_CHECK names it. A failed property
// aborts, so libFuzzer keeps the input as a crash.
#include "checks.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (const varscope::fuzz::Failure failure = varscope::fuzz::VARSCOPE_FUZZ_CHECK(input)) {
        std::fprintf(stderr, "property failed: %s\n", failure->c_str());
        std::abort();
    }
    return 0;
}
