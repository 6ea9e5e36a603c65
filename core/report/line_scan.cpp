// The unit of bytes here is the block, as line_scan.hpp defines it. A line ends at CR LF,
// LF or a lone CR; a CR at a block's end is taken as the line's end at once, and a LF that
// starts the next block is then part of it.
#include "core/report/line_scan.hpp"

#include "core/strings.hpp"

#include <array>

namespace varscope::core {

namespace {

// The level tags without their parentheses, lower case, in the order they are tested; a
// later match overrides an earlier one. The older versions' six come first.
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

constexpr std::string_view kFileMarker = "processing macro file";
constexpr std::string_view kSummaryMarker = "configuration variable summary";

// Whether the tag `word` ends with the ")" at `close` in the line.
bool TagEndsAt(std::string_view line, std::size_t close, std::string_view word) {
    if (close < word.size() + 1 || line[close - word.size() - 1] != '(')
        return false;
    return EqualsIgnoreCase(line.substr(close - word.size(), word.size()), word);
}

// Whether the line holds the marker whose first blank is at `blank`, ignoring letter case.
bool MarkerAt(std::string_view line, std::size_t blank, std::string_view marker) {
    const std::size_t before = marker.find(' ');
    return blank >= before && line.size() - (blank - before) >= marker.size() &&
           EqualsIgnoreCase(line.substr(blank - before, marker.size()), marker);
}

constexpr unsigned kFileBit = 1;
constexpr unsigned kSummaryBit = 2;

// Which markers the line holds (kFileBit, kSummaryBit; the summary's only when asked). A
// marker is looked for only where the line has a blank that could be its first: lines hold
// few blanks.
unsigned MarkersIn(std::string_view line, bool summaryToo) {
    unsigned found = 0;
    for (std::size_t blank = line.find(' '); blank != std::string_view::npos;
         blank = line.find(' ', blank + 1)) {
        found |= MarkerAt(line, blank, kFileMarker) ? kFileBit : 0;
        found |= summaryToo && MarkerAt(line, blank, kSummaryMarker) ? kSummaryBit : 0;
    }
    return found;
}

// The first '\n' or '\r' at or after `from`, else npos.
std::size_t FindLineEnd(std::string_view text, std::size_t from) {
    const std::size_t lf = text.find('\n', from);
    const std::size_t cr =
        text.substr(0, lf == std::string_view::npos ? text.size() : lf).find('\r', from);
    return cr == std::string_view::npos ? lf : cr;
}

} // namespace

bool LongLines::passOver(std::string_view& block) {
    if (m_state == State::Passing) {
        const std::size_t end = FindLineEnd(block, 0);
        if (end == std::string_view::npos)
            return false;
        m_state = block[end] == '\r' ? State::PassedCr : State::None;
        block.remove_prefix(end + 1);
    }
    if (m_state == State::PassedCr && !block.empty()) {
        if (block.front() == '\n')
            block.remove_prefix(1);
        m_state = State::None;
    }
    return true;
}

LineScanner::LineScanner(ReportSink& sink, std::size_t longestLine)
    : m_sink(sink), m_longLines(longestLine) {}

void LineScanner::scanWhole(std::string_view text) {
    readLines(text, true);
}

bool LineScanner::feed(std::string_view block) {
    m_copyFiles = true;
    if (m_stopped)
        return false;
    if (m_afterCr && !block.empty()) {
        if (block.front() == '\n')
            block.remove_prefix(1);
        m_afterCr = false;
    }
    if (m_longLines.passing() && !m_longLines.passOver(block))
        return true;
    if (!m_partial.empty()) {
        // Completes the line begun in earlier blocks and reads it alone.
        const std::size_t end = FindLineEnd(block, 0);
        if (end == std::string_view::npos) {
            keep(block);
            return true;
        }
        m_partial.append(block.substr(0, end));
        readLine(m_partial);
        m_partial.clear();
        block.remove_prefix(pastLineEnd(block, end, false));
        if (m_stopped)
            return false;
    }
    const std::size_t used = readLines(block, false);
    if (m_stopped)
        return false;
    keep(block.substr(used));
    return true;
}

bool LineScanner::finish() {
    if (m_stopped)
        return false;
    if (!m_partial.empty())
        readLine(m_partial);
    m_partial.clear();
    return !m_stopped;
}

std::size_t LineScanner::readLines(std::string_view text, bool atEnd) {
    // The next LF and CR, kept between lines: a report that uses one kind of line end is
    // not searched to its end for the other on every line.
    std::size_t nextLf = text.find('\n');
    std::size_t nextCr = text.find('\r');
    std::size_t pos = 0;
    while (pos < text.size() && !m_stopped) {
        if (nextLf < pos)
            nextLf = text.find('\n', pos);
        if (nextCr < pos)
            nextCr = text.find('\r', pos);
        const std::size_t end = std::min(nextLf, nextCr);
        if (end == std::string_view::npos) {
            if (!atEnd)
                return pos;
            readLine(text.substr(pos));
            return text.size();
        }
        readLine(text.substr(pos, end - pos));
        pos = pastLineEnd(text, end, atEnd);
    }
    return pos;
}

std::size_t LineScanner::pastLineEnd(std::string_view text, std::size_t end, bool atEnd) {
    std::size_t next = end + 1;
    if (text[end] == '\r') {
        if (next == text.size())
            m_afterCr = !atEnd;
        else if (text[next] == '\n')
            ++next;
    }
    return next;
}

void LineScanner::keep(std::string_view rest) {
    if (m_longLines.tooLong(m_partial.size() + rest.size())) {
        m_partial.clear();
        m_partial.shrink_to_fit();
        m_longLines.pass();
        return;
    }
    m_partial.append(rest);
}

void LineScanner::readLine(std::string_view line) {
    if (m_longLines.tooLong(line.size())) {
        m_longLines.skip();
        return;
    }
    const unsigned markers = MarkersIn(line, !m_inSummary);
    if (m_inSummary) {
        if (!m_sink.summaryLine(line)) {
            m_stopped = true;
            return;
        }
    } else if (markers & kSummaryBit) {
        m_inSummary = true;
        if (!m_sink.summaryHeading()) {
            m_stopped = true;
            return;
        }
    }

    // A line may be a file line and a definition at once: it keeps the part that is good
    // and counts once when a part is not.
    bool badFile = false;
    if (markers & kFileBit) {
        const std::size_t open = line.find('[');
        const std::size_t close = line.find(']');
        if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
            badFile = true;
        } else {
            m_currentFile = line.substr(open + 1, close - open - 1);
            if (m_copyFiles) {
                m_fileCopy.assign(m_currentFile);
                m_currentFile = m_fileCopy;
            }
            if (!m_sink.configFile(m_currentFile)) {
                m_stopped = true;
                return;
            }
        }
    }

