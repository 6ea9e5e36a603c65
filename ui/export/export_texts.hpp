#pragma once

#include <string_view>

// Texts of the Output Options window, defined once.
namespace varscope::ui::text {

inline constexpr std::string_view kOutputTitle = "Output Options";
inline constexpr std::string_view kFileLocation = "File Location";
inline constexpr std::string_view kBrowse = "Browse";
inline constexpr std::string_view kDelimiterOptions = "Delimiter Options";
inline constexpr std::string_view kCharacter = "Character";
inline constexpr std::string_view kSpace = "Space";
inline constexpr std::string_view kTab = "Tab";
inline constexpr std::string_view kDelimiter = "Delimiter";
inline constexpr std::string_view kInitialDelimiter = "|";
inline constexpr std::string_view kOutputColumns = "Output Columns:";
// The column boxes, left to right: bits 0 to 4 of the column choice.
inline constexpr std::string_view kColumnCaptions[] = {"Level", "Variable", "Value", "Expansion",
                                                       "File"};
inline constexpr std::string_view kViewWhenComplete = "View When Complete?";
inline constexpr std::string_view kContinue = "Continue";
inline constexpr std::string_view kCancel = "Cancel";

inline constexpr std::string_view kPickerTitle = "Open";
inline constexpr std::string_view kPickerFilter = "Output Text File (*.txt)";

inline constexpr std::string_view kNoItemsSelected = "No Items Selected for Output";
inline constexpr std::string_view kFileCreatedTitle = "File Created";
// "<" + file + ">  Created     "
inline constexpr std::string_view kFileCreatedBefore = "<";
inline constexpr std::string_view kFileCreatedAfter = ">  Created     ";

// While a large view is written.
inline constexpr std::string_view kPreparingRows = "Preparing the rows . . .";
inline constexpr std::string_view kWritingFile = "Writing the file . . .";
inline constexpr std::string_view kCancelOutput = "Cancel";

} // namespace varscope::ui::text
