// The Category Manager's edits of the catalogue. Positions are 1-based.
#pragma once

#include "core/category/category_file.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

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
struct Refusal {
    // LeftOut: something required was not typed (told as information); CannotHold: the file
    // or the tree cannot hold what was typed (a warning).
    enum class Kind { LeftOut, CannotHold };
    Kind kind;
    std::string reason;
};
std::optional<Refusal> CategoryNameRefusal(const Catalogue& catalogue, std::string_view name);
std::optional<Refusal> MemberRefusal(const Catalogue& catalogue, const CatalogueMember& member);

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

    // Replaces the catalogue with the file's content (empty when it cannot be read). When the
    // file cannot be read whole, the message to show: saving is then refused with it, so the
    // file stays as the user has it.
    std::optional<std::string> load(const std::string& path);
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
    std::optional<std::string> m_fileProblem; // the loaded file's, which no save may replace
    bool m_unsavedChanges = false;
};

} // namespace varscope::core
