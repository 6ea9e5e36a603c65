#include "core/compare/compare.hpp"

#include "core/export/export.hpp"
#include "core/report/pending_report.hpp"
#include "core/strings.hpp"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace varscope::core {

namespace {

// A variable's side: its winning record and final value, or an empty record (Index 0).
struct Side {
    ConfigVariable record;
    std::string_view final;
};

Side SideOf(const ReportData& report, const FinalVariable* variable) {
    if (variable == nullptr || variable->Winner == 0 || variable->Winner > report.Variables.size())
        return {};
    const ConfigVariable& record = report.Variables[variable->Winner - 1];
    return {record, variable->Listed ? variable->FinalValue : TrimTrailingBlanks(record.Expansion)};
}

// The files of `files` that `other` does not hold, each once, in the order first processed.
std::vector<std::string_view> FilesNotIn(const std::vector<std::string_view>& files,
                                         const std::vector<std::string_view>& other) {
    const std::unordered_set<std::string_view> others(other.begin(), other.end());
    std::unordered_set<std::string_view> met;
    std::vector<std::string_view> missing;
    for (const std::string_view file : files)
        if (!others.contains(file) && met.insert(file).second)
            missing.push_back(file);
    return missing;
}

void AppendSide(std::string& out, const ConfigVariable& record, std::string_view final,
                std::string_view delimiter) {
    out += delimiter;
    if (record.Index != 0)
        out += LevelName(record.Level);
    out += delimiter;
    out += final;
    out += delimiter;
    out += record.File;
}

} // namespace

std::string_view DifferenceWord(Difference difference) {
    switch (difference) {
    case Difference::Added:
        return "added";
    case Difference::Removed:
        return "removed";
    case Difference::Changed:
        return "changed";
    case Difference::Same:
        break;
    }
    return "same";
}

bool ReportComparison::differs() const {
    return !RemovedFiles.empty() || !AddedFiles.empty() ||
           std::any_of(Variables.begin(), Variables.end(), [](const ComparedVariable& variable) {
               return variable.Status != Difference::Same;
           });
}

ReportComparison CompareReports(const ReportData& oldReport, const ReportData& newReport) {
    ReportComparison comparison{FinalValues(oldReport), FinalValues(newReport), {}, {}, {}};
    const std::vector<FinalVariable>& oldVariables = comparison.OldWinners.variables();
    const std::vector<FinalVariable>& newVariables = comparison.NewWinners.variables();
    // The pairs by name first: sorting them moves 24 bytes an element, not a whole variable.
    struct Pair {
        std::string_view name;
        const FinalVariable* old;
        const FinalVariable* now;
        bool operator<(const Pair& other) const { return name < other.name; }
    };
    std::vector<Pair> pairs;
    pairs.reserve(oldVariables.size() + newVariables.size());
    std::vector<bool> paired(newVariables.size());
    for (const FinalVariable& variable : oldVariables) {
        if (variable.Winner == 0)
            continue;
        const FinalVariable* now = comparison.NewWinners.find(variable.Name);
        if (now != nullptr && now->Winner != 0)
            paired[std::size_t(now - newVariables.data())] = true;
        pairs.push_back({variable.Name, &variable, now});
    }
    for (std::size_t i = 0; i < newVariables.size(); ++i)
        if (newVariables[i].Winner != 0 && !paired[i])
            pairs.push_back({newVariables[i].Name, nullptr, &newVariables[i]});
    std::sort(pairs.begin(), pairs.end());

    comparison.Variables.reserve(pairs.size());
    for (const Pair& pair : pairs) {
        const Side old = SideOf(oldReport, pair.old);
        const Side now = SideOf(newReport, pair.now);
        const Difference status = old.record.Index == 0    ? Difference::Added
                                  : now.record.Index == 0  ? Difference::Removed
                                  : old.final == now.final ? Difference::Same
                                                           : Difference::Changed;
        comparison.Variables.push_back(
            {pair.name, status, old.record, now.record, old.final, now.final});
    }
    comparison.RemovedFiles = FilesNotIn(oldReport.ConfigFilesUsed, newReport.ConfigFilesUsed);
    comparison.AddedFiles = FilesNotIn(newReport.ConfigFilesUsed, oldReport.ConfigFilesUsed);
    return comparison;
}

std::optional<ReportComparison> CompareWithReportFile(const ReportData& current,
                                                      const std::string& path, std::string& error) {
    ReportReading reading = ReadReport(path);
    if (!reading.report) {
        error = std::string(text::kCouldNotReadCompared) + reading.error;
        return std::nullopt;
    }
    if (reading.report->Variables.empty()) {
        error = std::string(text::kComparedHoldsNoDefinitions) + path;
        return std::nullopt;
    }
    return CompareReports(current, std::move(*reading.report));
}

void AppendComparedVariableLine(std::string& out, const ComparedVariable& variable,
                                std::string_view delimiter) {
    out += DifferenceWord(variable.Status);
    out += delimiter;
    out += variable.Name;
    AppendSide(out, variable.Old, variable.OldValue, delimiter);
    AppendSide(out, variable.New, variable.NewValue, delimiter);
    out += kLineEnd;
}

std::size_t AppendComparisonLines(std::string& out, const ReportComparison& comparison, bool all,
                                  std::string_view delimiter) {
    std::size_t lines = comparison.RemovedFiles.size() + comparison.AddedFiles.size();
    for (const ComparedVariable& variable : comparison.Variables) {
        if (all || variable.Status != Difference::Same) {
            AppendComparedVariableLine(out, variable, delimiter);
            ++lines;
        }
    }
    const auto fileLines = [&](std::string_view word, const std::vector<std::string_view>& files) {
        for (const std::string_view file : files) {
            out += word;
            out += delimiter;
            out += file;
            out += kLineEnd;
        }
    };
    fileLines("removed-file", comparison.RemovedFiles);
    fileLines("added-file", comparison.AddedFiles);
    return lines;
}

std::optional<DifferingSpan> FindDifferingSpan(std::string_view oldValue,
                                               std::string_view newValue) {
    if (oldValue == newValue)
        return std::nullopt;
    const std::size_t shorter = std::min(oldValue.size(), newValue.size());
    std::size_t first = 0;
    while (first < shorter && oldValue[first] == newValue[first])
        ++first;
    // The common end may not reach back over the common beginning: "aa" and "aaa" differ
    // by one byte, not by none.
    std::size_t same = 0;
    while (same < shorter - first &&
           oldValue[oldValue.size() - 1 - same] == newValue[newValue.size() - 1 - same])
        ++same;
    return DifferingSpan{first, oldValue.size() - same, newValue.size() - same};
}

ValueExcerpt ExcerptAround(std::string_view value, std::size_t first, std::size_t limit) {
    if (value.size() <= limit)
        return {0, value.size()};
    const auto continues = [value](std::size_t at) {
        return at < value.size() && (static_cast<unsigned char>(value[at]) & 0xC0) == 0x80;
    };
    // A quarter of the room for what leads up to the difference.
    const std::size_t lead = limit / 4;
    std::size_t begin = first < limit - lead ? 0 : first - lead;
    begin = std::min(begin, value.size() - limit);
    for (int back = 0; back < 3 && begin > 0 && continues(begin); ++back)
        --begin;
    std::size_t end = begin + limit;
    for (int back = 0; back < 3 && end > begin && continues(end); ++back)
        --end;
    return {begin, end};
}

} // namespace varscope::core
