// The report model and ParseReport. A report read whole is one text (ReportData::Bytes);
// every record, file and summary line views that text.
#include "core/report/report.hpp"

#include "core/report/line_scan.hpp"
#include "core/strings.hpp"

namespace varscope::core {

namespace {

// Builds the records table of ParseReport.
class RecordSink final : public ReportSink {
public:
    explicit RecordSink(ReportData& data) : m_data(data) {}

    bool variable(const ConfigVariable& record) override {
        m_data.Variables.push_back(record);
        if (EqualsIgnoreCase(record.Name, "_USTN_USER"))
            m_data.UserConfigFolder = record.Expansion;
        else if (EqualsIgnoreCase(record.Name, "_USTN_PROJECT"))
            m_data.ProjectConfigFolder = record.Expansion;
        return true;
    }
    bool configFile(std::string_view path) override {
        m_data.ConfigFilesUsed.push_back(path);
        return true;
    }
    bool summaryLine(std::string_view line) override {
        m_data.SummaryLines.push_back(line);
        return true;
    }
    bool summaryHeading() override {
        m_data.HasSummary = true;
        return true;
    }

private:
    ReportData& m_data;
};

} // namespace

std::optional<ConfigLevel> LevelFromText(std::string_view text) {
    for (const ConfigLevel level : kLegendLevels) {
        if (EqualsIgnoreCase(text, LevelName(level)) || text == std::to_string(level))
            return level;
    }
    return std::nullopt;
}

ReportData ParseReport(std::string bytes, std::size_t longestLine) {
    ReportData data;
    auto owned = std::make_shared<std::string>(std::move(bytes));
    const std::string_view text(*owned);
    data.Bytes = std::move(owned);
    // A definition line is rarely shorter than 64 bytes; reserving avoids most regrowth.
    data.Variables.reserve(text.size() / 64 + 16);
    RecordSink sink(data);
    LineScanner scanner(sink, longestLine);
    scanner.scanWhole(text);
    data.SkippedLines = scanner.skipped();
    return data;
}

} // namespace varscope::core
