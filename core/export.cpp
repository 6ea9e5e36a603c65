#include "export.hpp"

#include "report_stream.hpp"
#include "text.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace varscope::core {

namespace {

constexpr std::size_t kExportBlock = std::size_t{1} << 20;

// Room for the longest level name.
constexpr std::size_t kLevelRoom = 11;
constexpr bool LevelNamesFit() {
    for (const ConfigLevel level : kLegendLevels) {
        if (LevelName(level).size() > kLevelRoom)
            return false;
    }
    return true;
}
static_assert(LevelNamesFit());

} // namespace

char* WriteVariableLine(char* out, const ConfigVariable& record, unsigned columns,
                        std::string_view delimiter) {
    const auto put = [&out](std::string_view text) {
        out = std::copy(text.begin(), text.end(), out);
    };
    const std::string_view level = columns & ColumnLevel ? LevelName(record.Level) : "";
    if (!level.empty()) {
        put(level);
        put(delimiter);
    }
    if (columns & ColumnVariable)
        put(record.Name);
    for (const auto& [column, text] :
         {std::pair{ColumnValue, record.Value}, std::pair{ColumnExpansion, record.Expansion},
          std::pair{ColumnFile, record.File}}) {
        if (columns & column) {
            put(delimiter);
            put(text);
        }
    }
    put(kLineEnd);
    return out;
}

std::size_t VariableLineRoom(const ConfigVariable& record, std::string_view delimiter) {
    return kLevelRoom + 4 * delimiter.size() + record.Name.size() + record.Value.size() +
           record.Expansion.size() + record.File.size() + kLineEnd.size();
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
    m_used = static_cast<std::size_t>(
        WriteVariableLine(block + m_used, record, m_view.columns, m_view.delimiter) - block);
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
