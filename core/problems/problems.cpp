#include "core/problems/problems.hpp"

#include "core/problems/context.hpp"
#include "core/report/final_values.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>

namespace varscope::core {

ProblemContext::ProblemContext(const ReportData& report, const FinalValues& finals,
                               const NameIndex& index)
    : Report(report), Finals(finals), Index(index) {
    m_starts.reserve(report.Variables.size() + 1);
    m_starts.push_back(0);
    for (const ConfigVariable& record : report.Variables) {
        AppendReferences(record.Value, m_references);
        m_starts.push_back(m_references.size());
    }
}

std::string_view SeverityWord(Severity severity) {
    return severity == Severity::Warning ? "warning" : "note";
}

const ProblemRule* FindProblemRule(std::string_view id) {
    for (const ProblemRule& rule : ProblemRules())
        if (rule.Id == id)
            return &rule;
    return nullptr;
}

namespace {

// Where in the report's text a finding belongs: the report is read front to back, so the
// bytes' order is report order. The report's own findings come last.
std::size_t PlaceOf(const ReportData& report, const Finding& finding) {
    constexpr std::size_t kLast = std::numeric_limits<std::size_t>::max();
    if (!report.Bytes)
        return kLast;
    const char* text = nullptr;
    if (finding.Record != 0)
        text = report.Variables[finding.Record - 1].Name.data();
    else if (!finding.File.empty())
        text = finding.File.data();
    const auto begin = reinterpret_cast<std::uintptr_t>(report.Bytes->data());
    const auto at = reinterpret_cast<std::uintptr_t>(text);
    if (text == nullptr || at < begin || at > begin + report.Bytes->size())
        return kLast;
    return at - begin;
}

} // namespace

std::vector<Finding> CheckReport(const ReportData& report, const FinalValues& finals,
                                 const NameIndex& index, const std::vector<std::string_view>& rules,
                                 bool notes) {
    const ProblemContext context(report, finals, index);
    // Each rule's findings, then their places; sorting the places alone spares moving the
    // findings' messages around.
    struct Placed {
        std::size_t place;
        std::size_t rule;
        std::size_t found; // within the rule's
    };
    const std::span<const ProblemRule> table = ProblemRules();
    std::vector<std::vector<Finding>> found(table.size());
    std::vector<Placed> places;
    for (std::size_t r = 0; r < table.size(); ++r) {
        const ProblemRule& rule = table[r];
        if (!notes && rule.Level == Severity::Note)
            continue;
        if (!rules.empty() && std::find(rules.begin(), rules.end(), rule.Id) == rules.end())
            continue;
        rule.Check(context, found[r]);
        for (std::size_t i = 0; i < found[r].size(); ++i) {
            found[r][i].Rule = rule.Id;
            found[r][i].Level = rule.Level;
            places.push_back({PlaceOf(report, found[r][i]), r, i});
        }
    }
    std::sort(places.begin(), places.end(), [](const Placed& a, const Placed& b) {
        if (a.place != b.place)
            return a.place < b.place;
        return a.rule != b.rule ? a.rule < b.rule : a.found < b.found;
    });
    std::vector<Finding> findings;
    findings.reserve(places.size());
    for (const Placed& place : places)
        findings.push_back(std::move(found[place.rule][place.found]));
    return findings;
}

void AppendFindingLine(std::string& out, const Finding& finding, std::string_view reportPath) {
    out += finding.Record == 0 && finding.File.empty() ? reportPath : finding.File;
    out += ": ";
    out += finding.Name.empty() ? std::string_view("-") : finding.Name;
    out += ": ";
    out += SeverityWord(finding.Level);
    out += ": ";
    out += finding.Message;
    out += " [";
    out += finding.Rule;
    out += "]\n";
}

std::string FindingCount(const std::vector<Finding>& findings) {
    const auto warnings = static_cast<std::size_t>(
        std::count_if(findings.begin(), findings.end(),
                      [](const Finding& finding) { return finding.Level == Severity::Warning; }));
    const std::size_t notes = findings.size() - warnings;
    if (findings.empty())
        return "no problems found";
    const auto counted = [](std::size_t count, std::string_view word) {
        return std::to_string(count) + " " + std::string(word) + (count == 1 ? "" : "s");
    };
    if (notes == 0)
        return counted(warnings, "warning");
    if (warnings == 0)
        return counted(notes, "note");
    return counted(warnings, "warning") + ", " + counted(notes, "note");
}

} // namespace varscope::core
