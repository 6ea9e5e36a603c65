#pragma once

#include "core/report/report.hpp"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The rows a variable list shows: sorted by a column and filtered by a text, on the bytes.
// A "position" is an index into the texts or records handed in, so a list of any rows (all
// records, an isolated few) can be ordered the same way.
namespace varscope::core {

enum class RecordColumn { Name, Value, Expansion, File };
enum class SortDirection { Ascending, Descending };

std::string_view ColumnText(const ConfigVariable& record, RecordColumn column);

// Positions 0 .. texts.size() - 1 ordered by their texts as the lists compare them: bytes,
// with ASCII letter case ignored. Equal texts keep their order in `texts` in both
// directions.
std::vector<std::size_t> SortedOrder(const std::vector<std::string_view>& texts,
                                     SortDirection direction);
// The same over one column of `records`.
std::vector<std::size_t> SortRecords(const std::vector<ConfigVariable>& records,
                                     RecordColumn column, SortDirection direction);

// Whether a text occurs in a record's name, value, expansion or file, ignoring ASCII letter
// case. Made once for a text, then asked for many records.
class RecordFilter {
public:
    explicit RecordFilter(std::string_view text);

    bool matches(const ConfigVariable& record) const;
    bool contains(std::string_view haystack) const;

private:
    std::string m_lowered;
    std::array<std::size_t, 256> m_skip{};
};

// Positions of the records that contain `text` (all of them for an empty text), in order.
std::vector<std::size_t> MatchingRecords(const std::vector<ConfigVariable>& records,
                                         std::string_view text);

} // namespace varscope::core
