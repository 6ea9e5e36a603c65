#pragma once

#include <span>
#include <string>
#include <string_view>

namespace varscope::core {

struct ConfigVariable;

// Column flags of ExportColumns.
enum ExportColumn : unsigned {
    ColumnLevel = 1,
    ColumnVariable = 2,
    ColumnValue = 4,
    ColumnExpansion = 8,
    ColumnFile = 16,
    AllColumns = 31,
};

inline constexpr std::string_view kLineEnd = "\r\n";

// Appends one exported line of a variable list, with its CR LF. The delimiter follows the
// level and precedes value, expansion and file, so a column left out in the middle leaves
// its delimiter in place.
void AppendVariableLine(std::string& out, const ConfigVariable& record, unsigned columns,
                        std::string_view delimiter);

// Appends a row of a one-column list (Summary, File Order) with its CR LF.
void AppendTextLine(std::string& out, std::string_view text);

// Parses "level,variable,..." into column flags; false on an unknown name.
bool ParseColumnList(std::string_view list, unsigned& columns);

} // namespace varscope::core
