#include "core/report/final_values.hpp"
#include "core/report/references.hpp"
#include "core/report/report.hpp"
#include "tests/core/small_report.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using namespace varscope::core;
using varscope::testing::SmallReport;
using varscope::testing::SummaryLine;

namespace {

// "NAME" for a deferred reference, "{NAME}" for an immediate one.
std::vector<std::string> Written(std::string_view value) {
    std::vector<std::string> names;
    for (const Reference& reference : ParseReferences(value))
        names.push_back(reference.Kind == ReferenceKind::Immediate
                            ? "{" + std::string(reference.Name) + "}"
                            : std::string(reference.Name));
    return names;
}

// The tree one line per node, two blanks per depth: "NAME#record", then " repeat" for a
// repeat; "NAME later#record", "NAME not here", "NAME never"; "..." for cut children. Checks
// on the way that parents, rows and children agree, as a tree model relies on.
std::vector<std::string> Lines(const Derivation& tree) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < tree.Nodes.size(); ++i) {
        const DerivationNode& node = tree.Nodes[i];
        if (i > 0) {
            const DerivationNode& parent = tree.Nodes[node.Parent];
            EXPECT_EQ(parent.Children.at(node.Row), i);
            EXPECT_EQ(node.Depth, parent.Depth + 1);
        }
        std::string line(2 * static_cast<std::size_t>(node.Depth), ' ');
        line += node.Name;
        const std::string record = std::to_string(node.Record);
        switch (node.State) {
        case DerivationState::Defined:
            line += "#" + record;
            break;
        case DerivationState::Repeat:
            line += "#" + record + " repeat";
            break;
        case DerivationState::DefinedLater:
            line += " later#" + record;
            break;
        case DerivationState::NotDefinedHere:
            line += " not here";
            break;
        case DerivationState::NeverDefined:
            line += " never";
            break;
        case DerivationState::Elided:
            line += "...";
            break;
        }
        lines.push_back(line);
    }
    return lines;
}

const std::string kFile = "Processing macro file [C:\\cfg\\a.cfg]";

} // namespace

TEST(ReferencesTest, parse_namesInOrderOfFirstAppearanceWithTheOutermostKind) {
    const struct {
        std::string_view value;
        std::vector<std::string> names;
    } cases[] = {
        {"$(_USTN_PROJECTDATA)dgn/", {"_USTN_PROJECTDATA"}},
        {"${_USTN_SITE}cell/", {"{_USTN_SITE}"}},
        // Functions, with or without blanks before their parenthesis, are no names.
        {"$(parentdevdir(_USTN_ROOT))", {"_USTN_ROOT"}},
        {"${parentdevdir {MSDIR}}", {"{MSDIR}"}},
        {"$(first(dir($(A)), B))x/$(C)", {"A", "B", "C"}},
        // ${} inside $() takes the outer kind; $() inside ${} likewise.
        {"$(dir(${INNER}))", {"INNER"}},
        {"${X$(Y)}", {"{X}", "{Y}"}},
        // Unclosed: runs to the end of the value.
        {"$(A)/$(B;C", {"A", "B", "C"}},
        {"${OPEN", {"{OPEN}"}},
        // Names with digits; a run that starts with a digit is none.
        {"$(MS_3D_SEED2)$(2ND)$(_9)", {"MS_3D_SEED2", "_9"}},
        {"(null)", {}},
        {"", {}},
        {"C:/plain/text/", {}},
        // Each once, with the kind of its first appearance.
        {"${A};$(A);$(B);${B}", {"{A}", "B"}},
        // Text outside a reference and a $ not followed by an opening are no references.
        {"PATH_$(A)_X $B $ (C) $", {"A"}},
        {"$$(A)", {"A"}},
        // Closings of either kind count together.
        {"$(A}B)", {"A"}},
        {"$()", {}},
    };
    for (const auto& test : cases)
        EXPECT_EQ(Written(test.value), test.names) << test.value;

    // Many names, each once however often written.
    std::string many;
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
        names.push_back("N" + std::to_string(i));
        many += "$(N" + std::to_string(i) + ");$(N" + std::to_string(i / 2) + ");";
    }
    EXPECT_EQ(Written(many), names);
}

