// Checks a median against an absolute bound, for the targets stated in seconds.
#pragma once

#include <cstdio>

namespace varscope::bench {

// Prints a median in milliseconds and whether it is at most `limit` milliseconds.
inline bool WithinLimit(const char* what, double milliseconds, double limit) {
    if (milliseconds <= 0) {
        std::printf("%s: the benchmark did not run\n", what);
        return false;
    }
    std::printf("%s: %.2f ms (limit %.0f ms): %s\n", what, milliseconds, limit,
                milliseconds <= limit ? "ok" : "TOO SLOW");
    return milliseconds <= limit;
}

} // namespace varscope::bench
