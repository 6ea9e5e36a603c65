// The bytes of a report that the reader stops at, found 64 at a time as bit masks: one
// pass of wide compares instead of a search per byte kind and line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace varscope::core::scan {

constexpr std::size_t kBlock = 64;

// Where a level tag's '(' stands before its ')': 5 bytes for "(site)", "(user)" and
// "(appl)", 7 for "(system)", 8 for "(project)", 11 for "(predefined)".
inline constexpr std::array<std::size_t, 4> kTagOpenings = {5, 7, 8, 11};
// How far apart the first two blanks of the two markers stand ("processing macro file",
// "configuration variable summary").
inline constexpr std::array<std::size_t, 2> kMarkerBlankGaps = {6, 9};

// What the report reader needs of a 64-byte block; bit i stands for byte i. Each mask
// but the first is a superset of what it names, so a bit costs a closer look only where
// it is set.
struct LineMasks {
    std::uint64_t lineEnd = 0;    // '\n' or '\r'
    std::uint64_t closeColon = 0; // the ':' of each "):"
    std::uint64_t tagEnd = 0;     // each ')' with a '(' where a tag would have it
    std::uint64_t equals = 0;     // '='
    std::uint64_t bracket = 0;    // '['
    std::uint64_t marker = 0;     // each blank with a blank where a marker would have it
    bool operator==(const LineMasks&) const = default;
};

// The instruction sets the classification can use; the best one the processor has is
// chosen once.
enum class Tier { Portable, Sse2, Avx2, Avx512 };

bool Available(Tier tier);
Tier BestTier();

// The masks of `count` whole blocks of `data`, which starts where nothing before it
// counts (the start of a line).
void ClassifyWindow(Tier tier, const char* data, std::size_t count, LineMasks* masks);

} // namespace varscope::core::scan
