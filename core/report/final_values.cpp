#include "core/report/final_values.hpp"

#include "core/strings.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
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

// A hint that the memory at `address` is needed soon.
inline void Prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
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
    std::size_t slots = 16;
    while (slots < 2 * m_entries.size() + 2)
        slots *= 2;
    m_slots.resize(slots);
    for (const SummaryEntry& entry : m_entries) {
        const std::uint32_t at = findOrAdd(entry.Name, NameHash(entry.Name), true);
        // A name listed twice: the later line stands.
        m_variables[at].FinalValue = m_tallies[at].finalValue = entry.FinalValue;
        m_variables[at].Locked = m_tallies[at].locked = entry.Locked;
    }
    const std::size_t listed = m_variables.size();

    // From the last record to the first: a variable's last record, and its last one that
    // shows the final value, are the first met, and expansions are compared only until
    // that one is found. Lookups in a large table wait on memory: each record's slot is
    // asked for some records ahead, and its tally some records after that, so that the
    // waits overlap.
    const auto& records = report.Variables;
    const std::size_t count = records.size();
    std::vector<std::uint64_t> computed;
    if (report.NameHashes.size() != count) {
        computed.reserve(count);
        for (const ConfigVariable& record : records)
            computed.push_back(NameHash(record.Name));
    }
    const std::vector<std::uint64_t>& hashes = computed.empty() ? report.NameHashes : computed;
    constexpr std::size_t kAhead = 16;
    const auto needsCompare = [](const Tally& tally) {
        return tally.listed && tally.matching == 0;
    };
    for (std::size_t step = 0; step < count + 3 * kAhead; ++step) {
        const std::size_t mask = m_slots.size() - 1;
        if (step < count)
            Prefetch(&m_slots[hashes[count - 1 - step] & mask]);
        if (step >= kAhead && step - kAhead < count) {
            const Slot& slot = m_slots[hashes[count - 1 - (step - kAhead)] & mask];
            if (slot.variable != 0)
                Prefetch(&m_tallies[slot.variable - 1]);
        }
        if (step >= 2 * kAhead && step - 2 * kAhead < count) {
            const std::size_t i = count - 1 - (step - 2 * kAhead);
            const Slot& slot = m_slots[hashes[i] & mask];
            if (slot.variable != 0 && needsCompare(m_tallies[slot.variable - 1])) {
                Prefetch(&records[i].Expansion);
                Prefetch(m_tallies[slot.variable - 1].finalValue.data());
            }
        }
        if (step < 3 * kAhead)
            continue;
        // Record n is records[n - 1]; its texts are read only when its name is new or its
        // expansion is to be compared, so the pass does not stream the whole table.
        const std::size_t i = count - 1 - (step - 3 * kAhead);
        const std::uint32_t at = findRecord(records[i], hashes[i]);
        Tally& tally = m_tallies[at];
        const std::size_t index = i + 1;
        if (tally.last == 0)
            tally.last = index;
        if (needsCompare(tally) && TrimTrailingBlanks(records[i].Expansion) == tally.finalValue)
            tally.matching = index;
        if (tally.locked)
            m_marks[i] = RecordLocked;
    }
    // The names the summary does not list were met from the end.
    std::reverse(m_variables.begin() + static_cast<std::ptrdiff_t>(listed), m_variables.end());
    std::reverse(m_tallies.begin() + static_cast<std::ptrdiff_t>(listed), m_tallies.end());
    for (Slot& slot : m_slots) {
        if (slot.variable > listed)
            slot.variable =
                static_cast<std::uint32_t>(listed + m_variables.size() + 1 - slot.variable);
    }

    for (std::size_t at = 0; at < m_variables.size(); ++at) {
        FinalVariable& variable = m_variables[at];
        const Tally& tally = m_tallies[at];
        if (!m_hasSummary)
            variable.Winner = tally.last;
        else if (variable.Listed)
            variable.Winner = tally.matching != 0 ? tally.matching : tally.last;
        if (variable.Winner >= 1 && variable.Winner <= m_marks.size())
            m_marks[variable.Winner - 1] |= RecordWinner;
    }
}

const FinalVariable* FinalValues::find(std::string_view name) const {
    if (m_slots.empty())
        return nullptr;
    const std::uint64_t hash = NameHash(name);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = m_slots[at];
        if (slot.variable == 0)
            return nullptr;
        if (slot.hash == hash && m_variables[slot.variable - 1].Name == name)
            return &m_variables[slot.variable - 1];
    }
}

std::uint32_t FinalValues::findRecord(const ConfigVariable& record, std::uint64_t hash) {
    if (!m_compareNames) {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot& slot = m_slots[at];
            if (slot.variable == 0)
                break;
            if (slot.hash == hash)
                return slot.variable - 1;
        }
    }
    return findOrAdd(record.Name, hash, false);
}

std::uint32_t FinalValues::findOrAdd(std::string_view name, std::uint64_t hash, bool listed) {
    std::size_t mask = m_slots.size() - 1;
    std::size_t at = hash & mask;
    for (;; at = (at + 1) & mask) {
        const Slot& slot = m_slots[at];
        if (slot.variable == 0)
            break;
        if (slot.hash != hash)
            continue;
        if (m_variables[slot.variable - 1].Name == name)
            return slot.variable - 1;
        // Two names of one hash: from now on every lookup compares names.
        m_compareNames = true;
    }
    FinalVariable variable;
    variable.Name = name;
    variable.Listed = listed;
    m_variables.push_back(variable);
    Tally tally;
    tally.listed = listed;
    m_tallies.push_back(tally);
    const auto added = static_cast<std::uint32_t>(m_variables.size());
    if (2 * m_variables.size() > m_slots.size()) {
        grow();
        mask = m_slots.size() - 1;
        for (at = hash & mask; m_slots[at].variable != 0; at = (at + 1) & mask) {
        }
    }
    m_slots[at] = {hash, added};
    return added - 1;
}

void FinalValues::grow() {
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const Slot& slot : old) {
        if (slot.variable == 0)
            continue;
        std::size_t at = slot.hash & mask;
        while (m_slots[at].variable != 0)
            at = (at + 1) & mask;
        m_slots[at] = slot;
    }
}

} // namespace varscope::core
