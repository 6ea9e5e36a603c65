#include "report.hpp"

#include "text.hpp"

#include <algorithm>
#include <array>
#include <cstring>

namespace varscope::core {

namespace {

constexpr std::string_view kSummaryMarker = "configuration variable summary";
constexpr std::string_view kFileMarker = "processing macro file";

struct Tag {
    std::string_view text; // lower case, without the opening parenthesis
    ConfigLevel level;
};

// Tested in this order; a later match overrides an earlier one.
constexpr std::array<Tag, 6> kTags = {{{"site)", LevelSite},
                                       {"system)", LevelSystem},
                                       {"project)", LevelProject},
                                       {"user)", LevelUser},
                                       {"appl)", LevelApplication},
                                       {"predefined)", LevelPredefined}}};

// Case-insensitive Horspool search for a lower-case needle; the markers are long, so this
// skips most of every line instead of looking at each byte.
class MarkerFinder {
public:
    explicit MarkerFinder(std::string_view lowerNeedle) : m_needle(lowerNeedle) {
        m_skip.fill(m_needle.size());
        for (std::size_t i = 0; i + 1 < m_needle.size(); ++i) {
            const auto c = static_cast<unsigned char>(m_needle[i]);
            const std::size_t shift = m_needle.size() - 1 - i;
            m_skip[c] = shift;
            if (c >= 'a' && c <= 'z')
                m_skip[c - 32] = shift;
        }
    }

