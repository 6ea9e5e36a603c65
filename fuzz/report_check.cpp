// The report read whole and the report read in blocks: one set of rules, two readers that
// share one line scanner, so both are also held to the frozen reference reader, which does
// not use it.
#include "checks.hpp"
#include "input.hpp"

#include "core/report/final_values.hpp"
#include "core/report/report.hpp"
#include "core/report/report_stream.hpp"
#include "tests/support/report_reference.hpp"

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

namespace varscope::fuzz {

namespace {

struct Record {
    int level = 0;
    std::string name, value, expansion, file;
    std::size_t index = 0;
    bool operator==(const Record&) const = default;
};

Record Copied(const core::ConfigVariable& record) {
    return {record.Level,
            std::string(record.Name),
            std::string(record.Value),
            std::string(record.Expansion),
            std::string(record.File),
            record.Index};
}

// What a reader gave, as copies: a block's texts are gone once the next block comes.
struct Read {
    std::vector<Record> records;
    std::vector<std::string> files;
    std::vector<std::string> summary;
    std::size_t skipped = 0;
    bool summaryHeading = false;
    bool afterStop = false;  // the sink was given more after it had stopped the reading
    bool stopMissed = false; // the stream's answers disagreed with whether it was stopped
};

// Keeps what it is given, and stops the reading once it has `stopAt` things.
class CopyingSink final : public core::ReportSink {
public:
    CopyingSink(Read& read, std::size_t stopAt) : m_read(read), m_stopAt(stopAt) {}
    bool variable(const core::ConfigVariable& record) override {
        m_read.records.push_back(Copied(record));
        return goOn();
    }
    bool configFile(std::string_view path) override {
        m_read.files.emplace_back(path);
        return goOn();
    }
    bool summaryLine(std::string_view line) override {
        m_read.summary.emplace_back(line);
        return goOn();
    }
    bool stopped() const { return m_given >= m_stopAt; }

private:
    bool goOn() {
        m_read.afterStop |= stopped();
        return ++m_given < m_stopAt;
    }

    Read& m_read;
    const std::size_t m_stopAt;
    std::size_t m_given = 0;
};

Read Copied(const core::ReportData& data) {
    Read read;
    for (const core::ConfigVariable& record : data.Variables)
        read.records.push_back(Copied(record));
    read.files.assign(data.ConfigFilesUsed.begin(), data.ConfigFilesUsed.end());
    read.summary.assign(data.SummaryLines.begin(), data.SummaryLines.end());
    read.skipped = data.SkippedLines;
    read.summaryHeading = data.HasSummary;
    return read;
}

std::uint32_t Seed(std::string_view input) {
    std::uint32_t seed = 2166136261u;
    for (const char c : input)
        seed = (seed ^ static_cast<unsigned char>(c)) * 16777619u;
    return seed | 1u;
}

// Block sizes come from a generator seeded by the input, so a kept input replays the same
// blocks: mostly small ones, which split lines, CR LF pairs and markers, now and then large.
Read InBlocks(std::string_view input, std::size_t stopAt) {
    std::minstd_rand random(Seed(input));
    Read read;
    CopyingSink sink(read, stopAt);
    core::ReportStream stream(sink);
    while (!input.empty()) {
        const std::size_t size = random() % 4 == 0 ? 1 + random() % 40000 : 1 + random() % 16;
        const std::size_t taken = std::min(size, input.size());
        // An empty block now and then: the stream must take it as nothing.
        if (random() % 16 == 0)
            read.stopMissed |= stream.feed({}) == sink.stopped();
        read.stopMissed |= stream.feed(input.substr(0, taken)) == sink.stopped();
        input.remove_prefix(taken);
    }
    read.stopMissed |= stream.finish() == sink.stopped();
    read.skipped = stream.skippedLines();
    return read;
}

template <typename T>
Failure Differ(std::string_view what, const T& whole, const T& blocks,
               std::string_view readers = "the whole report and its blocks") {
    if (whole.size() != blocks.size())
        return std::string(what) + ": " + std::to_string(whole.size()) + " and " +
               std::to_string(blocks.size()) + " in " + std::string(readers);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (!(whole[i] == blocks[i]))
            return std::string(what) + " " + std::to_string(i + 1) + " differs between " +
                   std::string(readers);
    }
    return std::nullopt;
}

// The reference reader and ParseReport give the same records, files, summary and counts.
Failure SameAsReference(const Read& reference, const Read& whole) {
    constexpr std::string_view kReaders = "the reference reader and ParseReport";
    if (auto failure = Differ("records", reference.records, whole.records, kReaders))
        return failure;
    if (auto failure = Differ("files", reference.files, whole.files, kReaders))
        return failure;
    if (auto failure = Differ("summary lines", reference.summary, whole.summary, kReaders))
        return failure;
    if (reference.skipped != whole.skipped || reference.summaryHeading != whole.summaryHeading)
        return "skipped lines or the summary heading differ between " + std::string(kReaders);
    return std::nullopt;
}

template <typename T> bool StartsWith(const std::vector<T>& whole, const std::vector<T>& part) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// The winners as their rule says, worked out the slow way: every record of a name, by the
// name itself, not its hash.
Failure CheckWinners(const core::ReportData& data) {
    const core::FinalValues finals(data);
    std::map<std::string_view, std::vector<std::size_t>> records;
    for (const core::ConfigVariable& record : data.Variables)
        records[record.Name].push_back(record.Index);
    for (const core::FinalVariable& variable : finals.variables()) {
        const auto found = records.find(variable.Name);
        std::size_t expected = 0;
        if (found != records.end() && (!data.HasSummary || variable.Listed)) {
            expected = found->second.back();
            if (variable.Listed) {
                for (const std::size_t index : found->second)
                    if (WithoutTrailingBlanks(data.Variables[index - 1].Expansion) ==
                        variable.FinalValue)
                        expected = index;
            }
        }
        if (variable.Winner != expected)
            return "the winner of " + Shown(std::string(variable.Name)) + " is record " +
                   std::to_string(variable.Winner) + ", not " + std::to_string(expected);
        if (expected != 0 && !finals.isWinner(expected))
            return "record " + std::to_string(expected) + " is not marked as the winner";
        records.erase(variable.Name);
    }
    if (!records.empty())
        return "the winners leave out " + Shown(std::string(records.begin()->first));
    return std::nullopt;
}

} // namespace