    // A ')' may end a tag (the last in kTags wins) or begin the first "):".
    std::size_t tag = 0; // one past the rank in kTags of the tag found; 0 for none
    std::size_t paren = std::string_view::npos;
    for (std::size_t close = line.find(')'); close != std::string_view::npos;
         close = line.find(')', close + 1)) {
        if (paren == std::string_view::npos && close + 1 < line.size() && line[close + 1] == ':')
            paren = close;
        for (std::size_t rank = tag; rank < kTags.size(); ++rank) {
            if (TagEndsAt(line, close, kTags[rank].word))
                tag = rank + 1;
        }
    }
    if (tag > 0)
        m_pendingLevel = kTags[tag - 1].level;
    if (paren == std::string_view::npos) {
        m_skipped += badFile ? 1 : 0;
        return;
    }
    const std::string_view rest = line.substr(paren + 2);
    const std::size_t equals = rest.find('=');
    const std::size_t bracket = rest.find('[');
    if (equals == std::string_view::npos || bracket < equals) {
        ++m_skipped;
        return;
    }
    std::string_view expansion;
    if (bracket != std::string_view::npos) {
        expansion = rest.substr(bracket + 1);
        if (!expansion.empty() && expansion.back() == ']')
            expansion.remove_suffix(1);
    }
    // One record for all lines: a new one per line would be cleared before it is filled.
    m_record.Level = m_pendingLevel;
    m_record.Name = TrimLeadingBlanks(rest.substr(0, equals));
    m_record.Value =
        rest.substr(equals + 1, bracket == std::string_view::npos ? std::string_view::npos
                                                                  : bracket - equals - 1);
    m_record.Expansion = expansion;
    m_record.File = m_currentFile;
    m_record.Index = ++m_records;
    m_pendingLevel = LevelNone;
    m_skipped += badFile ? 1 : 0;
    if (!m_sink.variable(m_record))
        m_stopped = true;
}

} // namespace varscope::core
