#include "core/category/catalogue_edits.hpp"
#include "core/category/category_tree.hpp"
#include "core/report/report.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace varscope::core;
namespace fs = std::filesystem;

namespace {

const std::string kRealistic = std::string(VARSCOPE_FIXTURES) + "/realistic_msdebug.txt";

using varscope::testing::TempFolder;

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

CatalogueCategory Category(std::string name, std::vector<CatalogueMember> members) {
    return CatalogueCategory{std::move(name), std::move(members)};
}

std::string Names(const Catalogue& catalogue) {
    std::string out;
    for (const CatalogueCategory& category : catalogue.categories)
        out += category.name + ";";
    return out;
}

// The tree in node order: kind letter, image, parent, record, text.
std::string Nodes(const CategoryTree& tree) {
    std::string out;
    for (const CategoryNode& node : tree.nodes) {
        out += node.kind == CategoryNodeKind::Category ? 'C'
               : node.kind == CategoryNodeKind::Member ? 'M'
                                                       : 'V';
        out += std::to_string(node.image) + " " + std::to_string(node.parent) + " " +
               std::to_string(node.record) + " " + std::string(tree.text(node)) + "\n";
    }
    return out;
}

ReportData Realistic() {
    return ParseReport(varscope::testing::ReadTextFile(kRealistic));
}

} // namespace

