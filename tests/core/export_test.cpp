#include "core/export/export.hpp"
#include "core/report/report.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

ConfigVariable BinaryRecord() {
    ConfigVariable record;
    record.Level = LevelProject;
    record.Name = std::string_view("N\xE9\0X", 4);
    record.Value = "  ";
    return record;
}

} // namespace

TEST(ExportVariableLine, columnsAndDelimiters_writtenAsTheFormatSays) {
    using namespace std::literals;
    const struct {
        ConfigVariable record;
        unsigned columns;
        std::string_view delimiter;
        std::string_view line;
    } cases[] = {
        {Record(LevelUser), AllColumns, "|",
         "User|MS_DEF|$(_USTN_PROJECT)dgn/ |c:/proj/dgn/|C:\\cfg\\user.ucf\r\n"},
        // Each level by its legend name; a single column stands alone, without a delimiter.
        {Record(LevelPredefined), ColumnLevel, ",", "Predefined\r\n"},
        {Record(LevelSystem), ColumnLevel, ",", "System\r\n"},
        {Record(LevelProject), ColumnLevel, ",", "Project\r\n"},
        {Record(LevelSite), ColumnLevel, ",", "Site\r\n"},
        {Record(LevelUser), ColumnLevel, ",", "User\r\n"},
        {Record(LevelApplication), ColumnLevel, ",", "Application\r\n"},
        {Record(LevelOrganization), ColumnLevel, ",", "Organization\r\n"},
        {Record(LevelWorkSpace), ColumnLevel, ",", "WorkSpace\r\n"},
        {Record(LevelWorkSet), ColumnLevel, ",", "WorkSet\r\n"},
        {Record(LevelRole), ColumnLevel, ",", "Role\r\n"},
        // A column left out in the middle keeps its delimiter.
        {Record(LevelSite), ColumnLevel | ColumnValue, "|", "Site||$(_USTN_PROJECT)dgn/ \r\n"},
        // No level, or a code that is no level (3 to 5 are icons of the tree): neither the
        // level nor its delimiter.
        {Record(LevelNone), ColumnLevel | ColumnVariable, "|", "MS_DEF\r\n"},
        {Record(4), ColumnLevel | ColumnVariable | ColumnFile, "|", "MS_DEF|C:\\cfg\\user.ucf\r\n"},
        {Record(LevelUser), ColumnExpansion | ColumnFile, ";",
         ";c:/proj/dgn/;C:\\cfg\\user.ucf\r\n"},
        {Record(LevelUser), AllColumns, "",
         "UserMS_DEF$(_USTN_PROJECT)dgn/ c:/proj/dgn/C:\\cfg\\user.ucf\r\n"},
        {Record(LevelUser), AllColumns, "\t",
         "User\tMS_DEF\t$(_USTN_PROJECT)dgn/ \tc:/proj/dgn/\tC:\\cfg\\user.ucf\r\n"},
        {Record(LevelUser), ColumnVariable | ColumnValue, " -> ",
         "MS_DEF -> $(_USTN_PROJECT)dgn/ \r\n"},
        {Record(LevelUser), 0, "|", "\r\n"},
        {Record(LevelUser), ColumnValue, "|", "$(_USTN_PROJECT)dgn/ \r\n"},
        {Record(LevelUser), ColumnFile, "|", "C:\\cfg\\user.ucf\r\n"},
        // Empty fields and any bytes, unchanged.
        {BinaryRecord(), AllColumns, "|", "Project|N\xE9\0X|  ||\r\n"sv},
    };
    for (const auto& [record, columns, delimiter, line] : cases) {
        SCOPED_TRACE(std::string(line));
        std::string appended = "first\r\n";
        AppendVariableLine(appended, record, columns, delimiter);
        EXPECT_EQ(appended, "first\r\n" + std::string(line));
        // Written into exactly the room it asks for.
        std::vector<char> room(VariableLineRoom(record, delimiter));
        const char* const end = WriteVariableLine(room.data(), record, columns, delimiter);
        ASSERT_LE(end, room.data() + room.size());
        EXPECT_EQ(std::string_view(room.data(), static_cast<std::size_t>(end - room.data())), line);
    }
}

TEST(ExportTextLine, appends_keepsEarlierText) {
    std::string out = "first\r\n";
    AppendTextLine(out, "");
    AppendTextLine(out, "  summary row  ");
    EXPECT_EQ(out, "first\r\n\r\n  summary row  \r\n");
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
