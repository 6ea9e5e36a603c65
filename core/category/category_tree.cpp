#include "core/category/category_tree.hpp"

#include "core/texts.hpp"

#include <functional>
#include <unordered_map>

namespace varscope::core {

namespace {

constexpr std::string_view kMemberOpen = "   [";

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
    std::unordered_map<std::string_view, std::size_t> wanted; // name -> its number
    wanted.reserve(listing.members.size());
    std::vector<std::size_t> nameOf;
    nameOf.reserve(listing.members.size());
    for (const ListedMember& member : listing.members)
        nameOf.push_back(wanted.try_emplace(member.variable, wanted.size()).first->second);
    constexpr std::size_t kEnd = 0;
    std::vector<std::size_t> first(wanted.size(), kEnd);
    std::vector<std::size_t> last(wanted.size(), kEnd);
    std::vector<std::size_t> next(records.size() + 1, kEnd);
    std::vector<std::size_t> matches(wanted.size(), 0);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].TreeNode = 0;
        if (const auto found = wanted.find(records[i].Name); found != wanted.end()) {
            const std::size_t name = found->second;
            const auto index = i + 1;
            (first[name] == kEnd ? first[name] : next[last[name]]) = index;
            last[name] = index;
            ++matches[name];
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
        if (!keys.emplace(CategoryKey(name), nodes.size() + 1).second) {
            tree.duplicateKey = name;
            return tree;
        }
        CategoryNode node;
        node.row = tree.roots.size();
        tree.roots.push_back(add(node, {name}));
    }
    const std::size_t firstMember = nodes.size() + 1;
    for (const ListedMember& member : listing.members) {
        const auto parent = keys.find(CategoryKey(member.category));
        if (parent == keys.end() || nodes[parent->second - 1].kind != CategoryNodeKind::Category)
            return tree; // a listing not read from a file: no such category
        const std::size_t position = nodes.size() + 1;
        if (!member.description.empty() &&
            !keys.emplace(CategoryKey(member.description), position).second) {
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
