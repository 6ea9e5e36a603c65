// The one export-line writer, on texts laid out any way in memory: apart, overlapping, or
// one byte apart as a report's name, value and expansion stand.
#include "checks.hpp"
#include "input.hpp"

#include "core/export/export.hpp"
#include "core/report/report.hpp"

#include <array>
#include <vector>

namespace varscope::fuzz {

namespace {

// The line as the export documents it: the delimiter follows the level and precedes value,
// expansion and file; a level without a name writes nothing.
std::string Expected(const core::ConfigVariable& record, unsigned columns,
                     std::string_view delimiter) {
    std::string line;
    if ((columns & core::ColumnLevel) && !core::LevelName(record.Level).empty()) {
        line += core::LevelName(record.Level);
        line += delimiter;
    }
    if (columns & core::ColumnVariable)
        line += record.Name;
    const std::array<std::pair<unsigned, std::string_view>, 3> delimited = {
        {{core::ColumnValue, record.Value},
         {core::ColumnExpansion, record.Expansion},
         {core::ColumnFile, record.File}}};
    for (const auto& [column, text] : delimited) {
        if (columns & column) {
            line += delimiter;
            line += text;
        }
    }
    line += "\r\n";
    return line;
}

std::int16_t Level(Input& input) {
    constexpr std::array<std::int16_t, 7> kCodes = {
        core::LevelNone, core::LevelPredefined, core::LevelSystem,     core::LevelProject,
        core::LevelSite, core::LevelUser,       core::LevelApplication};
    const std::uint8_t choice = input.byte();
    if (choice < 128)
        return kCodes[choice % kCodes.size()];
    return static_cast<std::int16_t>(choice << 8 | input.byte());
}

} // namespace

Failure CheckExportLine(std::string_view input) {
    Input in(input);
    const unsigned columns = in.byte() & core::AllColumns;
    core::ConfigVariable record;
    record.Level = Level(in);
    const std::string delimiter(in.piece('\0').substr(0, 4));
    const std::string_view texts = in.rest();

    std::array<std::string_view, 4> fields;
    std::size_t previousEnd = 0;
    for (std::string_view& field : fields) {
        const std::uint8_t layout = in.byte();
        std::size_t start = in.below(texts.size() + 1);
        // One byte after the text before, as in a report line.
        if (layout & 1 && previousEnd < texts.size())
            start = previousEnd + 1;
        const std::size_t length = in.below(texts.size() - start + 1);
        field = texts.substr(start, length);
        previousEnd = start + length;
    }
    record.Name = fields[0];
    record.Value = fields[1];
    record.Expansion = fields[2];
    record.File = fields[3];

    const std::string expected = Expected(record, columns, delimiter);
    // Appended after what a buffer holds already, the line is the expected one.
    std::string appended(delimiter);
    core::AppendVariableLine(appended, record, columns, delimiter);
    if (appended != delimiter + expected)
        return "appended \"" + Shown(appended) + "\" after \"" + Shown(delimiter) + "\"";
    return std::nullopt;
}

} // namespace varscope::fuzz
