#include "core/report/final_values.hpp"
#include "core/report/report.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

using namespace varscope::core;

namespace {

const std::string kBanner = "#########################################";
const std::string kBlanks22(22, ' ');

// A report of definition lines without a summary.
std::string Report(std::initializer_list<std::string_view> definitions) {
    std::string out = "Processing macro file [C:\\cfg\\msconfig.cfg]\r\n";
    for (const std::string_view line : definitions)
        out.append(line).append("\r\n");
    return out;
}

// The same with a summary, with a banner around its heading and its end, as the host
// program writes it.
std::string Report(std::initializer_list<std::string_view> definitions,
                   const std::vector<std::string>& summary) {
    std::string out = Report(definitions);
    out += "\r\n\r\n" + kBanner + "\r\n# Configuration Variable Summary        \r\n#\r\n" +
           kBanner + "\r\n\r\n";
    for (const std::string& line : summary)
        out.append(line).append("\r\n");
    out +=
        "\r\n" + kBanner + "\r\n# End of Configuration Variable Summary #\r\n" + kBanner + "\r\n";
    return out;
}

struct Expected {
    std::string_view name;
    std::size_t winner; // 0: none
    bool locked;
};

} // namespace

TEST(FinalValues, winnersAndLocks_asTheSummaryAndRecordsSay) {
    const struct {
        const char* what;
        std::string report;
        std::vector<Expected> expected;
    } cases[] = {
        {"last definition wins",
         Report({"(system): A=x [x]", "(user): A=y [y]", "(user): B=same [same]",
                 "(user): B=same [same]"},
                std::vector<std::string>{"A                : user         = y  ",
                                         "B                : user         = same  "}),
         {{"A", 2, false}, {"B", 4, false}}},
        {"a locked variable whose later definitions did not take effect",
         Report({"(system): L=0 [0]", "(site): L=1 [C:/site/]", "(user): L=2 [C:/user/]"},
                std::vector<std::string>{"L                : site         = C:/site/ <Locked>"}),
         {{"L", 2, true}}},
        {"a report without summary",
         Report({"(system): A=1 [1]", "(user): B=2 [2]", "(user): A=3 [3]"}),
         {{"A", 3, false}, {"B", 2, false}}},
        {"a variable defined at three levels",
         Report(
             {"(system): MS_DEF=s [C:/s/]", "(site): MS_DEF=t [C:/t/]", "(user): MS_DEF=u [C:/u/]"},
             std::vector<std::string>{"MS_DEF           : user         = C:/u/  "}),
         {{"MS_DEF", 3, false}}},
        {"a summary value continued on a line of 22 blanks",
         Report({"(site): P=a;b; [C:/a/;C:/b/;]", "(user): P=a;b;c [C:/a/;C:/b/;C:/c/]",
                 "(user): P=d [C:/d/]"},
                std::vector<std::string>{"P                : user         = C:/a/;C:/b/;",
                                         kBlanks22 + "C:/c/ <Locked>",
                                         "Q                : user         = q  "}),
         {{"P", 2, true}, {"Q", 0, false}}},
        {"a variable the summary does not list",
         Report({"(user): GONE=1 [1]", "(user): KEPT=2 [2]"},
                std::vector<std::string>{"KEPT             : user         = 2  "}),
         {{"GONE", 0, false}, {"KEPT", 2, false}}},
        {"no record shows the final value: the last record",
         Report({"(user): A=1 [1]", "(user): A=2"},
                std::vector<std::string>{"A                : user         = 9"}),
         {{"A", 2, false}}},
        {"a summary heading without entries",
         Report({"(user): A=1 [1]"}, std::vector<std::string>{}),
         {{"A", 0, false}}},
        {"names are exact",
         Report({"(user): a=1 [1]", "(user): A =1 [1]"},
                std::vector<std::string>{"A                : user         = 1  "}),
         {{"a", 0, false}, {"A ", 0, false}, {"A", 0, false}}},
        // The two names had one 64-bit hash in the reader that the winners once keyed by.
        {"names of one old hash stay two",
         Report({"(system): MS_SEEDFILES_XYZ=s [s]", "(user): AXYWZ_OGiLOiqOKX=a [a]",
                 "(user): AXYWZ_OGiLOiqOKX=b [b]"},
                std::vector<std::string>{"MS_SEEDFILES_XYZ : system       = s  ",
                                         "AXYWZ_OGiLOiqOKX : user         = a <Locked>"}),
         {{"MS_SEEDFILES_XYZ", 1, false}, {"AXYWZ_OGiLOiqOKX", 2, true}}},
    };
    for (const auto& c : cases) {
        const ReportData data = ParseReport(c.report);
        const FinalValues finals(data);
        for (const Expected& want : c.expected) {
            const FinalVariable* variable = finals.find(want.name);
            ASSERT_NE(variable, nullptr) << c.what << ": " << want.name;
            EXPECT_EQ(variable->Winner, want.winner) << c.what << ": " << want.name;
            EXPECT_EQ(variable->Locked, want.locked) << c.what << ": " << want.name;
        }
        // The marks agree with the winners: each winner marked once, a lock on every record
        // of a locked variable.
        for (const ConfigVariable& record : data.Variables) {
            const FinalVariable* variable = finals.find(record.Name);
            ASSERT_NE(variable, nullptr);
            EXPECT_EQ(finals.isWinner(record.Index), variable->Winner == record.Index)
                << c.what << ": record " << record.Index;
            EXPECT_EQ(finals.isLocked(record.Index), variable->Locked)
                << c.what << ": record " << record.Index;
        }
    }
}

