// The tree of the Category page: the category file's members over a report's records.
#pragma once

#include "core/category/category_file.hpp"
#include "core/report/report.hpp"

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

enum class CategoryNodeKind { Category, Member, Value };

// Image-list indexes of the two non-variable icons; a value node has its record's level.
inline constexpr int kCategoryImage = 3;
inline constexpr int kMemberImage = 4;

struct CategoryNode {
    CategoryNodeKind kind = CategoryNodeKind::Category;
    int image = kCategoryImage;
    std::size_t parent = 0; // position of the parent node; 0 for a category
    std::size_t row = 0;    // 0-based among its parent's children, or among the categories
    std::vector<std::size_t> children; // positions, in order
    std::size_t record = 0;            // value node: the record's 1-based index
    // The node's text in CategoryTree::texts, or in the report's bytes when textInReport.
    std::size_t textStart = 0;
    std::size_t textSize = 0;
    bool textInReport = false;
};

struct CategoryTree {
    // Position n (1-based, as TreeNode counts) is nodes[n - 1]: categories, then members,
    // then values, in the order they were made.
    std::vector<CategoryNode> nodes;
    std::vector<std::size_t> roots; // the category nodes, in order
    // The key refused as a duplicate; the build stopped there, keeping what it had made.
    std::optional<std::string> duplicateKey;
    // The texts of the category and member nodes, one after another: category name;
    // description + "   [" + variable + "]".
    std::string texts;
    // The report's bytes, kept while the tree shows them: a value node's text is its
    // record's expansion there, not a copy (a large tree's values are most of its bytes).
    std::shared_ptr<const std::string> reportBytes;

    const CategoryNode& node(std::size_t position) const { return nodes[position - 1]; }
    std::string_view text(const CategoryNode& node) const {
        const std::string_view all = node.textInReport ? *reportBytes : texts;
        return all.substr(node.textStart, node.textSize);
    }
    std::string_view text(std::size_t position) const { return text(node(position)); }
};

// Builds the tree of `listing` over the report's records: every TreeNode is set to 0
// first, then each record named by a member gets a value node, and its TreeNode the
// position of its last value node. Names match exactly; categories and descriptions are
// keys that must differ ignoring case (an empty description is no key). Costs members +
// records.
CategoryTree BuildCategoryTree(const CategoryListing& listing, ReportData& report);

// "Error. Unique Name Required in Category File." LF "Multiple Instances of: " + key.
std::string DuplicateKeyMessage(std::string_view key);

// The record a double-click on the node at `position` opens: the one whose TreeNode links
// to it. nullopt for category and member nodes, and for value nodes that are not the last
// of their record.
std::optional<std::size_t> LinkedRecord(const CategoryTree& tree,
                                        std::span<const ConfigVariable> records,
                                        std::size_t position);

// The export text of the tree: each category + LF; below it a node with children gets
// one TAB, a leaf two, whatever its depth. The export writes it followed by CR LF.
std::string CategoryExportText(const CategoryTree& tree);

} // namespace varscope::core
