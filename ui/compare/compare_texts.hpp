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

} // namespace varscope::ui::text
