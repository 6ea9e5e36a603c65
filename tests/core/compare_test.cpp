#include "core/compare/compare.hpp"
#include "core/report/final_values.hpp"
#include "core/report/report.hpp"
#include "core/system/fileio.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace varscope::core;

namespace {

const std::string kFixtures = VARSCOPE_FIXTURES;

ReportData Read(const std::string& name) {
    ReadResult read = ReadWholeFile(kFixtures + "/" + name);
    EXPECT_TRUE(read.bytes.has_value()) << read.error;
    return ParseReport(read.bytes.value_or(std::string()));
}

ReportComparison Compare(const ReportData& oldReport, const ReportData& newReport) {
    return CompareReports(oldReport, newReport);
}

} // namespace

TEST(CompareReports, classifiesEachVariableByItsWinningRecords) {
    const ReportData oldReport = Read("compare_old_msdebug.txt");
    const ReportData newReport = Read("compare_new_msdebug.txt");
    const ReportComparison comparison = Compare(oldReport, newReport);

    const struct {
        std::string_view name;
        Difference status;
        int oldLevel; // LevelNone: no winning record on that side
        int newLevel;
        std::string_view newFinal;
    } expected[] = {
        // The definitions read the same, but a variable they use was set later, differently.
        {"CIVIL_LOG", Difference::Changed, LevelSystem, LevelSystem,
         "C:/Work/mbrown/tmp/civil.log"},
        // Defined at several levels in both; the final values agree.
        {"MS_DEF", Difference::Same, LevelUser, LevelProject, "C:/Work/"},
        {"MS_RFDIR", Difference::Changed, LevelUser, LevelUser, "C:/Work/mbrown/ref/"},
        {"NEW_ONLY", Difference::Added, LevelNone, LevelUser, "1"},
        {"OLD_ONLY", Difference::Removed, LevelSite, LevelNone, ""},
        // Defined in the second too, but undefined later there: its summary leaves it out.
        {"UNDEF_LATER", Difference::Removed, LevelSystem, LevelNone, ""},
    };
    ASSERT_EQ(comparison.Variables.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const ComparedVariable& got = comparison.Variables[i];
        SCOPED_TRACE(std::string(expected[i].name));
        EXPECT_EQ(got.Name, expected[i].name);
        EXPECT_EQ(got.Status, expected[i].status);
        EXPECT_EQ(got.Old.Index != 0 ? int(got.Old.Level) : int(LevelNone), expected[i].oldLevel);
        EXPECT_EQ(got.New.Index != 0 ? int(got.New.Level) : int(LevelNone), expected[i].newLevel);
        EXPECT_EQ(got.NewValue, expected[i].newFinal);
    }
    EXPECT_EQ(comparison.RemovedFiles,
              (std::vector<std::string_view>{"C:\\Bentley\\Workspace\\Standards\\site.cfg",
                                             "C:\\Bentley\\Workspace\\Users\\jsmith.ucf"}));
    EXPECT_EQ(comparison.AddedFiles,
              std::vector<std::string_view>{"C:\\Bentley\\Workspace\\Users\\mbrown.ucf"});
    EXPECT_TRUE(comparison.differs());
}

TEST(CompareReports, aReportAgainstItselfDiffersOnlyByAFileProcessedOnce) {
    const ReportData report = Read("compare_old_msdebug.txt");
    EXPECT_FALSE(Compare(report, report).differs());

    // The same definitions, with one more file processed first, twice.
    const std::string extra = "Processing macro file [C:\\extra.cfg]\r\n";
    const ReportData more = ParseReport(extra + extra + *report.Bytes);
    const ReportComparison comparison = Compare(report, more);
    EXPECT_TRUE(comparison.differs());
    EXPECT_TRUE(comparison.RemovedFiles.empty());
    EXPECT_EQ(comparison.AddedFiles, std::vector<std::string_view>{"C:\\extra.cfg"});
    for (const ComparedVariable& variable : comparison.Variables)
        EXPECT_EQ(variable.Status, Difference::Same) << variable.Name;
}

