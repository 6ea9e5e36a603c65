#include "core/export/export.hpp"

#include "core/report/final_values.hpp"
#include "core/report/report_stream.hpp"
#include "core/strings.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace varscope::core {

namespace {

constexpr std::size_t kExportBlock = std::size_t{1} << 20;

// What the final and locked columns write for a marked record.
constexpr std::string_view kMarkSet = "1";

// Level names by code, padded so that each is copied with one fixed-size move.
struct PaddedLevelName {
    std::array<char, 16> text{};
    std::size_t size = 0;
};
constexpr std::array<PaddedLevelName, kLevelCodeEnd> PadLevelNames() {
    std::array<PaddedLevelName, kLevelCodeEnd> names{};
    for (std::size_t code = 0; code < names.size(); ++code) {
        const std::string_view name = LevelName(static_cast<int>(code));
        std::copy(name.begin(), name.end(), names[code].text.begin());
        names[code].size = name.size();
    }
    return names;
}
constexpr auto kPaddedLevelNames = PadLevelNames();
constexpr std::size_t kLevelRoom = sizeof(PaddedLevelName::text);

// Writes the texts of a line. Exports of hundreds of MB spend their time copying fields,
// and in a report a record's name, value and expansion stand as "name=value [expansion",
// one byte apart: with a one-byte delimiter a text that follows the one before it so is
// copied with it in one go, and the byte between is overwritten with the delimiter.
class LineWriter {
public:
    LineWriter(char* out, std::string_view delimiter) : m_out(out), m_delimiter(delimiter) {}

    // Writes nothing for a code that is no level.
    void levelName(int code) {
        if (code < 0 || static_cast<std::size_t>(code) >= kPaddedLevelNames.size())
            return;
        const PaddedLevelName& name = kPaddedLevelNames[static_cast<std::size_t>(code)];
        copyRun();
        std::memcpy(m_out, name.text.data(), name.text.size());
        m_out += name.size;
    }
    void text(std::string_view text) {
        copyRun();
        m_run = text;
    }
    void delimiter() {
        copyRun();
        if (m_delimiter.size() == 1)
            *m_out++ = m_delimiter.front();
        else
            m_out = std::copy(m_delimiter.begin(), m_delimiter.end(), m_out);
    }
    void delimited(std::string_view text) {
        const char* const runEnd = m_run.data() + m_run.size();
        if (m_delimiter.size() == 1 && !m_run.empty() && text.data() == runEnd + 1) {
            m_gaps[m_gapCount++] = m_run.size();
            m_run = std::string_view(m_run.data(), m_run.size() + 1 + text.size());
            return;
        }
        delimiter();
        m_run = text;
    }
    char* endLine() {
        copyRun();
        return std::copy(kLineEnd.begin(), kLineEnd.end(), m_out);
    }

private:
    void copyRun() {
        m_out = std::copy(m_run.begin(), m_run.end(), m_out);
        for (std::size_t i = 0; i < m_gapCount; ++i)
            *(m_out - m_run.size() + m_gaps[i]) = m_delimiter.front();
        m_gapCount = 0;
        m_run = {};
    }

    char* m_out;
    const std::string_view m_delimiter;
    std::string_view m_run;              // the texts not yet copied, in memory one after another
    std::array<std::size_t, 3> m_gaps{}; // where in the run the delimiters go
    std::size_t m_gapCount = 0;
};

} // namespace

char* WriteVariableLine(char* out, const ConfigVariable& record, unsigned columns,
                        std::string_view delimiter, std::uint8_t marks) {
    // A single column is its text alone: a delimiter there would separate nothing.
    LineWriter line(out, std::has_single_bit(columns) ? std::string_view() : delimiter);
    if ((columns & ColumnLevel) && !LevelName(record.Level).empty()) {
        line.levelName(record.Level);
        line.delimiter();
    }
    if (columns & ColumnVariable)
        line.text(record.Name);
    if (columns & ColumnValue)
        line.delimited(record.Value);
    if (columns & ColumnExpansion)
        line.delimited(record.Expansion);
    if (columns & ColumnFile)
        line.delimited(record.File);
    for (const auto& [column, mark] :
         {std::pair{ColumnFinal, RecordWinner}, std::pair{ColumnLocked, RecordLocked}}) {
        if (columns & column) {
            line.delimiter();
            if (marks & mark)
                line.text(kMarkSet);
        }
    }
    return line.endLine();
}

std::size_t VariableLineRoom(const ConfigVariable& record, std::string_view delimiter) {
    return kLevelRoom + 6 * delimiter.size() + record.Name.size() + record.Value.size() +
           record.Expansion.size() + record.File.size() + 2 * kMarkSet.size() + kLineEnd.size();
}

void AppendVariableLine(std::string& out, const ConfigVariable& record, unsigned columns,
                        std::string_view delimiter) {
    const std::size_t at = out.size();
    out.resize(at + VariableLineRoom(record, delimiter));
    char* const end = WriteVariableLine(out.data() + at, record, columns, delimiter);
    out.resize(static_cast<std::size_t>(end - out.data()));
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
    : m_view(std::move(view)), m_write(std::move(write)), m_block(kExportBlock) {}

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
    if (!reserve(VariableLineRoom(record, m_view.delimiter)))
        return false;
    char* const block = m_block.data();
    const std::uint8_t marks = m_finals != nullptr ? m_finals->marks(record.Index) : 0;
    m_used = static_cast<std::size_t>(
        WriteVariableLine(block + m_used, record, m_view.columns, m_view.delimiter, marks) - block);
    return true;
}

bool ViewExporter::configFile(std::string_view path) {
    return m_view.rows != ExportView::Rows::Files || textLine(path);
}

bool ViewExporter::summaryLine(std::string_view line) {
    return m_view.rows != ExportView::Rows::Summary || textLine(line);
}

bool ViewExporter::textLine(std::string_view text) {
    if (!reserve(text.size() + kLineEnd.size()))
        return false;
    char* const block = m_block.data();
    char* const end = std::copy(text.begin(), text.end(), block + m_used);
    m_used = static_cast<std::size_t>(std::copy(kLineEnd.begin(), kLineEnd.end(), end) - block);
    return true;
}

bool ViewExporter::makeRoom(std::size_t size) {
    if (!flush())
        return false;
    // A line longer than a block gets a block of its own size.
    if (m_block.size() < size)
        m_block.resize(size);
    return true;
}

bool ViewExporter::flush() {
    if (!m_failed && m_used > 0)
        m_failed = !m_write(std::string_view(m_block.data(), m_used));
    m_used = 0;
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
    outcome.written = exporter.finish();
    outcome.skippedLines = read.skippedLines;
    return outcome;
}

} // namespace varscope::core
