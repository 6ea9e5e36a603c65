#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace varscope::core {
struct ExportChoices;
}

namespace varscope::ui {

class MainWindow;

// Told how many rows of how many are made; false stops the making.
using RowProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The bytes an export writes for the page in front of `window`: the rows of a variable list
// in the order shown, with the chosen columns; the lines of Summary or File Order; the
// Category page's tree. nullopt when `progress` stopped it.
std::optional<std::string> ShownViewText(MainWindow& window, const core::ExportChoices& choices,
                                         const RowProgress& progress);

} // namespace varscope::ui