TEST(CategoryFile, readers_takeNodeAndMemberLinesAsWritten) {
    struct Case {
        const char* what;
        std::string bytes;
        Catalogue expected;
    };
    const Case cases[] = {
        {"two members in line order",
         "[node=Plot]\r\nPens=MS_PENTABLE\r\nSeeds=MS_SEEDFILES\r\n",
         {{Category("Plot", {{"Pens", "MS_PENTABLE"}, {"Seeds", "MS_SEEDFILES"}})}}},
        {"a second = belongs to the variable",
         "[node=A]\r\nd=X=Y\r\n",
         {{Category("A", {{"d", "X=Y"}})}}},
        {"capital and indented node lines, name up to the first ]",
         "[NODE=Big]\r\n \t[Node=In]side]\r\nd=v\r\n",
         {{Category("Big", {}), Category("In", {{"d", "v"}})}}},
        {"= alone is the placeholder", "[node=New]\r\n=\r\n", {{Category("New", {{"", ""}})}}},
        {"blank lines and lines without = carry nothing",
         "\r\n[node=A]\r\n\r\nd=v\r\nnothing here\r\n\r\n[node=B]\r\n\r\n",
         {{Category("A", {{"d", "v"}}), Category("B", {})}}},
        {"members before the first node line are ignored",
         "x=y\r\n=\r\n[node=A]\r\n",
         {{Category("A", {})}}},
        {"blanks are kept", "[node= A ]\r\n d = v \r\n", {{Category(" A ", {{" d ", " v "}})}}},
        {"a node line without ] names up to the line end, and reading goes on",
         "[node=A]\r\na=1\r\n[node=Broken = x\r\nb=2\r\n[node=C]\r\nc=3\r\n",
         {{Category("A", {{"a", "1"}}), Category("Broken = x", {{"b", "2"}}),
           Category("C", {{"c", "3"}})}}},
        {"LF line ends, mixed ones and a last line without one",
         "[node=A]\na=1\r\nb=2\n[node=B]\r\nc=3",
         {{Category("A", {{"a", "1"}, {"b", "2"}}), Category("B", {{"c", "3"}})}}},
        {"CR alone ends a line too, and CR CR LF is an empty line between two",
         "[node=A]\ra=1\rb=2\r\r\n[node=B]\rc=3\r",
         {{Category("A", {{"a", "1"}, {"b", "2"}}), Category("B", {{"c", "3"}})}}},
        {"an empty file", "", {}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        EXPECT_EQ(ParseCatalogue(test.bytes), test.expected);
        CategoryListing expected;
        for (const CatalogueCategory& category : test.expected.categories) {
            expected.categoryNames.push_back(category.name);
            for (const CatalogueMember& member : category.members)
                expected.members.push_back({category.name, member.description, member.variable});
        }
        const CategoryListing listing = ParseCategoryListing(test.bytes);
        EXPECT_EQ(listing.categoryNames, expected.categoryNames);
        ASSERT_EQ(listing.members.size(), expected.members.size());
        for (std::size_t i = 0; i < expected.members.size(); ++i) {
            EXPECT_EQ(listing.members[i].category, expected.members[i].category);
            EXPECT_EQ(listing.members[i].description, expected.members[i].description);
            EXPECT_EQ(listing.members[i].variable, expected.members[i].variable);
        }
    }
}

TEST(CategoryFile, unreadableFiles_readAsEmpty) {
    TempFolder folder;
    for (const std::string& path : {folder.file("missing.txt"), folder.file(""), std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(LoadCatalogue(path).catalogue.categories.empty());
        EXPECT_TRUE(ReadCategoryListing(path).categoryNames.empty());
    }
}

TEST(CategoryFile, unicodeOrNulBytes_saySoAndAreNeverSavedOver) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string_view says; // besides the path and how to convert the file
    };
    const std::string utf16le("\xFF\xFE[\0n\0o\0d\0e\0=\0A\0]\0\r\0\n\0", 22);
    const std::string utf16be("\xFE\xFF\0[\0n\0o\0d\0e\0=\0A\0]\0\r\0\n", 22);
    const Case cases[] = {
        {"UTF-16, low byte first", utf16le, "UTF-16"},
        {"UTF-16, high byte first", utf16be, "UTF-16"},
        {"a NUL byte among the lines", std::string("[node=A]\r\na=1\0\r\n", 15), "NUL"},
    };
    TempFolder folder;
    const std::string path = folder.file("DebugCategory.Txt");
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        WriteBytes(path, test.bytes);
        const CategoryListing listing = ReadCategoryListing(path);
        ASSERT_TRUE(listing.problem.has_value());
        EXPECT_TRUE(listing.categoryNames.empty());
        for (const std::string_view part : {std::string_view(path), test.says,
                                            std::string_view("Notepad"), std::string_view("UTF-8")})
            EXPECT_NE(listing.problem->find(part), std::string::npos) << *listing.problem;

        EditedCatalogue edited;
        EXPECT_EQ(edited.load(path), listing.problem);
        edited.addCategory("New");
        edited.addMember(1, {"d", "X"});
        EXPECT_EQ(edited.save(path), listing.problem);
        EXPECT_TRUE(edited.unsavedChanges());
        EXPECT_EQ(varscope::testing::ReadTextFile(path), test.bytes);
        // A new file chosen in its place is the user's to write.
        edited.startAfresh();
        edited.addCategory("New");
        EXPECT_EQ(edited.save(path), std::nullopt);
        EXPECT_EQ(ReadCategoryListing(path).problem, std::nullopt);
    }
    EXPECT_EQ(CategoryFileProblem("[node=A]\r\n\xFF\xFE=x\r\n", path), std::nullopt);
}

