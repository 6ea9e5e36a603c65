// The one export-line writer, on texts laid out any way in memory: apart, overlapping, or
// one byte apart as a report's name, value and expansion stand (which it copies in one go).
#include "checks.hpp"
#include "input.hpp"

#include "core/export/export.hpp"
#include "core/report/final_values.hpp"
#include "core/report/report.hpp"

#include <array>
#include <vector>

namespace varscope::fuzz {

namespace {

// The level names the export writes, by code, as documented, typed out here rather than
// taken from LevelName so that a wrong name there is caught.
constexpr std::array<std::string_view, 16> kLevelNames = {
    "",     "Predefined",  "System",       "",          "",        "",     "Project", "Site",
    "User", "Application", "Organization", "WorkSpace", "WorkSet", "Role", "",        ""};

// The line as the export documents it: the delimiter follows the level and precedes value,
// expansion, file, final and locked; a level without a name writes nothing; a marked
// record's final or locked column holds "1"; a single column has no delimiter.
std::string Expected(const core::ConfigVariable& record, unsigned columns,
                     std::string_view delimiter, std::uint8_t marks) {
    const bool single = columns != 0 && (columns & (columns - 1)) == 0;
    if (single)
        delimiter = {};
    std::string line;
    const auto code = static_cast<std::size_t>(static_cast<std::uint16_t>(record.Level));
    const std::string_view level = code < kLevelNames.size() ? kLevelNames[code] : "";
    if ((columns & core::ColumnLevel) && !level.empty()) {
        line += level;
        line += delimiter;
    }
    if (columns & core::ColumnVariable)
        line += record.Name;
    const std::array<std::pair<unsigned, std::string_view>, 5> delimited = {
        {{core::ColumnValue, record.Value},
         {core::ColumnExpansion, record.Expansion},
         {core::ColumnFile, record.File},
         {core::ColumnFinal, marks & core::RecordWinner ? "1" : ""},
         {core::ColumnLocked, marks & core::RecordLocked ? "1" : ""}}};
    for (const auto& [column, text] : delimited) {
        if (columns & column) {
            line += delimiter;
            line += text;
        }
    }
    line += "\r\n";
    return line;
}

// Mostly the codes 0 to 15 (every level, and the codes between and after them), now and
// then any code at all.
std::int16_t Level(Input& input) {
    const std::uint8_t choice = input.byte();
    if (choice < 128)
        return static_cast<std::int16_t>(choice % kLevelNames.size());
    return static_cast<std::int16_t>(choice << 8 | input.byte());
}

} // namespace

Failure CheckExportLine(std::string_view input) {
    Input in(input);
    const unsigned columns =
        in.byte() & (core::AllColumns | core::ColumnFinal | core::ColumnLocked);
    const std::uint8_t marks =
        columns & (core::ColumnFinal | core::ColumnLocked) ? in.byte() % 4 : 0;
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

    const std::string expected = Expected(record, columns, delimiter, marks);
    // Exactly the room it asks for, so that a byte written past it is caught.
    std::vector<char> room(core::VariableLineRoom(record, delimiter));
    const char* const end = core::WriteVariableLine(room.data(), record, columns, delimiter, marks);
    if (end < room.data() || static_cast<std::size_t>(end - room.data()) > room.size())
        return std::string("the line ends outside its room");
    const std::string_view written(room.data(), static_cast<std::size_t>(end - room.data()));
    if (written != expected)
        return "wrote \"" + Shown(written) + "\", expected \"" + Shown(expected) + "\"";

    // Appended after what a buffer holds already, the line is the same (it has no marks).
    std::string appended(delimiter);
    core::AppendVariableLine(appended, record, columns, delimiter);
    if (appended != delimiter + Expected(record, columns, delimiter, 0))
        return "appended \"" + Shown(appended) + "\" after \"" + Shown(delimiter) + "\"";
    return std::nullopt;
}

} // namespace varscope::fuzz
