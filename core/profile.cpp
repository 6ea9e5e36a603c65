#include "profile.hpp"

#include "fileio.hpp"
#include "platform/platform.hpp"
#include "text.hpp"

#include <vector>

namespace varscope::core::profile {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> SplitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        if (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() != '[')
        return std::nullopt;
    const std::size_t close = trimmed.find(']');
    const std::string_view inside =
        close == std::string_view::npos ? trimmed.substr(1) : trimmed.substr(1, close - 1);
    return Trim(inside);
}

std::string_view KeyOf(std::string_view line) {
    const std::size_t eq = line.find('=');
    return Trim(eq == std::string_view::npos ? line : line.substr(0, eq));
}

bool IsComment(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    return !trimmed.empty() && trimmed.front() == ';';
}

// Lines [begin, end) of the first section named `section`, begin being its header.
struct SectionRange {
    std::size_t header;
    std::size_t end;
};

std::optional<SectionRange> FindSection(const std::vector<std::string_view>& lines,
                                        std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionOf(lines[i]);
        if (!name || !EqualsIgnoreCase(*name, Trim(section)))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !SectionOf(lines[end]))
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<std::string_view>& lines,
                                   const SectionRange& range, std::string_view key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        if (!IsComment(lines[i]) && lines[i].find('=') != std::string_view::npos &&
            EqualsIgnoreCase(KeyOf(lines[i]), Trim(key)))
            return i;
    }
    return std::nullopt;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace

std::optional<std::string> FindValue(std::string_view fileBytes, std::string_view section,
                                     std::string_view key) {
    const std::vector<std::string_view> lines = SplitLines(fileBytes);
    const auto range = FindSection(lines, section);
    if (!range)
        return std::nullopt;
    const auto index = FindKey(lines, *range, key);
    if (!index)
        return std::nullopt;
    const std::string_view line = lines[*index];
    std::string_view value = Trim(line.substr(line.find('=') + 1));
    // A value in matching quotes is given without them.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string SetValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                     std::string_view value) {
    const std::vector<std::string_view> views = SplitLines(fileBytes);
    std::vector<std::string> lines(views.begin(), views.end());
    const std::string entry = std::string(Trim(key)) + "=" + std::string(value);
    const auto range = FindSection(views, section);
    if (!range) {
        lines.push_back("[" + std::string(Trim(section)) + "]");
        lines.push_back(entry);
        return Join(lines);
    }
    if (const auto index = FindKey(views, *range, key)) {
        lines[*index] = std::string(KeyOf(views[*index])) + "=" + std::string(value);
        return Join(lines);
    }
    // New keys go after the section's last non-blank line.
    std::size_t insertAt = range->end;
    while (insertAt > range->header + 1 && Trim(views[insertAt - 1]).empty())
        --insertAt;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    return Join(lines);
}

std::string GetString(std::string_view section, std::string_view key, std::string_view fallback,
                      const std::string& path, std::size_t bufferSize) {
    std::string result;
    const ReadResult read = ReadWholeFile(path);
    std::optional<std::string> found;
    if (read.bytes)
        found = FindValue(*read.bytes, section, key);
    result = found ? *found : std::string(fallback);
    const std::size_t limit = bufferSize == 0 ? 0 : bufferSize - 1;
    if (result.size() > limit)
        result.resize(limit);
    // The caller's buffer ends at the first zero byte.
    if (const std::size_t zero = result.find('\0'); zero != std::string::npos)
        result.resize(zero);
    return result;
}

std::optional<std::string> WriteString(std::string_view section, std::string_view key,
                                       std::string_view value, const std::string& path) {
    const ReadResult read = ReadWholeFile(path);
    // A file that exists but cannot be read must not be replaced by one holding one key.
    if (!read.bytes && platform::FileExists(path))
        return read.error;
    const std::string_view current = read.bytes ? std::string_view(*read.bytes) : std::string_view{};
    return WriteFileAtomically(path, SetValue(current, section, key, value));
}

} // namespace varscope::core::profile