TEST(CategoryFile, fileText_hasTheProfileWritersShape) {
    struct Case {
        const char* what;
        Catalogue catalogue;
        std::string expected;
    };
    const Case cases[] = {
        {"sections in order, entries in order",
         {{Category("A", {{"a", "1"}, {"b", "2"}}), Category("B", {{"c", "3"}})}},
         "[node=A]\r\na=1\r\nb=2\r\n[node=B]\r\nc=3\r\n"},
        {"a repeated key, any case, replaces the value in place",
         {{Category("A", {{"Pen", "1"}, {"x", "2"}, {"PEN", "3"}})}},
         "[node=A]\r\nPen=3\r\nx=2\r\n"},
        {"a repeated section, any case, takes entries after its last one",
         {{Category("A", {{"a", "1"}}), Category("B", {{"b", "2"}}),
           Category("a", {{"c", "3"}, {"A", "4"}})}},
         "[node=A]\r\na=4\r\nc=3\r\n[node=B]\r\nb=2\r\n"},
        {"a category without members is left out",
         {{Category("Empty", {}), Category("B", {{"b", "2"}})}},
         "[node=B]\r\nb=2\r\n"},
        {"the placeholder is = alone", {{Category("New", {{"", ""}})}}, "[node=New]\r\n=\r\n"},
        {"nothing is trimmed", {{Category(" A ", {{" d ", " v "}})}}, "[node= A ]\r\n d = v \r\n"},
        {"an empty catalogue", {}, ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        EXPECT_EQ(CatalogueFileText(test.catalogue), test.expected);
    }
}

TEST(CategoryFile, save_roundTripsThroughTheFile) {
    TempFolder folder;
    const std::string path = folder.file("DebugCategory.Txt");
    const Catalogue catalogues[] = {
        {},
        {{Category("Plot", {{"Pens", "MS_PENTABLE"}, {"Seeds", "MS_SEEDFILES"}}),
          Category("New", {{"", ""}}), Category(" Blank ", {{" d ", "X=Y "}}),
          Category("Same member elsewhere", {{"Pens", "MS_PENTABLE"}})}},
        {{Category("Only the placeholder", {{"", ""}})}},
    };
    for (const Catalogue& catalogue : catalogues) {
        SCOPED_TRACE(Names(catalogue));
        ASSERT_EQ(SaveCatalogue(catalogue, path), std::nullopt);
        EXPECT_EQ(LoadCatalogue(path).catalogue, catalogue);
        EXPECT_EQ(varscope::testing::ReadTextFile(path), CatalogueFileText(catalogue));
    }
}

TEST(CategoryFile, save_refusesWhatWouldBeMerged_andLeavesTheFile) {
    struct Case {
        const char* what;
        Catalogue catalogue;
        std::optional<std::string> refusal;
    };
    const Case cases[] = {
        {"categories equal ignoring case",
         {{Category("Plot", {{"a", "1"}}), Category("B", {{"b", "2"}}),
           Category("PLOT", {{"c", "3"}})}},
         "These would be merged when saved: categories \"Plot\" and \"PLOT\""},
        {"one of them without members",
         {{Category("Plot", {{"a", "1"}}), Category("plot", {})}},
         std::nullopt},
        {"members of one category",
         {{Category("A", {{"Pen", "1"}, {"x", "2"}, {"pen", "3"}, {"PEN", "4"}})}},
         "These would be merged when saved: members \"Pen\", \"pen\" and \"PEN\" of \"A\""},
        {"the same description in two categories",
         {{Category("A", {{"d", "1"}}), Category("B", {{"D", "2"}})}},
         std::nullopt},
        {"placeholders", {{Category("A", {{"", ""}, {"", ""}})}}, std::nullopt},
        {"an empty description with a variable",
         {{Category("A", {{"", "X"}, {"", ""}})}},
         "These would be merged when saved: members \"\" and \"\" of \"A\""},
        {"both kinds",
         {{Category("A", {{"d", "1"}, {"D", "2"}}), Category("a", {{"e", "3"}})}},
         "These would be merged when saved: categories \"A\" and \"a\"; members \"d\" and "
         "\"D\" of \"A\""},
    };
    TempFolder folder;
    const std::string path = folder.file("DebugCategory.Txt");
    const std::string old = "[node=Old]\r\nkept=X\r\n";
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        EXPECT_EQ(MergeRefusal(test.catalogue), test.refusal);
        WriteBytes(path, old);
        EXPECT_EQ(SaveCatalogue(test.catalogue, path), test.refusal);
        EXPECT_EQ(varscope::testing::ReadTextFile(path),
                  test.refusal ? old : CatalogueFileText(test.catalogue));
    }
}