TEST(FinalValues, summaryEntries_readAsTheFormatSays) {
    const std::vector<std::string_view> lines = {
        "",
        kBanner,
        "NAME_OF_TWENTY_BYTE: WorkSet        = C:/a b/  ",
        "LONG             : user         = x;",
        "                      y;  ",
        "                      z <Locked>",
        "   indented       : user         = not an entry",
        "NO_EQUALS        : user",
        "EQUALS_FIRST = x : user = v",
        "EMPTY            : user         = ",
        "",
        "                      after a blank line: no continuation",
    };
    std::deque<std::string> joined;
    const std::vector<SummaryEntry> entries = ReadSummaryEntries(lines, joined);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].Name, "NAME_OF_TWENTY_BYTE");
    EXPECT_EQ(entries[0].FinalValue, "C:/a b/");
    EXPECT_FALSE(entries[0].Locked);
    EXPECT_EQ(entries[1].Name, "LONG");
    EXPECT_EQ(entries[1].FinalValue, "x;y;z");
    EXPECT_TRUE(entries[1].Locked);
    // The first " = " after the first ":" ends the level.
    EXPECT_EQ(entries[2].Name, "EQUALS_FIRST = x");
    EXPECT_EQ(entries[2].FinalValue, "v");
    EXPECT_EQ(entries[3].Name, "EMPTY");
    EXPECT_EQ(entries[3].FinalValue, "");
}

TEST(FinalValues, newerReport_everyListedVariablesWinnerShowsItsFinalValue) {
    const ReportData data = ParseReport(
        varscope::testing::ReadTextFile(std::string(VARSCOPE_FIXTURES) + "/newer_msdebug.txt"));
    const FinalValues finals(data);
    ASSERT_TRUE(finals.hasSummary());
    for (const SummaryEntry& entry : finals.entries()) {
        const FinalVariable* variable = finals.find(entry.Name);
        ASSERT_NE(variable, nullptr);
        ASSERT_NE(variable->Winner, 0u) << entry.Name;
        EXPECT_EQ(data.Variables[variable->Winner - 1].Expansion, entry.FinalValue) << entry.Name;
    }
    // Undefined later; locked, its later User definition not taking effect.
    EXPECT_EQ(finals.find("MS_OLDSETTING")->Winner, 0u);
    const FinalVariable* def = finals.find("MS_DEF");
    EXPECT_TRUE(def->Locked);
    EXPECT_EQ(data.Variables[def->Winner - 1].Level, LevelWorkSet);
}
