// Two reports side by side: which variables end with another value, and which
// configuration files only one of them processed.
#pragma once

#include "core/report/final_values.hpp"
#include "core/report/report.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

enum class Difference { Added, Removed, Changed, Same };

// "added", "removed", "changed", "same": the words of the comparison's lines.
std::string_view DifferenceWord(Difference difference);

// One variable that has a winning record in either report. A side without one has a
// record whose Index is 0 and an empty final value.
struct ComparedVariable {
    std::string_view Name;
    Difference Status = Difference::Same;
    ConfigVariable Old; // the winning records
    ConfigVariable New;
    // The final values: the summary's, else the winning record's expansion. They differ from
    // the records' expansions where a definition used a variable defined only later.
    std::string_view OldValue;
    std::string_view NewValue;
};

struct ReportComparison {
    FinalValues OldWinners; // keep the reports' texts alive for the views below
    FinalValues NewWinners;
    std::vector<ComparedVariable> Variables;    // by name, in byte order
    std::vector<std::string_view> RemovedFiles; // processed by the first report only, in its order
    std::vector<std::string_view> AddedFiles;   // processed by the second only, in its order

    // Whether any variable or file differs.
    bool differs() const;
};

// Compares by exact name, as MicroStation compares names: a variable is changed when its
// final values differ. Files are compared by their exact paths. Costs the winners of each
// report, a pass over each one's variables with lookups by whole name, and one sort of the
// names.
ReportComparison CompareReports(const ReportData& oldReport, const ReportData& newReport);

// `current` compared with the report file at `path` (current as the first report). Null
// with `error` set ("Could not read " + the reason) when the file cannot be read.
std::optional<ReportComparison> CompareWithReportFile(const ReportData& current,
                                                      const std::string& path, std::string& error);

// The comparison as lines ending in CR LF: a line per variable (the same ones only when
// `all`), then "removed-file" and "added-file" lines. Fields are separated by `delimiter`.
void AppendComparisonLines(std::string& out, const ReportComparison& comparison, bool all,
                           std::string_view delimiter);
// One variable's line, with its CR LF.
void AppendComparedVariableLine(std::string& out, const ComparedVariable& variable,
                                std::string_view delimiter);

} // namespace varscope::core
