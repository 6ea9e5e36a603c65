#include "core/report/report.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace varscope::core;

namespace {

std::string Crlf(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (const auto line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace

TEST(ReportParse, definitionWithExpansion_splitsNameValueExpansion) {
    const ReportData data =
        ParseReport(Crlf({"(user): MS_DEF=$(_USTN_PROJECT)dgn/ [c:/proj/dgn/]"}));
    ASSERT_EQ(data.Variables.size(), 1u);
    const ConfigVariable& v = data.Variables[0];
    EXPECT_EQ(v.Level, LevelUser);
    EXPECT_EQ(v.Name, "MS_DEF");
    EXPECT_EQ(v.Value, "$(_USTN_PROJECT)dgn/ ");
    EXPECT_EQ(v.Expansion, "c:/proj/dgn/");
    EXPECT_EQ(v.File, "");
    EXPECT_EQ(v.Index, 1u);
    EXPECT_EQ(data.SkippedLines, 0u);
}

TEST(ReportParse, definitionWithoutBracket_keepsWholeValue) {
    const ReportData data = ParseReport(Crlf({"(site): MS_CELL=$(_USTN_SITE)cell/"}));
    ASSERT_EQ(data.Variables.size(), 1u);
    EXPECT_EQ(data.Variables[0].Value, "$(_USTN_SITE)cell/");
    EXPECT_EQ(data.Variables[0].Expansion, "");
}

TEST(ReportParse, expansionWithoutClosingBracket_keepsAllOfIt) {
    const ReportData data = ParseReport("(user): A=x [c:/open\n(user): B=y [c:/two]]");
    ASSERT_EQ(data.Variables.size(), 2u);
    EXPECT_EQ(data.Variables[0].Expansion, "c:/open");
    // Only one closing bracket is removed.
    EXPECT_EQ(data.Variables[1].Expansion, "c:/two]");
}

TEST(ReportParse, nameBlanks_leadingTrimmedTrailingKept) {
    const ReportData data = ParseReport(Crlf({"(user):    _USTN_USER =c:/u/ [c:/u/]"}));
    ASSERT_EQ(data.Variables.size(), 1u);
    EXPECT_EQ(data.Variables[0].Name, "_USTN_USER ");
    // A name with a trailing blank is not _USTN_USER.
    EXPECT_FALSE(data.UserConfigFolder.has_value());
}

TEST(ReportParse, tags_ignoreCaseAndLastOfTagOrderWins) {
    const ReportData data = ParseReport(Crlf({
        "(USER): A=1",
        "(user) (predefined): B=2",
        "(appl): C=$(site)x",
        "(system env): D=4",
        "(Applications): E=5",
    }));
    ASSERT_EQ(data.Variables.size(), 5u);
    EXPECT_EQ(data.Variables[0].Level, LevelUser);
    EXPECT_EQ(data.Variables[1].Level, LevelPredefined);
    // "(appl)" comes after "(site)" in the tag order.
    EXPECT_EQ(data.Variables[2].Level, LevelApplication);
    EXPECT_EQ(data.Variables[3].Level, LevelNone);
    EXPECT_EQ(data.Variables[4].Level, LevelNone);
}

TEST(ReportParse, valueContainingSiteTag_makesSiteLine) {
    const ReportData data = ParseReport("(system env): A=(site)\n");
    ASSERT_EQ(data.Variables.size(), 1u);
    EXPECT_EQ(data.Variables[0].Level, LevelSite);
}

TEST(ReportParse, tagOnOwnLine_givesPendingLevelToNextRecordOnly) {
    const ReportData data = ParseReport(Crlf({
        "note about (project) settings",
        "(null): A=1",
        "(null): B=2",
    }));
    ASSERT_EQ(data.Variables.size(), 2u);
    EXPECT_EQ(data.Variables[0].Level, LevelProject);
    EXPECT_EQ(data.Variables[1].Level, LevelNone);
}

TEST(ReportParse, fileLines_recordedInOrderWithRepeatsAndGiveFile) {
    const ReportData data = ParseReport(Crlf({
        "(predefined): BEFORE=1",
        "Processing macro file [C:\\a\\one.cfg]",
        "(system): X=1",
        "    processing MACRO FILE [C:\\a\\two.cfg]",
        "(system): Y=2",
        "Processing macro file [C:\\a\\one.cfg]",
    }));
    ASSERT_EQ(data.ConfigFilesUsed.size(), 3u);
    EXPECT_EQ(data.ConfigFilesUsed[0], "C:\\a\\one.cfg");
    EXPECT_EQ(data.ConfigFilesUsed[1], "C:\\a\\two.cfg");
    EXPECT_EQ(data.ConfigFilesUsed[2], "C:\\a\\one.cfg");
    ASSERT_EQ(data.Variables.size(), 3u);
    EXPECT_EQ(data.Variables[0].File, "");
    EXPECT_EQ(data.Variables[1].File, "C:\\a\\one.cfg");
    EXPECT_EQ(data.Variables[2].File, "C:\\a\\two.cfg");
}

TEST(ReportParse, summary_linesAfterMarkerOnlyAndStillParsed) {
    const ReportData data = ParseReport(Crlf({
        "(user): A=1",
        "# configuration variable SUMMARY",
        "",
        "MS_DEF           : user         = c:/dgn/",
        "(user): B=2 [two]",
    }));
    ASSERT_EQ(data.SummaryLines.size(), 3u);
    EXPECT_EQ(data.SummaryLines[0], "");
    EXPECT_EQ(data.SummaryLines[1], "MS_DEF           : user         = c:/dgn/");
    EXPECT_EQ(data.SummaryLines[2], "(user): B=2 [two]");
    ASSERT_EQ(data.Variables.size(), 2u);
    EXPECT_EQ(data.Variables[1].Name, "B");
}

TEST(ReportParse, summaryMarkerMissingOrLast_leavesSummaryEmpty) {
    EXPECT_TRUE(ParseReport("(user): A=1\r\n").SummaryLines.empty());
    EXPECT_TRUE(
        ParseReport("(user): A=1\r\n# Configuration Variable Summary").SummaryLines.empty());
}

TEST(ReportParse, sameVariableTwice_twoRecordsInReportOrder) {
    const ReportData data = ParseReport(Crlf({"(site): A=1", "(user): A=2"}));
    ASSERT_EQ(data.Variables.size(), 2u);
    EXPECT_EQ(data.Variables[0].Value, "1");
    EXPECT_EQ(data.Variables[1].Value, "2");
    EXPECT_EQ(data.Variables[1].Index, 2u);
}

TEST(ReportParse, configFolders_lastRecordWinsIgnoringCase) {
    const ReportData data = ParseReport(Crlf({
        "(user): _USTN_USER=a [c:/first/]",
        "(user): _ustn_user=b [c:/second/]",
        "(user): _USTN_PROJECT=p [c:/proj/]",
    }));
    ASSERT_TRUE(data.UserConfigFolder.has_value());
    EXPECT_EQ(*data.UserConfigFolder, "c:/second/");
    EXPECT_EQ(*data.ProjectConfigFolder, "c:/proj/");
}

TEST(ReportParse, malformedLines_skippedCountedAndReadingGoesOn) {
    const ReportData data = ParseReport(Crlf({
        "(user): NOEQUALS",                  // no "=" after the colon
        "(site):",                           // ends right after "):"
        "(user): A[x]=1",                    // "[" before "="
        "Processing macro file ]C:\\x.cfg[", // "]" before "["
        "Processing macro file C:\\y.cfg",   // no brackets
        "(null): OK=1",
    }));
    EXPECT_EQ(data.SkippedLines, 5u);
    EXPECT_TRUE(data.ConfigFilesUsed.empty());
    ASSERT_EQ(data.Variables.size(), 1u);
    EXPECT_EQ(data.Variables[0].Name, "OK");
    // The malformed "(user)" line still set the pending level; "(site)" came later and
    // "(user)" after that.
    EXPECT_EQ(data.Variables[0].Level, LevelUser);
    EXPECT_EQ(data.Variables[0].Index, 1u);
}

TEST(ReportParse, fileLineThatIsADefinition_keepsTheGoodPartAndCountsOnce) {
    struct Case {
        std::string line;
        std::size_t skipped;
        std::vector<std::string_view> files;
        std::vector<std::string_view> names;
    };
    const std::vector<Case> cases = {
        {"Processing macro file [a.cfg] (user): GOOD=1", 0, {"a.cfg"}, {"GOOD"}},
        {"Processing macro file [a.cfg] (user): NOEQUALS", 1, {"a.cfg"}, {}},
        {"Processing macro file ]b.cfg[ (user): KEPT=2", 1, {}, {"KEPT"}},
        {"Processing macro file nobrackets (user): NOEQUALS", 1, {}, {}},
        {"Processing macro file ]c.cfg[ (user): A[x]=1", 1, {}, {}},
    };
    for (const Case& test : cases) {
        const ReportData data = ParseReport(Crlf({test.line}));
        EXPECT_EQ(data.SkippedLines, test.skipped) << test.line;
        EXPECT_EQ(data.ConfigFilesUsed, test.files) << test.line;
        std::vector<std::string_view> names;
        for (const ConfigVariable& record : data.Variables)
            names.push_back(record.Name);
        EXPECT_EQ(names, test.names) << test.line;
    }
}

TEST(ReportParse, lineEnds_crlfLfLoneCrAndUnterminatedLast) {
    const ReportData data = ParseReport("(user): A=1\r\n(user): B=2\n(user): C=3\r(user): D=4");
    ASSERT_EQ(data.Variables.size(), 4u);
    EXPECT_EQ(data.Variables[0].Value, "1");
    EXPECT_EQ(data.Variables[2].Value, "3");
    EXPECT_EQ(data.Variables[3].Value, "4");
}

TEST(ReportParse, emptyLinesBetweenCrs_countAsSummaryRows) {
    const ReportData data = ParseReport("Configuration Variable Summary\r\r\n\nx");
    ASSERT_EQ(data.SummaryLines.size(), 3u);
    EXPECT_EQ(data.SummaryLines[2], "x");
}

TEST(ReportParse, nulAndHighBytes_keptAsData) {
    std::string line = "(user): N\xE9=a";
    line += '\0';
    line += "b [\xFF]";
    const ReportData data = ParseReport(line);
    ASSERT_EQ(data.Variables.size(), 1u);
    EXPECT_EQ(data.Variables[0].Name, "N\xE9");
    EXPECT_EQ(data.Variables[0].Value, std::string_view("a\0b ", 4));
    EXPECT_EQ(data.Variables[0].Expansion, "\xFF");
}

TEST(ReportParse, manyDefinitions_readWholeBeyondOldLimit) {
    std::string text;
    for (int i = 0; i < 40000; ++i) {
        text += "Processing macro file [f" + std::to_string(i) + ".cfg]\r\n";
        text += "(user): V" + std::to_string(i) + "=x\r\n";
    }
    const ReportData data = ParseReport(std::move(text));
    EXPECT_EQ(data.Variables.size(), 40000u);
    EXPECT_EQ(data.ConfigFilesUsed.size(), 40000u);
    EXPECT_EQ(data.Variables.back().Name, "V39999");
    EXPECT_EQ(data.Variables.back().File, "f39999.cfg");
}

TEST(ReportParse, emptyInput_givesEmptyReport) {
    const ReportData data = ParseReport("");
    EXPECT_TRUE(data.Variables.empty());
    EXPECT_TRUE(data.ConfigFilesUsed.empty());
    EXPECT_EQ(data.SkippedLines, 0u);
}

TEST(ReportLevels, namesAndTextRoundTrip) {
    for (const ConfigLevel level : kLegendLevels) {
        const auto parsed = LevelFromText(LevelName(level));
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, level);
        EXPECT_EQ(LevelFromText(std::to_string(level)), level);
    }
    EXPECT_EQ(LevelFromText("application"), LevelApplication);
    EXPECT_EQ(LevelFromText("workset"), LevelWorkSet);
    EXPECT_FALSE(LevelFromText("3").has_value());
    EXPECT_FALSE(LevelFromText("14").has_value());
    EXPECT_FALSE(LevelFromText("Work Space").has_value());
    EXPECT_EQ(LevelName(0), "");
    EXPECT_EQ(LevelName(4), "");
}