    bool in(std::string_view text) const {
        const std::size_t n = m_needle.size();
        std::size_t i = 0;
        while (i + n <= text.size()) {
            const char lastByte = text[i + n - 1];
            if (AsciiLower(lastByte) == m_needle[n - 1]) {
                std::size_t k = 0;
                while (k + 1 < n && AsciiLower(text[i + k]) == m_needle[k])
                    ++k;
                if (k + 1 == n)
                    return true;
            }
            i += m_skip[static_cast<unsigned char>(lastByte)];
        }
        return false;
    }

private:
    std::string_view m_needle;
    std::array<std::size_t, 256> m_skip{};
};

bool TagAt(std::string_view rest, std::string_view tag) {
    if (rest.size() < tag.size())
        return false;
    for (std::size_t i = 0; i < tag.size(); ++i) {
        if (AsciiLower(rest[i]) != tag[i])
            return false;
    }
    return true;
}

// The level the line's tags give, or LevelNone when it has none.
ConfigLevel LevelOfLine(std::string_view line) {
    ConfigLevel level = LevelNone;
    int bestRank = -1;
    std::size_t pos = 0;
    while ((pos = line.find('(', pos)) != std::string_view::npos) {
        ++pos;
        const std::string_view rest = line.substr(pos);
        for (int rank = 0; rank < static_cast<int>(kTags.size()); ++rank) {
            if (rank > bestRank && TagAt(rest, kTags[rank].text)) {
                bestRank = rank;
                level = kTags[rank].level;
            }
        }
    }
    return level;
}

std::string_view TrimLeadingBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

struct SplitLine {
    std::string_view name, value, expansion;
};

// Splits at the first "):"; nullopt when the line cannot be split.
std::optional<SplitLine> SplitVariableLine(std::string_view line, std::size_t closeParen) {
    const std::string_view rest = line.substr(closeParen + 2); // after "):"
    const std::size_t eq = rest.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    const std::size_t bracket = rest.find('[');
    if (bracket != std::string_view::npos && bracket < eq)
        return std::nullopt;
    SplitLine out;
    out.name = TrimLeadingBlanks(rest.substr(0, eq));
    if (bracket == std::string_view::npos) {
        out.value = rest.substr(eq + 1);
    } else {
        out.value = rest.substr(eq + 1, bracket - eq - 1);
        out.expansion = rest.substr(bracket + 1);
        if (!out.expansion.empty() && out.expansion.back() == ']')
            out.expansion.remove_suffix(1);
    }
    return out;
}

} // namespace

std::string_view LevelName(int code) {
    switch (code) {
    case LevelPredefined:
        return "Predefined";
    case LevelSystem:
        return "System";
    case LevelProject:
        return "Project";
    case LevelSite:
        return "Site";
    case LevelUser:
        return "User";
    case LevelApplication:
        return "Application";
    default:
        return {};
    }
}

std::optional<ConfigLevel> LevelFromText(std::string_view text) {
    for (const ConfigLevel level : kLegendLevels) {
        if (EqualsIgnoreCase(text, LevelName(level)) || text == std::to_string(level))
            return level;
    }
    return std::nullopt;
}

ReportData ParseReport(std::string bytes) {
    static const MarkerFinder summaryFinder(kSummaryMarker);
    static const MarkerFinder fileFinder(kFileMarker);

    ReportData data;
    auto owned = std::make_shared<std::string>(std::move(bytes));
    const std::string_view text(*owned);
    data.Bytes = std::move(owned);
    // A definition line is rarely shorter than 40 bytes; reserving avoids most regrowth.
    data.Variables.reserve(text.size() / 64 + 16);

    bool inSummary = false;
    std::string_view currentFile;
    std::int16_t pendingLevel = LevelNone;

    // The next LF and CR at or after the cursor, kept between lines so that a file using
    // only one kind of line end is not rescanned for the other on every line.
    std::size_t nextLf = 0;
    std::size_t nextCr = 0;
    bool lfKnown = false;
    bool crKnown = false;
    std::size_t cursor = 0;
    while (cursor < text.size()) {
        // A line ends at CR LF, LF or a lone CR.
        if (!lfKnown || nextLf < cursor) {
            nextLf = text.find('\n', cursor);
            lfKnown = true;
        }
        if (!crKnown || nextCr < cursor) {
            nextCr = text.find('\r', cursor);
            crKnown = true;
        }
        const std::size_t lineEnd = std::min(std::min(nextLf, nextCr), text.size());
        const std::string_view line = text.substr(cursor, lineEnd - cursor);
        cursor = lineEnd;
        if (cursor < text.size()) {
            ++cursor;
            if (text[lineEnd] == '\r' && cursor < text.size() && text[cursor] == '\n')
                ++cursor;
        }

        if (inSummary)
            data.SummaryLines.push_back(line);
        else if (summaryFinder.in(line))
            inSummary = true;

        if (fileFinder.in(line)) {
            const std::size_t open = line.find('[');
            const std::size_t close = line.find(']');
            if (open == std::string_view::npos || close == std::string_view::npos ||
                close < open) {
                ++data.SkippedLines;
            } else {
                currentFile = line.substr(open + 1, close - open - 1);
                data.ConfigFilesUsed.push_back(currentFile);
            }
        }

        if (line.find('(') != std::string_view::npos) {
            const ConfigLevel level = LevelOfLine(line);
            if (level != LevelNone)
                pendingLevel = level;
        }

        const std::size_t closeParen = line.find("):");
        if (closeParen == std::string_view::npos)
            continue;
        const std::optional<SplitLine> split = SplitVariableLine(line, closeParen);
        if (!split) {
            ++data.SkippedLines;
            continue;
        }
        ConfigVariable& record = data.Variables.emplace_back();
        record.Level = pendingLevel;
        record.Name = split->name;
        record.Value = split->value;
        record.Expansion = split->expansion;
        record.File = currentFile;
        record.Index = data.Variables.size();
        pendingLevel = LevelNone;

        if (EqualsIgnoreCase(record.Name, "_USTN_USER"))
            data.UserConfigFolder = record.Expansion;
        else if (EqualsIgnoreCase(record.Name, "_USTN_PROJECT"))
            data.ProjectConfigFolder = record.Expansion;
    }
    return data;
}

} // namespace varscope::core
