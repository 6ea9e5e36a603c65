// What every rule reads: the report, its winners and name index, and each record's
// references, found once for all rules.
#pragma once

#include "core/report/references.hpp"

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace varscope::core {

class FinalValues;

struct ProblemContext {
    ProblemContext(const ReportData& report, const FinalValues& finals, const NameIndex& index);

    // The references of record `record` (1-based).
    std::span<const Reference> references(std::size_t record) const {
        return std::span<const Reference>(m_references)
            .subspan(m_starts[record - 1], m_starts[record] - m_starts[record - 1]);
    }

    const ReportData& Report;
    const FinalValues& Finals;
    const NameIndex& Index;

private:
    std::vector<Reference> m_references; // every record's, one after another
    std::vector<std::size_t> m_starts;   // where each record's begin; one more at the end
    std::unordered_map<std::string_view, std::vector<std::size_t>> m_users; // by name
};

} // namespace varscope::core
