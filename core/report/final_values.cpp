#include "core/report/final_values.hpp"

#include "core/strings.hpp"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace varscope::core {

namespace {

constexpr std::string_view kLocked = "<Locked>";
constexpr std::string_view kEntryEquals = " = ";

std::string_view TrimBlanks(std::string_view text) {
    return TrimTrailingBlanks(TrimLeadingBlanks(text));
}

// The first " = " at or after `from`. The names and levels before it are padded with
// blanks, so it is looked for by its "=".
std::size_t FindEntryEquals(std::string_view line, std::size_t from) {
    for (std::size_t at = line.find('=', from + 1); at != std::string_view::npos;
         at = line.find('=', at + 1)) {
        if (at + 1 < line.size() && line[at - 1] == ' ' && line[at + 1] == ' ')
            return at - 1;
    }
    return std::string_view::npos;
}

// An entry as its own line gives it: the final value without its continuation, "<Locked>"
// not yet taken off.
std::optional<SummaryEntry> ReadEntryLine(std::string_view line) {
    if (line.empty() || line.front() == ' ' || line.front() == '#')
        return std::nullopt;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const std::size_t equals = FindEntryEquals(line, colon + 1);
    if (equals == std::string_view::npos)
        return std::nullopt;
    return SummaryEntry{TrimTrailingBlanks(line.substr(0, colon)),
                        TrimTrailingBlanks(line.substr(equals + kEntryEquals.size())), false};
}

bool ContinuesEntry(std::string_view line) {
    return line.size() >= kSummaryContinuationIndent &&
           line.find_first_not_of(' ') >= kSummaryContinuationIndent;
}

} // namespace

std::vector<SummaryEntry> ReadSummaryEntries(const std::vector<std::string_view>& lines,
                                             std::deque<std::string>& joined) {
    std::vector<SummaryEntry> entries;
    entries.reserve(lines.size());
    // The entry the next line may continue, and its value as far as read.
    bool open = false;
    std::string value;
    const auto close = [&] {
        if (!open)
            return;
        SummaryEntry& entry = entries.back();
        std::string_view text = value.empty() ? entry.FinalValue : std::string_view(value);
        if (text.ends_with(kLocked)) {
            entry.Locked = true;
            text = TrimTrailingBlanks(text.substr(0, text.size() - kLocked.size()));
        }
        if (!value.empty()) {
            joined.emplace_back(text);
            text = joined.back();
        }
        entry.FinalValue = text;
        value.clear();
        open = false;
    };
    for (const std::string_view line : lines) {
        if (open && ContinuesEntry(line)) {
            if (value.empty())
                value.assign(entries.back().FinalValue);
            value += TrimBlanks(line);
            continue;
        }
        close();
        if (const std::optional<SummaryEntry> entry = ReadEntryLine(line)) {
            entries.push_back(*entry);
            open = true;
        }
    }
    close();
    return entries;
}

std::string_view SummaryEntryName(const std::vector<std::string_view>& lines, std::size_t line) {
    for (std::size_t at = line; at < lines.size(); --at) {
        if (const std::optional<SummaryEntry> entry = ReadEntryLine(lines[at]))
            return entry->Name;
        if (!ContinuesEntry(lines[at]))
            return {};
    }
    return {};
}

FinalValues::FinalValues(const ReportData& report)
    : m_bytes(report.Bytes), m_hasSummary(report.HasSummary),
      m_entries(ReadSummaryEntries(report.SummaryLines, m_joined)),
      m_marks(report.Variables.size(), 0) {
    m_variables.reserve(m_entries.size());
    m_tallies.reserve(m_entries.size());
    m_byName.reserve(m_entries.size());
    for (const SummaryEntry& entry : m_entries) {
        Tally& tally = m_tallies[findOrAdd(entry.Name, true)];
        // A name listed twice: the later line stands.
        tally.finalValue = entry.FinalValue;
        tally.locked = entry.Locked;
    }
    const std::size_t listed = m_variables.size();

    // From the last record to the first: a variable's last record, and its last one that
    // shows the final value, are the first met, so expansions are compared only until that
    // one is found. Record n is records[n - 1].
    const auto& records = report.Variables;
    for (std::size_t i = records.size(); i-- > 0;) {
        Tally& tally = m_tallies[findOrAdd(records[i].Name, false)];
        const std::size_t index = i + 1;
        if (tally.last == 0)
            tally.last = index;
        if (tally.listed && tally.matching == 0 &&
            TrimTrailingBlanks(records[i].Expansion) == tally.finalValue)
            tally.matching = index;
        if (tally.locked)
            m_marks[i] = RecordLocked;
    }
    for (std::size_t at = 0; at < m_variables.size(); ++at) {
        FinalVariable& variable = m_variables[at];
        const Tally& tally = m_tallies[at];
        variable.FinalValue = tally.finalValue;
        variable.Locked = tally.locked;
        if (!m_hasSummary)
            variable.Winner = tally.last;
        else if (variable.Listed)
            variable.Winner = tally.matching != 0 ? tally.matching : tally.last;
        if (variable.Winner != 0)
            m_marks[variable.Winner - 1] |= RecordWinner;
    }
    m_tallies = {};
    // The names the summary does not list were met from the end.
    std::reverse(m_variables.begin() + static_cast<std::ptrdiff_t>(listed), m_variables.end());
    for (std::size_t at = listed; at < m_variables.size(); ++at)
        m_byName[m_variables[at].Name] = at;
}

const FinalVariable* FinalValues::find(std::string_view name) const {
    const auto found = m_byName.find(name);
    return found == m_byName.end() ? nullptr : &m_variables[found->second];
}

std::size_t FinalValues::findOrAdd(std::string_view name, bool listed) {
    const auto [found, added] = m_byName.try_emplace(name, m_variables.size());
    if (!added)
        return found->second;
    FinalVariable variable;
    variable.Name = name;
    variable.Listed = listed;
    m_variables.push_back(variable);
    Tally tally;
    tally.listed = listed;
    m_tallies.push_back(tally);
    return m_variables.size() - 1;
}

} // namespace varscope::core
