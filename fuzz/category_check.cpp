// The category file saved and loaded again. What is saved is what loads, apart from what
// the file cannot hold by design: a category without members and a second placeholder of
// one category are written as nothing.
#include "checks.hpp"
#include "input.hpp"

#include "core/category/catalogue_edits.hpp"
#include "core/category/category_tree.hpp"
#include "core/report/report.hpp"

#include <algorithm>
#include <span>

namespace varscope::fuzz {

namespace {

core::Catalogue AsSaved(core::Catalogue catalogue) {
    std::erase_if(catalogue.categories,
                  [](const core::CatalogueCategory& category) { return category.members.empty(); });
    for (core::CatalogueCategory& category : catalogue.categories) {
        bool placeholder = false;
        std::erase_if(category.members, [&placeholder](const core::CatalogueMember& member) {
            const bool again = placeholder && member.isPlaceholder();
            placeholder = placeholder || member.isPlaceholder();
            return again;
        });
    }
    return catalogue;
}

std::string Shown(const core::Catalogue& catalogue) {
    std::string out;
    for (const core::CatalogueCategory& category : catalogue.categories) {
        out += "[" + fuzz::Shown(category.name) + "]";
        for (const core::CatalogueMember& member : category.members)
            out += " \"" + fuzz::Shown(member.description) + "\"=\"" +
                   fuzz::Shown(member.variable) + "\"";
        out += "; ";
    }
    return out;
}

Failure RoundTrip(const core::Catalogue& catalogue, std::string_view from) {
    if (core::MergeRefusal(catalogue))
        return std::nullopt;
    const std::string text = core::CatalogueFileText(catalogue);
    const core::Catalogue loaded = core::ParseCatalogue(text);
    const core::Catalogue expected = AsSaved(catalogue);
    if (!(loaded == expected))
        return std::string(from) + ": saved " + Shown(expected) + "loaded " + Shown(loaded) +
               "from \"" + fuzz::Shown(text) + "\"";
    if (core::CatalogueFileText(loaded) != text)
        return std::string(from) + ": saving what was loaded changed the file \"" +
               fuzz::Shown(text) + "\"";
    return std::nullopt;
}

// The file read line by line here, apart from the line splitter the tree and the manager
// share: lines end at CR LF, LF or CR alone; a line holding "[node=" in any case names a
// category, from its first "=" up to "]" or the line's end; any other line with "=" is a
// member ("description=variable") of the category above it, if any.
core::Catalogue ReadHere(std::string_view bytes) {
    core::Catalogue catalogue;
    while (!bytes.empty()) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n"), bytes.size());
        const std::string_view line = bytes.substr(0, end);
        const std::size_t lineEnd = bytes.substr(end).starts_with("\r\n") ? 2 : 1;
        bytes.remove_prefix(std::min(end + lineEnd, bytes.size()));
        std::string lower(line);
        for (char& c : lower)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        const std::size_t equals = line.find('=');
        if (lower.find("[node=") != std::string::npos) {
            const std::string_view name = line.substr(equals + 1);
            catalogue.categories.push_back({std::string(name.substr(0, name.find(']'))), {}});
        } else if (equals != std::string_view::npos && !catalogue.categories.empty()) {
            catalogue.categories.back().members.push_back(
                {std::string(line.substr(0, equals)), std::string(line.substr(equals + 1))});
        }
    }
    return catalogue;
}

// The tree's reading of the file agrees with the Category Manager's.
Failure ListingAgrees(std::string_view bytes, const core::Catalogue& catalogue) {
    const core::CategoryListing listing = core::ParseCategoryListing(bytes);
    std::vector<core::ListedMember> members;
    std::vector<std::string> names;
    for (const core::CatalogueCategory& category : catalogue.categories) {
        names.push_back(category.name);
        for (const core::CatalogueMember& member : category.members)
            members.push_back({category.name, member.description, member.variable});
    }
    const bool same =
        listing.categoryNames == names &&
        std::equal(members.begin(), members.end(), listing.members.begin(), listing.members.end(),
                   [](const core::ListedMember& a, const core::ListedMember& b) {
                       return a.category == b.category && a.description == b.description &&
                              a.variable == b.variable;
                   });
    if (!same)
        return "the tree's listing and the manager's catalogue read the file differently";
    return std::nullopt;
}

// The tree of the file over the same bytes read as a report: every value node shows its
// record's expansion, and every record linked to a node is the one that node opens.
Failure TreeHolds(std::string_view bytes) {
    const core::CategoryListing listing = core::ParseCategoryListing(bytes);
    core::ReportData report = core::ParseReport(std::string(bytes));
    const core::CategoryTree tree = core::BuildCategoryTree(listing, report);
    const std::span<const core::ConfigVariable> records = report.Variables;
    for (std::size_t position = 1; position <= tree.nodes.size(); ++position) {
        const core::CategoryNode& node = tree.node(position);
        if (node.kind != core::CategoryNodeKind::Value)
            continue;
        if (node.record < 1 || node.record > records.size() ||
            tree.text(node) != records[node.record - 1].Expansion)
            return "value node " + std::to_string(position) + " does not show its record";
    }
    for (const core::ConfigVariable& record : records) {
        if (record.TreeNode != 0 &&
            core::LinkedRecord(tree, records, static_cast<std::size_t>(record.TreeNode)) !=
                record.Index)
            return "record " + std::to_string(record.Index) +
                   " is linked to a node that opens another";
    }
    core::CategoryExportText(tree);
    return std::nullopt;
}

// The input as Category Manager edits, each NUL-separated piece one edit: its first byte
// chooses the edit and its target, the rest is the typed text.
core::Catalogue Edited(std::string_view bytes, Failure& failure) {
    core::Catalogue catalogue;
    Input pieces(bytes);
    while (!pieces.empty()) {
        Input edit(pieces.piece('\0'));
        const std::uint8_t choice = edit.byte();
        const std::size_t target =
            catalogue.categories.empty() ? 0 : 1 + (choice >> 2) % catalogue.categories.size();
        switch (choice % 4) {
        case 0: {
            const std::string name(edit.rest());
            if (!core::CategoryNameRefusal(catalogue, name))
                core::AddCategory(catalogue, name);
            break;
        }
        case 1: {
            if (target == 0)
                break;
            core::CatalogueMember member;
            member.description = std::string(edit.piece('\x01'));
            member.variable = std::string(edit.rest());
            if (!core::MemberRefusal(catalogue, member))
                core::AddMember(catalogue.categories[target - 1], member);
            break;
        }
        case 2:
            core::MoveOrDeleteCategory(catalogue,
                                       static_cast<core::CategoryMove>((choice >> 2) % 3),
                                       edit.byte() % (catalogue.categories.size() + 2));
            break;
        default:
            if (target != 0)
                core::DeleteMembers(catalogue.categories[target - 1], {edit.byte() % 8u});
            break;
        }
    }
    if (auto refusal = core::MergeRefusal(catalogue))
        failure = "the manager's edits made a catalogue that cannot be saved: " + *refusal;
    return catalogue;
}

} // namespace

Failure CheckCategory(std::string_view input) {
    const core::Catalogue read = core::ParseCatalogue(input);
    if (!(read == ReadHere(input)))
        return "the manager read \"" + Shown(read) + "\", line by line the file gives \"" +
               Shown(ReadHere(input)) + "\"";
    if (auto failure = ListingAgrees(input, read))
        return failure;
    if (auto failure = RoundTrip(read, "read from the file"))
        return failure;
    if (auto failure = TreeHolds(input))
        return failure;
    Failure failure;
    const core::Catalogue edited = Edited(input, failure);
    if (failure)
        return failure;
    return RoundTrip(edited, "built by the manager's edits");
}

} // namespace varscope::fuzz
