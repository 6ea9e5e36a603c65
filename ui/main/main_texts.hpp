#pragma once

#include <string_view>

// Texts the main window shows in message and input boxes, defined once.
namespace varscope::ui::text {

inline constexpr std::string_view kSearchTitle = "Search";
inline constexpr std::string_view kSearchPrompt = "Enter Variable Name:";
inline constexpr std::string_view kNoMatchFound = "No match found";
inline constexpr std::string_view kNoMoreMatches = "No more matches";
inline constexpr std::string_view kNoDataSelected = "No Data Selected";
inline constexpr std::string_view kNoDefinitionOf = "The report has no definition of ";
inline constexpr std::string_view kPreferencesNotSaved = "The preferences could not be saved: ";

} // namespace varscope::ui::text
