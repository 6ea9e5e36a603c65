#include "core/problems/problems.hpp"
#include "core/report/final_values.hpp"
#include "core/report/references.hpp"
#include "core/report/report.hpp"
#include "tests/core/small_report.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace varscope::core;
using varscope::testing::SmallReport;
using varscope::testing::SummaryLine;

namespace {

const std::string kA = "Processing macro file [C:\\cfg\\a.cfg]";
const std::string kB = "Processing macro file [C:\\cfg\\b.cfg]";

// The check's lines of a report, with "R" for the report's path.
std::string CheckLines(const std::string& bytes, const std::vector<std::string_view>& rules = {},
                       bool notes = true) {
    const ReportData report = ParseReport(bytes);
    const FinalValues finals(report);
    const NameIndex index(report);
    std::string out;
    for (const Finding& finding : CheckReport(report, finals, index, rules, notes))
        AppendFindingLine(out, finding, "R");
    return out;
}

} // namespace

// Each rule on a report that holds its finding beside near misses that must not be found.
TEST(ProblemsTest, eachRule_findsItsCaseAndNotTheNearMisses) {
    const struct {
        std::string_view rule;
        std::string report;
        std::string lines;
    } cases[] = {
        {"undefined",
         SmallReport(
             {kA, "(user): A=$(NOWHERE)x/ [x/]", "(user): D=$(NOWHERE);${NOWHERE};$(ALSO) [;]",
              // Near misses: listed by the summary only; defined; a function.
              "(user): B=$(LISTED)y/ [y/]", "(user): C=$(A)z/ [x/z/]", "(user): E=$(dir(A)) [x/]"},
             {SummaryLine("A", "user", "x/"), SummaryLine("LISTED", "user", "l/")}),
         "C:\\cfg\\a.cfg: A: warning: refers to NOWHERE, which the report never defines; it "
         "expands to nothing [undefined]\n"
         "C:\\cfg\\a.cfg: D: warning: refers to NOWHERE, which the report never defines; it "
         "expands to nothing [undefined]\n"
         "C:\\cfg\\a.cfg: D: warning: refers to ALSO, which the report never defines; it "
         "expands to nothing [undefined]\n"},
        {"defined-later",
         SmallReport({kA, "(user): E=${LATE}e/ [e/]",
                      // Near misses: deferred; used again after it was set.
                      "(user): F=$(LATE)f/ [l/f/]", kB, "(user): LATE=l/ [l/]",
                      "(user): G=${LATE}g/ [l/g/]"}),
         "C:\\cfg\\a.cfg: E: warning: uses ${LATE} before it is defined (first in "
         "C:\\cfg\\b.cfg); it expanded to nothing here [defined-later]\n"},
        {"missing-separator",
         SmallReport({kA, "(user): DIR=C:/work/dir [C:/work/dir]",
                      "(user): X=$(DIR)dgn.v8/x [C:/work/dirdgn.v8/x]",
                      // Near misses: a separator after it; a function; a value that is no
                      // path; a path that ends in a separator; the end of the value.
                      "(user): Y=$(DIR)/dgn [C:/work/dir/dgn]",
                      "(user): Z=$(dir(DIR))dgn [C:/work/dgn]", "(user): WORD=metric [metric]",
                      "(user): W=$(WORD)x [metricx]", "(user): S=C:\\s\\ [C:\\s\\]",
                      "(user): V=$(S)x [C:\\s\\x]", "(user): U=$(DIR) [C:/work/dir]"}),
         "C:\\cfg\\a.cfg: X: warning: $(DIR) is C:/work/dir, with no separator before dgn.v8 "
         "[missing-separator]\n"},
        {"locked-change",
         SmallReport(
             {kA,
              // A change before the lock took effect; the winner; the change after it.
              "(site): LOCKED=C:/x/ [C:/x/]", "(site): LOCKED=C:/a/ [C:/a/]",
              "(user): LOCKED=C:/b/ [C:/b/]",
              // Near miss: a variable that is not locked.
              "(site): FREE=C:/a/ [C:/a/]", "(user): FREE=C:/b/ [C:/b/]"},
             {SummaryLine("FREE", "site", "C:/a/"), SummaryLine("LOCKED", "site", "C:/a/", true)}),
         "C:\\cfg\\a.cfg: LOCKED: warning: tries to change LOCKED after it was locked; it kept "
         "C:/a/ [locked-change]\n"},
        {"duplicate-entry",
         SmallReport({kA, "(user): LIST=x [x]", "(user): OTHER=x [x]", "(user): UNLISTED=x [x]"},
                     {SummaryLine("LIST", "user", "C:/a/;C:/b/;;c:\\A;C:/b;C:/a/"),
                      // Near misses: differing by more than case, and by a second slash.
                      SummaryLine("OTHER", "user", "C:/c/;C:/cc/;C:/d//;C:/d")}),
         "C:\\cfg\\a.cfg: LIST: note: lists C:/a/ twice [duplicate-entry]\n"
         "C:\\cfg\\a.cfg: LIST: note: lists C:/b/ twice [duplicate-entry]\n"},
        {"overridden",
         SmallReport({kA, "(user): S=1 [1]", "(user): S=2 [2]",
                      // Near misses: used between; the later one refers to it; appended;
                      // another level; another file.
                      "(user): T=1 [1]", "(user): U=$(T)u [1u]", "(user): T=2 [2]",
                      "(user): P=1 [1]", "(user): P=$(P);2 [1;2]", "(user): M=a/ [a/]",
                      "(user): M=a/;b/ [a/;b/]", "(system): L=1 [1]", "(user): L=2 [2]",
                      "(user): Q=1 [1]", kB, "(user): Q=2 [2]"}),
         "C:\\cfg\\a.cfg: S: note: is set again later in the same file before anything uses it "
         "[overridden]\n"},
        {"file-twice",
         SmallReport({kA, kB, "Processing macro file [c:/CFG/A.cfg]",
                      "Processing macro file [C:\\cfg\\a.cfg.bak]"}),
         "C:\\cfg\\a.cfg: -: note: was processed 2 times [file-twice]\n"},
        {"unread-lines",
         SmallReport({kA, "(user): NOEQUALS", "%include C:\\cfg\\b.cfg", "(user): A[x]=1"}),
         "R: -: note: 2 lines of the report were not understood [unread-lines]\n"},
    };
    for (const auto& test : cases) {
        EXPECT_NE(FindProblemRule(test.rule), nullptr);
        EXPECT_EQ(CheckLines(test.report, {test.rule}), test.lines) << test.rule;
    }
    EXPECT_EQ(FindProblemRule("nosuch"), nullptr);
}

