#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {
struct ConfigVariable;
struct ExportChoices;
} // namespace varscope::core

namespace varscope::ui {

// What a page shows, row by row in the order shown, as its export writes it.
struct PageRows {
    enum class Kind {
        Records, // a variable list, written with the chosen columns
        Lines,   // a one-column list (Summary, File Order), a line per row
        Text     // a tree written as one block (Category)
    };
    Kind kind = Kind::Lines;
    std::vector<const core::ConfigVariable*> records;
    std::vector<std::string_view> lines;
    std::string text;
};

// Told how many rows of how many are made; false stops the making.
using RowProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The bytes an export writes for `rows`. nullopt when `progress` stopped it.
std::optional<std::string> ShownViewText(const PageRows& rows, const core::ExportChoices& choices,
                                         const RowProgress& progress);

} // namespace varscope::ui
