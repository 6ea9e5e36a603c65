#include "core/rows/list_rows.hpp"

#include "core/strings.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

namespace varscope::core {

namespace {

// A sort works on chunks: eight bytes of a text, lowered, read as one number whose order is
// the bytes' order, kept beside each row. Rows are split by one byte at a time (a radix
// sort from the first byte on) until few are left; each text is read once per chunk, never
// per comparison.
constexpr std::size_t kChunk = 8;
// Ties among fewer rows than this are settled by comparing the texts directly.
constexpr std::size_t kSmallRun = 48;
// Chunks read ahead with the first: paths share their first few dozen bytes.
constexpr std::size_t kChunksAhead = 3;
// Below this many rows a second thread costs more than it saves.
constexpr std::size_t kRowsForTwoThreads = 100'000;
// Ranges larger than this share of the rows are split before the threads take them.
constexpr std::size_t kShare = 3;

struct Entry {
    std::uint64_t key;
    std::uint32_t pos;
    std::uint32_t size; // of the text, as far as it matters
};

// Leaves the elements of a vector as they come, for tables written whole before they are
// read: zeroing a million entries first costs as much as sorting some columns.
template <typename T> struct Unset : std::allocator<T> {
    template <typename U> struct rebind { using other = Unset<U>; };
    Unset() = default;
    template <typename U> Unset(const Unset<U>&) noexcept {}
    template <typename U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
template <typename T> using UnsetVector = std::vector<T, Unset<T>>;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;

// 'A'..'Z' to 'a'..'z' in all eight bytes at once; bytes of 0x80 and above stay as they are.
constexpr std::uint64_t LowerEight(std::uint64_t x) {
    const std::uint64_t low7 = x & (0x7F * kOnes);
    const std::uint64_t atLeastA = low7 + (0x80 - 'A') * kOnes;
    const std::uint64_t aboveZ = low7 + (0x80 - 'Z' - 1) * kOnes;
    const std::uint64_t upper = (atLeastA ^ aboveZ) & ~x & (0x80 * kOnes);
    return x | (upper >> 2);
}

constexpr std::uint64_t ByteSwap(std::uint64_t x) {
    x = ((x & 0x00FF00FF00FF00FFULL) << 8) | ((x >> 8) & 0x00FF00FF00FF00FFULL);
    x = ((x & 0x0000FFFF0000FFFFULL) << 16) | ((x >> 16) & 0x0000FFFF0000FFFFULL);
    return (x << 32) | (x >> 32);
}

// The last few bytes of a text, short of a chunk.
std::uint64_t TailKey(std::string_view text, std::size_t offset) {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < kChunk; ++i) {
        key <<= 8;
        if (offset + i < text.size())
            key |= static_cast<unsigned char>(AsciiLower(text[offset + i]));
    }
    return key;
}

// Missing bytes count as zero: a text that ends sorts before any longer one it begins.
inline std::uint64_t ChunkKey(std::string_view text, std::size_t offset) {
    if (text.size() >= offset + kChunk) [[likely]] {
        std::uint64_t raw = 0;
        std::memcpy(&raw, text.data() + offset, kChunk);
        if constexpr (std::endian::native == std::endian::little)
            raw = ByteSwap(raw);
        return LowerEight(raw);
    }
    return offset >= text.size() ? 0 : TailKey(text, offset);
}

// Where the second half of `n` rows begins: none for lists too short to share out.
std::size_t HalfWay(std::size_t n) {
    return n < kRowsForTwoThreads ? n : n / 2;
}

// fn(half, from, to) for both halves of `n` rows, the second on a thread of its own when
// the list is long enough and a thread can be had.
template <typename Fn> void InHalves(std::size_t n, Fn fn) {
    const std::size_t mid = HalfWay(n);
    std::thread helper;
    if (mid < n) {
        try {
            helper = std::thread([&] { fn(1, mid, n); });
        } catch (const std::system_error&) {
        }
    }
    fn(0, 0, mid);
    if (helper.joinable())
        helper.join();
    else
        fn(1, mid, n);
}

bool SameView(std::string_view a, std::string_view b) {
    return a.data() == b.data() && a.size() == b.size();
}

constexpr std::ptrdiff_t kAhead = 16;

void Prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

int CompareFrom(std::string_view a, std::string_view b, std::size_t offset) {
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = offset;
    // A chunk at a time while both texts have one.
    for (; i + kChunk <= common; i += kChunk) {
        const std::uint64_t ka = ChunkKey(a, i);
        const std::uint64_t kb = ChunkKey(b, i);
        if (ka != kb)
            return ka < kb ? -1 : 1;
    }
    for (; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace

std::string_view ColumnText(const ConfigVariable& record, RecordColumn column) {
    switch (column) {
    case RecordColumn::Name:
        return record.Name;
    case RecordColumn::Value:
        return record.Value;
    case RecordColumn::Expansion:
        return record.Expansion;
    case RecordColumn::File:
        return record.File;
    }
    return {};
}

std::vector<std::size_t> SortedOrder(const std::vector<std::string_view>& texts,
                                     SortDirection direction) {
    const bool descending = direction == SortDirection::Descending;
    const auto less = [descending](int order) {
        return descending ? order > 0 : order < 0;
    };
    if (texts.size() > std::numeric_limits<std::uint32_t>::max()) {
        // Beyond what an entry can number: one comparison at a time.
        std::vector<std::size_t> order(texts.size());
        for (std::size_t pos = 0; pos < order.size(); ++pos)
            order[pos] = pos;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return less(CompareFrom(texts[a], texts[b], 0));
        });
        return order;
    }
    // Neighbours viewing the same bytes (the records of one file section share its File)
    // are sorted as one: the first stands for them and takes them along at the end. The
    // next few chunks of every text are read with the first, while its bytes are at hand:
    // later the texts lie far apart. Each half of the rows is read on a thread of its own.
    const std::size_t total = texts.size();
    UnsetVector<Entry> entries(total);
    // Only the rows that stand for others are ever looked up here, and each of those is
    // written.
    UnsetVector<std::uint64_t> ahead(total * kChunksAhead);
    std::array<std::size_t, 2> kept{};
    InHalves(total, [&](std::size_t half, std::size_t from, std::size_t to) {
        Entry* out = entries.data() + from;
        for (std::size_t pos = from; pos < to; ++pos) {
            if (pos > 0 && SameView(texts[pos], texts[pos - 1]))
                continue;
            const std::string_view text = texts[pos];
            *out++ = {ChunkKey(text, 0), std::uint32_t(pos),
                      std::uint32_t(std::min<std::size_t>(
                          text.size(), std::numeric_limits<std::uint32_t>::max()))};
            for (std::size_t c = 0; c < kChunksAhead; ++c)
                ahead[c * total + pos] = ChunkKey(text, (c + 1) * kChunk);
        }
        kept[half] = std::size_t(out - (entries.data() + from));
    });
    const std::size_t secondFrom = HalfWay(total);
    if (kept[0] != secondFrom)
        std::copy(entries.begin() + std::ptrdiff_t(secondFrom),
                  entries.begin() + std::ptrdiff_t(secondFrom + kept[1]),
                  entries.begin() + std::ptrdiff_t(kept[0]));
    entries.resize(kept[0] + kept[1]);
    UnsetVector<Entry> scratch(entries.size());

    // Rows sharing their first `depth` bytes, whose keys hold the chunk at `keyed`. A pass
    // moves a range's rows from one table to the other; `moved` says they are in `scratch`.
    struct Range {
        std::size_t first, last, depth, keyed;
        bool moved;
    };
    // Rows sorted for good in `scratch` go back to `entries`.
    const auto settle = [&](std::size_t from, std::size_t to) {
        std::copy(scratch.data() + from, scratch.data() + to, entries.data() + from);
    };
    // Texts that have ended by the byte sorted on tie unless they differ in trailing zero
    // bytes; the shorter is the smaller.
    const auto bySize = [descending](Entry* from, Entry* to) {
        if (std::adjacent_find(
                from, to, [](const Entry& a, const Entry& b) { return a.size != b.size; }) != to)
            std::stable_sort(from, to, [descending](const Entry& a, const Entry& b) {
                return descending ? a.size > b.size : a.size < b.size;
            });
    };
    // Bucket 0 holds the texts that have ended, so the shorter of two sorts first. A
    // step sorts one range by one byte or chunk and leaves the ranges still to be sorted.
    const auto step = [&](Range range, std::vector<Range>& pending,
                          std::array<std::size_t, 258>& count) {
        const std::size_t n = range.last - range.first;
        if (range.moved && n < kSmallRun) {
            // Few rows are sorted where they end up.
            settle(range.first, range.last);
            range.moved = false;
        }
        Entry* const table = range.moved ? scratch.data() : entries.data();
        Entry* const first = table + range.first;
        Entry* const last = table + range.last;
        if (n < 2)
            return;
        const std::size_t chunk = range.depth - range.depth % kChunk;
        const std::size_t chunkEnd = chunk + kChunk;
        // Every range comes in position order, so ties broken by position are stable. Few
        // rows are sorted by their keys; rows whose keys tie go on to the next chunk.
        if (n < kSmallRun && range.keyed == chunk) {
            std::sort(first, last, [&](const Entry& a, const Entry& b) {
                return a.key != b.key ? (descending ? a.key > b.key : a.key < b.key)
                                      : a.pos < b.pos;
            });
            for (Entry* run = first; run != last;) {
                Entry* end = run + 1;
                bool goesOn = run->size > chunkEnd;
                bool sameSize = true;
                for (; end != last && end->key == run->key; ++end) {
                    goesOn = goesOn || end->size > chunkEnd;
                    sameSize = sameSize && end->size == run->size;
                }
                if (end - run > 1 && goesOn) {
                    pending.push_back({std::size_t(run - table), std::size_t(end - table), chunkEnd,
                                       chunk, false});
                } else if (!sameSize) {
                    bySize(run, end);
                }
                run = end;
            }
            return;
        }
        if (range.keyed != chunk) {
            range.keyed = chunk;
            const std::size_t c = chunk / kChunk - 1;
            for (Entry* e = first; e != last; ++e) {
                // The rows' chunks lie far apart once sorted: ask for them ahead.
                if (c < kChunksAhead) {
                    if (last - e > kAhead)
                        Prefetch(&ahead[c * total + e[kAhead].pos]);
                    e->key = ahead[c * total + e->pos];
                    continue;
                }
                if (last - e > 2 * kAhead)
                    Prefetch(&texts[e[2 * kAhead].pos]);
                if (last - e > kAhead)
                    Prefetch(texts[e[kAhead].pos].data() + chunk);
                e->key = ChunkKey(texts[e->pos], chunk);
            }
        }
        // Bytes every row has and shares are skipped at once, up to the end of the chunk.
        std::uint64_t differ = 0;
        std::size_t shortest = first->size;
        for (const Entry* e = first; e != last; ++e) {
            differ |= e->key ^ first->key;
            shortest = std::min<std::size_t>(shortest, e->size);
        }
        const std::size_t shared =
            chunk + (differ == 0 ? kChunk : std::size_t(std::countl_zero(differ)) / 8);
        range.depth = std::max(range.depth, std::min(shared, shortest));
        if (range.depth >= chunkEnd) {
            pending.push_back({range.first, range.last, chunkEnd, range.keyed, range.moved});
            return;
        }
        const int shift = int(8 * (kChunk - 1 - range.depth % kChunk));
        const auto bucket = [&](const Entry& e) -> std::size_t {
            const std::size_t digit =
                e.size <= range.depth ? 0 : 1 + std::size_t((e.key >> shift) & 0xFF);
            return descending ? 256 - digit : digit;
        };
        // Only the buckets between the lowest and highest byte seen are visited: most ranges
        // are a few dozen rows over a few letters. `count` is all zero between steps.
        std::size_t lowest = 256;
        std::size_t highest = 0;
        for (const Entry* e = first; e != last; ++e) {
            const std::size_t b = bucket(*e);
            ++count[b + 1];
            lowest = std::min(lowest, b);
            highest = std::max(highest, b);
        }
        const std::size_t ended = descending ? 256 : 0;
        if (lowest == highest) {
            // One byte for all: nothing moves.
            count[lowest + 1] = 0;
            if (lowest != ended) {
                pending.push_back(
                    {range.first, range.last, range.depth + 1, range.keyed, range.moved});
            } else {
                bySize(first, last);
                if (range.moved)
                    settle(range.first, range.last);
            }
            return;
        }
        // count[b] becomes where bucket b starts, then, once the rows are placed, where it ends.
        for (std::size_t b = lowest + 1; b <= highest; ++b)
            count[b] += count[b - 1];
        Entry* const out = (range.moved ? entries.data() : scratch.data()) + range.first;
        for (const Entry* e = first; e != last; ++e)
            out[count[bucket(*e)]++] = *e;
        std::size_t begin = 0;
        for (std::size_t b = lowest; b <= highest; ++b) {
            const std::size_t end = count[b];
            count[b] = 0;
            if (end - begin > 1 && b != ended) {
                pending.push_back({range.first + begin, range.first + end, range.depth + 1,
                                   range.keyed, !range.moved});
            } else {
                if (b == ended)
                    bySize(out + begin, out + end);
                if (!range.moved)
                    settle(range.first + begin, range.first + end);
            }
            begin = end;
        }
        count[highest + 1] = 0;
    };
    // A list rather than recursion: texts megabytes long share byte after byte.
    const auto drain = [&](std::vector<Range>& pending) {
        std::array<std::size_t, 258> count{};
        while (!pending.empty()) {
            const Range range = pending.back();
            pending.pop_back();
            step(range, pending, count);
        }
    };
    std::vector<Range> pending{{0, entries.size(), 0, 0, false}};
    if (entries.size() < kRowsForTwoThreads) {
        drain(pending);
    } else {
        // Split the largest range until no range holds a third of the rows; then both threads
        // take the ranges left, largest first, one at a time: some rows cost more than others
        // (long copies), so halves fixed beforehand would leave one thread idle.
        const auto rows = [](const Range& r) {
            return r.last - r.first;
        };
        const auto larger = [&](const Range& x, const Range& y) {
            return rows(x) > rows(y);
        };
        std::array<std::size_t, 258> count{};
        while (!pending.empty()) {
            std::sort(pending.begin(), pending.end(), larger);
            if (rows(pending.front()) <= entries.size() / kShare)
                break;
            const Range largest = pending.front();
            pending.erase(pending.begin());
            step(largest, pending, count);
        }
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            std::vector<Range> own;
            for (std::size_t i = next++; i < pending.size(); i = next++) {
                own.push_back(pending[i]);
                drain(own);
            }
        };
        std::thread helper;
        try {
            helper = std::thread(work);
        } catch (const std::system_error&) {
        }
        work();
        if (helper.joinable())
            helper.join();
    }
    std::vector<std::size_t> order(texts.size());
    if (entries.size() == texts.size()) {
        for (std::size_t i = 0; i < entries.size(); ++i)
            order[i] = entries[i].pos;
        return order;
    }
    std::size_t i = 0;
    for (const Entry& e : entries) {
        std::size_t pos = e.pos;
        do
            order[i++] = pos++;
        while (pos < texts.size() && SameView(texts[pos], texts[e.pos]));
    }
    return order;
}

std::vector<std::size_t> SortRecords(const std::vector<ConfigVariable>& records,
                                     RecordColumn column, SortDirection direction) {
    std::vector<std::string_view> texts(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        texts[i] = ColumnText(records[i], column);
    return SortedOrder(texts, direction);
}

RecordFilter::RecordFilter(std::string_view text) : m_lowered(text) {
    for (char& c : m_lowered)
        c = AsciiLower(c);
    // Horspool's table: how far the window may move after a mismatch whose last byte is c.
    m_skip.fill(m_lowered.size());
    for (std::size_t i = 0; i + 1 < m_lowered.size(); ++i)
        m_skip[static_cast<unsigned char>(m_lowered[i])] = m_lowered.size() - 1 - i;
}

bool RecordFilter::contains(std::string_view haystack) const {
    const std::size_t m = m_lowered.size();
    if (m == 0)
        return true;
    if (haystack.size() < m)
        return false;
    const char lastByte = m_lowered[m - 1];
    for (std::size_t i = 0; i + m <= haystack.size();) {
        const char last = AsciiLower(haystack[i + m - 1]);
        if (last == lastByte) {
            std::size_t k = 0;
            while (k + 1 < m && AsciiLower(haystack[i + k]) == m_lowered[k])
                ++k;
            if (k + 1 == m)
                return true;
        }
        i += m_skip[static_cast<unsigned char>(last)];
    }
    return false;
}

bool RecordFilter::matches(const ConfigVariable& record) const {
    return contains(record.Name) || contains(record.Value) || contains(record.Expansion) ||
           contains(record.File);
}

std::vector<std::size_t> MatchingRecords(const std::vector<ConfigVariable>& records,
                                         std::string_view text) {
    const RecordFilter filter(text);
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (filter.matches(records[i]))
            rows.push_back(i);
    }
    return rows;
}

} // namespace varscope::core
