#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

// Report and category lines are recognised by substring, ignoring letter case (ASCII only:
// the texts are bytes in the system code page).
constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
constexpr char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// A blank between the words of a command line.
constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The text without the blanks (' ') at its start, or at its end.
std::string_view TrimLeadingBlanks(std::string_view text);
std::string_view TrimTrailingBlanks(std::string_view text);

std::size_t FindIgnoreCase(std::string_view haystack, std::string_view needle);

// The non-empty pieces of `text` between `separator`s (a search path's folders).
std::vector<std::string> SplitNonEmpty(std::string_view text, char separator);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Replaces every doubled separator by a single one in one left-to-right pass.
std::string CollapseDoubledSeparator(std::string_view path, char separator);
// The same for a path, keeping a leading doubled separator: it begins a network path
// (\\server\share).
std::string CollapseDoubledSeparatorInPath(std::string_view path, char separator);

} // namespace varscope::core
