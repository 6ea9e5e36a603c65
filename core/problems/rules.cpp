// The rules of the health check, one function each, and their table.
#include "core/problems/context.hpp"
#include "core/problems/problems.hpp"
#include "core/report/final_values.hpp"
#include "core/strings.hpp"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
#include <unordered_map>

namespace varscope::core {

namespace {

bool IsNameByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// A path or list entry as compared: `\` read as `/`, ASCII letters in lower case, one
// trailing `/` dropped.
std::string ComparablePath(std::string_view path) {
    std::string text(path);
    for (char& c : text)
        c = c == '\\' ? '/' : AsciiLower(c);
    if (!text.empty() && text.back() == '/')
        text.pop_back();
    return text;
}

// The texts one after another, in one allocation: a large report may have a million findings.
std::string Joined(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (const std::string_view part : parts)
        size += part.size();
    std::string text;
    text.reserve(size);
    for (const std::string_view part : parts)
        text += part;
    return text;
}

Finding RecordFinding(const ConfigVariable& record, std::string message) {
    return {{}, Severity::Note, record.Index, record.Name, record.File, std::move(message)};
}

void Undefined(const ProblemContext& context, std::vector<Finding>& findings) {
    for (const ConfigVariable& record : context.Report.Variables) {
        for (const Reference& reference : context.references(record.Index)) {
            if (!context.Index.records(reference.Name).empty())
                continue;
            const FinalVariable* listed = context.Finals.find(reference.Name);
            if (listed != nullptr && listed->Listed)
                continue;
            findings.push_back(RecordFinding(record, Joined({"refers to ", reference.Name,
                                                             ", which the report never defines; it "
                                                             "expands to nothing"})));
        }
    }
}

void DefinedLater(const ProblemContext& context, std::vector<Finding>& findings) {
    for (const ConfigVariable& record : context.Report.Variables) {
        for (const Reference& reference : context.references(record.Index)) {
            if (reference.Kind != ReferenceKind::Immediate ||
                context.Index.before(reference.Name, record.Index) != 0)
                continue;
            const std::size_t later = context.Index.after(reference.Name, record.Index);
            if (later == 0)
                continue;
            findings.push_back(RecordFinding(
                record, Joined({"uses ${", reference.Name, "} before it is defined (first in ",
                                context.Report.Variables[later - 1].File,
                                "); it expanded to nothing here"})));
        }
    }
}

void MissingSeparator(const ProblemContext& context, std::vector<Finding>& findings) {
    for (const ConfigVariable& record : context.Report.Variables) {
        if (context.references(record.Index).empty())
            continue;
        for (const ReferenceSpan& span : ReferenceSpans(record.Value)) {
            const std::size_t end =
                static_cast<std::size_t>(span.Text.data() - record.Value.data()) + span.Text.size();
            if (span.PlainName.empty() || end >= record.Value.size() ||
                !IsNameByte(record.Value[end]))
                continue;
            const std::size_t inForce = context.Index.before(span.PlainName, record.Index);
            if (inForce == 0)
                continue;
            const std::string_view expansion =
                WithoutTrailingBlanks(context.Report.Variables[inForce - 1].Expansion);
            if (expansion.find_first_of("/\\") == std::string_view::npos ||
                expansion.back() == '/' || expansion.back() == '\\')
                continue;
            std::size_t textEnd = end;
            while (textEnd < record.Value.size() &&
                   (IsNameByte(record.Value[textEnd]) || record.Value[textEnd] == '.'))
                ++textEnd;
            findings.push_back(RecordFinding(
                record, Joined({span.Text, " is ", expansion, ", with no separator before ",
                                record.Value.substr(end, textEnd - end)})));
        }
    }
}

void LockedChange(const ProblemContext& context, std::vector<Finding>& findings) {
    for (const FinalVariable& variable : context.Finals.variables()) {
        if (!variable.Locked || variable.Winner == 0)
            continue;
        const std::span<const std::size_t> records = context.Index.records(variable.Name);
        for (auto at = std::upper_bound(records.begin(), records.end(), variable.Winner);
             at != records.end(); ++at) {
            const ConfigVariable& record = context.Report.Variables[*at - 1];
            if (WithoutTrailingBlanks(record.Expansion) == variable.FinalValue)
                continue;
            findings.push_back(RecordFinding(
                record, Joined({"tries to change ", variable.Name, " after it was locked; it kept ",
                                variable.FinalValue})));
        }
    }
}

void DuplicateEntry(const ProblemContext& context, std::vector<Finding>& findings) {
    for (const FinalVariable& variable : context.Finals.variables()) {
        if (variable.Winner == 0)
            continue;
        const ConfigVariable& winner = context.Report.Variables[variable.Winner - 1];
        const std::string_view value =
            variable.Listed ? variable.FinalValue : WithoutTrailingBlanks(winner.Expansion);
        if (value.find(';') == std::string_view::npos)
            continue;
        struct Entry {
            std::string_view written; // as first written
            std::size_t count = 0;
        };
        std::unordered_map<std::string, std::size_t> known; // an entry's index in `entries`
        std::vector<Entry> entries;
        std::size_t start = 0;
        while (start <= value.size()) {
            const std::size_t end = std::min(value.find(';', start), value.size());
            const std::string_view entry = value.substr(start, end - start);
            start = end + 1;
            if (entry.empty())
                continue;
            const auto [at, added] = known.try_emplace(ComparablePath(entry), entries.size());
            if (added)
                entries.push_back({entry, 0});
            ++entries[at->second].count;
        }
        for (const Entry& entry : entries)
            if (entry.count > 1)
                findings.push_back(
                    RecordFinding(winner, Joined({"lists ", entry.written, " twice"})));
    }
}

// An appended value holds the one before it as written: that keeps the earlier value, as a
// reference to the name would.
bool Appends(std::string_view later, std::string_view earlier) {
    later = WithoutTrailingBlanks(later);
    earlier = WithoutTrailingBlanks(earlier);
    return (later.size() > earlier.size() && later.substr(0, earlier.size()) == earlier &&
            later[earlier.size()] == ';') ||
           (later.size() > earlier.size() &&
            later.substr(later.size() - earlier.size()) == earlier &&
            later[later.size() - earlier.size() - 1] == ';');
}

void Overridden(const ProblemContext& context, std::vector<Finding>& findings) {
    const std::vector<ConfigVariable>& records = context.Report.Variables;
    const NameIndex& index = context.Index;
    // First the pairs in one file at one level; then, for their names alone, which records
    // refer to them.
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    std::unordered_map<std::string_view, std::vector<std::size_t>> users;
    for (std::size_t number = 0; number < index.nameCount(); ++number) {
        const std::span<const std::size_t> all = index.recordsOf(number);
        for (std::size_t i = 1; i < all.size(); ++i) {
            const ConfigVariable& record = records[all[i - 1] - 1];
            const ConfigVariable& later = records[all[i] - 1];
            // Records of one file view the same text, most often: equal without a compare.
            const bool sameFile = (later.File.data() == record.File.data() &&
                                   later.File.size() == record.File.size()) ||
                                  later.File == record.File;
            if (sameFile && later.Level == record.Level && !Appends(later.Value, record.Value)) {
                pairs.emplace_back(all[i - 1], all[i]);
                users.try_emplace(record.Name);
            }
        }
    }
    if (pairs.empty())
        return;
    for (const ConfigVariable& record : records) {
        for (const Reference& reference : context.references(record.Index)) {
            const auto found = users.find(reference.Name);
            if (found != users.end())
                found->second.push_back(record.Index);
        }
    }
    std::sort(pairs.begin(), pairs.end());
    for (const auto& [earlier, later] : pairs) {
        const ConfigVariable& record = records[earlier - 1];
        const std::vector<std::size_t>& uses = users[record.Name];
        // A use after the earlier one, up to and with the later one, which may refer to it.
        const auto use = std::upper_bound(uses.begin(), uses.end(), earlier);
        if (use != uses.end() && *use <= later)
            continue;
        findings.push_back(
            RecordFinding(record, "is set again later in the same file before anything uses it"));
    }
}

void FileTwice(const ProblemContext& context, std::vector<Finding>& findings) {
    struct File {
        std::string_view first;
        std::size_t count = 0;
    };
    std::unordered_map<std::string, std::size_t> known;
    std::vector<File> files;
    for (const std::string_view path : context.Report.ConfigFilesUsed) {
        const auto [at, added] = known.try_emplace(ComparablePath(path), files.size());
        if (added)
            files.push_back({path, 0});
        ++files[at->second].count;
    }
    for (const File& file : files)
        if (file.count > 1)
            findings.push_back({{},
                                Severity::Note,
                                0,
                                {},
                                file.first,
                                "was processed " + std::to_string(file.count) + " times"});
}

void UnreadLines(const ProblemContext& context, std::vector<Finding>& findings) {
    const std::size_t skipped = context.Report.SkippedLines;
    if (skipped == 1)
        findings.push_back(
            {{}, Severity::Note, 0, {}, {}, "1 line of the report was not understood"});
    else if (skipped > 1)
        findings.push_back({{},
                            Severity::Note,
                            0,
                            {},
                            {},
                            std::to_string(skipped) + " lines of the report were not understood"});
}

constexpr std::array kRules = {
    ProblemRule{"undefined", Severity::Warning, Undefined},
    ProblemRule{"defined-later", Severity::Warning, DefinedLater},
    ProblemRule{"missing-separator", Severity::Warning, MissingSeparator},
    ProblemRule{"locked-change", Severity::Warning, LockedChange},
    ProblemRule{"duplicate-entry", Severity::Note, DuplicateEntry},
    ProblemRule{"overridden", Severity::Note, Overridden},
    ProblemRule{"file-twice", Severity::Note, FileTwice},
    ProblemRule{"unread-lines", Severity::Note, UnreadLines},
};

} // namespace

std::span<const ProblemRule> ProblemRules() {
    return kRules;
}

} // namespace varscope::core
