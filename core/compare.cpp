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

bool ReportComparison::Differs() const {
    return !RemovedFiles.empty() || !AddedFiles.empty() ||
           std::any_of(Variables.begin(), Variables.end(), [](const ComparedVariable& variable) {
               return variable.Status != Difference::Same;
           });
}

ReportComparison CompareReports(const ReportData& oldReport, const ReportData& newReport) {
    ReportComparison comparison{FinalValues(oldReport), FinalValues(newReport), {}, {}, {}};
    const FinalValues& oldFinal = comparison.OldFinal;
    const FinalValues& newFinal = comparison.NewFinal;
    for (const FinalVariable& variable : oldFinal.Variables()) {
        const Side old = SideOf(oldReport, &variable);
        if (old.record.Index == 0)
            continue;
        const Side now = SideOf(newReport, newFinal.Find(variable.Name));
        const Difference status = now.record.Index == 0    ? Difference::Removed
                                  : old.final == now.final ? Difference::Same
                                                           : Difference::Changed;
        comparison.Variables.push_back(
            {variable.Name, status, old.record, now.record, old.final, now.final});
    }
    for (const FinalVariable& variable : newFinal.Variables()) {
        const Side now = SideOf(newReport, &variable);
        if (now.record.Index == 0 ||
            SideOf(oldReport, oldFinal.Find(variable.Name)).record.Index != 0)
            continue;
        comparison.Variables.push_back(
            {variable.Name, Difference::Added, ConfigVariable{}, now.record, {}, now.final});
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
    return CompareReports(current, ParseReport(std::move(*read.bytes)));
}

void AppendComparedVariableLine(std::string& out, const ComparedVariable& variable,
                                std::string_view delimiter) {
    out += DifferenceWord(variable.Status);
    out += delimiter;
    out += variable.Name;
    AppendSide(out, variable.Old, variable.OldFinal, delimiter);
    AppendSide(out, variable.New, variable.NewFinal, delimiter);
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
