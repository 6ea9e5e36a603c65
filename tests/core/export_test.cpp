#include "core/export.hpp"
#include "core/report.hpp"

#include <gtest/gtest.h>

#include <string>

using namespace varscope::core;

namespace {

ConfigVariable Record(std::int16_t level) {
    ConfigVariable record;
    record.Level = level;
    record.Name = "MS_DEF";
    record.Value = "$(_USTN_PROJECT)dgn/ ";
    record.Expansion = "c:/proj/dgn/";
    record.File = "C:\\cfg\\user.ucf";
    record.Index = 1;
    return record;
}

std::string Line(const ConfigVariable& record, unsigned columns, std::string_view delimiter) {
    std::string out;
    AppendVariableLine(out, record, columns, delimiter);
    return out;
}

} // namespace

TEST(ExportVariableLine, allColumns_levelVariableValueExpansionFileWithCrLf) {
    EXPECT_EQ(Line(Record(LevelUser), AllColumns, "|"),
              "User|MS_DEF|$(_USTN_PROJECT)dgn/ |c:/proj/dgn/|C:\\cfg\\user.ucf\r\n");
}

TEST(ExportVariableLine, eachLevelCode_writesItsLegendName) {
    const std::pair<std::int16_t, std::string_view> names[] = {
        {LevelPredefined, "Predefined"},
        {LevelSystem, "System"},
        {LevelProject, "Project"},
        {LevelSite, "Site"},
        {LevelUser, "User"},
        {LevelApplication, "Application"},
    };
    for (const auto& [level, name] : names)
        EXPECT_EQ(Line(Record(level), ColumnLevel, ","), std::string(name) + ",\r\n");
}

TEST(ExportVariableLine, levelAndValueOnly_keepsTheMiddleDelimiter) {
    EXPECT_EQ(Line(Record(LevelSite), ColumnLevel | ColumnValue, "|"),
              "Site||$(_USTN_PROJECT)dgn/ \r\n");
}

TEST(ExportVariableLine, levelZeroOrNotALevel_writesNoLevelAndNoDelimiter) {
    EXPECT_EQ(Line(Record(LevelNone), ColumnLevel | ColumnVariable, "|"), "MS_DEF\r\n");
    // Codes 3 to 5 are icon indexes of the tree, not levels.
    EXPECT_EQ(Line(Record(4), ColumnLevel | ColumnVariable | ColumnFile, "|"),
              "MS_DEF|C:\\cfg\\user.ucf\r\n");
}

TEST(ExportVariableLine, withoutLevelAndVariable_beginsWithDelimiter) {
    EXPECT_EQ(Line(Record(LevelUser), ColumnExpansion | ColumnFile, ";"),
              ";c:/proj/dgn/;C:\\cfg\\user.ucf\r\n");
}

TEST(ExportVariableLine, emptyTabAndLongDelimiters_usedVerbatim) {
    const ConfigVariable record = Record(LevelUser);
    EXPECT_EQ(Line(record, AllColumns, ""),
              "UserMS_DEF$(_USTN_PROJECT)dgn/ c:/proj/dgn/C:\\cfg\\user.ucf\r\n");
    EXPECT_EQ(Line(record, AllColumns, "\t"),
              "User\tMS_DEF\t$(_USTN_PROJECT)dgn/ \tc:/proj/dgn/\tC:\\cfg\\user.ucf\r\n");
    EXPECT_EQ(Line(record, ColumnVariable | ColumnValue, " -> "),
              "MS_DEF -> $(_USTN_PROJECT)dgn/ \r\n");
}

TEST(ExportVariableLine, emptyFieldsAndBinaryBytes_writtenUnchanged) {
    ConfigVariable record;
    record.Level = LevelProject;
    record.Name = std::string_view("N\xE9\0X", 4);
    record.Value = "  ";
    std::string expected = "Project|";
    expected += std::string_view("N\xE9\0X", 4);
    expected += "|  ||\r\n";
    EXPECT_EQ(Line(record, AllColumns, "|"), expected);
}

TEST(ExportVariableLine, noColumns_writesBareLineEnd) {
    EXPECT_EQ(Line(Record(LevelUser), 0, "|"), "\r\n");
}

TEST(ExportVariableLine, appends_keepsEarlierText) {
    std::string out = "first\r\n";
    AppendVariableLine(out, Record(LevelUser), ColumnVariable, "|");
    AppendTextLine(out, "");
    AppendTextLine(out, "  summary row  ");
    EXPECT_EQ(out, "first\r\nMS_DEF\r\n\r\n  summary row  \r\n");
}

TEST(ExportColumnList, knownNames_anyCaseAnyOrderGiveFlags) {
    unsigned columns = 0;
    ASSERT_TRUE(ParseColumnList("level,variable,value,expansion,file", columns));
    EXPECT_EQ(columns, static_cast<unsigned>(AllColumns));
    ASSERT_TRUE(ParseColumnList("FILE,Level", columns));
    EXPECT_EQ(columns, static_cast<unsigned>(ColumnFile | ColumnLevel));
    ASSERT_TRUE(ParseColumnList("value,value", columns));
    EXPECT_EQ(columns, static_cast<unsigned>(ColumnValue));
}

TEST(ExportColumnList, unknownOrEmptyName_rejectedAndColumnsUnchanged) {
    for (const std::string_view bad :
         {"", "level,", ",level", "level,,value", "size", "level, value", "levels"}) {
        unsigned columns = ColumnExpansion;
        EXPECT_FALSE(ParseColumnList(bad, columns)) << bad;
        EXPECT_EQ(columns, static_cast<unsigned>(ColumnExpansion)) << bad;
    }
}
