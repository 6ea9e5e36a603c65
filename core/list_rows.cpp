#include "list_rows.hpp"

#include "strings.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace varscope::core {

namespace {

// A sort works on chunks: eight bytes of a text, lowered, read as one number whose order is
// the bytes' order. Rows are radix-sorted on one chunk; rows whose chunks tie go on to the
// next chunk. Each text is read once per chunk, never per comparison.
constexpr std::size_t kChunk = 8;
// Ties among fewer rows than this are settled by comparing the texts directly.
constexpr std::size_t kSmallRun = 48;

struct Entry {
    std::uint64_t key = 0;
    std::size_t pos = 0;
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

int CompareFrom(std::string_view a, std::string_view b, std::size_t offset) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = offset; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Stable LSD radix sort on the keys, a byte at a time, skipping bytes all keys share.
void RadixSort(Entry* first, Entry* last, std::vector<Entry>& scratch) {
    const std::size_t n = std::size_t(last - first);
    std::array<std::array<std::size_t, 256>, kChunk> counts{};
    for (const Entry* e = first; e != last; ++e) {
        for (std::size_t b = 0; b < kChunk; ++b)
            ++counts[b][(e->key >> (8 * b)) & 0xFF];
    }
    scratch.resize(std::max(scratch.size(), n));
    Entry* from = first;
    Entry* to = scratch.data();
    for (std::size_t b = 0; b < kChunk; ++b) {
        auto& count = counts[b];
        if (count[(first->key >> (8 * b)) & 0xFF] == n)
            continue;
        std::size_t sum = 0;
        for (std::size_t& c : count) {
            const std::size_t here = c;
            c = sum;
            sum += here;
        }
        for (const Entry* e = from; e != from + n; ++e)
            to[count[(e->key >> (8 * b)) & 0xFF]++] = *e;
        std::swap(from, to);
    }
    if (from != first)
        std::copy(from, from + n, first);
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
    std::vector<Entry> entries(texts.size());
    for (std::size_t pos = 0; pos < texts.size(); ++pos)
        entries[pos].pos = pos;
    std::vector<Entry> scratch;

    struct Range {
        std::size_t first, last, offset;
    };
    // A list rather than recursion: texts megabytes long share chunk after chunk.
    std::vector<Range> pending{{0, entries.size(), 0}};
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        Entry* const first = entries.data() + range.first;
        Entry* const last = entries.data() + range.last;
        if (range.last - range.first < 2)
            continue;
        // Every range comes in position order, so ties broken by position are stable.
        if (range.last - range.first < kSmallRun) {
            std::sort(first, last, [&](const Entry& a, const Entry& b) {
                const int order = CompareFrom(texts[a.pos], texts[b.pos], range.offset);
                if (order != 0)
                    return descending ? order > 0 : order < 0;
                return a.pos < b.pos;
            });
            continue;
        }
        for (Entry* e = first; e != last; ++e) {
            const std::uint64_t key = ChunkKey(texts[e->pos], range.offset);
            e->key = descending ? ~key : key;
        }
        RadixSort(first, last, scratch);
        const std::size_t next = range.offset + kChunk;
        for (Entry* run = first; run != last;) {
            Entry* end = run + 1;
            bool goesOn = texts[run->pos].size() > next;
            while (end != last && end->key == run->key) {
                goesOn = goesOn || texts[end->pos].size() > next;
                ++end;
            }
            if (end - run > 1) {
                if (goesOn) {
                    pending.push_back({std::size_t(run - entries.data()),
                                       std::size_t(end - entries.data()), next});
                } else {
                    // Texts that end inside the chunk tie only when they differ in trailing
                    // zero bytes; the shorter is the smaller.
                    std::stable_sort(run, end, [&](const Entry& a, const Entry& b) {
                        const std::size_t la = texts[a.pos].size();
                        const std::size_t lb = texts[b.pos].size();
                        return descending ? la > lb : la < lb;
                    });
                }
            }
            run = end;
        }
    }
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        order[i] = entries[i].pos;
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
