#include "core/rows/list_rows.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace varscope::core;

namespace {

// The order the lists have always used, one comparison at a time.
std::vector<std::size_t> ReferenceOrder(const std::vector<std::string_view>& texts,
                                        SortDirection direction) {
    std::vector<std::string> lowered;
    for (const std::string_view text : texts) {
        std::string out;
        for (const char c : text)
            out.push_back(c >= 'A' && c <= 'Z' ? char(c + 32) : c);
        lowered.push_back(out);
    }
    // Bytes compare unsigned, as the list control compares character codes.
    const auto less = [](const std::string& x, const std::string& y) {
        return std::lexicographical_compare(
            x.begin(), x.end(), y.begin(), y.end(),
            [](char p, char q) { return (unsigned char)p < (unsigned char)q; });
    };
    std::vector<std::size_t> order(texts.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return direction == SortDirection::Ascending ? less(lowered[a], lowered[b])
                                                     : less(lowered[b], lowered[a]);
    });
    return order;
}

ConfigVariable Record(std::string_view name, std::string_view value, std::string_view expansion,
                      std::string_view file) {
    ConfigVariable record;
    record.Name = name;
    record.Value = value;
    record.Expansion = expansion;
    record.File = file;
    return record;
}

} // namespace

TEST(ListRowsTest, sortedOrder_anyTexts_caseIgnoredAndEqualTextsKeepTheirOrder) {
    // Few letters, shared prefixes longer than the eight bytes compared first, bytes above
    // 0x7F and zero bytes, and neighbours viewing the same bytes.
    std::mt19937 random(17);
    const std::string letters = std::string("aAbB_~\x80\xE9", 8) + std::string(1, '\0');
    for (const int count : {1, 40, 3000}) {
        std::vector<std::string> owned;
        for (int i = 0; i < count; ++i) {
            std::string text = (i % 3 == 0) ? "C:/Bentley/Workspace/Standards/" : "";
            const int length = int(random() % (i % 7 == 0 ? 60 : 12));
            for (int k = 0; k < length; ++k)
                text.push_back(letters[random() % letters.size()]);
            owned.push_back(text);
        }
        std::vector<std::string_view> texts;
        for (std::size_t i = 0; i < owned.size(); ++i)
            texts.push_back(i % 5 == 1 ? texts.back() : std::string_view(owned[i]));
        for (const SortDirection direction :
             {SortDirection::Ascending, SortDirection::Descending}) {
            SCOPED_TRACE(testing::Message()
                         << count
                         << (direction == SortDirection::Ascending ? " ascending" : " descending"));
            EXPECT_EQ(SortedOrder(texts, direction), ReferenceOrder(texts, direction));
        }
    }
}

TEST(ListRowsTest, sortRecords_equalValuesInEitherDirection_keepReportOrder) {
    const std::vector<ConfigVariable> records = {
        Record("ONE", "beta", "", "b.cfg"), Record("TWO", "Alpha", "", "b.cfg"),
        Record("THREE", "alpha", "", "a.cfg"), Record("FOUR", "_under", "", "a.cfg"),
        Record("FIVE", "ALPHA", "", "a.cfg")};
    EXPECT_EQ(SortRecords(records, RecordColumn::Value, SortDirection::Ascending),
              (std::vector<std::size_t>{3, 1, 2, 4, 0}));
    EXPECT_EQ(SortRecords(records, RecordColumn::Value, SortDirection::Descending),
              (std::vector<std::size_t>{0, 1, 2, 4, 3}));
    EXPECT_EQ(SortRecords(records, RecordColumn::File, SortDirection::Descending),
              (std::vector<std::size_t>{0, 1, 2, 3, 4}));
}

TEST(ListRowsTest, matchingRecords_textInAnyColumn_caseIgnored) {
    const std::vector<ConfigVariable> records = {
        Record("MS_DEF", "$(_USTN_PROJECT)dgn/", "C:/Projects/dgn/", "C:\\Config\\site.cfg"),
        Record("MS_RFDIR", "rfdir", "RFDIR", "C:\\Config\\user.ucf"),
        Record("_USTN_USER", "C:/Users/", "C:/Users/", "C:\\Config\\msconfig.cfg")};
    const struct {
        const char* text;
        std::vector<std::size_t> rows;
    } cases[] = {
        {"ms_", {0, 1}},         // name
        {"_ustn_project", {0}},  // value
        {"PROJECTS/DGN", {0}},   // expansion
        {"USER.UCF", {1}},       // file
        {"users", {2}},          // value and expansion of one record: once
        {"", {0, 1, 2}},         // nothing typed: every record
        {"config\\", {0, 1, 2}}, // a separator
        {"nowhere", {}},         {"C:/Users/ and more", {}}, // longer than the texts it begins
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(MatchingRecords(records, c.text), c.rows);
    }
}
