#pragma once

#include "report.hpp"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The category file: "[node=" name "]" lines, each followed by description "=" variable
// lines. Bytes in, bytes out; nothing is trimmed.
namespace varscope::core {

namespace text {
inline constexpr std::string_view kDuplicateKeyHeading =
    "Error. Unique Name Required in Category File.";
inline constexpr std::string_view kMultipleInstances = "Multiple Instances of: ";
inline constexpr std::string_view kCouldNotSave = "Could not save ";
inline constexpr std::string_view kWouldBeMerged = "These would be merged when saved: ";
} // namespace text

// The file as the tree reads it.
struct ListedMember {
    std::string category; // the name of its category, not its position
    std::string description;
    std::string variable;
};

struct CategoryListing {
    std::vector<std::string> categoryNames; // file order, duplicates kept
    std::vector<ListedMember> members;      // file order across all categories
};

// The file as the Category Manager edits it.
struct CatalogueMember {
    std::string description;
    std::string variable;

    // The one member of a category that has no real member yet; written as "=" alone.
    bool isPlaceholder() const { return description.empty() && variable.empty(); }
    bool operator==(const CatalogueMember&) const = default;
};

struct CatalogueCategory {
    std::string name;
    std::vector<CatalogueMember> members;
    bool operator==(const CatalogueCategory&) const = default;
};

struct Catalogue {
    std::vector<CatalogueCategory> categories; // position n is categories[n - 1]
    bool operator==(const Catalogue&) const = default;
};

// Lines end at CR LF or LF. A node line without "]" names the category up to the line's
// end, and reading goes on.
CategoryListing ParseCategoryListing(std::string_view bytes);
Catalogue ParseCatalogue(std::string_view bytes);

// A file that cannot be read (missing, locked, a folder, empty path) reads as empty,
// without a message.
CategoryListing ReadCategoryListing(const std::string& path);
Catalogue LoadCatalogue(const std::string& path);

// The file as the profile writer would leave it after writing every member in order into
// an empty file: a section's first entry appends its node line, later entries go after
// the section's last entry, a key already in the section replaces that line's value in
// place (sections and keys compared ignoring case), a category without members gives
// nothing. CR LF line ends.
std::string CatalogueFileText(const Catalogue& catalogue);

// The names that CatalogueFileText would merge, as a message; nullopt when none would be.
// Several placeholders of one category are no loss and pass.
std::optional<std::string> MergeRefusal(const Catalogue& catalogue);

// Writes the catalogue to `path`, replacing the file atomically. nullopt on success, else
// the message to show: the merge refusal (nothing written), or "Could not save " + path +
// ": " + the reason (the old file left as it was).
std::optional<std::string> SaveCatalogue(const Catalogue& catalogue, const std::string& path);

// Editing steps of the Category Manager. Positions are 1-based.

// Appends a category holding the placeholder; an empty name adds nothing. The new
// category's position, 0 when none was added.
std::size_t AddCategory(Catalogue& catalogue, std::string name);

enum class CategoryMove { Up, Down, Delete };
struct MoveOutcome {
    bool changed = false;     // becomes catalogueChanged
    std::size_t selected = 0; // the category to select afterwards; 0 for none
};
// Moves or deletes the category at `position`; 0 (nothing selected) or a move past either
// end changes nothing.
MoveOutcome MoveOrDeleteCategory(Catalogue& catalogue, CategoryMove move, std::size_t position);

// Appends the member, or puts it in place of a trailing placeholder; its position.
std::size_t AddMember(CatalogueCategory& category, CatalogueMember member);
// Removes the members at the given positions (any order; unknown positions are ignored).
void DeleteMembers(CatalogueCategory& category, std::vector<std::size_t> positions);

// The tree of the Category page.

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
    std::size_t textStart = 0;         // the node's text in CategoryTree::texts
    std::size_t textSize = 0;
};

struct CategoryTree {
    // Position n (1-based, as TreeNode counts) is nodes[n - 1]: categories, then members,
    // then values, in the order they were made.
    std::vector<CategoryNode> nodes;
    std::vector<std::size_t> roots; // the category nodes, in order
    // The key refused as a duplicate; the build stopped there, keeping what it had made.
    std::optional<std::string> duplicateKey;
    // The nodes' texts, one after another: category name; description + "   [" + variable
    // + "]"; the record's expansion.
    std::string texts;

    const CategoryNode& node(std::size_t position) const { return nodes[position - 1]; }
    std::string_view text(const CategoryNode& node) const {
        return std::string_view(texts).substr(node.textStart, node.textSize);
    }
    std::string_view text(std::size_t position) const { return text(node(position)); }
};

// Builds the tree of `listing` over the report's records: every TreeNode is set to 0
// first, then each record named by a member gets a value node, and its TreeNode the
// position of its last value node. Names match exactly; categories and descriptions are
// keys that must differ ignoring case (an empty description is no key). Costs members +
// records.
CategoryTree BuildCategoryTree(const CategoryListing& listing, std::span<ConfigVariable> records);

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
