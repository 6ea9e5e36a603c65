#include "core/compare/compare.hpp"

#include "core/export/export.hpp"
#include "core/strings.hpp"
#include "core/system/fileio.hpp"

#include <algorithm>
#include <functional>
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

// A set of paths by open addressing: a report lists tens of thousands of file lines, most of
// them repeats, and a node per path cost more than the rest of the comparison.
class PathSet {
public:
    explicit PathSet(std::size_t most) {
        std::size_t size = 16;
        while (size < 2 * most)
            size *= 2;
        m_slots.resize(size);
    }
    // False when the set held `path` already.
    bool insert(std::string_view path) {
        const std::size_t at = slot(path);
        if (m_slots[at].data() != nullptr)
            return false;
        m_slots[at] = path;
        return true;
    }
    bool contains(std::string_view path) const { return m_slots[slot(path)].data() != nullptr; }

private:
    // The slot holding `path`, else the empty one where it goes. Every path stored views a
    // report, so none has a null data pointer.
    std::size_t slot(std::string_view path) const {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t at = std::hash<std::string_view>{}(path)&mask;
        while (m_slots[at].data() != nullptr && m_slots[at] != path)
            at = (at + 1) & mask;
        return at;
    }
    std::vector<std::string_view> m_slots;
};

// Each file of a report once, in the order first processed, and the set of them.
struct FileList {
    explicit FileList(const std::vector<std::string_view>& files) : set(files.size()) {
        for (const std::string_view file : files)
            if (set.insert(file))
                unique.push_back(file);
    }
    PathSet set;
    std::vector<std::string_view> unique;
};

// The files of `files` that `other` does not hold, in order.
std::vector<std::string_view> FilesNotIn(const FileList& files, const FileList& other) {
    std::vector<std::string_view> missing;
    for (const std::string_view file : files.unique)
        if (!other.set.contains(file))
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
    const FileList oldFiles(oldReport.ConfigFilesUsed);
    const FileList newFiles(newReport.ConfigFilesUsed);
    comparison.RemovedFiles = FilesNotIn(oldFiles, newFiles);
    comparison.AddedFiles = FilesNotIn(newFiles, oldFiles);
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
    AppendSide(out, variable.Old, variable.OldValue, delimiter);
    AppendSide(out, variable.New, variable.NewValue, delimiter);
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
