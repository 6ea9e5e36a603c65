#include "core/report/references.hpp"

#include "core/report/final_values.hpp"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace varscope::core {

namespace {

bool IsNameByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsOpen(char c) {
    return c == '(' || c == '{';
}

bool IsClose(char c) {
    return c == ')' || c == '}';
}

// Calls `span(reference, inside)` for each outermost reference of `value`, `inside` being
// the text between its opening and its close (or the value's end).
template <typename Span> void ForEachSpan(std::string_view value, Span&& span) {
    std::size_t at = 0;
    while ((at = value.find('$', at)) != std::string_view::npos) {
        if (at + 1 >= value.size() || !IsOpen(value[at + 1])) {
            ++at;
            continue;
        }
        ReferenceSpan reference;
        reference.Kind = value[at + 1] == '{' ? ReferenceKind::Immediate : ReferenceKind::Deferred;
        std::size_t end = at + 2;
        std::size_t depth = 1;
        for (; end < value.size(); ++end) {
            if (IsOpen(value[end])) {
                ++depth;
            } else if (IsClose(value[end]) && --depth == 0) {
                ++end;
                reference.Closed = true;
                break;
            }
        }
        reference.Text = value.substr(at, end - at);
        const std::string_view inside =
            reference.Text.substr(2, reference.Text.size() - 2 - (reference.Closed ? 1 : 0));
        if (reference.Closed && IsWellFormedName(inside))
            reference.PlainName = inside;
        span(reference, inside);
        at = end;
    }
}

// Calls `name(text, kind)` for each referenced name of `value`, repeats included.
template <typename Name> void ForEachName(std::string_view value, Name&& name) {
    ForEachSpan(value, [&](const ReferenceSpan& reference, std::string_view inside) {
        std::size_t at = 0;
        while (at < inside.size()) {
            if (!IsNameByte(inside[at])) {
                ++at;
                continue;
            }
            const std::size_t start = at;
            while (at < inside.size() && IsNameByte(inside[at]))
                ++at;
            if (IsDigit(inside[start]))
                continue;
            std::size_t next = at;
            while (next < inside.size() && (inside[next] == ' ' || inside[next] == '\t'))
                ++next;
            if (next < inside.size() && IsOpen(inside[next]))
                continue; // a function
            name(inside.substr(start, at - start), reference.Kind);
        }
    });
}

// Beyond this many names a value's repeats are found with a set instead of a search.
constexpr std::size_t kLinearSearchNames = 16;

} // namespace

bool IsWellFormedName(std::string_view name) {
    return !name.empty() && !IsDigit(name.front()) &&
           std::all_of(name.begin(), name.end(), IsNameByte);
}

std::vector<ReferenceSpan> ReferenceSpans(std::string_view value) {
    std::vector<ReferenceSpan> spans;
    ForEachSpan(value, [&](const ReferenceSpan& reference, std::string_view) {
        spans.push_back(reference);
    });
    return spans;
}

void AppendReferences(std::string_view value, std::vector<Reference>& out) {
    const std::size_t first = out.size();
    std::unordered_set<std::string_view> seen;
    ForEachName(value, [&](std::string_view name, ReferenceKind kind) {
        const std::size_t count = out.size() - first;
        if (count < kLinearSearchNames) {
            if (std::any_of(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
                            [name](const Reference& known) { return known.Name == name; }))
                return;
        } else {
            if (seen.empty())
                for (std::size_t i = first; i < out.size(); ++i)
                    seen.insert(out[i].Name);
            if (!seen.insert(name).second)
                return;
        }
        out.push_back({name, kind});
    });
}

std::vector<Reference> ParseReferences(std::string_view value) {
    std::vector<Reference> references;
    AppendReferences(value, references);
    return references;
}

NameIndex::NameIndex(const ReportData& report) {
    const std::vector<ConfigVariable>& variables = report.Variables;
    m_ids.reserve(variables.size() / 8 + 16);
    std::vector<std::uint32_t> ids(variables.size());
    std::vector<std::size_t> counts;
    for (std::size_t i = 0; i < variables.size(); ++i) {
        auto at = m_ids.find(variables[i].Name);
        if (at == m_ids.end()) {
            at = m_ids
                     .emplace(m_names.emplace_back(variables[i].Name),
                              static_cast<std::uint32_t>(counts.size()))
                     .first;
            counts.push_back(0);
        }
        ids[i] = at->second;
        ++counts[at->second];
    }
    m_starts.resize(counts.size() + 1);
    for (std::size_t id = 0; id < counts.size(); ++id)
        m_starts[id + 1] = m_starts[id] + counts[id];
    m_records.resize(variables.size());
    std::vector<std::size_t> next(m_starts.begin(), m_starts.end() - 1);
    for (std::size_t i = 0; i < variables.size(); ++i)
        m_records[next[ids[i]]++] = variables[i].Index;
}

std::span<const std::size_t> NameIndex::records(std::string_view name) const {
    const auto found = m_ids.find(name);
    if (found == m_ids.end())
        return {};
    return recordsOf(found->second);
}

