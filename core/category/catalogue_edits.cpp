#include "core/category/catalogue_edits.hpp"

#include "core/strings.hpp"
#include "core/texts.hpp"

#include <algorithm>
#include <functional>

namespace varscope::core {

namespace {

// A name holding one would be cut in two when saved.
constexpr std::string_view kLineEnds = "\r\n";

} // namespace

std::size_t AddCategory(Catalogue& catalogue, std::string name) {
    if (name.empty())
        return 0;
    catalogue.categories.push_back(CatalogueCategory{std::move(name), {CatalogueMember{}}});
    return catalogue.categories.size();
}

MoveOutcome MoveOrDeleteCategory(Catalogue& catalogue, CategoryMove move, std::size_t position) {
    auto& categories = catalogue.categories;
    MoveOutcome outcome;
    if (position < 1 || position > categories.size())
        return outcome;
    outcome.selected = position;
    const std::size_t at = position - 1;
    switch (move) {
    case CategoryMove::Up:
        if (position == 1)
            return outcome;
        std::swap(categories[at - 1], categories[at]);
        outcome.selected = position - 1;
        break;
    case CategoryMove::Down:
        if (position == categories.size())
            return outcome;
        std::swap(categories[at], categories[at + 1]);
        outcome.selected = position + 1;
        break;
    case CategoryMove::Delete:
        categories.erase(categories.begin() + static_cast<std::ptrdiff_t>(at));
        outcome.selected = position > 1 ? position - 1 : (categories.empty() ? 0 : 1);
        break;
    }
    outcome.changed = true;
    return outcome;
}

std::size_t AddMember(CatalogueCategory& category, CatalogueMember member) {
    if (!category.members.empty() && category.members.back().isPlaceholder())
        category.members.back() = std::move(member);
    else
        category.members.push_back(std::move(member));
    return category.members.size();
}

void DeleteMembers(CatalogueCategory& category, std::vector<std::size_t> positions) {
    // From the last one, so the positions still to go stay valid.
    std::sort(positions.begin(), positions.end(), std::greater<>());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    for (const std::size_t position : positions) {
        if (position >= 1 && position <= category.members.size())
            category.members.erase(category.members.begin() +
                                   static_cast<std::ptrdiff_t>(position - 1));
    }
}

namespace {

std::string Quoted(std::string_view text) {
    return '"' + std::string(text) + '"';
}

// What `key` would clash with in the tree's one key space, as the end of a message.
std::optional<std::string> KeyClash(const Catalogue& catalogue, std::string_view key) {
    const std::string folded = CategoryKey(key);
    for (const CatalogueCategory& category : catalogue.categories) {
        if (CategoryKey(category.name) == folded)
            return "is already the category " + Quoted(category.name) + ".";
    }
    for (const CatalogueCategory& category : catalogue.categories) {
        for (const CatalogueMember& member : category.members) {
            if (!member.description.empty() && CategoryKey(member.description) == folded)
                return "is already the description " + Quoted(member.description) +
                       " in the category " + Quoted(category.name) + ".";
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<Refusal> CategoryNameRefusal(const Catalogue& catalogue, std::string_view name) {
    if (name.empty())
        return std::nullopt;
    if (name.find(']') != std::string_view::npos)
        return Refusal{Refusal::Kind::CannotHold,
                       "A category name cannot hold \"]\": " + Quoted(name) + "."};
    if (name.find_first_of(kLineEnds) != std::string_view::npos)
        return Refusal{Refusal::Kind::CannotHold,
                       "A category name cannot hold a line end: " + Quoted(name) + "."};
    if (auto clash = KeyClash(catalogue, name))
        return Refusal{Refusal::Kind::CannotHold, Quoted(name) + " " + *clash};
    return std::nullopt;
}

std::optional<Refusal> MemberRefusal(const Catalogue& catalogue, const CatalogueMember& member) {
    if (member.description.empty() || member.variable.empty())
        return Refusal{Refusal::Kind::LeftOut, std::string(text::kDescriptionAndVariableRequired)};
    if (member.description.find('=') != std::string::npos)
        return Refusal{Refusal::Kind::CannotHold,
                       "A description cannot hold \"=\": " + Quoted(member.description) + "."};
    for (const std::string* text : {&member.description, &member.variable}) {
        if (text->find_first_of(kLineEnds) != std::string::npos)
            return Refusal{Refusal::Kind::CannotHold,
                           "A description or variable cannot hold a line end: " + Quoted(*text) +
                               "."};
    }
    // Its line would read back as a category of its own: the marker may end in the "="
    // between description and variable.
    const std::string line = member.description + '=' + member.variable;
    if (FindIgnoreCase(line, kCategoryNodeMarker) != std::string::npos)
        return Refusal{Refusal::Kind::CannotHold, "A member cannot hold \"" +
                                                      std::string(kCategoryNodeMarker) +
                                                      "\": " + Quoted(line) + "."};
    if (auto clash = KeyClash(catalogue, member.description))
        return Refusal{Refusal::Kind::CannotHold, Quoted(member.description) + " " + *clash};
    return std::nullopt;
}

std::optional<std::string> EditedCatalogue::load(const std::string& path) {
    LoadedCatalogue loaded = LoadCatalogue(path);
    m_catalogue = std::move(loaded.catalogue);
    m_fileProblem = std::move(loaded.problem);
    m_unsavedChanges = false;
    return m_fileProblem;
}

void EditedCatalogue::startAfresh() {
    m_catalogue = {};
    m_fileProblem.reset();
    m_unsavedChanges = false;
}

std::optional<std::string> EditedCatalogue::save(const std::string& path) {
    if (m_fileProblem)
        return m_fileProblem;
    auto failure = SaveCatalogue(m_catalogue, path);
    if (!failure)
        m_unsavedChanges = false;
    return failure;
}

std::size_t EditedCatalogue::addCategory(std::string name) {
    const std::size_t added = AddCategory(m_catalogue, std::move(name));
    m_unsavedChanges = m_unsavedChanges || added != 0;
    return added;
}

MoveOutcome EditedCatalogue::moveOrDelete(CategoryMove move, std::size_t position) {
    const MoveOutcome outcome = MoveOrDeleteCategory(m_catalogue, move, position);
    m_unsavedChanges = m_unsavedChanges || outcome.changed;
    return outcome;
}

std::size_t EditedCatalogue::addMember(std::size_t position, CatalogueMember member) {
    m_unsavedChanges = true;
    return AddMember(m_catalogue.categories[position - 1], std::move(member));
}

void EditedCatalogue::deleteMembers(std::size_t position, std::vector<std::size_t> members) {
    auto& kept = m_catalogue.categories[position - 1].members;
    const std::size_t before = kept.size();
    DeleteMembers(m_catalogue.categories[position - 1], std::move(members));
    m_unsavedChanges = m_unsavedChanges || kept.size() != before;
}

} // namespace varscope::core