TEST(CategoryFile, failedSave_saysWhyAndKeepsTheOldFile) {
    TempFolder folder;
    const std::string readOnly = folder.file("ReadOnly.Txt");
    const std::string old = "[node=Old]\r\nkept=X\r\n";
    WriteBytes(readOnly, old);
    fs::permissions(readOnly, fs::perms::owner_read);
    WriteBytes(folder.file("file"), "");
    const std::string missingFolder = folder.file("missing") + "/Cat.Txt";
    const std::string folderIsAFile = folder.file("file") + "/Cat.Txt";
    const Catalogue catalogue{{Category("A", {{"a", "1"}})}};
    for (const std::string& path : {readOnly, missingFolder, folderIsAFile, std::string()}) {
        SCOPED_TRACE(path);
        const auto failure = SaveCatalogue(catalogue, path);
        ASSERT_TRUE(failure.has_value());
        const std::string prefix = "Could not save " + path + ": ";
        ASSERT_GT(failure->size(), prefix.size()) << *failure;
        EXPECT_EQ(failure->substr(0, prefix.size()), prefix);
        // The reason does not name the file a second time.
        if (!path.empty()) {
            EXPECT_EQ(failure->find(path, prefix.size()), std::string::npos) << *failure;
        }
    }
    EXPECT_EQ(varscope::testing::ReadTextFile(readOnly), old);
    EXPECT_FALSE(fs::exists(missingFolder));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.file("")), fs::directory_iterator()), 2);
}

TEST(CategoryManager, moveOrDelete_changesOrderAndSelection) {
    struct Case {
        CategoryMove move;
        std::size_t position;
        std::string names;
        bool changed;
        std::size_t selected;
    };
    const Case cases[] = {
        {CategoryMove::Up, 2, "B;A;C;", true, 1},      {CategoryMove::Up, 1, "A;B;C;", false, 1},
        {CategoryMove::Down, 2, "A;C;B;", true, 3},    {CategoryMove::Down, 3, "A;B;C;", false, 3},
        {CategoryMove::Delete, 2, "A;C;", true, 1},    {CategoryMove::Delete, 1, "B;C;", true, 1},
        {CategoryMove::Delete, 0, "A;B;C;", false, 0}, {CategoryMove::Up, 4, "A;B;C;", false, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(test.move)) + " at " +
                     std::to_string(test.position));
        Catalogue catalogue{{Category("A", {{"a", "1"}}), Category("B", {}), Category("C", {})}};
        const MoveOutcome outcome = MoveOrDeleteCategory(catalogue, test.move, test.position);
        EXPECT_EQ(Names(catalogue), test.names);
        EXPECT_EQ(outcome.changed, test.changed);
        EXPECT_EQ(outcome.selected, test.selected);
    }
    Catalogue only{{Category("A", {})}};
    EXPECT_EQ(MoveOrDeleteCategory(only, CategoryMove::Delete, 1).selected, 0u);
    EXPECT_TRUE(only.categories.empty());
}

TEST(CategoryManager, membersAdded_replaceThePlaceholder_andDeletedByPosition) {
    Catalogue catalogue;
    EXPECT_EQ(AddCategory(catalogue, ""), 0u);
    ASSERT_EQ(AddCategory(catalogue, "New"), 1u);
    CatalogueCategory& category = catalogue.categories.front();
    EXPECT_EQ(category.members, std::vector<CatalogueMember>{{}});
    EXPECT_EQ(AddMember(category, {"a", "1"}), 1u);
    EXPECT_EQ(AddMember(category, {"b", "2"}), 2u);
    EXPECT_EQ(AddMember(category, {"c", "3"}), 3u);
    EXPECT_EQ(AddMember(category, {"d", "4"}), 4u);
    DeleteMembers(category, {3, 1, 9});
    EXPECT_EQ(category.members, (std::vector<CatalogueMember>{{"b", "2"}, {"d", "4"}}));
    DeleteMembers(category, {1, 2});
    EXPECT_TRUE(category.members.empty());
    EXPECT_EQ(AddMember(category, {"e", "5"}), 1u);
}