TEST(ProblemsTest, order_reportOrderFileWhereFirstProcessedTableOrderWithinARecordUnreadLast) {
    const std::string report =
        SmallReport({"(user): BROKEN", kA, "(user): DIR=C:/d [C:/d]",
                     // Three rules on one record, found in the table's order.
                     "(user): X=$(DIR)x${LATE}$(NONE) [C:/dx]", kB, "(user): LATE=1 [1]", kA,
                     "(user): Y=$(NONE) []"});
    EXPECT_EQ(CheckLines(report),
              "C:\\cfg\\a.cfg: -: note: was processed 2 times [file-twice]\n"
              "C:\\cfg\\a.cfg: X: warning: refers to NONE, which the report never defines; it "
              "expands to nothing [undefined]\n"
              "C:\\cfg\\a.cfg: X: warning: uses ${LATE} before it is defined (first in "
              "C:\\cfg\\b.cfg); it expanded to nothing here [defined-later]\n"
              "C:\\cfg\\a.cfg: X: warning: $(DIR) is C:/d, with no separator before x "
              "[missing-separator]\n"
              "C:\\cfg\\a.cfg: Y: warning: refers to NONE, which the report never defines; it "
              "expands to nothing [undefined]\n"
              "R: -: note: 1 line of the report was not understood [unread-lines]\n");
    // Warnings only; then only the rules asked for.
    EXPECT_EQ(CheckLines(report, {}, false).find("note:"), std::string::npos);
    EXPECT_EQ(CheckLines(report, {"file-twice", "missing-separator"}),
              "C:\\cfg\\a.cfg: -: note: was processed 2 times [file-twice]\n"
              "C:\\cfg\\a.cfg: X: warning: $(DIR) is C:/d, with no separator before x "
              "[missing-separator]\n");
}

TEST(ProblemsTest, count_warningsAndNotesInWords) {
    const auto count = [](std::size_t warnings, std::size_t notes) {
        std::vector<Finding> findings(warnings + notes);
        for (std::size_t i = 0; i < warnings; ++i)
            findings[i].Level = Severity::Warning;
        return FindingCount(findings);
    };
    EXPECT_EQ(count(0, 0), "no problems found");
    EXPECT_EQ(count(1, 0), "1 warning");
    EXPECT_EQ(count(0, 1), "1 note");
    EXPECT_EQ(count(3, 2), "3 warnings, 2 notes");
}
