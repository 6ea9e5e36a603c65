#pragma once

#include <string_view>

// Texts the derivation pane shows, defined once.
namespace varscope::ui::text {

inline constexpr std::string_view kDerivationItem = "&Derivation";
inline constexpr std::string_view kHowItGotItsValue = "How %1 got its value";
inline constexpr std::string_view kUsedBy = "Used by (%1)";
inline constexpr std::string_view kSelectAVariable =
    "Select a variable to see how it got its value.";
inline constexpr std::string_view kDefinedLaterIn =
    "not defined at this point; first defined later in %1";
inline constexpr std::string_view kNotDefinedHere = "not defined at this point";
inline constexpr std::string_view kNeverDefined = "never defined";
inline constexpr std::string_view kRepeat = "(repeat)";
inline constexpr std::string_view kElided = "...";
inline constexpr std::string_view kDerivationOpenFile = "&Open File";
inline constexpr std::string_view kCopyName = "&Copy Name";
inline constexpr std::string_view kNameColumn = "Name";
inline constexpr std::string_view kValueColumn = "Value";
inline constexpr std::string_view kExpansionColumn = "Expansion";
inline constexpr std::string_view kFileColumnCaption = "File";

} // namespace varscope::ui::text
