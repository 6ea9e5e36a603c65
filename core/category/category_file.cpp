#include "core/category/category_file.hpp"

#include "core/strings.hpp"
#include "core/system/fileio.hpp"
#include "core/texts.hpp"

#include <algorithm>
#include <functional>
#include <unordered_map>

namespace varscope::core {

namespace {

constexpr std::string_view kFileLineEnd = "\r\n";

// Calls onNode(name) for every node line and onMember(description, variable) for every
// member line, in file order.
void ForEachCategoryLine(std::string_view bytes,
                         const std::function<void(std::string_view)>& onNode,
                         const std::function<void(std::string_view, std::string_view)>& onMember) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        // Files edited on Linux end their lines with LF alone, old Mac editors with CR alone.
        const std::size_t end = std::min(bytes.find_first_of("\r\n", at), bytes.size());
        const std::string_view line = bytes.substr(at, end - at);
        at = end + (bytes.substr(end, 2) == "\r\n" ? 2 : 1);
        if (FindIgnoreCase(line, kCategoryNodeMarker) != std::string_view::npos) {
            // Without its "]" the name runs to the line's end: stopping here would lose the
            // rest of the file at the next save.
            const std::string_view name = line.substr(line.find('=') + 1);
            onNode(name.substr(0, name.find(']')));
        } else if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
            onMember(line.substr(0, equals), line.substr(equals + 1));
        }
    }
}

// The file's bytes, or why they are not to be read: empty bytes for a file that cannot be
// opened, as for an empty one.
struct CategoryFileBytes {
    std::string bytes;
    std::optional<std::string> problem;
};

CategoryFileBytes ReadCategoryFile(const std::string& path) {
    ReadResult read = ReadRegularFile(path);
    if (!read.bytes)
        return {};
    if (auto problem = CategoryFileProblem(*read.bytes, path))
        return {std::string(), std::move(problem)};
    return {std::move(*read.bytes), std::nullopt};
}

// Positions of the texts that are equal ignoring case, in groups of two or more, in order
// of first appearance.
std::vector<std::vector<std::size_t>> CaseBlindGroups(const std::vector<std::string_view>& texts) {
    std::vector<std::vector<std::size_t>> groups;
    std::unordered_map<std::string, std::size_t> found;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto [at, added] = found.emplace(CategoryKey(texts[i]), groups.size());
        if (added)
            groups.emplace_back();
        groups[at->second].push_back(i);
    }
    std::erase_if(groups, [](const auto& group) { return group.size() < 2; });
    return groups;
}

} // namespace

