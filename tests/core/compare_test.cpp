#include "core/compare/compare.hpp"
#include "core/report/final_values.hpp"
#include "core/report/report.hpp"
#include "core/system/fileio.hpp"

#include <gtest/gtest.h>

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
    EXPECT_EQ(error.rfind("Could not read " + missing, 0), 0u) << error;
}
