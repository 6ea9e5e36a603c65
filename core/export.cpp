#include "export.hpp"

#include "report.hpp"
#include "text.hpp"

#include <array>
#include <cstring>

namespace varscope::core {

namespace {

// The pieces of an exported line in order: the delimiter follows the level and precedes
// value, expansion and file, so a column left out in the middle leaves its delimiter.
template <typename Visit>
void ForEachPiece(std::string_view level, const ConfigVariable& record, unsigned columns,
                  std::string_view delimiter, Visit&& visit) {
    if (!level.empty()) {
        visit(level);
        visit(delimiter);
    }
    if (columns & ColumnVariable)
        visit(record.Name);
    if (columns & ColumnValue) {
        visit(delimiter);
        visit(record.Value);
    }
    if (columns & ColumnExpansion) {
        visit(delimiter);
        visit(record.Expansion);
    }
    if (columns & ColumnFile) {
        visit(delimiter);
        visit(record.File);
    }
    visit(kLineEnd);
}

} // namespace

void AppendVariableLine(std::string& out, const ConfigVariable& record, unsigned columns,
                        std::string_view delimiter) {
    // Measured first and copied in one go: exports run to hundreds of MB, and growing the
    // text piece by piece costs more than the copying.
    const std::string_view level =
        columns & ColumnLevel ? LevelName(record.Level) : std::string_view();
    std::size_t size = 0;
    ForEachPiece(level, record, columns, delimiter,
                 [&size](std::string_view piece) { size += piece.size(); });
    std::size_t at = out.size();
    out.resize(at + size);
    char* const text = out.data();
    ForEachPiece(level, record, columns, delimiter, [text, &at](std::string_view piece) {
        if (!piece.empty())
            std::memcpy(text + at, piece.data(), piece.size());
        at += piece.size();
    });
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
