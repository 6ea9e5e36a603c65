// The bytes of a report that the reader stops at, found 64 at a time as bit masks: one
// pass of wide compares instead of a search per byte kind and line.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varscope::core::scan {

constexpr std::size_t kBlock = 64;

// Bit i stands for byte i of a 64-byte block.
struct BlockMasks {
    std::uint64_t lineEnd = 0; // '\n' or '\r'
    std::uint64_t close = 0;   // ')'
    std::uint64_t open = 0;    // '('
    std::uint64_t colon = 0;   // ':'
    std::uint64_t equals = 0;  // '='
    std::uint64_t bracket = 0; // '['
    std::uint64_t blank = 0;   // ' '
    bool operator==(const BlockMasks&) const = default;
};

// The instruction sets the classification can use; the best one the processor has is
// chosen once.
enum class Tier { Portable, Sse2, Avx2, Avx512 };

bool Available(Tier tier);
Tier BestTier();

// Classifies `count` whole blocks of `data` into `masks`.
void ClassifyBlocks(Tier tier, const char* data, std::size_t count, BlockMasks* masks);

} // namespace varscope::core::scan
