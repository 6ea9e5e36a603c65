#pragma once

#include <optional>
#include <string>
#include <string_view>

// Where the export window writes by default, and how it writes the file.
namespace varscope::core {

namespace text {
inline constexpr std::string_view kOutputFileName = "Varscope.Txt";
inline constexpr std::string_view kCouldNotWrite = "Could not write ";
} // namespace text

// The program folder + "Varscope.Txt".
std::string DefaultOutputFile(std::string_view programFolder);

// Saves `bytes` as the file at `path` with WriteFileAtomically. nullopt on success, else
// "Could not write " + its reason (which begins with the file), the old file left as it was.
std::optional<std::string> WriteExportFile(const std::string& path, std::string_view bytes);

} // namespace varscope::core
