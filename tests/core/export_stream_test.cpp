// Exports written while a report streams by (what varscope-cli does) against the same
// exports made from the records table of a report read whole, byte for byte.
#include "bench/report_generator.hpp"
#include "core/export/export.hpp"
#include "core/report/pending_report.hpp"
#include "core/report/report.hpp"
#include "core/report/report_stream.hpp"
#include "core/session.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <thread>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
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

// The export from the records table: the rows the window's views list, each line as the
// export dialog appends it.
std::string FromTable(const std::string& report, const ExportView& view) {
    const ReportData data = ParseReport(report);
    std::string out;
    switch (view.rows) {
    case ExportView::Rows::Summary:
        for (const std::string_view line : data.SummaryLines)
            AppendTextLine(out, line);
        return out;
    case ExportView::Rows::Files:
        for (const std::string_view file : data.ConfigFilesUsed)
            AppendTextLine(out, file);
        return out;
    case ExportView::Rows::All:
        for (const ConfigVariable& record : data.Variables)
            AppendVariableLine(out, record, view.columns, view.delimiter);
        return out;
    case ExportView::Rows::Name:
    case ExportView::Rows::Level:
        for (const std::size_t index : view.rows == ExportView::Rows::Name
                                           ? IsolateByName(data, view.name)
                                           : FilterByLevel(data, view.level))
            AppendVariableLine(out, data.Variables[index - 1], view.columns, view.delimiter);
        return out;
    }
    return out;
}

// The export written while the report is fed in random blocks, each overwritten after use
// as a reused read buffer is.
std::string FromStream(const std::string& report, const ExportView& view, std::mt19937_64& random) {
    std::string out;
    ViewExporter exporter(view, [&out](std::string_view bytes) {
        out.append(bytes);
        return true;
    });
    ReportStream stream(exporter);
    std::string block;
    for (std::size_t at = 0; at < report.size();) {
        const std::size_t size = 1 + random() % (random() % 4 == 0 ? 200'000 : 300);
        block.assign(report, at, size);
        EXPECT_TRUE(stream.feed(block));
        std::fill(block.begin(), block.end(), '#');
        at += size;
    }
    EXPECT_TRUE(stream.finish());
    EXPECT_TRUE(exporter.finish());
    return out;
}

std::vector<ExportView> Views() {
    std::vector<ExportView> views;
    const auto add = [&views](ExportView::Rows rows, unsigned columns, std::string delimiter) {
        ExportView view;
        view.rows = rows;
        view.columns = columns;
        view.delimiter = std::move(delimiter);
        views.push_back(view);
        return &views.back();
    };
    for (const unsigned columns :
         {unsigned{AllColumns}, unsigned{ColumnLevel}, unsigned{ColumnVariable | ColumnFile},
          unsigned{ColumnValue | ColumnExpansion}, unsigned{ColumnLevel | ColumnExpansion}}) {
        for (const char* delimiter : {"|", "\t", "::", ""})
            add(ExportView::Rows::All, columns, delimiter);
    }
    add(ExportView::Rows::Summary, AllColumns, "|");
    add(ExportView::Rows::Files, AllColumns, "|");
    for (const int level : {0, 1, 2, 6, 7, 8, 9})
        add(ExportView::Rows::Level, AllColumns, "|")->level = level;
    for (const char* name : {"MS_DEF", "_USTN_USER", "A", "", "ms_def", "NO_SUCH_NAME"})
        add(ExportView::Rows::Name, AllColumns, ",")->name = name;
    return views;
}

// An export line put together piece by piece, as the export format describes it; a single
// column has no delimiter.
std::string PieceByPiece(const ConfigVariable& record, const ExportView& view) {
    std::string line;
    const bool single = view.columns != 0 && (view.columns & (view.columns - 1)) == 0;
    const std::string_view delimiter = single ? std::string_view() : view.delimiter;
    const std::string_view level = LevelName(record.Level);
    if ((view.columns & ColumnLevel) && !level.empty())
        line.append(level).append(delimiter);
    if (view.columns & ColumnVariable)
        line.append(record.Name);
    for (const auto& [column, text] :
         {std::pair{ColumnValue, record.Value}, std::pair{ColumnExpansion, record.Expansion},
          std::pair{ColumnFile, record.File}}) {
        if (view.columns & column)
            line.append(delimiter).append(text);
    }
    return line + "\r\n";
}

void ExpectSameExports(const std::string& report, std::mt19937_64& random) {
    // The lines of records that lie in the report's buffer, as the reader makes them.
    const ReportData data = ParseReport(report);
    for (const ExportView& view : Views()) {
        for (const ConfigVariable& record : data.Variables) {
            std::string line;
            AppendVariableLine(line, record, view.columns, view.delimiter);
            ASSERT_EQ(line, PieceByPiece(record, view));
        }
    }
    for (const ExportView& view : Views()) {
        SCOPED_TRACE("rows " + std::to_string(static_cast<int>(view.rows)) + " columns " +
                     std::to_string(view.columns) + " delimiter '" + view.delimiter + "' name '" +
                     view.name + "' level " + std::to_string(view.level));
        const std::string expected = FromTable(report, view);
        const std::string actual = FromStream(report, view, random);
        ASSERT_EQ(expected.size(), actual.size());
        ASSERT_TRUE(expected == actual);
    }
}

} // namespace