std::size_t NameIndex::before(std::string_view name, std::size_t record) const {
    const std::span<const std::size_t> all = records(name);
    const auto at = std::lower_bound(all.begin(), all.end(), record);
    return at == all.begin() ? 0 : *(at - 1);
}

std::size_t NameIndex::after(std::string_view name, std::size_t record) const {
    const std::span<const std::size_t> all = records(name);
    const auto at = std::upper_bound(all.begin(), all.end(), record);
    return at == all.end() ? 0 : *at;
}

std::size_t NameIndex::last(std::string_view name) const {
    const std::span<const std::size_t> all = records(name);
    return all.empty() ? 0 : all.back();
}

std::size_t FinalRecord(const FinalValues& finals, const NameIndex& index, std::string_view name) {
    const FinalVariable* variable = finals.find(name);
    if (variable != nullptr && variable->Winner != 0)
        return variable->Winner;
    return index.last(name);
}

namespace {

class DerivationBuilder {
public:
    DerivationBuilder(const ReportData& report, const NameIndex& index, const FinalValues* finals)
        : m_report(report), m_index(index), m_finals(finals) {}

    Derivation build(std::size_t root) {
        Derivation tree;
        if (root == 0 || root > m_report.Variables.size())
            return tree;
        DerivationNode node;
        node.Name = m_report.Variables[root - 1].Name;
        node.Record = root;
        tree.Nodes.push_back(std::move(node));
        expand(tree, 0);
        return tree;
    }

private:
    void expand(Derivation& tree, std::size_t at) {
        const std::size_t record = tree.Nodes[at].Record;
        const ConfigVariable& variable = m_report.Variables[record - 1];
        const std::vector<Reference>& references = referencesOf(variable);
        if (references.empty())
            return;
        const int depth = tree.Nodes[at].Depth;
        if (depth >= kDerivationDepthLimit || tree.Nodes.size() >= kDerivationNodeLimit) {
            DerivationNode elided;
            elided.State = DerivationState::Elided;
            add(tree, at, std::move(elided));
            return;
        }
        m_path.push_back(record);
        for (const Reference& reference : references) {
            DerivationNode child = resolve(reference, variable);
            const bool grows = child.State == DerivationState::Defined;
            const std::size_t added = add(tree, at, std::move(child));
            if (grows)
                expand(tree, added);
        }
        m_path.pop_back();
    }

    // A record that many paths lead to is parsed once.
    const std::vector<Reference>& referencesOf(const ConfigVariable& variable) {
        const auto [at, added] = m_parsed.try_emplace(variable.Index);
        if (added)
            at->second = ParseReferences(variable.Value);
        return at->second;
    }

    std::size_t add(Derivation& tree, std::size_t parent, DerivationNode node) {
        node.Parent = parent;
        node.Depth = tree.Nodes[parent].Depth + 1;
        node.Row = tree.Nodes[parent].Children.size();
        const std::size_t at = tree.Nodes.size();
        tree.Nodes.push_back(std::move(node));
        tree.Nodes[parent].Children.push_back(at);
        return at;
    }

    DerivationNode resolve(const Reference& reference, const ConfigVariable& by) const {
        DerivationNode node;
        node.Name = reference.Name;
        node.Kind = reference.Kind;
        const bool own = reference.Name == by.Name;
        if (m_finals != nullptr && reference.Kind == ReferenceKind::Deferred && !own)
            node.Record = FinalRecord(*m_finals, m_index, reference.Name);
        else
            node.Record = m_index.before(reference.Name, by.Index);
        if (node.Record != 0) {
            if (std::find(m_path.begin(), m_path.end(), node.Record) != m_path.end())
                node.State = DerivationState::Repeat;
            return node;
        }
        node.Record = m_index.after(reference.Name, by.Index);
        if (node.Record != 0)
            node.State = DerivationState::DefinedLater;
        else if (!m_index.records(reference.Name).empty())
            node.State = DerivationState::NotDefinedHere;
        else
            node.State = DerivationState::NeverDefined;
        return node;
    }

    const ReportData& m_report;
    const NameIndex& m_index;
    const FinalValues* m_finals; // null: every reference as in force
    std::vector<std::size_t> m_path;
    std::unordered_map<std::size_t, std::vector<Reference>> m_parsed;
};

} // namespace

Derivation DeriveAtRecord(const ReportData& report, const NameIndex& index, std::size_t record) {
    return DerivationBuilder(report, index, nullptr).build(record);
}

Derivation DeriveFinalValue(const ReportData& report, const FinalValues& finals,
                            const NameIndex& index, std::string_view name) {
    return DerivationBuilder(report, index, &finals).build(FinalRecord(finals, index, name));
}

std::vector<std::size_t> UsedBy(const ReportData& report, std::string_view name) {
    std::vector<std::size_t> users;
    for (const ConfigVariable& record : report.Variables) {
        bool uses = false;
        ForEachName(record.Value, [&](std::string_view referenced, ReferenceKind) {
            uses = uses || referenced == name;
        });
        if (uses)
            users.push_back(record.Index);
    }
    return users;
}

} // namespace varscope::core
