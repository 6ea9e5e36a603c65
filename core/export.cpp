#include "export.hpp"

#include "report.hpp"
#include "text.hpp"

#include <array>
#include <cstring>
#include <utility>

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

std::string_view LevelOf(const ConfigVariable& record, unsigned columns) {
    return columns & ColumnLevel ? LevelName(record.Level) : std::string_view();
}

} // namespace

std::size_t VariableLineSize(const ConfigVariable& record, unsigned columns,
                             std::string_view delimiter) {
    std::size_t size = 0;
    ForEachPiece(LevelOf(record, columns), record, columns, delimiter,
                 [&size](std::string_view piece) { size += piece.size(); });
    return size;
}

char* WriteVariableLine(char* out, const ConfigVariable& record, unsigned columns,
                        std::string_view delimiter) {
    const auto copy = [&out](std::string_view piece) {
        if (!piece.empty())
            std::memcpy(out, piece.data(), piece.size());
        out += piece.size();
    };
    // The usual export, every column and a one-byte delimiter: name, value and expansion
    // stand in the report as name=value[expansion, so they are copied in one go and the
    // '=' and '[' replaced; exports of hundreds of MB spend their time in such copies.
    const char* const nameEnd = record.Name.data() + record.Name.size();
    const char* const valueEnd = record.Value.data() + record.Value.size();
    if (columns == AllColumns && delimiter.size() == 1 && nameEnd != nullptr &&
        record.Value.data() == nameEnd + 1 &&
        (record.Expansion.empty() || record.Expansion.data() == valueEnd + 1)) {
        const char separator = delimiter.front();
        const std::string_view level = LevelName(record.Level);
        if (!level.empty()) {
            copy(level);
            *out++ = separator;
        }
        const char* const end =
            record.Expansion.empty() ? valueEnd : record.Expansion.data() + record.Expansion.size();
        char* const name = out;
        copy(std::string_view(record.Name.data(),
                              static_cast<std::size_t>(end - record.Name.data())));
        name[record.Name.size()] = separator;
        if (record.Expansion.empty())
            *out++ = separator;
        else
            name[record.Name.size() + 1 + record.Value.size()] = separator;
        *out++ = separator;
        copy(record.File);
        copy(kLineEnd);
        return out;
    }
    ForEachPiece(LevelOf(record, columns), record, columns, delimiter, copy);
    return out;
}

