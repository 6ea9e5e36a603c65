#include "export.hpp"

#include "report.hpp"
#include "text.hpp"

#include <array>

namespace varscope::core {

void AppendVariableLine(std::string& out, const ConfigVariable& record, unsigned columns,
                        std::string_view delimiter) {
    if (columns & ColumnLevel) {
        const std::string_view level = LevelName(record.Level);
        if (!level.empty()) {
            out += level;
            out += delimiter;
        }
    }
    if (columns & ColumnVariable)
        out += record.Name;
    if (columns & ColumnValue) {
        out += delimiter;
        out += record.Value;
    }
    if (columns & ColumnExpansion) {
        out += delimiter;
        out += record.Expansion;
    }
    if (columns & ColumnFile) {
        out += delimiter;
        out += record.File;
    }
    out += kLineEnd;
}

void AppendTextLine(std::string& out, std::string_view text) {
    out += text;
    out += kLineEnd;
}

bool ParseColumnList(std::string_view list, unsigned& columns) {
    static constexpr std::array<std::pair<std::string_view, ExportColumn>, 5> kNames = {{
        {"level", ColumnLevel},
        {"variable", ColumnVariable},
        {"value", ColumnValue},
        {"expansion", ColumnExpansion},
        {"file", ColumnFile},
    }};
    unsigned result = 0;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string_view::npos)
            comma = list.size();
        const std::string_view word = list.substr(start, comma - start);
        bool known = false;
        for (const auto& [name, flag] : kNames) {
            if (EqualsIgnoreCase(word, name)) {
                result |= flag;
                known = true;
            }
        }
        if (!known)
            return false;
        start = comma + 1;
    }
    columns = result;
    return true;
}

} // namespace varscope::core
