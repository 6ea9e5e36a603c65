#pragma once

#include "report.hpp"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// What the export window writes beyond the lines of export.hpp: where by default, the
// Category page's text, and the file itself.
namespace varscope::core {

namespace text {
inline constexpr std::string_view kOutputFileName = "Varscope.Txt";
inline constexpr std::string_view kCouldNotWrite = "Could not write ";
} // namespace text

// The program folder + "Varscope.Txt".
std::string DefaultOutputFile(std::string_view programFolder);

// The export of the Category page: the tree of the category file at `categoryFile` over
// `records` and a CR LF, the bytes varscope-cli writes for the same file and report. The
// records' TreeNode links are left as they were: they belong to the tree the page shows,
// which may have been built from an older state of the file.
std::string CategoryViewExport(const std::string& categoryFile, std::span<ConfigVariable> records);

// Replaces the file at `path` with `bytes` through a temporary file beside it. nullopt on
// success, else "Could not write " + path + ": " + the reason, with the old file left as it
// was.
std::optional<std::string> WriteExportFile(const std::string& path, std::string_view bytes);

} // namespace varscope::core
