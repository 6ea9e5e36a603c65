// The report reader against the reference reader it replaced, and the streaming reader
// against ParseReport: on every fixture, the demo, generated company-sized reports and
// many random reports built from the bytes the reader reacts to.
#include "bench/report_generator.hpp"
#include "core/report/line_scan.hpp"
#include "core/report/report.hpp"
#include "core/report/report_stream.hpp"
#include "tests/support/report_reference.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace varscope::core;

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    return varscope::testing::ReadTextFile(path.string());
}

// Reports a text by where it stands in its report and what it holds, so that two readers
// must cut every field at the same bytes.
std::string Where(const ReportData& data, std::string_view text) {
    std::ostringstream out;
    out << '@' << (text.data() == nullptr ? -1 : text.data() - data.Bytes->data()) << '+'
        << text.size();
    return out.str();
}

testing::AssertionResult SameText(const ReportData& expected, std::string_view want,
                                  const ReportData& actual, std::string_view got,
                                  const std::string& what) {
    // An empty text may point anywhere; only its emptiness counts.
    if (want == got && (want.empty() || Where(expected, want) == Where(actual, got)))
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << what << ": expected '" << want << "' " << Where(expected, want) << ", got '" << got
           << "' " << Where(actual, got);
}

// Every field of every record, the files, the summary, the folders and the skipped count.
testing::AssertionResult SameReport(const ReportData& expected, const ReportData& actual) {
    if (expected.Variables.size() != actual.Variables.size())
        return testing::AssertionFailure() << "records: expected " << expected.Variables.size()
                                           << ", got " << actual.Variables.size();
    for (std::size_t i = 0; i < expected.Variables.size(); ++i) {
        const ConfigVariable& want = expected.Variables[i];
        const ConfigVariable& got = actual.Variables[i];
        const std::string record = "record " + std::to_string(i + 1);
        if (want.Level != got.Level || want.Index != got.Index || want.TreeNode != got.TreeNode)
            return testing::AssertionFailure() << record << ": level/index/node differ";
        for (const auto& [field, name] :
             {std::pair{&ConfigVariable::Name, "name"}, std::pair{&ConfigVariable::Value, "value"},
              std::pair{&ConfigVariable::Expansion, "expansion"},
              std::pair{&ConfigVariable::File, "file"}}) {
            if (auto same =
                    SameText(expected, want.*field, actual, got.*field, record + " " + name);
                !same)
                return same;
        }
    }
    for (const auto& [list, name] : {std::pair{&ReportData::ConfigFilesUsed, "file list"},
                                     std::pair{&ReportData::SummaryLines, "summary"}}) {
        const auto& want = expected.*list;
        const auto& got = actual.*list;
        if (want.size() != got.size())
            return testing::AssertionFailure()
                   << name << ": expected " << want.size() << " entries, got " << got.size();
        for (std::size_t i = 0; i < want.size(); ++i) {
            if (auto same = SameText(expected, want[i], actual, got[i],
                                     std::string(name) + " " + std::to_string(i));
                !same)
                return same;
        }
    }
    for (const auto& [folder, name] :
         {std::pair{&ReportData::UserConfigFolder, "user folder"},
          std::pair{&ReportData::ProjectConfigFolder, "project folder"}}) {
        const auto& want = expected.*folder;
        const auto& got = actual.*folder;
        if (want.has_value() != got.has_value())
            return testing::AssertionFailure() << name << ": set in one reading only";
        if (want) {
            if (auto same = SameText(expected, *want, actual, *got, name); !same)
                return same;
        }
    }
    if (expected.HasSummary != actual.HasSummary)
        return testing::AssertionFailure() << "summary heading: read in one reading only";
    if (expected.SkippedLines != actual.SkippedLines)
        return testing::AssertionFailure()
               << "skipped: expected " << expected.SkippedLines << ", got " << actual.SkippedLines;
    return testing::AssertionSuccess();
}

