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

namespace text {
inline constexpr std::string_view kCouldNotReadCompared = "Could not read the report ";
inline constexpr std::string_view kComparedHoldsNoDefinitions =
    "The file holds no variable definitions: it is empty or not a debug report (msdebug.txt), "
    "so there is nothing to compare with:\n";
} // namespace text

// `current` compared with the report file at `path` (current as the first report), read as
// `varscope-cli diff` reads it. Null with `error` set when the file cannot be read, or when it
// holds no variable definitions (empty, or not a report): every variable would only show as
// removed.
std::optional<ReportComparison> CompareWithReportFile(const ReportData& current,
                                                      const std::string& path, std::string& error);

// The delimiter `varscope-cli diff` writes between fields unless told otherwise.
inline constexpr std::string_view kDiffDelimiter = "|";

// The comparison as lines ending in CR LF: a line per variable (the same ones only when
// `all`), then "removed-file" and "added-file" lines. Fields are separated by `delimiter`.
// Returns the number of lines appended.
std::size_t AppendComparisonLines(std::string& out, const ReportComparison& comparison, bool all,
                                  std::string_view delimiter);
// One variable's line, with its CR LF.
void AppendComparedVariableLine(std::string& out, const ComparedVariable& variable,
                                std::string_view delimiter);

// Where two values part: bytes [First, OldEnd) of the old value and [First, NewEnd) of the
// new one differ, and what comes before First and after the two ends is the same in both.
// An end equal to First means that side holds nothing there: the other side inserted bytes.
struct DifferingSpan {
    std::size_t First = 0;
    std::size_t OldEnd = 0;
    std::size_t NewEnd = 0;
    bool operator==(const DifferingSpan&) const = default;
};
// nullopt when the values are the same.
std::optional<DifferingSpan> FindDifferingSpan(std::string_view oldValue,
                                               std::string_view newValue);

// The bytes [Begin, End) of a value that a list shows when it gives a value at most `limit`
// bytes: the whole value when it fits; else a part that holds the byte at `first` with some
// of what comes before it, so a difference cut off the end stays in sight. The part neither
// begins nor ends inside a UTF-8 sequence.
struct ValueExcerpt {
    std::size_t Begin = 0;
    std::size_t End = 0;
    bool operator==(const ValueExcerpt&) const = default;
};
ValueExcerpt ExcerptAround(std::string_view value, std::size_t first, std::size_t limit);

} // namespace varscope::core
