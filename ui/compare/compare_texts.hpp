#pragma once

#include <string_view>

// Texts the Compare window shows, defined once.
namespace varscope::ui::text {

inline constexpr std::string_view kCompareTitle = "Compare";
inline constexpr std::string_view kCompareWith = "Compare With";
inline constexpr std::string_view kCompareFilter = "Debug Reports (*.txt);;All Files (*)";
inline constexpr std::string_view kCompareCouldNotRead = "Could not read the report ";
inline constexpr std::string_view kComparisonFile = "Comparison.Txt";
inline constexpr std::string_view kFileRowName = "(configuration file)";

// The window's captions; "%1" and the like are filled in, "&" marks the key that goes with
// Alt.
inline constexpr std::string_view kComparedWith = "  with  ";
inline constexpr std::string_view kOldAndNew = "Old:  %1\nNew:  %2";
inline constexpr std::string_view kDifferencesOnly = "Show only differences";
inline constexpr std::string_view kOutputButton = "&Output to Text File...";
inline constexpr std::string_view kCloseButton = "&Close";
inline constexpr std::string_view kCounts =
    "%1 changed, %2 added, %3 removed, %4 the same; %5 files only in Old, %6 only in New";
inline constexpr std::string_view kOutputPickerTitle = "Output to Text File";
inline constexpr std::string_view kOutputPickerFilter = "Output Text File (*.txt)";
inline constexpr std::string_view kOutputWritten =
    "The comparison was written to\n%1\n\n%2 lines: %3 variables, %4 configuration files.";
inline constexpr std::string_view kVariableColumn = "Variable";
inline constexpr std::string_view kOldValueColumn = "Old Final Value";
inline constexpr std::string_view kOldFileColumn = "Old File";
inline constexpr std::string_view kNewValueColumn = "New Final Value";
inline constexpr std::string_view kNewFileColumn = "New File";

} // namespace varscope::ui::text