TEST(ReferencesTest, spans_theReferenceAsWrittenAndWhetherItIsJustAName) {
    const std::vector<ReferenceSpan> spans = ReferenceSpans("$(A)b/${dir(C)}$(D");
    ASSERT_EQ(spans.size(), 3U);
    EXPECT_EQ(spans[0].Text, "$(A)");
    EXPECT_EQ(spans[0].PlainName, "A");
    EXPECT_TRUE(spans[0].Closed);
    EXPECT_EQ(spans[1].Text, "${dir(C)}");
    EXPECT_EQ(spans[1].PlainName, "");
    EXPECT_EQ(spans[1].Kind, ReferenceKind::Immediate);
    EXPECT_EQ(spans[2].Text, "$(D");
    EXPECT_FALSE(spans[2].Closed);
    EXPECT_EQ(spans[2].PlainName, "");
}

TEST(ReferencesTest,
     derivation_atTheMomentAndFinalDifferExactlyWhereADeferredReferenceWasRedefined) {
    const ReportData report = ParseReport(SmallReport(
        {kFile, "(system): ROOT=C:/old/ [C:/old/]", "(system): DATA=$(ROOT)data/ [C:/old/data/]",
         "(system): COPY=${ROOT}copy/ [C:/old/copy/]",
         "(system): MS_DEF=$(DATA)dgn/;$(COPY) [C:/old/data/dgn/;C:/old/copy/]",
         "(system): ROOT=C:/new/ [C:/new/]"},
        {SummaryLine("COPY", "system", "C:/old/copy/"),
         SummaryLine("DATA", "system", "C:/new/data/"),
         SummaryLine("MS_DEF", "system", "C:/new/data/dgn/;C:/old/copy/"),
         SummaryLine("ROOT", "system", "C:/new/")}));
    const FinalValues finals(report);
    const NameIndex index(report);
    EXPECT_EQ(
        Lines(DeriveAtRecord(report, index, 4)),
        (std::vector<std::string>{"MS_DEF#4", "  DATA#2", "    ROOT#1", "  COPY#3", "    ROOT#1"}));
    // The immediate ${ROOT} keeps the definition in force when COPY was set.
    EXPECT_EQ(
        Lines(DeriveFinalValue(report, finals, index, "MS_DEF")),
        (std::vector<std::string>{"MS_DEF#4", "  DATA#2", "    ROOT#5", "  COPY#3", "    ROOT#1"}));
    EXPECT_TRUE(DeriveFinalValue(report, finals, index, "NOSUCH").Nodes.empty());
    EXPECT_TRUE(DeriveAtRecord(report, index, 0).Nodes.empty());
    EXPECT_TRUE(DeriveAtRecord(report, index, 6).Nodes.empty());
}

TEST(ReferencesTest, derivation_undefinedDefinedLaterSelfReferenceAndRepeat) {
    const ReportData report = ParseReport(SmallReport({
        kFile,
        "(user): A=$(NEVER)x/;$(LATER)y/ [x/;y/]", // 1
        "(user): PATH=$(PATH);C:/p/ [;C:/p/]",     // 2: its only record
        "(user): LATER=z/ [z/]",                   // 3
        "(user): LIST=a/ [a/]",                    // 4
        "(user): LIST=$(LIST);b/ [a/;b/]",         // 5: appends to record 4
        "(user): X=$(Y) [(null)]",                 // 6
        "(user): Y=$(X) [(null)]",                 // 7
    }));
    const FinalValues finals(report);
    const NameIndex index(report);
    EXPECT_EQ(Lines(DeriveAtRecord(report, index, 1)),
              (std::vector<std::string>{"A#1", "  NEVER never", "  LATER later#3"}));
    EXPECT_EQ(Lines(DeriveAtRecord(report, index, 2)),
              (std::vector<std::string>{"PATH#2", "  PATH not here"}));
    EXPECT_EQ(Lines(DeriveFinalValue(report, finals, index, "LIST")),
              (std::vector<std::string>{"LIST#5", "  LIST#4"}));
    // At its moment, X's reference to Y came before Y was set; in the final values the
    // two refer to each other, and the circle stops at the repeat.
    EXPECT_EQ(Lines(DeriveAtRecord(report, index, 7)),
              (std::vector<std::string>{"Y#7", "  X#6", "    Y later#7"}));
    EXPECT_EQ(Lines(DeriveFinalValue(report, finals, index, "X")),
              (std::vector<std::string>{"X#6", "  Y#7", "    X#6 repeat"}));
}

