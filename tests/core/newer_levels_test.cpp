// Reports of newer versions: their level words, the level filter and the export's names.
#include "core/export/export.hpp"
#include "core/report/report.hpp"
#include "core/session.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace varscope::core;

namespace {

ReportData NewerFixture() {
    return ParseReport(
        varscope::testing::ReadTextFile(std::string(VARSCOPE_FIXTURES) + "/newer_msdebug.txt"));
}

} // namespace

TEST(NewerLevels, newerReport_everyRecordAtTheLevelItsTagNames) {
    const ReportData data = NewerFixture();
    const std::vector<std::int16_t> expected = {
        LevelPredefined,   LevelSystem,       LevelSystem,       LevelSystem,
        LevelOrganization, LevelOrganization, LevelOrganization, LevelOrganization,
        LevelApplication,  LevelWorkSpace,    LevelWorkSpace,    LevelWorkSpace,
        LevelWorkSet,      LevelWorkSet,      LevelRole,         LevelRole,
        LevelUser,         LevelUser};
    ASSERT_EQ(data.Variables.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(data.Variables[i].Level, expected[i]) << data.Variables[i].Name;
    // Indented file lines are file lines all the same.
    EXPECT_EQ(data.ConfigFilesUsed.size(), 7u);
    EXPECT_EQ(data.SkippedLines, 0u);
}

TEST(NewerLevels, tags_testedAfterTheOlderSixIgnoringCaseAsSubstrings) {
    const struct {
        std::string_view line;
        std::int16_t level;
    } cases[] = {
        {"(Application): A=1", LevelApplication},
        {"(ORGANIZATION): A=1", LevelOrganization},
        {"(workspace): A=1", LevelWorkSpace},
        {"(WorkSet): A=1", LevelWorkSet},
        {"(role): A=1", LevelRole},
        // A newer tag anywhere on the line wins over an older one, as a later tag does.
        {"(user): A=(Role)", LevelRole},
        {"(WorkSet) (predefined): A=1", LevelWorkSet},
        {"(appl) (application): A=1", LevelApplication},
        // Only the whole word in parentheses is a tag.
        {"(Organizations): A=1", LevelNone},
        {"(Work Set): A=1", LevelNone},
        {"(xrole): A=1", LevelNone},
        {"(Applicatio): A=1", LevelNone},
        // Far into a long line, where the reader looks from a ")" without bounds checks.
        {"(null): A=                     (organization)", LevelOrganization},
    };
    for (const auto& c : cases) {
        const ReportData data = ParseReport(std::string(c.line) + "\r\n");
        ASSERT_EQ(data.Variables.size(), 1u) << c.line;
        EXPECT_EQ(data.Variables[0].Level, c.level) << c.line;
    }
}

TEST(NewerLevels, levelFilterOnWorkSet_theWorkSetRecordsInReportOrder) {
    const ReportData data = NewerFixture();
    const std::vector<std::size_t> rows = FilterByLevel(data, LevelWorkSet);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(data.Variables[rows[0] - 1].Name, "MS_DEF");
    EXPECT_EQ(data.Variables[rows[1] - 1].Name, "MS_RFDIR");
    EXPECT_LT(rows[0], rows[1]);
}

TEST(NewerLevels, exportOfNewerReport_writesEachLevelsName) {
    const ReportData data = NewerFixture();
    std::string text;
    for (const ConfigVariable& record : data.Variables)
        AppendVariableLine(text, record, ColumnLevel | ColumnVariable, "|");
    for (const std::string_view line :
         {"Organization|MS_CELL\r\n", "WorkSpace|MS_RFDIR\r\n", "WorkSet|MS_DEF\r\n",
          "Role|MS_LINESTYLE\r\n", "Application|CIVIL_ROOT\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}
