// How a variable got its value: the references a record's value makes to other variables,
// which definition each one meant, and which records use a variable.
//
// A "reference" is `$(...)` or `${...}` in a record's value as written; a "referenced name"
// is a variable name inside one (names followed by `(` or `{` are functions). A record is
// named by its 1-based index into the report's table, as the winners name them; 0 is none.
#pragma once

#include "core/report/report.hpp"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varscope::core {

class FinalValues;

enum class ReferenceKind : std::uint8_t {
    Immediate, // ${...}: expanded when the line was processed
    Deferred,  // $(...): expanded when the variable is used
};

// One `$(` or `${` reference as written, outermost (references inside it belong to it).
struct ReferenceSpan {
    std::string_view Text; // from the `$` to its matching close, or to the value's end
    ReferenceKind Kind = ReferenceKind::Deferred;
    bool Closed = false;
    // The name when the reference is just a name (`$(NAME)`, `${NAME}`); else empty.
    std::string_view PlainName;
};

// A name a value refers to, viewing the value, with the kind of the outermost reference
// around its first appearance.
struct Reference {
    std::string_view Name;
    ReferenceKind Kind = ReferenceKind::Deferred;
};

// The outermost references of a value, in order.
std::vector<ReferenceSpan> ReferenceSpans(std::string_view value);

// The names a value refers to, in order of first appearance, each once.
std::vector<Reference> ParseReferences(std::string_view value);
// Appends ParseReferences(value) to `out`, for callers that gather many values' references.
void AppendReferences(std::string_view value, std::vector<Reference>& out);

// Whether `name` is a run of ASCII letters, digits and `_` that starts with a letter or `_`.
bool IsWellFormedName(std::string_view name);

// Every record of each name, built once per report; it views the report's names, so the
// report must outlive it.
class NameIndex {
public:
    NameIndex() = default;
    explicit NameIndex(const ReportData& report);
    // Moved, never copied: its keys view its own copies of the names.
    NameIndex(const NameIndex&) = delete;
    NameIndex& operator=(const NameIndex&) = delete;
    NameIndex(NameIndex&&) = default;
    NameIndex& operator=(NameIndex&&) = default;

    // The records of `name` in report order; empty when it has none.
    std::span<const std::size_t> records(std::string_view name) const;
    // The last record of `name` before `record`; 0 when none.
    std::size_t before(std::string_view name, std::size_t record) const;
    // The first record of `name` after `record`; 0 when none.
    std::size_t after(std::string_view name, std::size_t record) const;
    // The last record of `name`; 0 when none.
    std::size_t last(std::string_view name) const;

    // The names one by one, by a number from 0 to nameCount() - 1, for passes over every name.
    std::size_t nameCount() const { return m_starts.empty() ? 0 : m_starts.size() - 1; }
    std::span<const std::size_t> recordsOf(std::size_t number) const {
        return std::span<const std::size_t>(m_records).subspan(
            m_starts[number], m_starts[number + 1] - m_starts[number]);
    }

private:
    // Each name's records lie together in m_records, from m_starts[id] to m_starts[id + 1]:
    // one array for all instead of a vector per name, which took a quarter longer to build.
    // The keys view copies of the names, side by side: a lookup compares the name found with
    // its key, which in the report would lie anywhere in hundreds of MB.
    std::deque<std::string> m_names;
    std::unordered_map<std::string_view, std::uint32_t> m_ids;
    std::vector<std::size_t> m_starts;
    std::vector<std::size_t> m_records;
};

// The record that holds a variable's final value: its winner, else its last record; 0 when
// the report has no record of it.
std::size_t FinalRecord(const FinalValues& finals, const NameIndex& index, std::string_view name);

// Derivations stop this deep; a node there with references gets one "..." child instead.
inline constexpr int kDerivationDepthLimit = 64;
// A value may use the same variable many times over, and so may those it uses: the tree
// stops growing at this many nodes, each further node's children replaced by "...".
inline constexpr std::size_t kDerivationNodeLimit = 10'000;

enum class DerivationState : std::uint8_t {
    Defined,        // the record in force
    Repeat,         // a record already on the path from the root; no children
    DefinedLater,   // nothing in force, but a record after the referencing one
    NotDefinedHere, // its only record is the referencing record itself
    NeverDefined,   // the report has no record of the name
    Elided,         // "...": the children cut at the depth or size limit
};

struct DerivationNode {
    std::string_view Name;  // empty for an elided node
    std::size_t Record = 0; // Defined and Repeat: the record; DefinedLater: the first later
    DerivationState State = DerivationState::Defined;
    ReferenceKind Kind = ReferenceKind::Deferred; // how the parent refers to it
    int Depth = 0;                                // the root's is 0
    std::size_t Parent = 0;                       // index into Nodes; the root's is its own, 0
    std::size_t Row = 0;                          // position among the parent's children
    std::vector<std::size_t> Children;            // indexes into Nodes, in reference order
};

// A derivation tree, depth first: Nodes[0] is the root. Empty when the root record is none.
struct Derivation {
    std::vector<DerivationNode> Nodes;
};

// What record `record`'s bracketed expansion was built from: every reference resolved to
// the definition in force at the record that makes it.
Derivation DeriveAtRecord(const ReportData& report, const NameIndex& index, std::size_t record);

// What the final value of `name` was built from: rooted at its FinalRecord, deferred
// references resolved to the referenced variable's FinalRecord, immediate ones and a
// variable's references to itself as in force.
Derivation DeriveFinalValue(const ReportData& report, const FinalValues& finals,
                            const NameIndex& index, std::string_view name);

// Every record whose references include `name`, in report order.
std::vector<std::size_t> UsedBy(const ReportData& report, std::string_view name);

} // namespace varscope::core
