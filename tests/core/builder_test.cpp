#include "core/builder/builder.hpp"
#include "core/report/report.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace varscope::core;

namespace {

using Insert = Insertion<char>;

Insert Add(std::string_view text, std::size_t selectionStart, std::size_t selectionEnd,
           BuilderPiece piece) {
    return InsertIntoExpression<char>(text, selectionStart, selectionEnd, piece.text,
                                      piece.placeholder);
}

// The words at the coloured places, so a case reads as what turned red.
std::vector<std::string> RedWords(const Insert& insert, std::string_view placeholder) {
    std::vector<std::string> words;
    for (std::size_t start : insert.highlights)
        words.push_back(insert.text.substr(start, placeholder.size()));
    return words;
}

std::vector<ConfigVariable> Table(const std::vector<std::string_view>& names) {
    std::vector<ConfigVariable> table(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        table[i].Name = names[i];
        table[i].Index = i + 1;
    }
    return table;
}

// The order the list must show, told character by character: the first differing byte
// decides by its unsigned code; a text that runs out first comes first.
bool ComesBefore(std::string_view a, std::string_view b) {
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (k == b.size())
            return false;
        const auto ca = static_cast<unsigned char>(a[k]);
        const auto cb = static_cast<unsigned char>(b[k]);
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

} // namespace

// The cases a user meets first are driven through the window's buttons; these are the rest.
TEST(BuilderInsertion, eachPlaceOfTheCaret_givesTextCaretAndRedWords) {
    struct Case {
        const char* what;
        std::string_view text;
        std::size_t selectionStart, selectionEnd;
        BuilderPiece piece;
        std::string_view expected;
        std::size_t caret;
        std::vector<std::size_t> red;
    };
    // clang-format off
    const Case cases[] = {
        {"a selection up to the end is replaced, not appended", "%if OLD", 4, 7, {"NEW", {}},
         "%if NEW", 7, {}},
        {"only the part just appended is searched", "dir(fileName)", 13, 13, piece::kBasename,
         "dir(fileName) basename(fileName) ", 33, {23}},
        {"every occurrence, case significant", "", 0, 0,
         {"x(variable) Variable $(variable) ", "variable"},
         " x(variable) Variable $(variable) ", 34, {3, 24}},
        {"nothing selected for Insert Variable: a blank", "%if", 3, 3, {},
         "%if ", 4, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Insert insert = Add(c.text, c.selectionStart, c.selectionEnd, c.piece);
        EXPECT_EQ(insert.text, c.expected);
        EXPECT_EQ(insert.caret, c.caret);
        EXPECT_EQ(insert.insertionStart, c.text.size());
        EXPECT_EQ(insert.highlights, c.red);
        for (const std::string& word : RedWords(insert, c.piece.placeholder))
            EXPECT_EQ(word, c.piece.placeholder);
        // The edit describes the change: the old text with its range replaced.
        std::string rebuilt(c.text);
        rebuilt.replace(insert.editStart, insert.removed,
                        insert.text.substr(insert.editStart, insert.added));
        EXPECT_EQ(rebuilt, insert.text);
    }
}

TEST(BuilderInsertion, textLongerThanSixteenBits_positionsStayExact) {
    const std::string longText(70'000, 'x');
    const Insert appended = Add(longText, longText.size(), longText.size(), piece::kLock);
    EXPECT_EQ(appended.highlights, std::vector<std::size_t>{70'000 + 8});
    EXPECT_EQ(appended.caret, appended.text.size());

    const Insert inside = Add(longText, 40'000, 40'010, piece::kNot);
    EXPECT_EQ(inside.caret, 40'002u);
    EXPECT_EQ(inside.text.size(), 70'000u - 10 + 2);
}

TEST(BuilderHighlight, searchRules_overlapsEndAndEmptyPlaceholder) {
    struct Case {
        std::string_view text;
        std::size_t from;
        std::string_view placeholder;
        std::vector<std::size_t> expected;
    };
    const Case cases[] = {
        {"aaaa ", 0, "aa", {0, 1, 2}}, // each search goes on one after the last start
        {"x a", 0, "a", {}},           // the last character is not searched
        {"a a ", 1, "a", {2}},         // nothing before the start
        {"abc ", 0, "", {}},           {"", 0, "a", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + std::string(c.placeholder));
        EXPECT_EQ(HighlightPlaceholder<char>(c.text, c.from, c.placeholder), c.expected);
    }
}

TEST(BuilderInsertion, wideCharacters_countedAsTheBoxCountsThem) {
    // The window passes its text in UTF-16; positions are in those units.
    const std::u16string text = u"\u00e9t\u00e9";
    const Insertion<char16_t> insert =
        InsertIntoExpression<char16_t>(text, 3, 3, u"dir(fileName) ", u"fileName");
    EXPECT_EQ(insert.text, u"\u00e9t\u00e9 dir(fileName) ");
    EXPECT_EQ(insert.highlights, std::vector<std::size_t>{8});
}

TEST(BuilderNames, sortedEachOnce_table) {
    struct Case {
        const char* what;
        std::vector<std::string_view> records;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"no records", {}, {}},
        {"one record", {"MS_DEF"}, {"MS_DEF"}},
        {"a name at several levels beside a longer name that begins with it",
         {"MS_DEF", "MS_DEFAULT", "MS_DEF", "MS_DEF_X", "MS_DEF"},
         {"MS_DEF", "MS_DEFAULT", "MS_DEF_X"}},
        {"upper case first, the blank's code before all, '_' between the cases",
         {"ms_def", "MS_DEF", "MS_def", "MS DEF", "MS_DEF"},
         {"MS DEF", "MS_DEF", "MS_def", "ms_def"}},
        {"code-page letters after ASCII", {"\xe9T", "zT", "ET"}, {"ET", "zT", "\xe9T"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DefinedVariableNames(Table(c.records)), c.expected);
    }
}

TEST(BuilderNames, strSort_inPlaceAndReturned_orderOfTheCodePage) {
    std::mt19937 random(2026);
    std::uniform_int_distribution<int> length(0, 6);
    // Few letters, so many names begin with others and many repeat.
    const std::string letters = "Aa_B\xe9 ";
    std::vector<std::string> names(3000);
    for (std::string& name : names)
        for (int k = length(random); k > 0; --k)
            name += letters[std::size_t(random()) % letters.size()];
    std::vector<std::string> sorted = names;

    std::vector<std::string>& returned = strSort(sorted);

    EXPECT_EQ(&returned, &sorted);
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), ComesBefore));
    std::map<std::string, int> kept;
    for (const std::string& name : names)
        ++kept[name];
    for (const std::string& name : sorted)
        --kept[name];
    EXPECT_TRUE(std::ranges::all_of(kept, [](const auto& entry) { return entry.second == 0; }));
}