TEST(CategoryManager, everyEditSetsTheUnsavedFlag_onlyLoadSaveAndAfreshClearIt) {
    TempFolder folder;
    const std::string path = folder.file("cat.txt");
    WriteBytes(path, "[node=A]\r\na=1\r\nb=2\r\n[node=B]\r\nc=3\r\n");
    using Edit = std::function<void(EditedCatalogue&)>;
    struct Case {
        const char* name;
        Edit edit;
        bool unsaved;
    };
    const Case cases[] = {
        {"add category", [](EditedCatalogue& c) { c.addCategory("C"); }, true},
        {"add no category", [](EditedCatalogue& c) { c.addCategory(""); }, false},
        {"move up", [](EditedCatalogue& c) { c.moveOrDelete(CategoryMove::Up, 2); }, true},
        {"move past the end", [](EditedCatalogue& c) { c.moveOrDelete(CategoryMove::Down, 2); },
         false},
        {"delete category", [](EditedCatalogue& c) { c.moveOrDelete(CategoryMove::Delete, 1); },
         true},
        {"add member",
         [](EditedCatalogue& c) {
             c.addMember(2, {"d", "4"});
         },
         true},
        {"delete members", [](EditedCatalogue& c) { c.deleteMembers(1, {2}); }, true},
        {"delete no member", [](EditedCatalogue& c) { c.deleteMembers(1, {}); }, false},
        {"start afresh",
         [](EditedCatalogue& c) {
             c.addMember(2, {"d", "4"}), c.startAfresh();
         },
         false},
        {"reload",
         [](EditedCatalogue& c) {
             c.addMember(2, {"d", "4"}), c.load("nowhere");
         },
         false},
        // A later step that changes nothing keeps the earlier edit.
        {"add member, then a move that changes nothing",
         [](EditedCatalogue& c) {
             c.addMember(1, {"d", "4"});
             c.moveOrDelete(CategoryMove::Up, 1);
             c.deleteMembers(2, {7});
         },
         true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EditedCatalogue edited;
        edited.load(path);
        test.edit(edited);
        EXPECT_EQ(edited.unsavedChanges(), test.unsaved);
    }
}

TEST(CategoryManager, savingTheEdits_writesThemAndClearsTheFlag_aFailureKeepsBoth) {
    TempFolder folder;
    const std::string path = folder.file("cat.txt");
    EditedCatalogue edited;
    edited.load(path);
    ASSERT_EQ(edited.addCategory("A"), 1u);
    edited.addMember(1, {"a", "1"});
    edited.moveOrDelete(CategoryMove::Up, 1);
    EXPECT_EQ(
        edited.save(folder.file("missing") + "/cat.txt").value_or("").rfind("Could not save ", 0),
        0u);
    EXPECT_TRUE(edited.unsavedChanges());
    EXPECT_EQ(edited.save(path), std::nullopt);
    EXPECT_FALSE(edited.unsavedChanges());
    EXPECT_EQ(varscope::testing::ReadTextFile(path), "[node=A]\r\na=1\r\n");
}

TEST(CategoryManager, typedNames_refusedWhenTheyWouldBreakTheFileOrTheTree) {
    const Catalogue catalogue{
        {Category("Paths", {{"Work folder", "MS_DEF"}}), Category("Empty", {{}})}};
    const std::string taken = "\" is already the description \"Work folder\" in the category "
                              "\"Paths\".";
    struct Case {
        std::optional<CatalogueMember> member; // else the category name below
        std::string category;
        std::string refusal; // empty: accepted
    };
    const Case cases[] = {
        {std::nullopt, "Fonts", ""},
        {std::nullopt, "", ""},
        {std::nullopt, "a]b", "A category name cannot hold \"]\": \"a]b\"."},
        {std::nullopt, "paths", "\"paths\" is already the category \"Paths\"."},
        {std::nullopt, "WORK FOLDER", "\"WORK FOLDER" + taken},
        {CatalogueMember{"Seed", "MS_SEED"}, "", ""},
        {CatalogueMember{"", "MS_SEED"}, "", "Description And Variable Required"},
        {CatalogueMember{"Seed", ""}, "", "Description And Variable Required"},
        {CatalogueMember{"a=b", "MS_SEED"}, "", "A description cannot hold \"=\": \"a=b\"."},
        {CatalogueMember{"EMPTY", "X"}, "", "\"EMPTY\" is already the category \"Empty\"."},
        {CatalogueMember{"work Folder", "X"}, "", "\"work Folder" + taken},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.member ? test.member->description : test.category);
        const auto refusal = test.member ? MemberRefusal(catalogue, *test.member)
                                         : CategoryNameRefusal(catalogue, test.category);
        EXPECT_EQ(refusal ? refusal->reason : "", test.refusal);
        // Only a name left out is told as information.
        const bool leftOut = test.refusal == "Description And Variable Required";
        EXPECT_EQ(refusal && refusal->kind == Refusal::Kind::LeftOut, leftOut);
    }
}

