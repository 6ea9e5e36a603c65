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
        // Most values refer to nothing; skip the parse for them.
        if (record.Value.find('$') != std::string_view::npos) {
            for (const Reference& reference : ParseReferences(record.Value)) {
                m_references.push_back(reference);
                m_users[reference.Name].push_back(record.Index);
            }
        }
        m_starts.push_back(m_references.size());
    }
}

bool ProblemContext::usedBetween(std::string_view name, std::size_t from, std::size_t to) const {
    const auto found = m_users.find(name);
    if (found == m_users.end())
        return false;
    const auto after = std::upper_bound(found->second.begin(), found->second.end(), from);
    return after != found->second.end() && *after < to;
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
    struct Placed {
        std::size_t place;
        std::size_t rule;
        Finding finding;
    };
    std::vector<Placed> placed;
    const std::span<const ProblemRule> table = ProblemRules();
    for (std::size_t r = 0; r < table.size(); ++r) {
        const ProblemRule& rule = table[r];
        if (!notes && rule.Level == Severity::Note)
            continue;
        if (!rules.empty() && std::find(rules.begin(), rules.end(), rule.Id) == rules.end())
            continue;
        std::vector<Finding> found;
        rule.Check(context, found);
        for (Finding& finding : found) {
            finding.Rule = rule.Id;
            finding.Level = rule.Level;
            const std::size_t place = PlaceOf(report, finding);
            placed.push_back({place, r, std::move(finding)});
        }
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.place != b.place ? a.place < b.place : a.rule < b.rule;
    });
    std::vector<Finding> findings;
    findings.reserve(placed.size());
    for (Placed& each : placed)
        findings.push_back(std::move(each.finding));
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