TEST(CompareReports, linesOfTheDifferencesThenTheFiles) {
    const ReportComparison comparison =
        Compare(Read("compare_old_msdebug.txt"), Read("compare_new_msdebug.txt"));
    std::string lines;
    AppendComparisonLines(lines, comparison, false, "|");
    EXPECT_EQ(
        lines,
        "changed|CIVIL_LOG|System|C:/Work/jsmith/tmp/"
        "civil.log|C:\\Bentley\\MicroStation\\config\\msconfig.cfg"
        "|System|C:/Work/mbrown/tmp/civil.log|C:\\Bentley\\MicroStation\\config\\msconfig.cfg\r\n"
        "changed|MS_RFDIR|User|C:/Work/jsmith/ref/|C:\\Bentley\\Workspace\\Users\\jsmith.ucf"
        "|User|C:/Work/mbrown/ref/|C:\\Bentley\\Workspace\\Users\\mbrown.ucf\r\n"
        "added|NEW_ONLY||||User|1|C:\\Bentley\\Workspace\\Users\\mbrown.ucf\r\n"
        "removed|OLD_ONLY|Site|gone|C:\\Bentley\\Workspace\\Standards\\site.cfg|||\r\n"
        "removed|UNDEF_LATER|System|1|C:\\Bentley\\MicroStation\\config\\msconfig.cfg|||\r\n"
        "removed-file|C:\\Bentley\\Workspace\\Standards\\site.cfg\r\n"
        "removed-file|C:\\Bentley\\Workspace\\Users\\jsmith.ucf\r\n"
        "added-file|C:\\Bentley\\Workspace\\Users\\mbrown.ucf\r\n");

    std::string all;
    AppendComparisonLines(all, comparison, true, "\t");
    const std::size_t second = all.find("\r\n") + 2;
    EXPECT_EQ(all.substr(second, all.find("\r\n", second) - second),
              "same\tMS_DEF\tUser\tC:/Work/\tC:\\Bentley\\Workspace\\Users\\jsmith.ucf\tProject"
              "\tC:/Work/\tC:\\Bentley\\Workspace\\Users\\mbrown.ucf");
}

TEST(CompareReports, withAReportFile_orWhyItCannotBeRead) {
    const ReportData report = Read("compare_old_msdebug.txt");
    std::string error;
    const auto compared =
        CompareWithReportFile(report, kFixtures + "/compare_new_msdebug.txt", error);
    ASSERT_TRUE(compared.has_value()) << error;
    EXPECT_EQ(compared->AddedFiles, Compare(report, Read("compare_new_msdebug.txt")).AddedFiles);

    const std::string missing = kFixtures + "/no such report.txt";
    EXPECT_FALSE(CompareWithReportFile(report, missing, error).has_value());
    EXPECT_EQ(error.rfind("Could not read the report " + missing, 0), 0u) << error;
}

