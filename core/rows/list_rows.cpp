#include "core/rows/list_rows.hpp"

#include "core/strings.hpp"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace varscope::core {

namespace {

// Eight bytes of a text from `offset` on, lowered, as one number whose order is the bytes'
// order. Missing bytes count as zero: a text that ends ties with a longer one it begins,
// and the shorter is the smaller.
std::uint64_t LoweredChunk(std::string_view text, std::size_t offset) {
    std::uint64_t key = 0;
    for (std::size_t i = offset; i < offset + 8; ++i) {
        key <<= 8;
        if (i < text.size())
            key |= static_cast<unsigned char>(AsciiLower(text[i]));
    }
    return key;
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
    // Rows are sorted by eight bytes of their texts at a time: each run of rows that tie is
    // sorted again by the next eight, until their texts have ended. A text is read once per
    // eight bytes it shares with others, not once per comparison: the texts lie far apart
    // in memory.
    struct Row {
        std::uint64_t key;
        std::size_t pos;
    };
    struct Run {
        std::size_t first, last, offset; // rows that tie before `offset`; keys from there
    };
    const bool descending = direction == SortDirection::Descending;
    std::vector<Row> rows(texts.size());
    for (std::size_t pos = 0; pos < texts.size(); ++pos)
        rows[pos] = {LoweredChunk(texts[pos], 0), pos};
    // Equal texts keep their order in both directions, so the position breaks ties last.
    const auto byKey = [descending](const Row& a, const Row& b) {
        if (a.key != b.key)
            return descending ? a.key > b.key : a.key < b.key;
        return a.pos < b.pos;
    };
    const auto bySize = [&texts, descending](const Row& a, const Row& b) {
        const std::size_t x = texts[a.pos].size();
        const std::size_t y = texts[b.pos].size();
        if (x != y)
            return descending ? x > y : x < y;
        return a.pos < b.pos;
    };
    std::vector<Run> pending{{0, rows.size(), 0}};
    while (!pending.empty()) {
        const Run run = pending.back();
        pending.pop_back();
        const auto first = rows.begin() + static_cast<std::ptrdiff_t>(run.first);
        const auto last = rows.begin() + static_cast<std::ptrdiff_t>(run.last);
        std::sort(first, last, byKey);
        const std::size_t next = run.offset + 8;
        for (auto tie = first; tie != last;) {
            const auto end =
                std::find_if(tie, last, [&tie](const Row& row) { return row.key != tie->key; });
            if (end - tie > 1) {
                // Texts that have all ended are equal but for trailing zero bytes.
                const bool goOn = std::any_of(tie, end, [&texts, next](const Row& row) {
                    return texts[row.pos].size() > next;
                });
                if (goOn) {
                    for (auto row = tie; row != end; ++row)
                        row->key = LoweredChunk(texts[row->pos], next);
                    pending.push_back({static_cast<std::size_t>(tie - rows.begin()),
                                       static_cast<std::size_t>(end - rows.begin()), next});
                } else {
                    std::sort(tie, end, bySize);
                }
            }
            tie = end;
        }
    }
    std::vector<std::size_t> order(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        order[i] = rows[i].pos;
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
