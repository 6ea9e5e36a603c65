#include "core/builder/builder.hpp"

#include <algorithm>

namespace varscope::core {

std::vector<std::string>& strSort(std::vector<std::string>& arrToSort) {
    // std::string compares its characters as unsigned bytes and puts a beginning before
    // the longer text: the code page's order.
    std::sort(arrToSort.begin(), arrToSort.end());
    return arrToSort;
}

std::vector<std::string> DefinedVariableNames(const std::vector<ConfigVariable>& table) {
    std::vector<std::string> names;
    names.reserve(table.size());
    for (const ConfigVariable& variable : table)
        names.emplace_back(variable.Name);
    strSort(names);
    // Sorted, the copies of one name lie side by side.
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace varscope::core
