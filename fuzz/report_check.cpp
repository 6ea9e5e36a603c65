// The report read whole and the report read in blocks: one set of rules, two readers.
#include "checks.hpp"
#include "input.hpp"

#include "core/report.hpp"
#include "core/report_stream.hpp"

#include <algorithm>
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

// What a reader gave, as copies: a block's texts are gone once the next block comes.
struct Read {
    std::vector<Record> records;
    std::vector<std::string> files;
    std::vector<std::string> summary;
    std::size_t skipped = 0;
};

class CopyingSink final : public core::ReportSink {
public:
    explicit CopyingSink(Read& read) : m_read(read) {}
    bool variable(const core::ConfigVariable& record) override {
        m_read.records.push_back({record.Level, std::string(record.Name), std::string(record.Value),
                                  std::string(record.Expansion), std::string(record.File),
                                  record.Index});
        return true;
    }
    bool configFile(std::string_view path) override {
        m_read.files.emplace_back(path);
        return true;
    }
    bool summaryLine(std::string_view line) override {
        m_read.summary.emplace_back(line);
        return true;
    }

private:
    Read& m_read;
};

Read Whole(std::string_view input) {
    const core::ReportData data = core::ParseReport(std::string(input));
    Read read;
    for (const core::ConfigVariable& record : data.Variables)
        read.records.push_back({record.Level, std::string(record.Name), std::string(record.Value),
                                std::string(record.Expansion), std::string(record.File),
                                record.Index});
    read.files.assign(data.ConfigFilesUsed.begin(), data.ConfigFilesUsed.end());
    read.summary.assign(data.SummaryLines.begin(), data.SummaryLines.end());
    read.skipped = data.SkippedLines;
    return read;
}

// Block sizes come from a generator seeded by the input, so a kept input replays the same
// blocks: mostly small ones, which split lines, CR LF pairs and markers, now and then large.
Read InBlocks(std::string_view input) {
    std::uint32_t seed = 2166136261u;
    for (const char c : input)
        seed = (seed ^ static_cast<unsigned char>(c)) * 16777619u;
    std::minstd_rand random(seed | 1u);
    Read read;
    CopyingSink sink(read);
    core::ReportStream stream(sink);
    while (!input.empty()) {
        const std::size_t size = random() % 4 == 0 ? 1 + random() % 40000 : 1 + random() % 16;
        const std::size_t taken = std::min(size, input.size());
        // An empty block now and then: the stream must take it as nothing.
        if (random() % 16 == 0)
            stream.feed({});
        stream.feed(input.substr(0, taken));
        input.remove_prefix(taken);
    }
    stream.finish();
    read.skipped = stream.skippedLines();
    return read;
}

template <typename T> Failure Differ(std::string_view what, const T& whole, const T& blocks) {
    if (whole.size() != blocks.size())
        return std::string(what) + ": " + std::to_string(whole.size()) + " read whole, " +
               std::to_string(blocks.size()) + " in blocks";
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (!(whole[i] == blocks[i]))
            return std::string(what) + " " + std::to_string(i + 1) +
                   " differs between the whole report and its blocks";
    }
    return std::nullopt;
}

} // namespace

Failure CheckReport(std::string_view input) {
    const Read whole = Whole(input);
    const Read blocks = InBlocks(input);
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
        for (const std::string* text : {&record.name, &record.value, &record.expansion})
            if (text->find_first_of("\r\n") != std::string::npos)
                return "record " + std::to_string(i + 1) + " holds a line end: " + Shown(*text);
    }
    return std::nullopt;
}

} // namespace varscope::fuzz
