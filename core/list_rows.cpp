#include "list_rows.hpp"

#include "strings.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <thread>

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
constexpr std::size_t kChunksAhead = 4;
// Below this many rows a second thread costs more than it saves.
constexpr std::size_t kRowsForTwoThreads = 100'000;

struct Entry {
    std::uint64_t key = 0;
    std::uint32_t pos = 0;
    std::uint32_t size = 0; // of the text, as far as it matters
};

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

// Missing bytes count as zero: a text that ends sorts before any longer one it begins.
std::uint64_t ChunkKey(std::string_view text, std::size_t offset) {
    if (offset >= text.size())
        return 0;
    if (text.size() - offset >= kChunk) {
        std::uint64_t raw = 0;
        std::memcpy(&raw, text.data() + offset, kChunk);
        if constexpr (std::endian::native == std::endian::little)
            raw = ByteSwap(raw);
        return LowerEight(raw);
    }
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < kChunk; ++i) {
        key <<= 8;
        if (offset + i < text.size())
            key |= static_cast<unsigned char>(AsciiLower(text[offset + i]));
    }
    return key;
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
    // later the texts lie far apart.
    std::vector<Entry> entries;
    std::vector<std::uint64_t> ahead(texts.size() * kChunksAhead);
    for (std::size_t pos = 0; pos < texts.size(); ++pos) {
        if (pos > 0 && SameView(texts[pos], texts[pos - 1]))
            continue;
        const std::string_view text = texts[pos];
        entries.push_back({ChunkKey(text, 0), std::uint32_t(pos),
                           std::uint32_t(std::min<std::size_t>(
                               text.size(), std::numeric_limits<std::uint32_t>::max()))});
        for (std::size_t c = 0; c < kChunksAhead && (c + 1) * kChunk < text.size(); ++c)
            ahead[c * texts.size() + pos] = ChunkKey(text, (c + 1) * kChunk);
    }
    std::vector<Entry> scratch(entries.size());

    // Rows sharing their first `depth` bytes, whose keys hold the chunk at `keyed`.
    struct Range {
        std::size_t first, last, depth, keyed;
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
        Entry* const first = entries.data() + range.first;
        Entry* const last = entries.data() + range.last;
        const std::size_t n = range.last - range.first;
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
                    pending.push_back({std::size_t(run - entries.data()),
                                       std::size_t(end - entries.data()), chunkEnd, chunk});
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
                        Prefetch(&ahead[c * texts.size() + e[kAhead].pos]);
                    e->key = ahead[c * texts.size() + e->pos];
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
            pending.push_back({range.first, range.last, chunkEnd, range.keyed});
            return;
        }
        const int shift = int(8 * (kChunk - 1 - range.depth % kChunk));
        const auto bucket = [&](const Entry& e) -> std::size_t {
            const std::size_t digit =
                e.size <= range.depth ? 0 : 1 + std::size_t((e.key >> shift) & 0xFF);
            return descending ? 256 - digit : digit;
        };
        count.fill(0);
        for (const Entry* e = first; e != last; ++e)
            ++count[bucket(*e) + 1];
        const std::size_t ended = descending ? 256 : 0;
        std::size_t largest = 0;
        for (std::size_t b = 1; b < count.size(); ++b)
            largest = std::max(largest, count[b]);
        if (largest == n) {
            // One byte for all: nothing moves.
            if (count[ended + 1] != n)
                pending.push_back({range.first, range.last, range.depth + 1, range.keyed});
            else
                bySize(first, last);
            return;
        }
        for (std::size_t b = 1; b < count.size(); ++b)
            count[b] += count[b - 1];
        Entry* const out = scratch.data() + range.first;
        for (const Entry* e = first; e != last; ++e)
            out[count[bucket(*e)]++] = *e;
        std::copy(out, out + n, first);
        // count[b] is now where bucket b ends.
        std::size_t begin = 0;
        for (std::size_t b = 0; b < 257; ++b) {
            const std::size_t end = count[b];
            if (b == ended)
                bySize(first + begin, first + end);
            else if (end - begin > 1)
                pending.push_back(
                    {range.first + begin, range.first + end, range.depth + 1, range.keyed});
            begin = end;
        }
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
    std::vector<Range> pending{{0, entries.size(), 0, 0}};
    if (entries.size() < kRowsForTwoThreads) {
        drain(pending);
    } else {
        // Split the largest range until the rows can be shared out evenly, then sort half of
        // them on a thread of its own.
        const auto rows = [](const Range& r) {
            return r.last - r.first;
        };
        const auto larger = [&](const Range& x, const Range& y) {
            return rows(x) > rows(y);
        };
        std::array<std::size_t, 258> count{};
        while (!pending.empty()) {
            std::sort(pending.begin(), pending.end(), larger);
            if (rows(pending.front()) <= entries.size() / 4)
                break;
            const Range largest = pending.front();
            pending.erase(pending.begin());
            step(largest, pending, count);
        }
        std::vector<Range> mine;
        std::vector<Range> theirs;
        std::size_t myRows = 0;
        std::size_t theirRows = 0;
        for (const Range& range : pending) {
            const bool toMe = myRows <= theirRows;
            (toMe ? mine : theirs).push_back(range);
            (toMe ? myRows : theirRows) += rows(range);
        }
        std::thread helper([&] { drain(theirs); });
        drain(mine);
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
