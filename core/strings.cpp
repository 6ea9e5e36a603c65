#include "core/strings.hpp"

namespace varscope::core {

std::string_view TrimLeadingBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? text.substr(text.size()) : text.substr(first);
}

std::string_view TrimTrailingBlanks(std::string_view text) {
    const std::size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? text.substr(0, 0) : text.substr(0, last + 1);
}

std::size_t FindIgnoreCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty())
        return 0;
    if (needle.size() > haystack.size())
        return std::string_view::npos;
    const char first = AsciiLower(needle.front());
    const std::size_t last = haystack.size() - needle.size();
    for (std::size_t i = 0; i <= last; ++i) {
        if (AsciiLower(haystack[i]) != first)
            continue;
        std::size_t k = 1;
        while (k < needle.size() && AsciiLower(haystack[i + k]) == AsciiLower(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string_view::npos;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

std::string CollapseDoubledSeparator(std::string_view path, char separator) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        out.push_back(path[i]);
        if (path[i] == separator && i + 1 < path.size() && path[i + 1] == separator)
            ++i;
    }
    return out;
}

std::string CollapseDoubledSeparatorInPath(std::string_view path, char separator) {
    if (path.size() >= 2 && path[0] == separator && path[1] == separator)
        return std::string(1, separator) + CollapseDoubledSeparator(path.substr(1), separator);
    return CollapseDoubledSeparator(path, separator);
}

std::vector<std::string> SplitNonEmpty(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        const std::string_view piece = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!piece.empty())
            pieces.emplace_back(piece);
        if (end == std::string_view::npos)
            return pieces;
        start = end + 1;
    }
}

} // namespace varscope::core
