// The reference parser on any value, and the derivations and "used by" over records whose
// values are any bytes and whose names are a few that the values may refer to.
#include "checks.hpp"
#include "input.hpp"

#include "core/report/final_values.hpp"
#include "core/report/references.hpp"
#include "core/report/report.hpp"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace varscope::fuzz {

namespace {

bool NameByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The parser's references of `value` against the documented shape, checked byte by byte.
Failure CheckParse(std::string_view value) {
    const std::vector<core::Reference> references = core::ParseReferences(value);
    for (std::size_t i = 0; i < references.size(); ++i) {
        const std::string_view name = references[i].Name;
        const auto shown = [&] {
            return Shown(name) + " in " + Shown(value);
        };
        if (name.empty() || name.data() < value.data() ||
            name.data() + name.size() > value.data() + value.size())
            return "a name that is no part of the value: " + shown();
        if ((name.front() >= '0' && name.front() <= '9') ||
            !std::all_of(name.begin(), name.end(), NameByte))
            return "a malformed name: " + shown();
        const std::size_t at = static_cast<std::size_t>(name.data() - value.data());
        const std::size_t end = at + name.size();
        if ((at > 0 && NameByte(value[at - 1])) || (end < value.size() && NameByte(value[end])))
            return "a name that is part of a longer run: " + shown();
        std::size_t next = end;
        while (next < value.size() && (value[next] == ' ' || value[next] == '\t'))
            ++next;
        if (next < value.size() && (value[next] == '(' || value[next] == '{'))
            return "a function taken for a name: " + shown();
        if (value.substr(0, at).find('$') == std::string_view::npos)
            return "a name before any reference: " + shown();
        for (std::size_t j = 0; j < i; ++j)
            if (references[j].Name == name)
                return "a name listed twice: " + shown();
    }
    return std::nullopt;
}

constexpr std::array<std::string_view, 5> kNames = {"A", "B", "C", "_D1", "a"};

Failure CheckTree(const core::ReportData& report, const core::Derivation& tree) {
    for (std::size_t i = 0; i < tree.Nodes.size(); ++i) {
        const core::DerivationNode& node = tree.Nodes[i];
        if (i > 0 && (node.Parent >= i || tree.Nodes[node.Parent].Children.size() <= node.Row ||
                      tree.Nodes[node.Parent].Children[node.Row] != i ||
                      node.Depth != tree.Nodes[node.Parent].Depth + 1))
            return "a node out of its parent's children";
        if (node.Depth > core::kDerivationDepthLimit + 1)
            return "a node deeper than the limit";
        const bool record = node.State == core::DerivationState::Defined ||
                            node.State == core::DerivationState::Repeat ||
                            node.State == core::DerivationState::DefinedLater;
        if (record && (node.Record == 0 || node.Record > report.Variables.size() ||
                       report.Variables[node.Record - 1].Name != node.Name))
            return "a node naming another variable's record";
        if (node.State == core::DerivationState::Repeat) {
            bool onPath = false;
            for (std::size_t up = node.Parent; !onPath; up = tree.Nodes[up].Parent) {
                onPath = tree.Nodes[up].Record == node.Record;
                if (up == 0)
                    break;
            }
            if (!onPath || !node.Children.empty())
                return "a repeat that is not on its path or has children";
        }
    }
    return std::nullopt;
}

} // namespace

Failure CheckReferences(std::string_view input) {
    if (Failure failure = CheckParse(input))
        return failure;

    // Up to eight records: a name chosen by a byte, the value up to the next NUL.
    auto bytes = std::make_shared<std::string>(input);
    core::ReportData report;
    report.Bytes = bytes;
    Input in(*bytes);
    while (!in.empty() && report.Variables.size() < 8) {
        const std::size_t choice = in.byte() % kNames.size();
        core::ConfigVariable record;
        record.Level = core::LevelUser;
        record.Name = kNames[choice];
        record.Value = in.piece('\0');
        record.Expansion = record.Value;
        record.File = "a.cfg";
        record.Index = report.Variables.size() + 1;
        report.Variables.push_back(record);
    }
    const core::FinalValues finals(report);
    const core::NameIndex index(report);
    for (const core::ConfigVariable& record : report.Variables) {
        if (Failure failure = CheckParse(record.Value))
            return failure;
        if (Failure failure = CheckTree(report, core::DeriveAtRecord(report, index, record.Index)))
            return "at record " + std::to_string(record.Index) + ": " + *failure;
        if (Failure failure =
                CheckTree(report, core::DeriveFinalValue(report, finals, index, record.Name)))
            return "final " + std::string(record.Name) + ": " + *failure;
    }
    for (const std::string_view name : kNames) {
        std::vector<std::size_t> users;
        for (const core::ConfigVariable& record : report.Variables) {
            const std::vector<core::Reference> references = core::ParseReferences(record.Value);
            if (std::any_of(
                    references.begin(), references.end(),
                    [&](const core::Reference& reference) { return reference.Name == name; }))
                users.push_back(record.Index);
        }
        if (core::UsedBy(report, name) != users)
            return "used by " + std::string(name) + " is not every record that refers to it";
    }
    return std::nullopt;
}

} // namespace varscope::fuzz