TEST(ExportStream, fixturesDemoAndGeneratedReports_sameBytesAsFromTheTable) {
    std::mt19937_64 random(3);
    std::vector<std::string> reports;
    for (const fs::path& folder : {fs::path(VARSCOPE_FIXTURES), fs::path(VARSCOPE_EXAMPLES)}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file())
                reports.push_back(ReadFile(entry.path()));
        }
    }
    reports.push_back(varscope::bench::GenerateReport(3'000, 9));
    // Records whose fields do not follow each other in the report: a value with '[' in
    // the name part is skipped, blanks before the name are trimmed, an expansion without
    // its ']' keeps its last byte.
    reports.push_back("(user):  A=1 [x]\r\n(site): B=2 [y\r\n(system): C=[]\r\n(appl): D=\r\n"
                      "(user): E[=1\r\n(predefined): =z [\r\nConfiguration Variable Summary\r\n"
                      "  Processing macro file [c:/a.cfg]\r\n(user): F=3 [3]");
    for (const std::string& report : reports)
        ExpectSameExports(report, random);
}

TEST(ExportStream, randomReports_sameBytesAsFromTheTable) {
    std::mt19937_64 random(17);
    const std::string_view pieces[] = {"(site)",
                                       "(user)",
                                       "(PROJECT)",
                                       "(appl)",
                                       "):",
                                       "=",
                                       "[",
                                       "]",
                                       " ",
                                       "\r\n",
                                       "\n",
                                       "\r",
                                       "A",
                                       "MS_DEF",
                                       "processing macro file",
                                       "configuration variable summary"};
    for (int i = 0; i < 150; ++i) {
        std::string report;
        const std::size_t count = random() % 400;
        for (std::size_t k = 0; k < count; ++k)
            report += pieces[random() % std::size(pieces)];
        ExpectSameExports(report, random);
    }
}

TEST(ExportStream, writeFails_readingStopsAndFinishFails) {
    ExportView view;
    int writes = 0;
    ViewExporter exporter(view, [&writes](std::string_view) {
        ++writes;
        return false;
    });
    ReportStream stream(exporter);
    // More than a block of export lines, so the first block is written while reading.
    const std::string report = varscope::bench::GenerateReport(20'000, 4);
    EXPECT_FALSE(stream.feed(report));
    EXPECT_FALSE(stream.feed("(user): MORE=1\r\n"));
    EXPECT_FALSE(stream.finish());
    EXPECT_FALSE(exporter.finish());
    EXPECT_EQ(writes, 1);
}

TEST(ExportStream, lineLongerThanABlock_writtenWhole) {
    ExportView view;
    view.rows = ExportView::Rows::Summary;
    std::string out;
    ViewExporter exporter(view, [&out](std::string_view bytes) {
        out.append(bytes);
        return true;
    });
    ReportStream stream(exporter);
    const std::string longLine(3'000'000, 'x');
    EXPECT_TRUE(stream.feed("Configuration Variable Summary\r\nshort\r\n" + longLine + "\r\nend"));
    EXPECT_TRUE(stream.finish());
    EXPECT_TRUE(exporter.finish());
    EXPECT_EQ(out, "short\r\n" + longLine + "\r\nend\r\n");
}

namespace {

// A report in a file of a temporary folder, removed afterwards.
class ReportFile {
public:
    explicit ReportFile(const std::string& bytes) {
        // Test programs run side by side: a random part keeps their files apart.
        static const std::string run = std::to_string(std::random_device{}());
        static int made = 0;
        m_path = fs::temp_directory_path() /
                 ("varscope-export-stream-" + run + "-" + std::to_string(++made) + ".txt");
        std::ofstream(m_path, std::ios::binary) << bytes;
    }
    ~ReportFile() {
        std::error_code ignored;
        fs::remove(m_path, ignored);
    }
    std::string path() const { return m_path.string(); }

private:
    fs::path m_path;
};

std::string FromFile(const std::string& path, const ExportView& view) {
    std::string out;
    const ExportOutcome outcome = ExportReportFile(path, view, [&out](std::string_view bytes) {
        out.append(bytes);
        return true;
    });
    EXPECT_TRUE(outcome.readError.empty()) << outcome.readError;
    EXPECT_TRUE(outcome.written);
    return out;
}

} // namespace

TEST(ExportStream, reportFiles_sameBytesAsFromTheTable) {
    // Blocks of the file are read 256 KB at a time: line ends on and around their edges,
    // CR LF split by them, lines longer than several blocks, a last line without end.
    std::vector<std::string> reports = {"", "(user): A=1", "x\r", "\r\n\r\n",
                                        varscope::bench::GenerateReport(4'000, 21)};
    const std::size_t edge = 262'144;
    for (std::size_t shift = 0; shift < 4; ++shift) {
        std::string report = "Processing macro file [c:/a.cfg]\r\n";
        while (report.size() + 40 < edge - shift)
            report += "(site): N=v [e]\r\n";
        report.resize(edge - shift, 'v');
        report += "\r\n(user): AFTER=1 [x]\r\n";
        reports.push_back(report);
        // One line as long as the blocks before the edge, its CR LF on the edge.
        std::string longLine = "Configuration Variable Summary\r\n(user): L=";
        longLine.resize(edge - 1 - shift, 'w');
        reports.push_back(longLine + "\r\n(site): S=1\r\n" + longLine + "\r" + longLine);
    }
    std::string longLines = "Processing macro file [c:/b.cfg]\n(user): LONG=";
    longLines.append(300'000, 'x');
    longLines += " [y]\r\n(appl): NEXT=2\r";
    longLines.append(200'000, '(');
    reports.push_back(longLines);
    for (const std::string& report : reports) {
        const ReportFile file(report);
        for (const ExportView& view : Views()) {
            const std::string expected = FromTable(report, view);
            ASSERT_TRUE(FromFile(file.path(), view) == expected)
                << "report of " << report.size() << " bytes";
        }
    }
}

TEST(ExportStream, reportFileMissingOrFolder_saysWhyAndWritesNothing) {
    const fs::path folder = fs::temp_directory_path();
    for (const std::string& path :
         {(folder / "varscope-no-such-report.txt").string(), folder.string()}) {
        bool wrote = false;
        const ExportOutcome outcome =
            ExportReportFile(path, ExportView{}, [&wrote](std::string_view) {
                wrote = true;
                return true;
            });
        EXPECT_NE(outcome.readError.find(path), std::string::npos) << outcome.readError;
        EXPECT_FALSE(wrote);
    }
}

TEST(ExportStream, reportFileWriteFails_readingStops) {
    const ReportFile file(varscope::bench::GenerateReport(20'000, 5));
    int writes = 0;
    const ExportOutcome outcome =
        ExportReportFile(file.path(), ExportView{}, [&writes](std::string_view) {
            ++writes;
            return false;
        });
    EXPECT_TRUE(outcome.readError.empty());
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(writes, 1);
}

TEST(ExportStream, reportFileCutShortWhileRead_exportsWhatItHeld) {
    // Another program writes a new report over the one being read.
    const std::string report = varscope::bench::GenerateReport(30'000, 2);
    const ReportFile file(report);
    const std::size_t kept = report.size() / 3;
    std::string out;
    const ExportOutcome outcome =
        ExportReportFile(file.path(), ExportView{}, [&](std::string_view bytes) {
            // The first 1 MB of lines comes before the reading has reached the cut.
            if (out.empty())
                fs::resize_file(file.path(), kept);
            out.append(bytes);
            return true;
        });
    EXPECT_TRUE(outcome.readError.empty()) << outcome.readError;
    EXPECT_TRUE(outcome.written);
    EXPECT_TRUE(out == FromTable(report.substr(0, kept), ExportView{}));
}

#ifndef _WIN32
TEST(ExportStream, pipe_sameExportAsTheFile) {
    const std::string report = varscope::bench::GenerateReport(8'000, 13);
    const ReportFile file(report);
    const std::string pipe = file.path() + ".pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << report; });
    const std::string fromPipe = FromFile(pipe, ExportView{});
    writer.join();
    fs::remove(pipe);
    EXPECT_TRUE(fromPipe == FromTable(report, ExportView{}));
}
#endif

TEST(ReportFiles, utf16_refusedByBothReadingsSayingSo) {
    using namespace std::literals;
    // "(user): A=1" and a line end, as Notepad's "Unicode" writes it, in each byte order.
    std::string little;
    std::string big;
    for (const char c : "(user): A=1 [c:/a/]\r\n(site): B=2\r\n(site): C=3\r\n"sv) {
        little += {c, '\0'};
        big += {'\0', c};
    }
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"little-endian with a mark", "\xFF\xFE"s + little},
        {"big-endian with a mark", "\xFE\xFF"s + big},
        {"little-endian without a mark", little},
        {"big-endian without a mark", big},
        {"a mark alone", "\xFF\xFE"s},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        const ReportFile file(bytes);
        bool wrote = false;
        const ExportOutcome outcome =
            ExportReportFile(file.path(), ExportView{}, [&wrote](std::string_view) {
                wrote = true;
                return true;
            });
        EXPECT_TRUE(outcome.utf16);
        EXPECT_EQ(outcome.readError, file.path() + std::string(kUtf16Refusal));
        EXPECT_FALSE(wrote);
        const ReportReading whole = ReadReport(file.path());
        EXPECT_TRUE(whole.utf16);
        EXPECT_FALSE(whole.report.has_value());
        EXPECT_EQ(whole.error, outcome.readError);
    }
}

TEST(ReportFiles, nulBytesNotInEveryOtherPlace_readAsAReport) {
    using namespace std::literals;
    // A report with NUL bytes here and there, and text too short to tell.
    for (const std::string& bytes :
         {"(user): A=\0\0x\0\r\n(site): B=2 [\0]\r\n(site): C=3\r\n(user): D=4\r\n"s,
          "(\0u\0s\0e\0r\0)\0:\0 \0A\0=\0\x31\0"s, ""s}) {
        const ReportFile file(bytes);
        const ReportReading whole = ReadReport(file.path());
        ASSERT_TRUE(whole.report.has_value()) << whole.error;
        EXPECT_EQ(whole.report->Variables.size(), ParseReport(bytes).Variables.size());
        EXPECT_FALSE(whole.utf16);
        EXPECT_TRUE(FromFile(file.path(), ExportView{}) == FromTable(bytes, ExportView{}));
    }
}

TEST(ReportFiles, linesBeyondTheLongest_droppedWhileReadWholeAndCounted) {
    // Longer than the file reader's blocks, so that lines are dropped across them, ended by
    // CR LF (also split between blocks), a lone CR, LF or nothing.
    constexpr std::size_t kLongest = 300'000;
    constexpr std::size_t kBlock = 256 << 10;
    std::string report = "(user): A=1\r\n" + std::string(kLongest + 1, '(') + "\r\n(site): B=2\r";
    report += std::string(kBlock - report.size() % kBlock - 1, 'y') + "\r\n(user): C=3\r";
    // From here on every line is a summary line, an empty one too.
    report += "Configuration Variable Summary\r\n";
    // The CR of this line's CR LF is the last byte of a block.
    const std::size_t equals =
        3 * kLongest + (kBlock - 1 - (report.size() + 3 * kLongest) % kBlock);
    report += std::string(equals, '=') + "\r\n(appl): D=4\n" + std::string(kLongest, 'v');
    report += "\r" + std::string(2 * kLongest, 'z');
    const ReportFile file(report);
    const ReportReading whole = ReadReport(file.path(), kLongest);
    ASSERT_TRUE(whole.report.has_value()) << whole.error;
    const ReportData expected = ParseReport(report, kLongest);
    ASSERT_EQ(whole.report->Variables.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(whole.report->Variables[i].Name, expected.Variables[i].Name);
        EXPECT_EQ(whole.report->Variables[i].Value, expected.Variables[i].Value);
    }
    EXPECT_EQ(whole.report->SkippedLines, expected.SkippedLines);
    EXPECT_EQ(whole.report->SkippedLines, 3u);
    ASSERT_EQ(whole.report->SummaryLines.size(), 2u);
    EXPECT_EQ(whole.report->SummaryLines, expected.SummaryLines);
    // Only the kept lines are held, and at most one line past the longest.
    EXPECT_LT(whole.report->Bytes->size(), report.size() - 3 * kLongest);
}
