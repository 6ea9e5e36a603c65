#include "core/category/category.hpp"

#include "core/strings.hpp"
#include "core/system/fileio.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <unordered_map>

namespace varscope::core {

namespace {

constexpr std::string_view kNodeMarker = "[node=";
constexpr std::string_view kMemberOpen = "   [";
constexpr std::string_view kFileLineEnd = "\r\n";
// A name holding one would be cut in two when saved.
constexpr std::string_view kLineEnds = "\r\n";

// Keys of the profile writer and of the tree ignore case; ASCII only, as everywhere.
std::string Folded(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

// Calls onNode(name) for every node line and onMember(description, variable) for every
// member line, in file order.
void ForEachCategoryLine(std::string_view bytes,
                         const std::function<void(std::string_view)>& onNode,
                         const std::function<void(std::string_view, std::string_view)>& onMember) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find('\n', at);
        std::string_view line = bytes.substr(at, end == std::string_view::npos ? end : end - at);
        at = end == std::string_view::npos ? bytes.size() : end + 1;
        // Files edited on Linux end their lines with LF alone.
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (FindIgnoreCase(line, kNodeMarker) != std::string_view::npos) {
            // Without its "]" the name runs to the line's end: stopping here would lose the
            // rest of the file at the next save.
            const std::string_view name = line.substr(line.find('=') + 1);
            onNode(name.substr(0, name.find(']')));
        } else if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
            onMember(line.substr(0, equals), line.substr(equals + 1));
        }
    }
}

std::string_view Bytes(const ReadResult& read) {
    return read.bytes ? std::string_view(*read.bytes) : std::string_view{};
}

// Positions of the texts that are equal ignoring case, in groups of two or more, in order
// of first appearance.
std::vector<std::vector<std::size_t>> CaseBlindGroups(const std::vector<std::string_view>& texts) {
    std::vector<std::vector<std::size_t>> groups;
    std::unordered_map<std::string, std::size_t> found;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto [at, added] = found.emplace(Folded(texts[i]), groups.size());
        if (added)
            groups.emplace_back();
        groups[at->second].push_back(i);
    }
    std::erase_if(groups, [](const auto& group) { return group.size() < 2; });
    return groups;
}

} // namespace

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

CategoryListing ReadCategoryListing(const std::string& path) {
    return ParseCategoryListing(Bytes(ReadRegularFile(path)));
}