void AppendVariableLine(std::string& out, const ConfigVariable& record, unsigned columns,
                        std::string_view delimiter) {
    // Measured first and copied in one go: exports run to hundreds of MB, and growing the
    // text piece by piece costs more than the copying.
    const std::size_t at = out.size();
    out.resize(at + VariableLineSize(record, columns, delimiter));
    WriteVariableLine(out.data() + at, record, columns, delimiter);
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

namespace {

constexpr std::size_t kExportBlock = std::size_t{1} << 20;

// Level names by code, padded so that each is copied with one fixed-size move.
struct PaddedLevelName {
    char text[16];
    std::size_t size;
};
constexpr std::array<PaddedLevelName, 10> PadLevelNames() {
    std::array<PaddedLevelName, 10> names{};
    for (std::size_t code = 0; code < names.size(); ++code) {
        const std::string_view name = LevelName(static_cast<int>(code));
        for (std::size_t i = 0; i < name.size(); ++i)
            names[code].text[i] = name[i];
        names[code].size = name.size();
    }
    return names;
}
constexpr std::array<PaddedLevelName, 10> kPaddedLevelNames = PadLevelNames();
static_assert(sizeof(PaddedLevelName::text) > LevelName(LevelApplication).size());

} // namespace

ViewExporter::ViewExporter(ExportView view, std::function<bool(std::string_view)> write)
    : m_view(std::move(view)), m_write(std::move(write)),
      // A piece's lines are kept whole: its block starts small and grows with them.
      m_block(m_write ? kExportBlock : kExportBlock / 16) {}

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
    if (m_view.columns == AllColumns && m_view.delimiter.size() == 1 && record.Level >= 0 &&
        static_cast<std::size_t>(record.Level) < kPaddedLevelNames.size()) {
        // The usual export of a report's records, whose name, value and expansion follow
        // each other in the report: written with two copies and a few stores.
        const char* const name = record.Name.data();
        const char* const nameEnd = name + record.Name.size();
        const char* const valueEnd = record.Value.data() + record.Value.size();
        if (name != nullptr && record.Value.data() == nameEnd + 1 &&
            (record.Expansion.empty() || record.Expansion.data() == valueEnd + 1)) {
            const char* const end = record.Expansion.empty()
                                        ? valueEnd
                                        : record.Expansion.data() + record.Expansion.size();
            const std::size_t span = static_cast<std::size_t>(end - name);
            if (!reserve(sizeof(PaddedLevelName::text) + span + record.File.size() + 8))
                return false;
            const char separator = m_view.delimiter.front();
            char* out = m_block.data() + m_used;
            const PaddedLevelName& level =
                kPaddedLevelNames[static_cast<std::size_t>(record.Level)];
            std::memcpy(out, level.text, sizeof level.text);
            out += level.size;
            *out = separator;
            out += level.size != 0 ? 1 : 0;
            std::memcpy(out, name, span);
            out[record.Name.size()] = separator;
            if (!record.Expansion.empty())
                out[record.Name.size() + 1 + record.Value.size()] = separator;
            out += span;
            if (record.Expansion.empty())
                *out++ = separator;
            *out++ = separator;
            if (!record.File.empty())
                std::memcpy(out, record.File.data(), record.File.size());
            out += record.File.size();
            out[0] = kLineEnd[0];
            out[1] = kLineEnd[1];
            m_used = static_cast<std::size_t>(out + 2 - m_block.data());
            return true;
        }
    }
    const std::size_t size = VariableLineSize(record, m_view.columns, m_view.delimiter);
    if (!reserve(size))
        return false;
    WriteVariableLine(m_block.data() + m_used, record, m_view.columns, m_view.delimiter);
    m_used += size;
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
    char* const at = m_block.data() + m_used;
    if (!text.empty())
        std::memcpy(at, text.data(), text.size());
    std::memcpy(at + text.size(), kLineEnd.data(), kLineEnd.size());
    m_used += text.size() + kLineEnd.size();
    return true;
}

std::unique_ptr<ReportPieceSink> ViewExporter::newPieceSink() {
    return std::make_unique<ViewExporter>(m_view, nullptr);
}

bool ViewExporter::takePiece(ReportPieceSink& piece) {
    auto& kept = static_cast<ViewExporter&>(piece);
    if (!flush())
        return false;
    if (kept.m_used > 0)
        m_failed = !m_write(std::string_view(kept.m_block.data(), kept.m_used));
    kept.m_used = 0;
    return !m_failed;
}

void ViewExporter::clear() {
    m_used = 0;
}

bool ViewExporter::makeRoom(std::size_t size) {
    if (!m_write) {
        m_block.resize(std::max(2 * m_block.size(), m_used + size));
        return true;
    }
    if (!flush())
        return false;
    // A line longer than a block gets a block of its own size.
    if (m_block.size() < size)
        m_block.resize(size);
    return true;
}

bool ViewExporter::flush() {
    if (!m_write)
        return true; // kept for the exporter that takes it
    if (!m_failed && m_used > 0)
        m_failed = !m_write(std::string_view(m_block.data(), m_used));
    m_used = 0;
    return !m_failed;
}

bool ViewExporter::finish() {
    return flush();
}

ExportOutcome ExportReportFile(const std::string& path, const ExportView& view,
                               const std::function<bool(std::string_view)>& write,
                               unsigned threads) {
    ViewExporter exporter(view, write);
    const ReportFileOutcome read = ReadReportFile(path, exporter, threads);
    ExportOutcome outcome;
    outcome.readError = read.readError;
    outcome.written = exporter.finish();
    outcome.skippedLines = read.skippedLines;
    return outcome;
}

} // namespace varscope::core
