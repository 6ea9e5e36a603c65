#pragma once

#include <string_view>

// Texts the lists and their Find show, defined once.
namespace varscope::ui::text {

inline constexpr std::string_view kSearchTitle = "Search";
inline constexpr std::string_view kSearchPrompt = "Enter Variable Name:";
inline constexpr std::string_view kNoMatchFound = "No match found";
inline constexpr std::string_view kFindButton = "&Find . . .";
inline constexpr std::string_view kFilterPlaceholder = "Filter";
inline constexpr std::string_view kFilterToolTip =
    "Shows only the rows whose name, value, expansion or file contains this text (letter case "
    "ignored). Escape clears it.";
inline constexpr std::string_view kLevelVariableHeader = "Level - Variable";
inline constexpr std::string_view kVariableHeader = "Variable";
inline constexpr std::string_view kValueHeader = "Value";
inline constexpr std::string_view kExpansionHeader = "Expansion";
inline constexpr std::string_view kFileHeader = "File";
inline constexpr std::string_view kConfigFilesHeader = "Configuration Files Used";

} // namespace varscope::ui::text