Failure CheckReport(std::string_view input) {
    const core::ReportData data = core::ParseReport(std::string(input));
    const Read whole = Copied(data);
    if (auto failure =
            SameAsReference(Copied(test::reference::ParseReport(std::string(input))), whole))
        return failure;
    if (auto failure = CheckWinners(data))
        return failure;
    const Read blocks = InBlocks(input, SIZE_MAX);
    if (blocks.stopMissed)
        return std::string("a reading nobody stopped said it was stopped");
    if (auto failure = Differ("records", whole.records, blocks.records))
        return failure;
    if (auto failure = Differ("files", whole.files, blocks.files))
        return failure;
    if (auto failure = Differ("summary lines", whole.summary, blocks.summary))
        return failure;
    if (whole.skipped != blocks.skipped)
        return "skipped lines: " + std::to_string(whole.skipped) + " read whole, " +
               std::to_string(blocks.skipped) + " in blocks";
    for (std::size_t i = 0; i < whole.records.size(); ++i) {
        const Record& record = whole.records[i];
        if (record.index != i + 1)
            return "record " + std::to_string(i + 1) + " has index " + std::to_string(record.index);
        // A record lies within one line.
        for (const std::string* text : {&record.name, &record.value, &record.expansion}) {
            if (text->find_first_of("\r\n") != std::string::npos)
                return "record " + std::to_string(i + 1) + " holds a line end: " + Shown(*text);
        }
    }

    // Stopped by its sink, the reading gives what it gave so far, nothing after, and says
    // it was stopped.
    const std::size_t things = whole.records.size() + whole.files.size() + whole.summary.size();
    if (things == 0)
        return std::nullopt;
    const std::size_t stopAt = 1 + Seed(input) % things;
    const Read stopped = InBlocks(input, stopAt);
    const std::string at = " at " + std::to_string(stopAt) + " of " + std::to_string(things);
    if (stopped.afterStop)
        return "the reading went on after its sink stopped it" + at;
    if (stopped.stopMissed)
        return "a reading stopped" + at + " did not say so";
    if (!StartsWith(whole.records, stopped.records) || !StartsWith(whole.files, stopped.files) ||
        !StartsWith(whole.summary, stopped.summary) ||
        stopped.records.size() + stopped.files.size() + stopped.summary.size() != stopAt)
        return "a reading stopped" + at + " gave other things";
    return std::nullopt;
}

} // namespace varscope::fuzz
