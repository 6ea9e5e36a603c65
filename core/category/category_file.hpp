// The category file: "[node=" name "]" lines, each followed by description "=" variable
// lines. Bytes in, bytes out; nothing is trimmed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

// Where a node line's name begins; found in any letter case, anywhere in the line.
inline constexpr std::string_view kCategoryNodeMarker = "[node=";

// A category name or description as a key: the profile writer and the tree compare them
// ignoring ASCII case.
std::string CategoryKey(std::string_view text);

// The file as the tree reads it.
struct ListedMember {
    std::string category; // the name of its category, not its position
    std::string description;
    std::string variable;
};

struct CategoryListing {
    std::vector<std::string> categoryNames; // file order, duplicates kept
    std::vector<ListedMember> members;      // file order across all categories
    // Why the file was not read (CategoryFileProblem); the listing is then empty.
    std::optional<std::string> problem;
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

// Lines end at CR LF, LF or CR alone. A node line without "]" names the category up to the
// line's end, and reading goes on.
CategoryListing ParseCategoryListing(std::string_view bytes);
Catalogue ParseCatalogue(std::string_view bytes);

// Why the file at `path` holding `bytes` cannot be read whole, as a message that says how to
// convert it: a UTF-16 byte-order mark, or a NUL byte anywhere. nullopt when it can be read.
std::optional<std::string> CategoryFileProblem(std::string_view bytes, std::string_view path);

// A file that cannot be read (missing, locked, a folder, empty path) reads as empty,
// without a message. A file that CategoryFileProblem refuses reads as empty, with it.
CategoryListing ReadCategoryListing(const std::string& path);
struct LoadedCatalogue {
    Catalogue catalogue;
    std::optional<std::string> problem;
};
LoadedCatalogue LoadCatalogue(const std::string& path);

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

} // namespace varscope::core