std::string CategoryKey(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

CategoryListing ParseCategoryListing(std::string_view bytes) {
    CategoryListing listing;
    ForEachCategoryLine(
        bytes, [&](std::string_view name) { listing.categoryNames.emplace_back(name); },
        [&](std::string_view description, std::string_view variable) {
            if (listing.categoryNames.empty())
                return;
            listing.members.push_back(ListedMember{
                listing.categoryNames.back(), std::string(description), std::string(variable)});
        });
    return listing;
}

Catalogue ParseCatalogue(std::string_view bytes) {
    Catalogue catalogue;
    ForEachCategoryLine(
        bytes,
        [&](std::string_view name) {
            catalogue.categories.push_back(CatalogueCategory{std::string(name), {}});
        },
        [&](std::string_view description, std::string_view variable) {
            if (catalogue.categories.empty())
                return;
            catalogue.categories.back().members.push_back(
                CatalogueMember{std::string(description), std::string(variable)});
        });
    return catalogue;
}

std::optional<std::string> CategoryFileProblem(std::string_view bytes, std::string_view path) {
    const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    if (!utf16 && bytes.find('\0') == std::string_view::npos)
        return std::nullopt;
    std::string message(text::kCategoryFileNamed);
    message += path;
    message += utf16 ? text::kCategoryFileUtf16 : text::kCategoryFileNul;
    message += text::kCategoryFileConvert;
    return message;
}

CategoryListing ReadCategoryListing(const std::string& path) {
    CategoryFileBytes file = ReadCategoryFile(path);
    CategoryListing listing = ParseCategoryListing(file.bytes);
    listing.problem = std::move(file.problem);
    return listing;
}

LoadedCatalogue LoadCatalogue(const std::string& path) {
    CategoryFileBytes file = ReadCategoryFile(path);
    return {ParseCatalogue(file.bytes), std::move(file.problem)};
}

std::string CatalogueFileText(const Catalogue& catalogue) {
    struct Entry {
        std::string_view key; // as its first writer spelled it
        std::string_view value;
    };
    struct Section {
        std::string_view name; // as its first writer spelled it
        std::vector<Entry> entries;
        std::unordered_map<std::string, std::size_t> keys;
    };
    std::vector<Section> sections;
    std::unordered_map<std::string, std::size_t> sectionAt;
    for (const CatalogueCategory& category : catalogue.categories) {
        for (const CatalogueMember& member : category.members) {
            const auto [found, added] =
                sectionAt.emplace(CategoryKey(category.name), sections.size());
            if (added)
                sections.push_back(Section{category.name, {}, {}});
            Section& section = sections[found->second];
            const auto [key, newKey] =
                section.keys.emplace(CategoryKey(member.description), section.entries.size());
            if (newKey)
                section.entries.push_back(Entry{member.description, member.variable});
            else
                section.entries[key->second].value = member.variable;
        }
    }
    std::string out;
    for (const Section& section : sections) {
        out += kCategoryNodeMarker;
        out += section.name;
        out += ']';
        out += kFileLineEnd;
        for (const Entry& entry : section.entries) {
            out += entry.key;
            out += '=';
            out += entry.value;
            out += kFileLineEnd;
        }
    }
    return out;
}

std::optional<std::string> MergeRefusal(const Catalogue& catalogue) {
    std::string found;
    const auto add = [&found](std::string_view what, const std::vector<std::string_view>& texts,
                              const std::vector<std::size_t>& group, std::string_view of) {
        found += found.empty() ? "" : "; ";
        found += what;
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (i > 0)
                found += i + 1 == group.size() ? " and " : ", ";
            found += '"';
            found += texts[group[i]];
            found += '"';
        }
        if (!of.empty()) {
            found += " of \"";
            found += of;
            found += '"';
        }
    };
    // A category without members is left out of the file, so it merges with nothing.
    std::vector<std::string_view> names;
    for (const CatalogueCategory& category : catalogue.categories) {
        if (!category.members.empty())
            names.push_back(category.name);
    }
    for (const auto& group : CaseBlindGroups(names))
        add("categories ", names, group, {});
    for (const CatalogueCategory& category : catalogue.categories) {
        std::vector<std::string_view> descriptions;
        for (const CatalogueMember& member : category.members)
            descriptions.push_back(member.description);
        for (const auto& group : CaseBlindGroups(descriptions)) {
            // Placeholders written over each other lose nothing.
            if (std::all_of(group.begin(), group.end(),
                            [&](std::size_t i) { return category.members[i].isPlaceholder(); }))
                continue;
            add("members ", descriptions, group, category.name);
        }
    }
    if (found.empty())
        return std::nullopt;
    return std::string(text::kWouldBeMerged) + found;
}

std::optional<std::string> SaveCatalogue(const Catalogue& catalogue, const std::string& path) {
    if (auto refusal = MergeRefusal(catalogue))
        return refusal;
    const auto couldNotSave = [&path](std::string_view reason) {
        return std::string(text::kCouldNotSave) + path + ": " + std::string(reason);
    };
    if (path.empty())
        return couldNotSave("no file name was given");
    // The reason names the file, the end of a link's chain when it is one.
    if (const auto failure = WriteFileAtomically(path, CatalogueFileText(catalogue)))
        return std::string(text::kCouldNotSave) + *failure;
    return std::nullopt;
}

} // namespace varscope::core