TEST(ReferencesTest, derivation_stopsAt64LevelsWithOneElidedLine) {
    // V0 refers to V1, ..., V69 refers to nothing; set from the deepest up.
    std::vector<std::string> lines{kFile, "(user): V69=end [end]"};
    for (int i = 68; i >= 0; --i)
        lines.push_back("(user): V" + std::to_string(i) + "=$(V" + std::to_string(i + 1) +
                        ") [end]");
    const ReportData report = ParseReport(SmallReport(lines));
    const NameIndex index(report);
    const Derivation tree = DeriveAtRecord(report, index, report.Variables.size());
    ASSERT_EQ(tree.Nodes.size(), 66U); // V0..V64, then "..."
    EXPECT_EQ(tree.Nodes[64].Name, "V64");
    EXPECT_EQ(tree.Nodes[64].Depth, kDerivationDepthLimit);
    EXPECT_EQ(tree.Nodes[65].State, DerivationState::Elided);
    EXPECT_EQ(tree.Nodes[65].Depth, kDerivationDepthLimit + 1);
}

TEST(ReferencesTest, derivation_aValueUsingOneVariableByManyPathsStopsAtTheNodeLimit) {
    // D0 uses L1 and R1, each of which uses D1, and so on: the tree doubles at each level,
    // 2^30 paths in all.
    std::vector<std::string> lines{kFile, "(user): D30=end [end]"};
    for (int i = 29; i >= 0; --i) {
        const std::string next = std::to_string(i + 1);
        lines.push_back("(user): L" + next + "=$(D" + next + ") [end]");
        lines.push_back("(user): R" + next + "=$(D" + next + ") [end]");
        lines.push_back("(user): D" + std::to_string(i) + "=$(L" + next + ")$(R" + next +
                        ") [endend]");
    }
    const ReportData report = ParseReport(SmallReport(lines));
    const NameIndex index(report);
    const Derivation tree = DeriveAtRecord(report, index, report.Variables.size());
    EXPECT_GE(tree.Nodes.size(), kDerivationNodeLimit);
    EXPECT_LT(tree.Nodes.size(), kDerivationNodeLimit + 100);
    EXPECT_TRUE(std::any_of(tree.Nodes.begin(), tree.Nodes.end(), [](const DerivationNode& node) {
        return node.State == DerivationState::Elided;
    }));
}

TEST(ReferencesTest, indexAndUsedBy_recordsOfANameAndThoseThatReferToIt) {
    const ReportData report = ParseReport(SmallReport({
        kFile,
        "(system): ROOT=C:/ [C:/]",               // 1
        "(system): A=$(ROOT)a/ [C:/a/]",          // 2
        "(system): root=$(ROOTS) [(null)]",       // 3: other names, other case
        "(system): ROOT=$(ROOT)b/ [C:/b/]",       // 4
        "(system): B=${dir(ROOT)};$(ROOT) [C:/]", // 5: refers once though written twice
    }));
    const NameIndex index(report);
    const std::span<const std::size_t> roots = index.records("ROOT");
    EXPECT_EQ(std::vector<std::size_t>(roots.begin(), roots.end()),
              (std::vector<std::size_t>{1, 4}));
    EXPECT_TRUE(index.records("Root").empty());
    EXPECT_EQ(index.before("ROOT", 4), 1U);
    EXPECT_EQ(index.before("ROOT", 1), 0U);
    EXPECT_EQ(index.after("ROOT", 1), 4U);
    EXPECT_EQ(index.after("ROOT", 4), 0U);
    EXPECT_EQ(index.last("ROOT"), 4U);
    EXPECT_EQ(UsedBy(report, "ROOT"), (std::vector<std::size_t>{2, 4, 5}));
    EXPECT_TRUE(UsedBy(report, "dir").empty());
}