Catalogue LoadCatalogue(const std::string& path) {
    return ParseCatalogue(Bytes(ReadRegularFile(path)));
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
            const auto [found, added] = sectionAt.emplace(Folded(category.name), sections.size());
            if (added)
                sections.push_back(Section{category.name, {}, {}});
            Section& section = sections[found->second];
            const auto [key, newKey] =
                section.keys.emplace(Folded(member.description), section.entries.size());
            if (newKey)
                section.entries.push_back(Entry{member.description, member.variable});
            else
                section.entries[key->second].value = member.variable;
        }
    }
    std::string out;
    for (const Section& section : sections) {
        out += kNodeMarker;
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
    const std::string folded = Folded(key);
    for (const CatalogueCategory& category : catalogue.categories) {
        if (Folded(category.name) == folded)
            return "is already the category " + Quoted(category.name) + ".";
    }
    for (const CatalogueCategory& category : catalogue.categories) {
        for (const CatalogueMember& member : category.members) {
            if (!member.description.empty() && Folded(member.description) == folded)
                return "is already the description " + Quoted(member.description) +
                       " in the category " + Quoted(category.name) + ".";
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> CategoryNameRefusal(const Catalogue& catalogue, std::string_view name) {
    if (name.empty())
        return std::nullopt;
    if (name.find(']') != std::string_view::npos)
        return "A category name cannot hold \"]\": " + Quoted(name) + ".";
    if (name.find_first_of(kLineEnds) != std::string_view::npos)
        return "A category name cannot hold a line end: " + Quoted(name) + ".";
    if (auto clash = KeyClash(catalogue, name))
        return Quoted(name) + " " + *clash;
    return std::nullopt;
}

std::optional<std::string> MemberRefusal(const Catalogue& catalogue,
                                         const CatalogueMember& member) {
    if (member.description.empty() || member.variable.empty())
        return std::string(text::kDescriptionAndVariableRequired);
    if (member.description.find('=') != std::string::npos)
        return "A description cannot hold \"=\": " + Quoted(member.description) + ".";
    for (const std::string* text : {&member.description, &member.variable}) {
        if (text->find_first_of(kLineEnds) != std::string::npos)
            return "A description or variable cannot hold a line end: " + Quoted(*text) + ".";
    }
    // Its line would read back as a category of its own: the marker may end in the "="
    // between description and variable.
    const std::string line = member.description + '=' + member.variable;
    if (FindIgnoreCase(line, kNodeMarker) != std::string::npos)
        return "A member cannot hold \"" + std::string(kNodeMarker) + "\": " + Quoted(line) + ".";
    if (auto clash = KeyClash(catalogue, member.description))
        return Quoted(member.description) + " " + *clash;
    return std::nullopt;
}

void EditedCatalogue::load(const std::string& path) {
    m_catalogue = LoadCatalogue(path);
    m_unsavedChanges = false;
}

void EditedCatalogue::startAfresh() {
    m_catalogue = {};
    m_unsavedChanges = false;
}

std::optional<std::string> EditedCatalogue::save(const std::string& path) {
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

namespace {

// The records' names that the members ask for, in a table of open addressing: the build
// looks up every record's name, so the lookup must cost little more than reading the name.
class NameIndex {
public:
    explicit NameIndex(std::size_t names) {
        std::size_t capacity = 16;
        while (capacity < 2 * names)
            capacity *= 2;
        m_slots.resize(capacity);
        m_mask = capacity - 1;
    }

    // The name's number, given in order of first insertion.
    std::size_t insert(std::string_view name) {
        const std::size_t hash = Hash(name);
        const std::size_t at = place(name, hash);
        if (!m_slots[at].used)
            m_slots[at] = Slot{name, hash, m_count++, true};
        return m_slots[at].number;
    }

    std::optional<std::size_t> find(std::string_view name) const {
        const Slot& slot = m_slots[place(name, Hash(name))];
        if (!slot.used)
            return std::nullopt;
        return slot.number;
    }

    std::size_t size() const { return m_count; }

private:
    // The name's slot, or the free one where it would go.
    std::size_t place(std::string_view name, std::size_t hash) const {
        std::size_t at = hash & m_mask;
        while (m_slots[at].used &&
               (m_slots[at].hash != hash || m_slots[at].name.size() != name.size() ||
                std::memcmp(m_slots[at].name.data(), name.data(), name.size()) != 0))
            at = (at + 1) & m_mask;
        return at;
    }

    struct Slot {
        std::string_view name;
        std::size_t hash = 0;
        std::size_t number = 0;
        bool used = false;
    };

    // Names share their starts ("MS_", "_USTN_"), so both ends and the length count.
    static std::size_t Hash(std::string_view name) {
        if (name.empty())
            return 0;
        std::uint64_t head = 0;
        std::uint64_t tail = 0;
        const std::size_t part = std::min<std::size_t>(name.size(), 8);
        std::memcpy(&head, name.data(), part);
        std::memcpy(&tail, name.data() + name.size() - part, part);
        std::uint64_t h = (head * 0x9E3779B97F4A7C15ULL) ^ (tail + name.size());
        h *= 0xBF58476D1CE4E5B9ULL;
        return static_cast<std::size_t>(h ^ (h >> 31));
    }

    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
    std::size_t m_count = 0;
};

} // namespace

namespace {

// Whether `text` lies within `all`; records made by hand may view other storage.
bool InReport(std::string_view all, std::string_view text) {
    const std::less_equal<const char*> notAfter;
    return !all.empty() && !text.empty() && notAfter(all.data(), text.data()) &&
           notAfter(text.data() + text.size(), all.data() + all.size());
}

} // namespace

CategoryTree BuildCategoryTree(const CategoryListing& listing, ReportData& report) {
    const std::span<ConfigVariable> records = report.Variables;
    CategoryTree tree;
    tree.reportBytes = report.Bytes;
    const std::string_view bytes =
        report.Bytes ? std::string_view(*report.Bytes) : std::string_view();
    auto& nodes = tree.nodes;
    const auto add = [&tree](CategoryNode& node, std::initializer_list<std::string_view> parts) {
        node.textStart = tree.texts.size();
        for (const std::string_view part : parts)
            tree.texts += part;
        node.textSize = tree.texts.size() - node.textStart;
        tree.nodes.push_back(std::move(node));
        return tree.nodes.size();
    };
    const auto addValue = [&tree](CategoryNode& node, std::string_view all, std::string_view text) {
        node.textStart = static_cast<std::size_t>(text.data() - all.data());
        node.textSize = text.size();
        node.textInReport = true;
        tree.nodes.push_back(std::move(node));
        return tree.nodes.size();
    };

    // Every link goes first, so that no record keeps a position that another one's node
    // has now. The records are indexed by the names the members ask for in the same pass,
    // each name's records chained in report order.
    NameIndex wanted(listing.members.size());
    std::vector<std::size_t> nameOf;
    nameOf.reserve(listing.members.size());
    for (const ListedMember& member : listing.members)
        nameOf.push_back(wanted.insert(member.variable));
    constexpr std::size_t kEnd = 0;
    std::vector<std::size_t> first(wanted.size(), kEnd);
    std::vector<std::size_t> last(wanted.size(), kEnd);
    std::vector<std::size_t> next(records.size() + 1, kEnd);
    std::vector<std::size_t> matches(wanted.size(), 0);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].TreeNode = 0;
        if (const auto name = wanted.find(records[i].Name)) {
            const auto index = i + 1;
            (first[*name] == kEnd ? first[*name] : next[last[*name]]) = index;
            last[*name] = index;
            ++matches[*name];
        }
    }
    // Everything is made in place, once.
    std::size_t values = 0;
    std::size_t textSize = 0;
    for (const std::string& name : listing.categoryNames)
        textSize += name.size();
    for (std::size_t k = 0; k < listing.members.size(); ++k) {
        const ListedMember& member = listing.members[k];
        values += matches[nameOf[k]];
        textSize += member.description.size() + kMemberOpen.size() + member.variable.size() + 1;
    }
    nodes.reserve(listing.categoryNames.size() + listing.members.size() + values);
    tree.texts.reserve(textSize);

    // Category names and descriptions share one name space.
    std::unordered_map<std::string, std::size_t> keys;
    for (const std::string& name : listing.categoryNames) {
        if (!keys.emplace(Folded(name), nodes.size() + 1).second) {
            tree.duplicateKey = name;
            return tree;
        }
        CategoryNode node;
        node.row = tree.roots.size();
        tree.roots.push_back(add(node, {name}));
    }
    const std::size_t firstMember = nodes.size() + 1;
    for (const ListedMember& member : listing.members) {
        const auto parent = keys.find(Folded(member.category));
        if (parent == keys.end() || nodes[parent->second - 1].kind != CategoryNodeKind::Category)
            return tree; // a listing not read from a file: no such category
        const std::size_t position = nodes.size() + 1;
        if (!member.description.empty() &&
            !keys.emplace(Folded(member.description), position).second) {
            tree.duplicateKey = member.description;
            return tree;
        }
        CategoryNode node;
        node.kind = CategoryNodeKind::Member;
        node.image = kMemberImage;
        node.parent = parent->second;
        CategoryNode& category = nodes[parent->second - 1];
        node.row = category.children.size();
        category.children.push_back(position);
        add(node, {member.description, kMemberOpen, member.variable, "]"});
    }
    for (std::size_t k = 0; k < listing.members.size(); ++k) {
        const std::size_t memberPosition = firstMember + k;
        nodes[memberPosition - 1].children.reserve(matches[nameOf[k]]);
        for (std::size_t index = first[nameOf[k]]; index != kEnd; index = next[index]) {
            ConfigVariable& record = records[index - 1];
            CategoryNode node;
            node.kind = CategoryNodeKind::Value;
            node.image = record.Level;
            node.parent = memberPosition;
            node.record = index;
            CategoryNode& parent = nodes[memberPosition - 1];
            node.row = parent.children.size();
            parent.children.push_back(nodes.size() + 1);
            record.TreeNode = static_cast<int>(InReport(bytes, record.Expansion)
                                                   ? addValue(node, bytes, record.Expansion)
                                                   : add(node, {record.Expansion}));
        }
    }
    return tree;
}

std::string DuplicateKeyMessage(std::string_view key) {
    std::string message(text::kDuplicateKeyHeading);
    message += '\n';
    message += text::kMultipleInstances;
    message += key;
    return message;
}

std::optional<std::size_t> LinkedRecord(const CategoryTree& tree,
                                        std::span<const ConfigVariable> records,
                                        std::size_t position) {
    if (position < 1 || position > tree.nodes.size())
        return std::nullopt;
    const CategoryNode& node = tree.node(position);
    // A reload of the report since the build has cleared every link.
    if (node.kind != CategoryNodeKind::Value || node.record > records.size() ||
        records[node.record - 1].TreeNode != static_cast<int>(position))
        return std::nullopt;
    return node.record;
}

namespace {

// Below the categories the indent tells whether a node has children, not its depth.
void AppendChildren(std::string& out, const CategoryTree& tree, const CategoryNode& parent) {
    for (const std::size_t position : parent.children) {
        const CategoryNode& child = tree.node(position);
        out += child.children.empty() ? "\t\t" : "\t";
        out += tree.text(child);
        out += '\n';
        AppendChildren(out, tree, child);
    }
}

} // namespace

std::string CategoryExportText(const CategoryTree& tree) {
    std::string out;
    for (const std::size_t position : tree.roots) {
        const CategoryNode& root = tree.node(position);
        out += tree.text(root);
        out += '\n';
        AppendChildren(out, tree, root);
    }
    return out;
}

} // namespace varscope::core