TEST(CategoryTree, valueNodesPerRecordInReportOrder_namesMatchExactly) {
    ReportData report = Realistic();
    const CategoryListing listing = ParseCategoryListing(
        "[node=Design]\r\nDesign files=MS_DEF\r\nLower=ms_def\r\nAbsent=MS_Def\r\n"
        "[node=Empty]\r\n[node=Backup]\r\nBackups=MS_BACKUP\r\n");
    const CategoryTree tree = BuildCategoryTree(listing, report);
    EXPECT_EQ(tree.duplicateKey, std::nullopt);
    EXPECT_EQ(Nodes(tree), "C3 0 0 Design\n"
                           "C3 0 0 Empty\n"
                           "C3 0 0 Backup\n"
                           "M4 1 0 Design files   [MS_DEF]\n"
                           "M4 1 0 Lower   [ms_def]\n"
                           "M4 1 0 Absent   [MS_Def]\n"
                           "M4 3 0 Backups   [MS_BACKUP]\n"
                           "V7 4 7 C:/Bentley/Workspace/Standards/dgn/\n"
                           "V6 4 10 C:/Bentley/Workspace/projects/Civil/dgn/\n"
                           "V8 4 13 C:/Bentley/Workspace/projects/Civil/dgn/jsmith/\n"
                           "V6 5 11 lower/\n"
                           "V8 7 14 (null)\n");
    EXPECT_EQ(tree.roots, (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(tree.node(1).children, (std::vector<std::size_t>{4, 5, 6}));
    EXPECT_EQ(tree.node(4).children, (std::vector<std::size_t>{8, 9, 10}));
    EXPECT_EQ(tree.node(10).row, 2u);
    EXPECT_EQ(tree.node(7).row, 0u);
    // Each record links to its value node.
    std::vector<std::pair<std::size_t, int>> links;
    for (const ConfigVariable& record : report.Variables) {
        if (record.TreeNode != 0)
            links.emplace_back(record.Index, record.TreeNode);
    }
    EXPECT_EQ(links, (std::vector<std::pair<std::size_t, int>>{
                         {7, 8}, {10, 9}, {11, 11}, {13, 10}, {14, 12}}));
}

TEST(CategoryTree, namesDifferingOnlyInTheMiddle_eachMemberGetsItsOwnRecords) {
    // Same length, same first and last eight bytes: CIVIL_LAYER_000123_SETTINGS.
    const auto name = [](std::size_t number) {
        std::string digits = std::to_string(number);
        return "CIVIL_LAYER_" + std::string(6 - digits.size(), '0') + digits + "_SETTINGS";
    };
    constexpr std::size_t kNames = 300;
    std::string bytes = "Processing macro file [C:\\civil.cfg]\r\n";
    for (std::size_t round = 0; round < 2; ++round) {
        for (std::size_t n = 0; n < kNames; ++n)
            bytes += "(user): " + name(n) + "=v [" + std::to_string(round) + "/" +
                     std::to_string(n) + "]\r\n";
    }
    ReportData report = ParseReport(bytes);
    ASSERT_EQ(report.Variables.size(), 2 * kNames);
    // Every third name a member, in reverse order, one category.
    std::string file = "[node=Layers]\r\n";
    std::vector<std::size_t> asked;
    for (std::size_t n = kNames; n-- > 0;) {
        if (n % 3 == 0) {
            file += "Layer " + std::to_string(n) + "=" + name(n) + "\r\n";
            asked.push_back(n);
        }
    }
    const CategoryTree tree = BuildCategoryTree(ParseCategoryListing(file), report);
    ASSERT_EQ(tree.duplicateKey, std::nullopt);
    const CategoryNode& category = tree.node(tree.roots.at(0));
    ASSERT_EQ(category.children.size(), asked.size());
    for (std::size_t k = 0; k < asked.size(); ++k) {
        const std::size_t n = asked[k];
        const CategoryNode& member = tree.node(category.children[k]);
        SCOPED_TRACE(tree.text(member));
        // Name n's records are n + 1 and kNames + n + 1, in that order.
        std::vector<std::size_t> records;
        std::vector<std::string> texts;
        for (const std::size_t value : member.children) {
            records.push_back(tree.node(value).record);
            texts.emplace_back(tree.text(value));
        }
        EXPECT_EQ(records, (std::vector<std::size_t>{n + 1, kNames + n + 1}));
        EXPECT_EQ(texts,
                  (std::vector<std::string>{"0/" + std::to_string(n), "1/" + std::to_string(n)}));
    }
    for (const ConfigVariable& record : report.Variables) {
        const bool member = (record.Index - 1) % kNames % 3 == 0;
        EXPECT_EQ(record.TreeNode != 0, member) << record.Name;
    }
}

TEST(CategoryTree, duplicateKeys_stopTheBuildWhereTheyAre) {
    struct Case {
        const char* what;
        std::string file;
        std::optional<std::string> key;
        std::string built;
    };
    const Case cases[] = {
        {"a category twice, any case", "[node=Plot]\r\np=MS_DEF\r\n[node=PLOT]\r\n", "PLOT",
         "Plot\n"},
        {"a description in a later category",
         "[node=A]\r\nDesign=MS_DEF\r\n[node=B]\r\nOther=ms_def\r\ndesign=MS_CELL\r\n", "design",
         "A\n\t\tDesign   [MS_DEF]\nB\n\t\tOther   [ms_def]\n"},
        {"a description equal to a category below", "[node=A]\r\nb=MS_DEF\r\n[node=B]\r\n", "b",
         "A\nB\n"},
        {"empty descriptions are no keys", "[node=A]\r\n=\r\n=MS_CELL\r\n", std::nullopt,
         "A\n\t\t   []\n\t   [MS_CELL]\n\t\tC:/Bentley/Workspace/Standards/cell/\n"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        ReportData report = Realistic();
        // A build before leaves links that the refused one must not keep.
        BuildCategoryTree(ParseCategoryListing("[node=X]\r\nx=MS_DEF\r\n"), report);
        const CategoryTree tree = BuildCategoryTree(ParseCategoryListing(test.file), report);
        EXPECT_EQ(tree.duplicateKey, test.key);
        EXPECT_EQ(CategoryExportText(tree), test.built);
        if (test.key) {
            for (const ConfigVariable& record : report.Variables)
                EXPECT_EQ(record.TreeNode, 0) << record.Name;
        }
    }
    EXPECT_EQ(DuplicateKeyMessage("Plot"),
              "Error. Unique Name Required in Category File.\nMultiple Instances of: Plot");
}

TEST(CategoryTree, links_resetAtEveryBuild_andOpenOnlyFromTheLastValueNode) {
    ReportData report = Realistic();
    const CategoryTree twice = BuildCategoryTree(
        ParseCategoryListing("[node=A]\r\nfirst=MS_CELL\r\nsecond=MS_CELL\r\n"), report);
    ASSERT_EQ(twice.nodes.size(), 5u); // A, first, second, and one value node each
    const std::size_t cell = 6;        // MS_CELL's record
    ASSERT_EQ(report.Variables[cell - 1].Name, "MS_CELL");
    EXPECT_EQ(LinkedRecord(twice, report.Variables, 5), cell);
    for (const std::size_t position : {0, 1, 2, 3, 4, 6})
        EXPECT_EQ(LinkedRecord(twice, report.Variables, position), std::nullopt) << position;

    const CategoryTree other =
        BuildCategoryTree(ParseCategoryListing("[node=A]\r\ncode=PROJECT_CODE\r\n"), report);
    EXPECT_EQ(report.Variables[cell - 1].TreeNode, 0);
    EXPECT_EQ(LinkedRecord(twice, report.Variables, 5), std::nullopt);
    EXPECT_EQ(LinkedRecord(other, report.Variables, 3), 12u);

    // A reload starts without links.
    report = Realistic();
    EXPECT_EQ(LinkedRecord(other, report.Variables, 3), std::nullopt);
}
