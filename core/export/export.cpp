#include "core/export/export.hpp"

#include "core/report/final_values.hpp"
#include "core/report/report_stream.hpp"
#include "core/strings.hpp"

#include <array>
#include <bit>
#include <utility>

namespace varscope::core {

namespace {

constexpr std::size_t kExportBlock = std::size_t{1} << 20;

// What the final and locked columns write for a marked record.
constexpr std::string_view kMarkSet = "1";

} // namespace

void AppendVariableLine(std::string& out, const ConfigVariable& record, unsigned columns,
                        std::string_view delimiter, std::uint8_t marks) {
    // A single column is its text alone: a delimiter there would separate nothing.
    if (std::has_single_bit(columns))
        delimiter = {};
    if ((columns & ColumnLevel) && !LevelName(record.Level).empty()) {
        out += LevelName(record.Level);
        out += delimiter;
    }
    if (columns & ColumnVariable)
        out += record.Name;
    for (const auto& [column, text] :
         {std::pair{ColumnValue, record.Value}, std::pair{ColumnExpansion, record.Expansion},
          std::pair{ColumnFile, record.File}}) {
        if (columns & column) {
            out += delimiter;
            out += text;
        }
    }
    for (const auto& [column, mark] :
         {std::pair{ColumnFinal, RecordWinner}, std::pair{ColumnLocked, RecordLocked}}) {
        if (columns & column) {
            out += delimiter;
            if (marks & mark)
                out += kMarkSet;
        }
    }
    out += kLineEnd;
}

void AppendTextLine(std::string& out, std::string_view text) {
    out += text;
    out += kLineEnd;
}

bool ParseColumnList(std::string_view list, unsigned& columns) {
    static constexpr std::array<std::pair<std::string_view, ExportColumn>, 7> kNames = {{
        {"level", ColumnLevel},
        {"variable", ColumnVariable},
        {"value", ColumnValue},
        {"expansion", ColumnExpansion},
        {"file", ColumnFile},
        {"final", ColumnFinal},
        {"locked", ColumnLocked},
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

ViewExporter::ViewExporter(ExportView view, std::function<bool(std::string_view)> write)
    : m_view(std::move(view)), m_write(std::move(write)) {
    m_block.reserve(kExportBlock);
}

bool ViewExporter::variable(const ConfigVariable& record) {
    switch (m_view.rows) {
    case ExportView::Rows::All:
        break;
    case ExportView::Rows::Name:
        if (record.Name != m_view.name)
            return true;
        break;
    case ExportView::Rows::Level:
        if (record.Level != m_view.level)
            return true;
        break;
    default:
        return true;
    }
    const std::uint8_t marks = m_finals != nullptr ? m_finals->marks(record.Index) : 0;
    AppendVariableLine(m_block, record, m_view.columns, m_view.delimiter, marks);
    return lineWritten();
}

bool ViewExporter::configFile(std::string_view path) {
    return m_view.rows != ExportView::Rows::Files || textLine(path);
}

bool ViewExporter::summaryLine(std::string_view line) {
    return m_view.rows != ExportView::Rows::Summary || textLine(line);
}

bool ViewExporter::textLine(std::string_view text) {
    AppendTextLine(m_block, text);
    return lineWritten();
}

bool ViewExporter::lineWritten() {
    return m_block.size() < kExportBlock || flush();
}

bool ViewExporter::flush() {
    if (!m_failed && !m_block.empty())
        m_failed = !m_write(m_block);
    m_block.clear();
    // A line longer than a block leaves no block of its size behind.
    if (m_block.capacity() > 2 * kExportBlock) {
        m_block.shrink_to_fit();
        m_block.reserve(kExportBlock);
    }
    return !m_failed;
}

bool ViewExporter::finish() {
    return flush();
}

bool ExportReport(const ReportData& report, const FinalValues& finals, const ExportView& view,
                  const std::function<bool(std::string_view)>& write) {
    ViewExporter exporter(view, write);
    exporter.useFinalValues(&finals);
    bool going = true;
    for (auto record = report.Variables.begin(); going && record != report.Variables.end();
         ++record)
        going = exporter.variable(*record);
    for (auto file = report.ConfigFilesUsed.begin(); going && file != report.ConfigFilesUsed.end();
         ++file)
        going = exporter.configFile(*file);
    for (auto line = report.SummaryLines.begin(); going && line != report.SummaryLines.end();
         ++line)
        going = exporter.summaryLine(*line);
    return exporter.finish() && going;
}

bool NeedsFinalValues(const ExportView& view) {
    const bool records = view.rows == ExportView::Rows::All ||
                         view.rows == ExportView::Rows::Name ||
                         view.rows == ExportView::Rows::Level;
    return records && (view.columns & (ColumnFinal | ColumnLocked)) != 0;
}

ExportOutcome ExportReportFile(const std::string& path, const ExportView& view,
                               const std::function<bool(std::string_view)>& write) {
    ViewExporter exporter(view, write);
    const ReportFileOutcome read = ReadReportFile(path, exporter);
    ExportOutcome outcome;
    outcome.readError = read.readError;
    outcome.utf16 = read.utf16;
    outcome.written = exporter.finish();
    outcome.skippedLines = read.skippedLines;
    return outcome;
}

} // namespace varscope::core