testing::AssertionResult ReadsAsReference(const std::string& report) {
    return SameReport(varscope::test::reference::ParseReport(report), ParseReport(report));
}

// What a stream handed over, copied, since its texts live only during the calls.
struct Collected {
    struct Record {
        int level;
        std::string name, value, expansion, file;
        std::size_t index;
        bool operator==(const Record&) const = default;
    };
    std::vector<Record> records;
    std::vector<std::string> files;
    std::vector<std::string> summary;
    std::size_t skipped = 0;
    bool operator==(const Collected&) const = default;
};

class CollectingSink final : public ReportSink {
public:
    explicit CollectingSink(Collected& out) : m_out(out) {}
    bool variable(const ConfigVariable& record) override {
        m_out.records.push_back({record.Level, std::string(record.Name), std::string(record.Value),
                                 std::string(record.Expansion), std::string(record.File),
                                 record.Index});
        return true;
    }
    bool configFile(std::string_view path) override {
        m_out.files.emplace_back(path);
        return true;
    }
    bool summaryLine(std::string_view line) override {
        m_out.summary.emplace_back(line);
        return true;
    }

private:
    Collected& m_out;
};

Collected FromParse(const std::string& report) {
    const ReportData data = ParseReport(report);
    Collected out;
    for (const ConfigVariable& record : data.Variables)
        out.records.push_back({record.Level, std::string(record.Name), std::string(record.Value),
                               std::string(record.Expansion), std::string(record.File),
                               record.Index});
    out.files.assign(data.ConfigFilesUsed.begin(), data.ConfigFilesUsed.end());
    out.summary.assign(data.SummaryLines.begin(), data.SummaryLines.end());
    out.skipped = data.SkippedLines;
    return out;
}

// Streams the report in blocks ending at `cuts` (ascending offsets), each block from a
// copy that is overwritten afterwards, as a reused read buffer would be.
Collected FromStream(const std::string& report, const std::vector<std::size_t>& cuts) {
    Collected out;
    CollectingSink sink(out);
    ReportStream stream(sink);
    std::size_t from = 0;
    std::string block;
    for (std::size_t cut : cuts) {
        cut = std::min(cut, report.size());
        block.assign(report, from, cut - from);
        EXPECT_TRUE(stream.feed(block));
        std::fill(block.begin(), block.end(), '\x7f');
        from = cut;
    }
    block.assign(report, from);
    EXPECT_TRUE(stream.feed(block));
    std::fill(block.begin(), block.end(), '\x7f');
    EXPECT_TRUE(stream.finish());
    out.skipped = stream.skippedLines();
    return out;
}

std::vector<std::size_t> EveryCut(std::size_t size, std::size_t step) {
    std::vector<std::size_t> cuts;
    for (std::size_t at = step; at < size; at += step)
        cuts.push_back(at);
    return cuts;
}

// Blocks that end right after each CR, so that every CR LF is split between two blocks.
std::vector<std::size_t> CutsAfterEachCr(const std::string& report) {
    std::vector<std::size_t> cuts;
    for (std::size_t at = report.find('\r'); at != std::string::npos;
         at = report.find('\r', at + 1))
        cuts.push_back(at + 1);
    return cuts;
}

std::vector<std::size_t> RandomCuts(std::size_t size, std::mt19937_64& random) {
    std::vector<std::size_t> cuts;
    std::size_t at = 0;
    while (true) {
        // Mostly short blocks, now and then long ones.
        const std::size_t most = random() % 8 == 0 ? 100'000 : 40;
        at += 1 + random() % most;
        if (at >= size)
            return cuts;
        cuts.push_back(at);
    }
}

