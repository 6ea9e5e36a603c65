#include "line_scan.hpp"

#include <initializer_list>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
// Wider forms are compiled for their own instruction sets and picked at run time.
#define VARSCOPE_SCAN_WIDE 1
#endif
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VARSCOPE_SCAN_SSE2 1
#endif

namespace varscope::core::scan {

namespace {

// The byte classes of a block; bit i stands for byte i.
struct Classes {
    std::uint64_t lineEnd = 0; // '\n' or '\r'
    std::uint64_t close = 0;   // ')'
    std::uint64_t open = 0;    // '('
    std::uint64_t colon = 0;   // ':'
    std::uint64_t equals = 0;  // '='
    std::uint64_t bracket = 0; // '['
    std::uint64_t blank = 0;   // ' '
};

// Bits of `now` moved `by` places up, the top bits of `before` (the block before) following.
inline std::uint64_t ShiftUp(std::uint64_t now, std::uint64_t before, std::size_t by) {
    return now << by | before >> (kBlock - by);
}

// The reader's masks of a block from its classes and those of the block before.
inline LineMasks Derive(const Classes& now, const Classes& before) {
    std::uint64_t opened = 0;
    for (const std::size_t distance : kTagOpenings)
        opened |= ShiftUp(now.open, before.open, distance);
    std::uint64_t paired = 0;
    for (const std::size_t gap : kMarkerBlankGaps)
        paired |= ShiftUp(now.blank, before.blank, gap);
    return {now.lineEnd,        now.colon & ShiftUp(now.close, before.close, 1),
            now.close & opened, now.equals,
            now.bracket,        now.blank & paired};
}

Classes ClassifyPortable(const char* block) {
    Classes masks;
    for (std::size_t i = 0; i < kBlock; ++i) {
        const std::uint64_t bit = std::uint64_t{1} << i;
        switch (block[i]) {
        case '\n':
        case '\r':
            masks.lineEnd |= bit;
            break;
        case ')':
            masks.close |= bit;
            break;
        case '(':
            masks.open |= bit;
            break;
        case ':':
            masks.colon |= bit;
            break;
        case '=':
            masks.equals |= bit;
            break;
        case '[':
            masks.bracket |= bit;
            break;
        case ' ':
            masks.blank |= bit;
            break;
        default:
            break;
        }
    }
    return masks;
}

#ifdef VARSCOPE_SCAN_SSE2
Classes ClassifySse2(const char* block) {
    const auto bits = [](__m128i matches, int part) {
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(matches)))
               << (16 * part);
    };
    Classes masks;
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
        const auto is = [&bytes](char c) {
            return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c));
        };
        masks.lineEnd |= bits(_mm_or_si128(is('\n'), is('\r')), part);
        masks.close |= bits(is(')'), part);
        masks.open |= bits(is('('), part);
        masks.colon |= bits(is(':'), part);
        masks.equals |= bits(is('='), part);
        masks.bracket |= bits(is('['), part);
        masks.blank |= bits(is(' '), part);
    }
    return masks;
}
#endif

#ifdef VARSCOPE_SCAN_WIDE
// No lambdas here: they would not inherit the instruction set of the function.
__attribute__((target("avx2"))) void ClassifyAvx2(const char* data, std::size_t count,
                                                  LineMasks* masks) {
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i close = _mm256_set1_epi8(')');
    const __m256i open = _mm256_set1_epi8('(');
    const __m256i colon = _mm256_set1_epi8(':');
    const __m256i equals = _mm256_set1_epi8('=');
    const __m256i bracket = _mm256_set1_epi8('[');
    const __m256i blank = _mm256_set1_epi8(' ');
    Classes before;
    for (std::size_t n = 0; n < count; ++n) {
        const char* const block = data + n * kBlock;
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32));
#define VARSCOPE_BITS(LOW, HIGH)                                                                   \
    (static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(LOW))) |           \
     static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(HIGH))) << 32)