TEST(CompareReports, withAFileThatHoldsNoDefinitions_saysSoNamingIt) {
    const ReportData report = Read("compare_old_msdebug.txt");
    const std::string folder = testing::TempDir();
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        {"empty.txt", ""},
        {"notes.txt", "Shopping list\r\nmilk = 2\r\n"},
        // Files processed, but no variable defined: nothing to compare a value with.
        {"files only.txt", "Processing macro file [C:\\a.cfg]\r\n"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const std::string path = folder + "/" + file.name;
        ASSERT_FALSE(WriteFileAtomically(path, file.bytes).has_value());
        std::string error;
        EXPECT_FALSE(CompareWithReportFile(report, path, error).has_value());
        EXPECT_NE(error.find("holds no variable definitions"), std::string::npos) << error;
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    // One definition is enough.
    const std::string one = folder + "/one.txt";
    ASSERT_FALSE(WriteFileAtomically(one, "(user): A=1 [1]\r\n").has_value());
    std::string error;
    EXPECT_TRUE(CompareWithReportFile(report, one, error).has_value()) << error;
}

TEST(CompareReports, linesCountedAsWritten) {
    const ReportComparison comparison =
        Compare(Read("compare_old_msdebug.txt"), Read("compare_new_msdebug.txt"));
    for (const bool all : {false, true}) {
        std::string lines;
        const std::size_t count = AppendComparisonLines(lines, comparison, all, kDiffDelimiter);
        std::size_t ends = 0;
        for (std::size_t at = lines.find("\r\n"); at != std::string::npos;
             at = lines.find("\r\n", at + 2))
            ++ends;
        EXPECT_EQ(count, ends);
        EXPECT_EQ(count, all ? 9u : 8u);
    }
}

TEST(DifferingSpan, firstAndEndsOfWhatDiffers) {
    const struct {
        std::string_view old, now;
        std::optional<DifferingSpan> span;
    } cases[] = {
        {"", "", std::nullopt},
        {"same", "same", std::nullopt},
        {"C:/Work/jsmith/ref/", "C:/Work/mbrown/ref/", DifferingSpan{8, 14, 14}},
        {"abc", "abd", DifferingSpan{2, 3, 3}},
        {"abc", "xbc", DifferingSpan{0, 1, 1}},
        // Inserted: the side without it has an empty span.
        {"ac", "abc", DifferingSpan{1, 1, 2}},
        {"abc", "ac", DifferingSpan{1, 2, 1}},
        {"", "new", DifferingSpan{0, 0, 3}},
        {"old", "", DifferingSpan{0, 3, 0}},
        // The common end does not reach back over the common beginning.
        {"aa", "aaa", DifferingSpan{2, 2, 3}},
        {"aaa", "aa", DifferingSpan{2, 3, 2}},
        {"abab", "ab", DifferingSpan{2, 4, 2}},
        // Bytes, not characters: e-acute and e-grave share their first byte.
        {"caf\xC3\xA9", "caf\xC3\xA8", DifferingSpan{4, 5, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.old) + " / " + std::string(c.now));
        const std::optional<DifferingSpan> span = FindDifferingSpan(c.old, c.now);
        EXPECT_EQ(span, c.span);
        if (!span)
            continue;
        // Independently: what lies outside the spans is equal on both sides.
        EXPECT_EQ(c.old.substr(0, span->First), c.now.substr(0, span->First));
        EXPECT_EQ(c.old.substr(span->OldEnd), c.now.substr(span->NewEnd));
    }
}

TEST(DifferingSpan, excerptKeepsTheDifferenceInSight) {
    const std::string longValue(100, 'a');
    const std::string utf8 =
        std::string(10, 'a') + "\xC3\xA9\xC3\xA9\xC3\xA9" + std::string(10, 'b');
    const struct {
        std::string_view value;
        std::size_t first;
        std::size_t limit;
        ValueExcerpt excerpt;
    } cases[] = {
        {"short", 3, 16, {0, 5}},
        {longValue, 0, 16, {0, 16}},
        // Within the first three quarters: from the start.
        {longValue, 11, 16, {0, 16}},
        // Further on: a quarter of the room before the difference.
        {longValue, 12, 16, {8, 24}},
        {longValue, 50, 16, {46, 62}},
        // Near the end: the last bytes, as many as fit.
        {longValue, 99, 16, {84, 100}},
        // Never inside a UTF-8 sequence: the start steps back, the end back too.
        {utf8, 13, 8, {10, 18}},
        {utf8, 2, 11, {0, 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + " of " + std::to_string(c.value.size()));
        const ValueExcerpt got = ExcerptAround(c.value, c.first, c.limit);
        EXPECT_EQ(got, c.excerpt) << got.Begin << ".." << got.End;
        EXPECT_LE(got.Begin, c.first);
        EXPECT_GT(got.End, std::min(c.first, c.value.size() - 1));
        EXPECT_LE(got.End - got.Begin, c.limit);
    }
}