std::vector<fs::path> FilesUnder(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Random reports from the pieces the reader reacts to, in random letter case, with line
// ends of every kind, NUL and high bytes, and lines longer than any buffer of the reader.
class HostileReports {
public:
    explicit HostileReports(std::uint64_t seed) : m_random(seed) {}

    std::string next() {
        std::string out;
        const std::size_t pieces = Size();
        for (std::size_t i = 0; i < pieces; ++i)
            AppendPiece(out);
        return out;
    }

private:
    std::size_t Size() {
        switch (m_random() % 10) {
        case 0:
            return m_random() % 4;
        case 1:
            return 2'000 + m_random() % 20'000; // crosses the reader's windows
        default:
            return 5 + m_random() % 200;
        }
    }

    std::string RandomCase(std::string_view text) {
        std::string out(text);
        for (char& c : out) {
            if (m_random() % 3 == 0 && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        }
        return out;
    }

    void AppendPiece(std::string& out) {
        static constexpr std::array<std::string_view, 39> kPieces = {
            "(site)",
            "(system)",
            "(project)",
            "(user)",
            "(appl)",
            "(predefined)",
            "(organization)",
            "(application)",
            "(workspace)",
            "(workset)",
            "(role)",
            "(x(ROLE)",
            "):",
            ")",
            "(",
            ":",
            "=",
            "[",
            "]",
            " ",
            "  ",
            "processing macro file",
            "processing macro fil",
            "rocessing macro file",
            "configuration variable summary",
            "configuration variable summar",
            "onfiguration variable summary",
            "processing  macro file",
            "x         y     z",
            "_USTN_USER",
            "_ustn_project",
            "MS_DEF",
            "c:/path/",
            "$(_USTN_SITE)",
            "\r",
            "\n",
            "\r\n",
            "\n\r",
            "site",
        };
        switch (m_random() % 12) {
        case 0:
            out += static_cast<char>(m_random() % 256); // any byte, NUL and high ones too
            return;
        case 1:
            out += "\r\n";
            return;
        case 2:
            // A line long enough to outgrow a read or scan buffer.
            if (m_random() % 200 == 0) {
                out.append(4'000 + m_random() % 40'000,
                           static_cast<char>("ab )=[ (:"[m_random() % 9]));
                return;
            }
            [[fallthrough]];
        default:
            out += RandomCase(kPieces[m_random() % kPieces.size()]);
            return;
        }
    }

    std::mt19937_64 m_random;
};

} // namespace

TEST(ReportDifferential, fixturesAndDemo_readAsReference_sameFieldsAndStreamed) {
    std::vector<fs::path> files = FilesUnder(VARSCOPE_FIXTURES);
    const std::vector<fs::path> examples = FilesUnder(VARSCOPE_EXAMPLES);
    files.insert(files.end(), examples.begin(), examples.end());
    ASSERT_GT(files.size(), 5u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const std::string report = ReadFile(file);
        EXPECT_TRUE(ReadsAsReference(report));
        const Collected whole = FromParse(report);
        EXPECT_TRUE(whole == FromStream(report, {}));
        EXPECT_TRUE(whole == FromStream(report, EveryCut(report.size(), 1)));
        EXPECT_TRUE(whole == FromStream(report, EveryCut(report.size(), 7)));
        EXPECT_TRUE(whole == FromStream(report, CutsAfterEachCr(report)));
    }
}

TEST(ReportDifferential, generatedReports_readAsReference_sameFieldsAndStreamed) {
    std::mt19937_64 random(7);
    for (const auto& [definitions, seed] : {std::pair<std::size_t, std::uint64_t>{0, 1},
                                            {1, 2},
                                            {50, 3},
                                            {2'000, 4},
                                            {30'000, varscope::bench::kDefaultSeed}}) {
        SCOPED_TRACE(definitions);
        const std::string report = varscope::bench::GenerateReport(definitions, seed);
        EXPECT_TRUE(ReadsAsReference(report));
        const Collected whole = FromParse(report);
        EXPECT_EQ(whole.records.size(), definitions);
        EXPECT_TRUE(whole == FromStream(report, RandomCuts(report.size(), random)));
        EXPECT_TRUE(whole == FromStream(report, EveryCut(report.size(), 65'536)));
    }
}

TEST(ReportDifferential, randomHostileReports_readAsReference_sameFieldsAndStreamed) {
    HostileReports reports(2026);
    std::mt19937_64 random(11);
    for (int i = 0; i < 2'000; ++i) {
        const std::string report = reports.next();
        const auto same = ReadsAsReference(report);
        ASSERT_TRUE(same) << "report " << i << " of " << report.size() << " bytes";
        const Collected whole = FromParse(report);
        ASSERT_TRUE(whole == FromStream(report, RandomCuts(report.size(), random)))
            << "report " << i;
        if (report.size() < 300) {
            ASSERT_TRUE(whole == FromStream(report, EveryCut(report.size(), 1))) << "report " << i;
        }
    }
}

TEST(ReportDifferential, lineEndsAroundBufferSizes_readAsReference_sameFieldsAndStreamed) {
    // Lines whose ends fall on, before and after the sizes a reader may read or scan in,
    // ended by CR LF, LF or a lone CR.
    for (const std::size_t size : {4'096u, 8'192u, 16'384u, 32'768u, 65'536u}) {
        for (std::size_t length = size - 3; length <= size + 2; ++length) {
            for (const std::string_view end : {"\r\n", "\n", "\r", "\r\r\n"}) {
                std::string line = "(user): LONG=";
                line.resize(length, 'v');
                const std::string report = "(site): A=1 [a]\r\n" + line + std::string(end) +
                                           "(system): B=2 [b]\r\n" + line + std::string(end) +
                                           "Configuration Variable Summary" + std::string(end) +
                                           line + std::string(end) + line;
                SCOPED_TRACE(std::to_string(length) + " " + std::to_string(end.size()));
                EXPECT_TRUE(ReadsAsReference(report));
                const Collected whole = FromParse(report);
                EXPECT_TRUE(whole == FromStream(report, EveryCut(report.size(), size)));
                EXPECT_TRUE(whole == FromStream(report, EveryCut(report.size(), length + 1)));
                EXPECT_TRUE(whole == FromStream(report, EveryCut(report.size(), 17'000)));
                EXPECT_TRUE(whole == FromStream(report, CutsAfterEachCr(report)));
            }
        }
    }
}

TEST(ReportDifferential, linesFarLongerThanAWindow_readAsReference_sameFieldsAndStreamed) {
    // A binary file without line ends is read like any report.
    std::mt19937_64 random(17);
    std::string report = "(user): FIRST=1 [1]\r\n(site): LONG=";
    for (int i = 0; i < 3'000'000; ++i)
        report += static_cast<char>('!' + random() % 90);
    report += "\r\n(appl): AFTER=2\r\n";
    report += std::string(2'000'000, 'z');
    EXPECT_TRUE(ReadsAsReference(report));
    const Collected whole = FromParse(report);
    ASSERT_EQ(whole.records.size(), 3u);
    EXPECT_TRUE(whole == FromStream(report, EveryCut(report.size(), 262'144)));
    EXPECT_TRUE(whole == FromStream(report, RandomCuts(report.size(), random)));
}

TEST(ReportDifferential, linesBeyondTheLongest_skippedCountedAndReadingGoesOn) {
    // One line at the limit is kept; longer ones, ended by CR LF, a lone CR or nothing, are
    // skipped and counted, also when a CR LF is split between blocks.
    const std::string report = "(user): A=1\r\n" + std::string(kLongestLine + 1, '(') +
                               "\r\n(site): B=2\r" + std::string(kLongestLine, 'y') +
                               "\n(user): C=" + std::string(kLongestLine - 10, 'v') + "\r" +
                               std::string(kLongestLine + 1, '=') + "\r(appl): D=4\n" +
                               std::string(kLongestLine + 1, 'z');
    EXPECT_TRUE(ReadsAsReference(report));
    const Collected whole = FromParse(report);
    ASSERT_EQ(whole.records.size(), 4u);
    EXPECT_EQ(whole.records[3].name, "D");
    EXPECT_EQ(whole.skipped, 3u);
    EXPECT_TRUE(whole == FromStream(report, EveryCut(report.size(), 1 << 20)));
    EXPECT_TRUE(whole == FromStream(report, CutsAfterEachCr(report)));
}

TEST(ReportDifferential, sinkStops_getsWhatAWholeReadingGivesUpToThere) {
    const std::string report = varscope::bench::GenerateReport(5'000, 8);
    const Collected whole = FromParse(report);
    for (const std::size_t stopAt : {1u, 17u, 2'500u, 4'999u}) {
        Collected out;
        CollectingSink collecting(out);
        // Passes everything on until the record it stops at.
        class StoppingSink final : public ReportSink {
        public:
            StoppingSink(ReportSink& next, std::size_t stopAt) : m_next(next), m_stopAt(stopAt) {}
            bool variable(const ConfigVariable& record) override {
                m_next.variable(record);
                return record.Index < m_stopAt;
            }
            bool configFile(std::string_view path) override { return m_next.configFile(path); }
            bool summaryLine(std::string_view line) override { return m_next.summaryLine(line); }

        private:
            ReportSink& m_next;
            std::size_t m_stopAt;
        } sink(collecting, stopAt);
        ReportStream stream(sink);
        bool going = true;
        for (std::size_t at = 0; at < report.size() && going; at += 3'000)
            going = stream.feed(std::string_view(report).substr(at, 3'000));
        EXPECT_FALSE(going);
        EXPECT_FALSE(stream.feed("(user): MORE=1\r\n"));
        EXPECT_FALSE(stream.finish());
        ASSERT_EQ(out.records.size(), stopAt);
        EXPECT_TRUE(std::equal(out.records.begin(), out.records.end(), whole.records.begin()));
        EXPECT_LE(out.files.size(), whole.files.size());
        EXPECT_TRUE(std::equal(out.files.begin(), out.files.end(), whole.files.begin()));
    }
}

TEST(LineScan, sse2AndPortable_markWhatEachByteAndThoseBeforeItSay) {
    namespace scan = varscope::core::scan;
    std::mt19937_64 random(5);
    using namespace std::literals;
    const std::string_view interesting = "\n\r)(=[ :]a\0\x80\xff"sv;
    constexpr std::size_t kBlocks = 9;
    std::string bytes(kBlocks * scan::kWordBytes, '\0');
    // Each bit straight from its definition, byte by byte.
    const auto expected = [&bytes](std::size_t block) {
        scan::LineMasks masks;
        const auto at = [&bytes](std::size_t i, std::size_t back, char c) {
            return i >= back && bytes[i - back] == c;
        };
        for (std::size_t bit = 0; bit < scan::kWordBytes; ++bit) {
            const std::size_t i = block * scan::kWordBytes + bit;
            const std::uint64_t mask = std::uint64_t{1} << bit;
            bool pair = false;
            for (const std::size_t gap : scan::kMarkerBlankGaps)
                pair = pair || at(i, gap, ' ');
            masks.lineEnd |= at(i, 0, '\n') || at(i, 0, '\r') ? mask : 0;
            masks.close |= at(i, 0, ')') ? mask : 0;
            masks.equals |= at(i, 0, '=') ? mask : 0;
            masks.bracket |= at(i, 0, '[') ? mask : 0;
            masks.marker |= at(i, 0, ' ') && pair ? mask : 0;
        }
        return masks;
    };
    for (const scan::Tier tier : {scan::Tier::Portable, scan::Tier::Sse2}) {
        if (!scan::Available(tier))
            continue;
        for (int i = 0; i < 1'000; ++i) {
            for (char& c : bytes)
                c = random() % 2 ? interesting[random() % interesting.size()]
                                 : static_cast<char>(random() % 256);
            std::array<scan::LineMasks, kBlocks> masks;
            scan::ClassifyWindow(tier, bytes.data(), kBlocks, masks.data());
            for (std::size_t block = 0; block < kBlocks; ++block)
                ASSERT_TRUE(masks[block] == expected(block))
                    << "tier " << static_cast<int>(tier) << " block " << block;
        }
    }
}