#define VARSCOPE_IS(C) VARSCOPE_BITS(_mm256_cmpeq_epi8(low, C), _mm256_cmpeq_epi8(high, C))
        const Classes now = {
            VARSCOPE_BITS(
                _mm256_or_si256(_mm256_cmpeq_epi8(low, lf), _mm256_cmpeq_epi8(low, cr)),
                _mm256_or_si256(_mm256_cmpeq_epi8(high, lf), _mm256_cmpeq_epi8(high, cr))),
            VARSCOPE_IS(close),
            VARSCOPE_IS(open),
            VARSCOPE_IS(colon),
            VARSCOPE_IS(equals),
            VARSCOPE_IS(bracket),
            VARSCOPE_IS(blank)};
#undef VARSCOPE_IS
#undef VARSCOPE_BITS
        masks[n] = Derive(now, before);
        before = now;
    }
}

__attribute__((target("avx512f,avx512bw"))) void ClassifyAvx512(const char* data, std::size_t count,
                                                                LineMasks* masks) {
    const __m512i lf = _mm512_set1_epi8('\n');
    const __m512i cr = _mm512_set1_epi8('\r');
    const __m512i close = _mm512_set1_epi8(')');
    const __m512i open = _mm512_set1_epi8('(');
    const __m512i colon = _mm512_set1_epi8(':');
    const __m512i equals = _mm512_set1_epi8('=');
    const __m512i bracket = _mm512_set1_epi8('[');
    const __m512i blank = _mm512_set1_epi8(' ');
    Classes before;
    for (std::size_t n = 0; n < count; ++n) {
        const __m512i bytes = _mm512_loadu_si512(data + n * kBlock);
        const Classes now = {_mm512_cmpeq_epi8_mask(bytes, lf) | _mm512_cmpeq_epi8_mask(bytes, cr),
                             _mm512_cmpeq_epi8_mask(bytes, close),
                             _mm512_cmpeq_epi8_mask(bytes, open),
                             _mm512_cmpeq_epi8_mask(bytes, colon),
                             _mm512_cmpeq_epi8_mask(bytes, equals),
                             _mm512_cmpeq_epi8_mask(bytes, bracket),
                             _mm512_cmpeq_epi8_mask(bytes, blank)};
        masks[n] = Derive(now, before);
        before = now;
    }
}
#endif

} // namespace

bool Available(Tier tier) {
    switch (tier) {
    case Tier::Portable:
        return true;
    case Tier::Sse2:
#ifdef VARSCOPE_SCAN_SSE2
        return true;
#else
        return false;
#endif
    case Tier::Avx2:
#ifdef VARSCOPE_SCAN_WIDE
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    case Tier::Avx512:
#ifdef VARSCOPE_SCAN_WIDE
        return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512f");
#else
        return false;
#endif
    }
    return false;
}

Tier BestTier() {
    static const Tier best = [] {
        for (const Tier tier : {Tier::Avx512, Tier::Avx2, Tier::Sse2}) {
            if (Available(tier))
                return tier;
        }
        return Tier::Portable;
    }();
    return best;
}

void ClassifyWindow(Tier tier, const char* data, std::size_t count, LineMasks* masks) {
    switch (tier) {
#ifdef VARSCOPE_SCAN_WIDE
    case Tier::Avx512:
        ClassifyAvx512(data, count, masks);
        return;
    case Tier::Avx2:
        ClassifyAvx2(data, count, masks);
        return;
#endif
    default:
        break;
    }
    Classes before;
    for (std::size_t n = 0; n < count; ++n) {
#ifdef VARSCOPE_SCAN_SSE2
        const Classes now = tier == Tier::Portable ? ClassifyPortable(data + n * kBlock)
                                                   : ClassifySse2(data + n * kBlock);
#else
        const Classes now = ClassifyPortable(data + n * kBlock);
#endif
        masks[n] = Derive(now, before);
        before = now;
    }
}

} // namespace varscope::core::scan
