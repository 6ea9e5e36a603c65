// The bound of the winners, the category tree and the comparison: a time a user feels,
// not a share of another benchmark's time.
#pragma once

#include <cstdio>

namespace varscope::bench {

// Prints a median and whether it is within `limit` milliseconds.
inline bool WithinBound(const char* what, double milliseconds, double limit) {
    if (milliseconds <= 0) {
        std::printf("%s: the benchmark did not run\n", what);
        return false;
    }
    const bool within = milliseconds <= limit;
    std::printf("%s: %.2f ms (limit %.0f ms): %s\n", what, milliseconds, limit,
                within ? "ok" : "TOO SLOW");
    return within;
}

} // namespace varscope::bench
