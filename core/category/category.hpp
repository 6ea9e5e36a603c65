#pragma once

#include "core/texts.hpp"

#include "core/report/report.hpp"

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The category file: "[node=" name "]" lines, each followed by description "=" variable
// lines. Bytes in, bytes out; nothing is trimmed.
namespace varscope::core {

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

// Why a name typed for a new category or member cannot be taken; nullopt when it can.
// Categories and descriptions share one key space in the tree, so each must differ from
// all others ignoring case; "]" would end a node line and "=" a description early, a line
// end would cut a line in two, and "[node=" in a member's line would read as a node line. An
// empty category name is no refusal: it adds nothing.
std::optional<std::string> CategoryNameRefusal(const Catalogue& catalogue, std::string_view name);
std::optional<std::string> MemberRefusal(const Catalogue& catalogue, const CatalogueMember& member);

// The catalogue the Category Manager edits, with the one flag that says whether it holds
// edits the file has not got. Every edit that changes something sets it; only loading,
// saving and starting afresh clear it, so no later step can drop an edit unnoticed.
class EditedCatalogue {
public:
    const Catalogue& catalogue() const { return m_catalogue; }
    const CatalogueCategory& category(std::size_t position) const {
        return m_catalogue.categories[position - 1];
    }
    std::size_t size() const { return m_catalogue.categories.size(); }
    bool unsavedChanges() const { return m_unsavedChanges; }

    // Replaces the catalogue with the file's content (empty when it cannot be read).
    void load(const std::string& path);
    // An empty catalogue for a file not written yet.
    void startAfresh();
    // SaveCatalogue; the flag clears only when the file was written.
    std::optional<std::string> save(const std::string& path);

    std::size_t addCategory(std::string name);
    MoveOutcome moveOrDelete(CategoryMove move, std::size_t position);
    // Into the category at `position`; the member's position.
    std::size_t addMember(std::size_t position, CatalogueMember member);
    void deleteMembers(std::size_t position, std::vector<std::size_t> members);

private:
    Catalogue m_catalogue;
    bool m_unsavedChanges = false;
};

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
