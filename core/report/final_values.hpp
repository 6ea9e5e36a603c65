// Which definition of each variable took effect: the report's summary (the final values)
// joined with its records (the history). A "summary entry" is a summary line that names a
// variable, with the lines that continue its final value.
#pragma once

#include "core/report/report.hpp"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varscope::core {

// Summary lines that continue an entry's final value start with this many blanks.
inline constexpr std::size_t kSummaryContinuationIndent = 22;

struct SummaryEntry {
    std::string_view Name;       // the text before the first ":", trailing blanks removed
    std::string_view FinalValue; // continued values joined; no trailing blanks, no "<Locked>"
    bool Locked = false;
};

// The entries of a report's summary lines, in summary order. A continued final value is
// joined into `joined`, which that entry's FinalValue then views.
std::vector<SummaryEntry> ReadSummaryEntries(const std::vector<std::string_view>& lines,
                                             std::deque<std::string>& joined);

// The name of the summary entry that the summary line at `line` begins or continues; empty
// when the line belongs to no entry.
std::string_view SummaryEntryName(const std::vector<std::string_view>& lines, std::size_t line);

// What became of one variable name of a report.
struct FinalVariable {
    std::string_view Name;
    std::string_view FinalValue; // the summary's; empty when the summary does not list it
    std::size_t Winner = 0;      // the winning record, 1-based index into the table; 0: none
    bool Listed = false;         // the summary lists the name
    bool Locked = false;
};

// Marks of a record, as bits.
enum RecordMark : std::uint8_t {
    RecordWinner = 1, // the variable's winning record
    RecordLocked = 2, // a record of a locked variable
};

// The winners of a report. The winning record of a variable: when the summary lists it, its
// last record whose expansion (trailing blanks removed) equals the final value, else its
// last record; when there is a summary that does not list it (it was undefined later),
// none; when the report has no summary heading at all, its last record. Costs one pass over
// the records and one over the summary, each name looked up whole in a hashed map.
class FinalValues {
public:
    FinalValues() = default;
    explicit FinalValues(const ReportData& report);
    // Moved, never copied: the joined final values are viewed where a move keeps them and a
    // copy would not.
    FinalValues(FinalValues&&) = default;
    FinalValues& operator=(FinalValues&&) = default;
    FinalValues(const FinalValues&) = delete;
    FinalValues& operator=(const FinalValues&) = delete;

    bool hasSummary() const { return m_hasSummary; }
    const std::vector<SummaryEntry>& entries() const { return m_entries; }
    // One per name: those the summary lists in summary order, then the others in the order
    // of their last records.
    const std::vector<FinalVariable>& variables() const { return m_variables; }
    // The variable of exactly this name, or null.
    const FinalVariable* find(std::string_view name) const;
    // RecordMark bits of the record with this 1-based index; 0 outside the table.
    std::uint8_t marks(std::size_t recordIndex) const {
        return recordIndex >= 1 && recordIndex <= m_marks.size() ? m_marks[recordIndex - 1] : 0;
    }
    bool isWinner(std::size_t recordIndex) const { return marks(recordIndex) & RecordWinner; }
    bool isLocked(std::size_t recordIndex) const { return marks(recordIndex) & RecordLocked; }

private:
    // What the pass over the records needs of a variable, in one place.
    struct Tally {
        std::string_view finalValue;
        std::size_t last = 0;     // its last record
        std::size_t matching = 0; // its last record that shows the final value
        bool listed = false;
        bool locked = false;
    };
    // The variables() index of a name, else a new variable's.
    std::size_t findOrAdd(std::string_view name, bool listed);

    std::shared_ptr<const std::string> m_bytes; // keeps the report's texts alive
    std::deque<std::string> m_joined;           // continued final values
    bool m_hasSummary = false;
    std::vector<SummaryEntry> m_entries;
    std::vector<FinalVariable> m_variables;
    std::vector<Tally> m_tallies; // one per variable, while the winners are worked out
    std::unordered_map<std::string_view, std::size_t> m_byName; // variables() indexes
    std::vector<std::uint8_t> m_marks;
};

} // namespace varscope::core
