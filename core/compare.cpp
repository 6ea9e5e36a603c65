#include "compare.hpp"

#include "export.hpp"
#include "fileio.hpp"

#include <algorithm>
#include <unordered_set>

namespace varscope::core {

namespace {

std::string_view TrimTrailingBlanks(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The winning record of `name`, or an empty record (Index 0) when it has none.
ConfigVariable WinnerOf(const ReportData& report, const FinalValues& final, std::string_view name) {
    const FinalVariable* variable = final.Find(name);
    if (variable == nullptr || variable->Winner == 0 || variable->Winner > report.Variables.size())
        return {};
    return report.Variables[variable->Winner - 1];
}

// The files of `files` that `other` does not list, in order, each once.
std::vector<std::string_view> FilesNotIn(const std::vector<std::string_view>& files,
                                         const std::vector<std::string_view>& other) {
    const std::unordered_set<std::string_view> known(other.begin(), other.end());
    std::unordered_set<std::string_view> listed;
    std::vector<std::string_view> missing;
    for (const std::string_view file : files)
        if (!known.contains(file) && listed.insert(file).second)
            missing.push_back(file);
    return missing;
}

void AppendSide(std::string& out, const ConfigVariable& record, std::string_view delimiter) {
    out += delimiter;
    if (record.Index != 0)
        out += LevelName(record.Level);
    out += delimiter;
    out += record.Expansion;
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

bool ReportComparison::Differs() const {
    return !RemovedFiles.empty() || !AddedFiles.empty() ||
           std::any_of(Variables.begin(), Variables.end(), [](const ComparedVariable& variable) {
               return variable.Status != Difference::Same;
           });
}

ReportComparison CompareReports(const ReportData& oldReport, const FinalValues& oldFinal,
                                const ReportData& newReport, const FinalValues& newFinal) {
    ReportComparison comparison;
    comparison.OldBytes = oldReport.Bytes;
    comparison.NewBytes = newReport.Bytes;
    for (const FinalVariable& variable : oldFinal.Variables()) {
        if (variable.Winner == 0 || variable.Winner > oldReport.Variables.size())
            continue;
        ComparedVariable compared{variable.Name, Difference::Removed,
                                  oldReport.Variables[variable.Winner - 1],
                                  WinnerOf(newReport, newFinal, variable.Name)};
        if (compared.New.Index != 0)
            compared.Status = TrimTrailingBlanks(compared.Old.Expansion) ==
                                      TrimTrailingBlanks(compared.New.Expansion)
                                  ? Difference::Same
                                  : Difference::Changed;
        comparison.Variables.push_back(compared);
    }
    for (const FinalVariable& variable : newFinal.Variables()) {
        if (variable.Winner == 0 || variable.Winner > newReport.Variables.size() ||
            WinnerOf(oldReport, oldFinal, variable.Name).Index != 0)
            continue;
        comparison.Variables.push_back({variable.Name, Difference::Added, ConfigVariable{},
                                        newReport.Variables[variable.Winner - 1]});
    }
    std::sort(comparison.Variables.begin(), comparison.Variables.end(),
              [](const ComparedVariable& a, const ComparedVariable& b) { return a.Name < b.Name; });
    comparison.RemovedFiles = FilesNotIn(oldReport.ConfigFilesUsed, newReport.ConfigFilesUsed);
    comparison.AddedFiles = FilesNotIn(newReport.ConfigFilesUsed, oldReport.ConfigFilesUsed);
    return comparison;
}

std::optional<ReportComparison> CompareWithReportFile(const ReportData& current,
                                                      const std::string& path, std::string& error) {
    ReadResult read = ReadWholeFile(path);
    if (!read.bytes) {
        error = "Could not read " + read.error;
        return std::nullopt;
    }
    const ReportData other = ParseReport(std::move(*read.bytes));
    return CompareReports(current, FinalValues(current), other, FinalValues(other));
}

void AppendComparedVariableLine(std::string& out, const ComparedVariable& variable,
                                std::string_view delimiter) {
    out += DifferenceWord(variable.Status);
    out += delimiter;
    out += variable.Name;
    AppendSide(out, variable.Old, delimiter);
    AppendSide(out, variable.New, delimiter);
    out += kLineEnd;
}

void AppendComparisonLines(std::string& out, const ReportComparison& comparison, bool all,
                           std::string_view delimiter) {
    for (const ComparedVariable& variable : comparison.Variables)
        if (all || variable.Status != Difference::Same)
            AppendComparedVariableLine(out, variable, delimiter);
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
}

} // namespace varscope::core
