// The report reader as it was before the streaming scanner, kept as the reference that the
// differential test and the report fuzz harness hold the current reader to; it must never
// use the scanner. Changed since only where the reading rules changed: a line counts once as
// skipped when its file part, its definition or both are malformed (each good part is still kept),
// a line longer than kLongestLine is skipped and counted, and the newer versions' level tags are
// tested after the older six.
#pragma once

#include "core/report/report.hpp"
#include "core/strings.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varscope::test::reference {

// 64 MiB, stated here again so that the reference does not take it from the reader.
constexpr std::size_t kLongestLine = std::size_t{64} << 20;

using namespace varscope::core;

// The level tags without their parentheses, lower case, in the order they are tested; a
// later match overrides an earlier one.
struct Tag {
    std::string_view word;
    ConfigLevel level;
};
constexpr std::array<Tag, 11> kTags = {{{"site", LevelSite},
                                        {"system", LevelSystem},
                                        {"project", LevelProject},
                                        {"user", LevelUser},
                                        {"appl", LevelApplication},
                                        {"predefined", LevelPredefined},
                                        {"application", LevelApplication},
                                        {"organization", LevelOrganization},
                                        {"workspace", LevelWorkSpace},
                                        {"workset", LevelWorkSet},
                                        {"role", LevelRole}}};

constexpr std::string_view kSummaryMarker = "configuration variable summary";
constexpr std::string_view kFileMarker = "processing macro file";

// Case-insensitive search for one or two markers at once (Horspool over a window as long
// as the shorter marker, shifting by the window's last two bytes): pairs from the markers
// are few, so most windows move on by nearly the window's length, and both markers cost
// one pass.
class MarkerSearch {
public:
    explicit MarkerSearch(std::initializer_list<std::string_view> lowerMarkers) {
        for (const std::string_view marker : lowerMarkers) {
            m_markers[m_count++] = marker;
            m_window = m_count == 1 ? marker.size() : std::min(m_window, marker.size());
        }
        const std::size_t n = m_window;
        m_shift.fill(static_cast<std::uint8_t>(n));
        for (std::size_t k = 0; k < m_count; ++k) {
            const std::string_view marker = m_markers[k];
            // A match may start at the last byte of the pair...
            for (std::size_t other = 0; other < 32; ++other)
                Lower(Pair(other, ClassOf(marker[0])), n - 1);
            // ...or wherever the pair stands in the marker's first n bytes.
            for (std::size_t shift = 0; shift + 1 < n; ++shift)
                Lower(Pair(ClassOf(marker[n - 2 - shift]), ClassOf(marker[n - 1 - shift])), shift);
        }
    }

    // Bit k is set when the text holds marker k.
    unsigned in(std::string_view text) const {
        const unsigned all = (1u << m_count) - 1;
        unsigned found = 0;
        const std::size_t n = m_window;
        std::size_t i = 0;
        while (i + n <= text.size()) {
            const std::uint8_t shift =
                m_shift[Pair(ClassOf(text[i + n - 2]), ClassOf(text[i + n - 1]))];
            if (shift != 0) {
                i += shift;
                continue;
            }
            for (std::size_t k = 0; k < m_count; ++k) {
                if (!(found & 1u << k) && StartsWithMarker(text.substr(i), m_markers[k]))
                    found |= 1u << k;
            }
            if (found == all)
                break;
            ++i;
        }
        return found;
    }

private:
    // The markers hold only letters and blanks. A letter's low five bits are the same in
    // either case; other bytes that share them with a marker's letters only shorten a shift.
    static std::size_t ClassOf(char c) { return static_cast<unsigned char>(c) & 0x1Fu; }
    static std::size_t Pair(std::size_t a, std::size_t b) { return a << 5 | b; }
    static bool StartsWithMarker(std::string_view text, std::string_view marker) {
        if (text.size() < marker.size())
            return false;
        for (std::size_t k = 0; k < marker.size(); ++k) {
            if (AsciiLower(text[k]) != marker[k])
                return false;
        }
        return true;
    }
    void Lower(std::size_t pair, std::size_t shift) {
        m_shift[pair] = std::min(m_shift[pair], static_cast<std::uint8_t>(shift));
    }

    std::array<std::string_view, 2> m_markers;
    std::size_t m_count = 0;
    std::size_t m_window = 0;
    std::array<std::uint8_t, 32 * 32> m_shift{};
};

// The highest rank in kTags of a tag whose ")" stands at `close` in the line, or -1.
// Looking back from each ")" finds every tag, and the same pass finds the first "):".
inline int TagRankEndingAt(std::string_view line, std::size_t close) {
    int found = -1;
    for (std::size_t rank = 0; rank < kTags.size(); ++rank) {
        const std::string_view word = kTags[rank].word;
        if (close < word.size() + 1 || line[close - word.size() - 1] != '(')
            continue;
        bool same = true;
        for (std::size_t i = 0; i < word.size() && same; ++i)
            same = AsciiLower(line[close - word.size() + i]) == word[i];
        if (same)
            found = static_cast<int>(rank);
    }
    return found;
}

inline std::string_view TrimLeadingBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

struct SplitLine {
    std::string_view name, value, expansion;
};

// Splits at the first "):"; nullopt when the line cannot be split.
inline std::optional<SplitLine> SplitVariableLine(std::string_view line, std::size_t closeParen) {
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

inline ReportData ParseReport(std::string bytes) {
    // Bit 0: the file marker, bit 1: the summary marker, looked for until it is found.
    static const MarkerSearch bothMarkers({kFileMarker, kSummaryMarker});
    static const MarkerSearch fileMarker({kFileMarker});
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

        if (line.size() > kLongestLine) {
            ++data.SkippedLines;
            continue;
        }
        bool malformed = false;
        const unsigned markers = (inSummary ? fileMarker : bothMarkers).in(line);
        if (inSummary)
            data.SummaryLines.push_back(line);
        else if (markers & 2u)
            inSummary = data.HasSummary = true;

        if (markers & 1u) {
            const std::size_t open = line.find('[');
            const std::size_t close = line.find(']');
            if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
                malformed = true;
            } else {
                currentFile = line.substr(open + 1, close - open - 1);
                data.ConfigFilesUsed.push_back(currentFile);
            }
        }

        int tagRank = -1;
        std::size_t closeParen = std::string_view::npos;
        for (std::size_t paren = line.find(')'); paren != std::string_view::npos;
             paren = line.find(')', paren + 1)) {
            if (closeParen == std::string_view::npos && paren + 1 < line.size() &&
                line[paren + 1] == ':')
                closeParen = paren;
            tagRank = std::max(tagRank, TagRankEndingAt(line, paren));
        }
        if (tagRank >= 0)
            pendingLevel = kTags[static_cast<std::size_t>(tagRank)].level;

        const std::optional<SplitLine> split = closeParen == std::string_view::npos
                                                   ? std::nullopt
                                                   : SplitVariableLine(line, closeParen);
        if (closeParen != std::string_view::npos && !split)
            malformed = true;
        data.SkippedLines += malformed ? 1 : 0;
        if (!split)
            continue;
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

} // namespace varscope::test::reference
