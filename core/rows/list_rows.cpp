#include "core/rows/list_rows.hpp"

#include "core/strings.hpp"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace varscope::core {

namespace {

// The first eight bytes of a text, lowered, as one number whose order is the bytes' order:
// most comparisons are settled by it without reading the text again. Missing bytes count as
// zero, so a text that ends ties with a longer one it begins and the rest decides.
std::uint64_t LoweredPrefix(std::string_view text) {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        key <<= 8;
        if (i < text.size())
            key |= static_cast<unsigned char>(AsciiLower(text[i]));
    }
    return key;
}

// Bytes compared unsigned with ASCII letter case ignored, from `offset` on; a text that
// ends first is the smaller.
int CompareFrom(std::string_view a, std::string_view b, std::size_t offset) {
    if (a.data() == b.data() && a.size() == b.size())
        return 0; // the records of one file section share its text
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = offset; i < common; ++i) {
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
    struct Row {
        std::uint64_t prefix;
        std::size_t pos;
    };
    std::vector<Row> rows(texts.size());
    for (std::size_t pos = 0; pos < texts.size(); ++pos)
        rows[pos] = {LoweredPrefix(texts[pos]), pos};
    const bool descending = direction == SortDirection::Descending;
    // Equal texts keep their order in both directions, so the position breaks ties last.
    std::sort(rows.begin(), rows.end(), [&texts, descending](const Row& a, const Row& b) {
        int order = a.prefix == b.prefix ? CompareFrom(texts[a.pos], texts[b.pos], 8)
                                         : (a.prefix < b.prefix ? -1 : 1);
        if (descending)
            order = -order;
        return order != 0 ? order < 0 : a.pos < b.pos;
    });
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
