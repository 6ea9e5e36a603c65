#pragma once

#include "core/report/report.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

class FinalValues;

// Column flags of ExportColumns.
enum ExportColumn : unsigned {
    ColumnLevel = 1,
    ColumnVariable = 2,
    ColumnValue = 4,
    ColumnExpansion = 8,
    ColumnFile = 16,
    AllColumns = 31, // the five columns the export window offers
    // After the five: "1" for the winning record, for every record of a locked variable.
    ColumnFinal = 32,
    ColumnLocked = 64,
};

inline constexpr std::string_view kLineEnd = "\r\n";

// Writes one exported line of a variable list, with its CR LF, at `out`, which must have
// room for VariableLineRoom() bytes; returns the line's end. The delimiter follows the
// level and precedes value, expansion, file, final and locked, so a column left out in the
// middle leaves its delimiter in place; a single column has none. `marks` are the record's
// RecordMark bits, for the final and locked columns. Every export of variable lines goes through
// this function.
char* WriteVariableLine(char* out, const ConfigVariable& record, unsigned columns,
                        std::string_view delimiter, std::uint8_t marks = 0);
// The most bytes WriteVariableLine writes for the record with any columns.
std::size_t VariableLineRoom(const ConfigVariable& record, std::string_view delimiter);
// Appends the line WriteVariableLine writes.
void AppendVariableLine(std::string& out, const ConfigVariable& record, unsigned columns,
                        std::string_view delimiter);

// Appends a row of a one-column list (Summary, File Order) with its CR LF.
void AppendTextLine(std::string& out, std::string_view text);

// Parses "level,variable,...,final,locked" into column flags; false on an unknown name.
bool ParseColumnList(std::string_view list, unsigned& columns);

// What an export of a report writes: which rows, which columns, and between them.
struct ExportView {
    enum class Rows {
        All,     // every record in report order
        Name,    // the records of one variable, by its exact name
        Level,   // the records of one level
        Summary, // the summary lines
        Files,   // the configuration files in processing order
    };
    Rows rows = Rows::All;
    std::string name;
    int level = 0;
    unsigned columns = AllColumns;
    std::string delimiter = "|";
};

// Writes a view's lines while a ReportStream reads the report, so that neither the report
// nor its records are held. The lines go out in blocks of about 1 MB through `write`, which
// returns false when writing failed; the reading then stops.
class ViewExporter final : public ReportSink {
public:
    ViewExporter(ExportView view, std::function<bool(std::string_view)> write);

    bool variable(const ConfigVariable& record) override;
    bool configFile(std::string_view path) override;
    bool summaryLine(std::string_view line) override;

    // The winners the final and locked columns show; null writes those columns empty.
    void useFinalValues(const FinalValues* finals) { m_finals = finals; }

    // Writes what is left; false when writing failed, now or before.
    bool finish();

private:
    bool textLine(std::string_view text);
    // Makes room for `size` more bytes; false when writing failed.
    bool reserve(std::size_t size) { return m_block.size() - m_used >= size || makeRoom(size); }
    bool makeRoom(std::size_t size);
    bool flush();

    const ExportView m_view;
    const std::function<bool(std::string_view)> m_write;
    const FinalValues* m_finals = nullptr;
    std::vector<char> m_block;
    std::size_t m_used = 0;
    bool m_failed = false;
};

// How an export of a report file went.
struct ExportOutcome {
    std::string readError; // why the report could not be read; empty when it was
    bool written = true;   // false when `write` failed
    std::size_t skippedLines = 0;
};

// Writes a view of a report read whole, with the winners the final and locked columns show.
bool ExportReport(const ReportData& report, const FinalValues& finals, const ExportView& view,
                  const std::function<bool(std::string_view)>& write);

// Whether the view's columns need the winners, which only the whole report tells: the
// summary comes at its end.
bool NeedsFinalValues(const ExportView& view);

// Writes a view of the report file at `path` through `write`, reading the report in blocks
// so that neither it nor its records are held.
ExportOutcome ExportReportFile(const std::string& path, const ExportView& view,
                               const std::function<bool(std::string_view)>& write);

} // namespace varscope::core
