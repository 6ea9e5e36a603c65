#pragma once

#include <string_view>

// Texts the Problems page shows, defined once.
namespace varscope::ui::text {

inline constexpr std::string_view kProblemsPage = "Problems";
// The tab caption once a report is read: "Problems (5)".
inline constexpr std::string_view kProblemsPageCounted = "Problems (%1)";
inline constexpr std::string_view kShowNotes = "Show &notes";
inline constexpr std::string_view kSeverityColumn = "Severity";
inline constexpr std::string_view kRuleColumn = "Rule";
inline constexpr std::string_view kVariableColumn = "Variable";
inline constexpr std::string_view kMessageColumn = "Message";
inline constexpr std::string_view kFileColumn = "File";
inline constexpr std::string_view kCopyFinding = "&Copy";
inline constexpr std::string_view kShowDefinition = "&Show Definition";
inline constexpr std::string_view kOpenFile = "&Open File";

} // namespace varscope::ui::text
