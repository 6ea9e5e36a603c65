// The health check of a report: rules that read the report the way a careful reviewer
// would and list what is probably wrong. A "finding" is one thing a rule found, with the
// record or file it belongs to. A rule is one function and one line in the rules' table.
#pragma once

#include "core/report/report.hpp"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

class FinalValues;
class NameIndex;
struct ProblemContext;

enum class Severity { Note, Warning };

// "note", "warning": the words of the check's lines.
std::string_view SeverityWord(Severity severity);

struct Finding {
    std::string_view Rule; // the rule's id
    Severity Level = Severity::Note;
    std::size_t Record = 0; // the record it belongs to (1-based); 0 for a file or the report
    std::string_view Name;  // the record's variable; empty for a file or the report
    std::string_view File;  // the record's file, or the file; empty for the report
    std::string Message;
};

struct ProblemRule {
    std::string_view Id;
    Severity Level;
    // Appends the rule's findings; their Rule and Level are filled in after.
    void (*Check)(const ProblemContext& context, std::vector<Finding>& findings);
};

// Every rule, in the order a record's findings come.
std::span<const ProblemRule> ProblemRules();
// The rule of this id, or null.
const ProblemRule* FindProblemRule(std::string_view id);

// Runs the rules named in `rules` (every rule when empty); the notes' rules only when
// `notes`. The findings come in report order: a record's where it was read, a file's where
// it was first processed, the report's last; a record's in the order of the rules' table.
std::vector<Finding> CheckReport(const ReportData& report, const FinalValues& finals,
                                 const NameIndex& index,
                                 const std::vector<std::string_view>& rules = {},
                                 bool notes = true);

// Appends "FILE: NAME: SEVERITY: MESSAGE [ID]" and an LF; `reportPath` stands for the file
// of a finding about the report, "-" for the name of one about a file or the report.
void AppendFindingLine(std::string& out, const Finding& finding, std::string_view reportPath);

// "3 warnings, 2 notes", "1 warning", "no problems found".
std::string FindingCount(const std::vector<Finding>& findings);

} // namespace varscope::core
