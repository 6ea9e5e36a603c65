#include "report.hpp"

#include "fileio.hpp"
#include "line_scan.hpp"
#include "platform/platform.hpp"
#include "text.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

namespace varscope::core {

namespace {

// The level tags without their parentheses, lower case, in the order they are tested; a
// later match overrides an earlier one.
struct Tag {
    std::string_view word;
    ConfigLevel level;
};
constexpr std::array<Tag, 6> kTags = {{{"site", LevelSite},
                                       {"system", LevelSystem},
                                       {"project", LevelProject},
                                       {"user", LevelUser},
                                       {"appl", LevelApplication},
                                       {"predefined", LevelPredefined}}};

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

// Setting bit 5 turns an ASCII capital into its small letter, and no other byte into a letter.
constexpr std::uint32_t kToLower = 0x20202020u;

// Four bytes as one number, in the byte order of a load from memory.
constexpr std::uint32_t FourBytes(std::string_view text) {
    return std::bit_cast<std::uint32_t>(std::array<char, 4>{text[0], text[1], text[2], text[3]});
}

// The tags by their last four letters, which differ: a multiplicative hash of those letters
// picks the one tag a ")" may end.
struct TagSlot {
    std::uint32_t lastFour = 0;
    int rank = -1;
    // The eight bytes before the last four, as one number: which of them the tag holds (its
    // '(' and first letters), those letters with bit 5 set, and where the letters are.
    std::uint64_t headMask = 0;
    std::uint64_t headPattern = 0;
    std::uint64_t headLetters = 0;
};
struct TagTable {
    std::uint32_t multiplier = 0;
    std::array<TagSlot, 8> slots{};
    constexpr std::size_t slotOf(std::uint32_t lastFour) const {
        return static_cast<std::uint32_t>(lastFour * multiplier) >> 29;
    }
};
constexpr TagTable MakeTagTable() {
    for (std::uint32_t multiplier = 0x9E3779B1u;; multiplier += 2) {
        TagTable table;
        table.multiplier = multiplier;
        bool clash = false;
        for (std::size_t rank = 0; rank < kTags.size() && !clash; ++rank) {
            const std::string_view word = kTags[rank].word;
            const std::uint32_t lastFour = FourBytes(word.substr(word.size() - 4));
            TagSlot& slot = table.slots[table.slotOf(lastFour)];
            clash = slot.rank >= 0;
            // The tag's '(' and first letters end the eight bytes before its last four.
            std::array<char, 8> mask{}, pattern{}, letters{};
            const std::size_t head = word.size() - 4 + 1;
            for (std::size_t i = 0; i < head; ++i) {
                const std::size_t at = 8 - head + i;
                mask[at] = static_cast<char>(0xFF);
                pattern[at] = i == 0 ? '(' : word[i - 1];
                letters[at] = i == 0 ? 0 : static_cast<char>(kToLower & 0xFF);
            }
            slot = {lastFour, static_cast<int>(rank), std::bit_cast<std::uint64_t>(mask),
                    std::bit_cast<std::uint64_t>(pattern), std::bit_cast<std::uint64_t>(letters)};
        }
        if (!clash)
            return table;
    }
}
constexpr TagTable kTagTable = MakeTagTable();

// The longest tag and its '(' take this many bytes before the ')'.
constexpr std::size_t kTagReach = 12;

// TagRankEndingAt for a ")" with kTagReach bytes before it, without a branch: tags' ends are
// met at random, so branches would be mispredicted.
inline int TagRankFast(const char* text, std::size_t close) {
    std::uint32_t lastFour = 0;
    std::memcpy(&lastFour, text + close - 4, sizeof lastFour);
    lastFour |= kToLower;
    const TagSlot& slot = kTagTable.slots[kTagTable.slotOf(lastFour)];
    std::uint64_t head = 0;
    std::memcpy(&head, text + close - kTagReach, sizeof head);
    const bool match = (slot.lastFour == lastFour) &
                       (((head | slot.headLetters) & slot.headMask) == slot.headPattern);
    return match ? slot.rank : -1;
}

// The rank in kTags of the tag whose ")" stands at `close` in the line, or -1. Looking back
// from each ")" finds every tag.
inline int TagRankEndingAt(std::string_view line, std::size_t close) {
    constexpr std::size_t kShortest = 4 + 1; // "(site", "(user", "(appl"
    if (close < kShortest)
        return -1;
    std::uint32_t lastFour = 0;
    std::memcpy(&lastFour, line.data() + close - 4, sizeof lastFour);
    lastFour |= kToLower;
    const TagSlot& slot = kTagTable.slots[kTagTable.slotOf(lastFour)];
    if (slot.lastFour != lastFour)
        return -1;
    const std::string_view word = kTags[static_cast<std::size_t>(slot.rank)].word;
    if (close < word.size() + 1 || line[close - word.size() - 1] != '(')
        return -1;
    // The last four matched already: only a letter's two cases become that letter.
    for (std::size_t i = 0; i + 4 < word.size(); ++i) {
        if (AsciiLower(line[close - word.size() + i]) != word[i])
            return -1;
    }
    return slot.rank;
}

std::string_view TrimLeadingBlanks(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && text[first] == ' ')
        ++first;
    return text.substr(first);
}

bool StartsWithMarker(const char* text, std::string_view lowerMarker) {
    for (std::size_t k = 0; k < lowerMarker.size(); ++k) {
        if (AsciiLower(text[k]) != lowerMarker[k])
            return false;
    }
    return true;
}

// The blanks of a marker: its first two, as offsets from its start.
struct MarkerBlanks {
    std::size_t first, second;
};
constexpr MarkerBlanks BlanksOf(std::string_view marker) {
    const std::size_t first = marker.find(' ');
    return {first, marker.find(' ', first + 1)};
}
// A marker's first eight bytes as one number, for markers whose first eight bytes are
// small letters.
constexpr std::uint64_t kToLower8 = 0x2020202020202020u;
constexpr std::uint64_t HeadOf(std::string_view marker) {
    std::array<char, 8> head{};
    for (std::size_t i = 0; i < head.size(); ++i)
        head[i] = marker[i];
    return std::bit_cast<std::uint64_t>(head);
}
constexpr bool HeadIsLetters(std::string_view marker) {
    for (std::size_t i = 0; i < 8; ++i) {
        if (marker[i] < 'a' || marker[i] > 'z')
            return false;
    }
    return true;
}
static_assert(HeadIsLetters(kFileMarker) && HeadIsLetters(kSummaryMarker));
constexpr std::uint64_t kFileHead = HeadOf(kFileMarker);
constexpr std::uint64_t kSummaryHead = HeadOf(kSummaryMarker);
constexpr MarkerBlanks kFileBlanks = BlanksOf(kFileMarker);
constexpr MarkerBlanks kSummaryBlanks = BlanksOf(kSummaryMarker);
constexpr std::size_t kFileGap = kFileBlanks.second - kFileBlanks.first;
constexpr std::size_t kSummaryGap = kSummaryBlanks.second - kSummaryBlanks.first;
static_assert(kFileGap > 0 && kFileGap < 64 && kSummaryGap > 0 && kSummaryGap < 64);

// Bytes classified at once: small enough that the masks stay in the first-level cache,
// large enough that few lines straddle two windows (those are classified twice).
constexpr std::size_t kWindow = std::size_t{16} << 10;
constexpr std::size_t kWindowBlocks = kWindow / scan::kBlock;

// The classifier finds tags and markers by their parentheses and blanks.
constexpr bool TagOpeningsMatch() {
    for (const Tag& tag : kTags) {
        bool found = false;
        for (const std::size_t distance : scan::kTagOpenings)
            found = found || distance == tag.word.size() + 1;
        if (!found)
            return false;
    }
    return true;
}
static_assert(TagOpeningsMatch());
static_assert(scan::kMarkerBlankGaps[0] == kFileGap && scan::kMarkerBlankGaps[1] == kSummaryGap);

using WindowBlock = scan::LineMasks;

// The masks of a window of the text, which starts at a line start.
class WindowMasks {
public:
    WindowMasks() : m_tier(scan::BestTier()) {}

    void classify(const char* data, std::size_t size) {
        const std::size_t whole = size / scan::kBlock;
        scan::ClassifyWindow(m_tier, data, whole, m_blocks.data());
        // The block that holds the window's end is always there, so searches up to the end
        // need no bounds check; bytes past the end are zero and match nothing. A last part
        // block is classified from a copy, after the block before it for what it takes
        // from there.
        const std::size_t tail = size - whole * scan::kBlock;
        if (tail == 0) {
            m_blocks[whole] = {};
            findMarkersAndTags(data, size);
            return;
        }
        char padded[2 * scan::kBlock] = {};
        const std::size_t context = whole > 0 ? scan::kBlock : 0;
        std::memcpy(padded + scan::kBlock - context, data + whole * scan::kBlock - context,
                    context + tail);
        std::array<WindowBlock, 2> last;
        scan::ClassifyWindow(m_tier, padded, 2, last.data());
        m_blocks[whole] = last[1];
        findMarkersAndTags(data, size);
    }

    // The markers and tags of the window, checked in full once for all its lines: they
    // hold no line end, so each lies within one line. Sorted by position, each list ends
    // at a hit beyond every line.
    struct Hit {
        std::size_t at;
        int what; // the markers found (bit 0 file, bit 1 summary), or the tag's rank
    };
    const std::vector<Hit>& markers() const { return m_markers; }
    const std::vector<Hit>& tags() const { return m_tags; }

    void findMarkersAndTags(const char* data, std::size_t size) {
        m_markers.clear();
        // Each tag takes at least six bytes of its own: room for all, and the end.
        m_tags.resize(size / 6 + 2);
        std::size_t tags = 0;
        const std::string_view window(data, size);
        const auto holds = [&window](std::size_t blank, MarkerBlanks blanks,
                                     std::string_view marker, std::uint64_t lowerHead) {
            if (blank < blanks.second || blank - blanks.second + marker.size() > window.size())
                return false;
            const char* const start = window.data() + blank - blanks.second;
            // The first eight bytes, letters all, in one compare before the whole marker.
            std::uint64_t head = 0;
            std::memcpy(&head, start, sizeof head);
            return (head | kToLower8) == lowerHead && StartsWithMarker(start, marker);
        };
        const std::size_t blocks = (size + scan::kBlock - 1) / scan::kBlock;
        for (std::size_t block = 0; block < blocks; ++block) {
            if ((m_blocks[block].marker | m_blocks[block].tagEnd) == 0)
                continue;
            const std::size_t base = block * scan::kBlock;
            for (std::uint64_t bits = m_blocks[block].marker; bits != 0; bits &= bits - 1) {
                const std::size_t at = base + static_cast<std::size_t>(std::countr_zero(bits));
                const int what = (holds(at, kFileBlanks, kFileMarker, kFileHead) ? 1 : 0) |
                                 (holds(at, kSummaryBlanks, kSummaryMarker, kSummaryHead) ? 2 : 0);
                if (what != 0)
                    m_markers.push_back({at, what});
            }
            for (std::uint64_t bits = m_blocks[block].tagEnd; bits != 0; bits &= bits - 1) {
                const std::size_t at = base + static_cast<std::size_t>(std::countr_zero(bits));
                const int rank =
                    at >= kTagReach ? TagRankFast(data, at) : TagRankEndingAt(window, at);
                m_tags[tags] = {at, rank};
                tags += rank >= 0 ? 1 : 0;
            }
        }
        m_markers.push_back({std::string_view::npos, 0});
        m_tags[tags] = {std::string_view::npos, 0};
    }

    // Where the window's complete lines end (0 when it holds none): after its last line
    // end, unless that is a CR at the window's end whose LF may follow (`final`: nothing
    // follows).
    std::size_t completeLines(const char* window, std::size_t size, bool final) const {
        std::size_t end = size;
        for (int found = 0; found < 2; ++found) {
            end = last(&WindowBlock::lineEnd, end);
            if (end == std::string_view::npos)
                return 0;
            if (final || window[end] != '\r' || end + 1 < size)
                return end + 1;
        }
        return end + 1; // the line end before that CR
    }

    // The last position before `limit` whose bit is set in `mask`, else npos.
    std::size_t last(std::uint64_t WindowBlock::*mask, std::size_t limit) const {
        if (limit == 0)
            return std::string_view::npos;
        std::size_t at = (limit - 1) / scan::kBlock;
        std::uint64_t bits = m_blocks[at].*mask &
                             (~std::uint64_t{0} >> (scan::kBlock - 1 - (limit - 1) % scan::kBlock));
        while (bits == 0) {
            if (at == 0)
                return std::string_view::npos;
            bits = m_blocks[--at].*mask;
        }
        return at * scan::kBlock + scan::kBlock - 1 -
               static_cast<std::size_t>(std::countl_zero(bits));
    }

    // The first position in [from, limit) whose bit is set in `mask`, else `limit`.
    std::size_t first(std::uint64_t WindowBlock::*mask, std::size_t from, std::size_t limit) const {
        std::size_t at = from / scan::kBlock;
        const std::size_t last = limit / scan::kBlock;
        std::uint64_t bits = m_blocks[at].*mask & (~std::uint64_t{0} << (from % scan::kBlock));
        while (bits == 0) {
            if (at >= last)
                return limit;
            bits = m_blocks[++at].*mask;
        }
        const std::size_t found =
            at * scan::kBlock + static_cast<std::size_t>(std::countr_zero(bits));
        return found < limit ? found : limit;
    }

private:
    scan::Tier m_tier;
    std::array<WindowBlock, kWindowBlocks + 1> m_blocks;
    std::vector<Hit> m_markers;
    std::vector<Hit> m_tags;
};

// Finds the bytes of a line of a classified window. Positions are offsets in the window.
class MaskFinder {
public:
    MaskFinder(const WindowMasks& masks) : m_masks(masks) {}

    // The ')' of the first "):", else npos.
    std::size_t closeParen(std::size_t begin, std::size_t end) const {
        const std::size_t colon = m_masks.first(&WindowBlock::closeColon, begin, end);
        return colon < end ? colon - 1 : std::string_view::npos;
    }
    std::size_t equals(std::size_t from, std::size_t limit) const {
        return m_masks.first(&WindowBlock::equals, from, limit);
    }
    std::size_t open(std::size_t from, std::size_t limit) const {
        return m_masks.first(&WindowBlock::bracket, from, limit);
    }
    // Lines are read in order, each once: their markers and tags are the next in the lists.
    // Bit 0: the line holds the file marker; bit 1: the summary marker, when wanted.
    unsigned markers(std::size_t, std::size_t end, bool wantSummary) {
        unsigned found = 0;
        const std::vector<WindowMasks::Hit>& hits = m_masks.markers();
        for (; hits[m_marker].at < end; ++m_marker)
            found |= static_cast<unsigned>(hits[m_marker].what);
        return wantSummary ? found : found & 1u;
    }
    // The highest rank in kTags of the line's tags, or -1.
    int tagRank(std::size_t, std::size_t end) {
        int rank = -1;
        const std::vector<WindowMasks::Hit>& hits = m_masks.tags();
        for (; hits[m_tag].at < end; ++m_tag)
            rank = std::max(rank, hits[m_tag].what);
        return rank;
    }

private:
    const WindowMasks& m_masks;
    std::size_t m_marker = 0;
    std::size_t m_tag = 0;
};

// Finds the bytes of a line too long for a window, by searching. Positions are offsets in
// `text`.
class SearchFinder {
public:
    explicit SearchFinder(std::string_view text) : m_text(text) {}

    std::size_t closeParen(std::size_t begin, std::size_t end) const {
        for (std::size_t at = find(')', begin, end); at < end; at = find(')', at + 1, end)) {
            if (at + 1 < end && m_text[at + 1] == ':')
                return at;
        }
        return std::string_view::npos;
    }
    int tagRank(std::size_t begin, std::size_t end) const {
        const std::string_view line = m_text.substr(begin, end - begin);
        int rank = -1;
        for (std::size_t at = find(')', begin, end); at < end; at = find(')', at + 1, end))
            rank = std::max(rank, TagRankEndingAt(line, at - begin));
        return rank;
    }
    std::size_t equals(std::size_t from, std::size_t limit) const { return find('=', from, limit); }
    std::size_t open(std::size_t from, std::size_t limit) const { return find('[', from, limit); }
    unsigned markers(std::size_t begin, std::size_t end, bool wantSummary) const {
        static const MarkerSearch bothMarkers({kFileMarker, kSummaryMarker});
        static const MarkerSearch fileMarker({kFileMarker});
        return (wantSummary ? bothMarkers : fileMarker).in(m_text.substr(begin, end - begin));
    }

private:
    std::size_t find(char c, std::size_t from, std::size_t limit) const {
        const void* found = std::memchr(m_text.data() + from, c, limit - from);
        return found == nullptr
                   ? limit
                   : static_cast<std::size_t>(static_cast<const char*>(found) - m_text.data());
    }
    std::string_view m_text;
};

// The first '\n' or '\r' at or after `from`, else npos.
std::size_t FindLineEnd(std::string_view text, std::size_t from) {
    const std::size_t lf = text.find('\n', from);
    const std::size_t limit = lf == std::string_view::npos ? text.size() : lf;
    const void* cr = std::memchr(text.data() + from, '\r', limit - from);
    return cr == nullptr ? lf
                         : static_cast<std::size_t>(static_cast<const char*>(cr) - text.data());
}

// How the lines of one window of a text are read.
struct WindowPlan {
    std::size_t start = 0;    // where the window starts in the text (a line start)
    std::size_t size = 0;     // the bytes classified
    std::size_t complete = 0; // the window's complete lines end here, in the window
    bool lastLine = false;    // [complete, size) is the last line of the report, without end
    bool longLine = false;    // one line longer than a window, [start, lineEnd), searched
    std::size_t lineEnd = 0;
    std::size_t next = 0; // where the next window starts in the text
};

// Classifies the window of `text` that starts at `start` and plans the reading of its
// lines; nullopt when the line there has not ended yet (`atEnd`: nothing follows `text`).
// A long line's end is searched from `searchFrom` on, where the caller knows none before.
std::optional<WindowPlan> PlanWindow(std::string_view text, std::size_t start, bool atEnd,
                                     WindowMasks& masks, std::size_t searchFrom = 0) {
    WindowPlan plan;
    plan.start = start;
    plan.size = std::min(kWindow, text.size() - start);
    const bool final = atEnd && start + plan.size == text.size();
    const char* const window = text.data() + start;
    masks.classify(window, plan.size);
    plan.complete = masks.completeLines(window, plan.size, final);
    if (plan.complete > 0 || final) {
        plan.lastLine = final && plan.complete < plan.size;
        plan.next = final ? text.size() : start + plan.complete;
        return plan;
    }
    if (start + plan.size == text.size())
        return std::nullopt;
    // A line longer than a window: rare enough to be searched.
    plan.longLine = true;
    const std::size_t end = FindLineEnd(text, std::max(start, searchFrom));
    if (end == std::string_view::npos) {
        if (!atEnd)
            return std::nullopt;
        plan.lineEnd = plan.next = text.size();
        return plan;
    }
    plan.lineEnd = end;
    plan.next = end + 1;
    if (text[end] == '\r') {
        if (plan.next == text.size() && !atEnd)
            return std::nullopt; // whether a LF follows is still to come
        if (plan.next < text.size() && text[plan.next] == '\n')
            ++plan.next;
    }
    return plan;
}

// What the lines read so far leave for the next one.
struct ScanState {
    bool inSummary = false;
    std::int16_t pendingLevel = LevelNone;
    std::string_view currentFile;
    std::size_t records = 0; // records read so far
};

// Reads lines in report order and hands what they hold to a sink with the methods of
// ReportSink. Lines are given whole; what a line leaves for the next one (the summary
// flag, the current file, the pending level) is kept between calls of scan().
template <typename Sink> class LineScanner {
public:
    // `copyFiles`: the text of a call is gone by the next one, so the current file is kept
    // as a copy.
    LineScanner(Sink& sink, bool copyFiles) : m_sink(sink), m_copyFiles(copyFiles) {}

    // Reads the lines of `text` that are complete, and at the end also a last line without
    // an ending. Returns where the unread rest (a line without its end yet) starts, or
    // where the reading stopped.
    std::size_t scan(std::string_view text, bool atEnd) {
        std::size_t start = 0;
        while (start < text.size() && !m_stopped) {
            const std::optional<WindowPlan> plan = PlanWindow(text, start, atEnd, m_masks);
            if (!plan)
                break;
            start = walk(text, *plan, m_masks);
        }
        return start;
    }

    // Reads the lines of a planned window; returns where the next window starts, or where
    // the reading stopped.
    std::size_t walk(std::string_view text, const WindowPlan& plan, const WindowMasks& masks) {
        if (plan.longLine) {
            readLine(text.data(), plan.start, plan.lineEnd, SearchFinder(text));
            return plan.next;
        }
        const char* const window = text.data() + plan.start;
        MaskFinder finder(masks);
        std::size_t pos = 0;
        while (pos < plan.complete) {
            const std::size_t end = masks.first(&WindowBlock::lineEnd, pos, plan.size);
            std::size_t next = end + 1;
            if (window[end] == '\r' && next < plan.size && window[next] == '\n')
                ++next;
            readLine(window, pos, end, finder);
            pos = next;
            if (m_stopped)
                return plan.start + pos;
        }
        if (plan.lastLine)
            readLine(window, plan.complete, plan.size, finder);
        return plan.next;
    }

    std::size_t skipped() const { return m_skipped; }
    bool stopped() const { return m_stopped; }

    // Reads on from `state` as if the lines before had left it, with no line skipped yet.
    void restart(const ScanState& state) {
        m_inSummary = state.inSummary;
        m_pendingLevel = state.pendingLevel;
        m_currentFile = state.currentFile;
        m_records = state.records;
        m_stopped = false;
        m_skipped = 0;
    }
    ScanState state() const { return {m_inSummary, m_pendingLevel, m_currentFile, m_records}; }

private:
    template <typename Finder>
    void readLine(const char* base, std::size_t begin, std::size_t end, Finder&& find) {
        const std::string_view line(base + begin, end - begin);
        const unsigned markers = find.markers(begin, end, !m_inSummary);
        if (m_inSummary) {
            if (!m_sink.summaryLine(line)) {
                m_stopped = true;
                return;
            }
        } else if (markers & 2u) {
            m_inSummary = true;
        }

        if (markers & 1u) {
            const std::size_t open = line.find('[');
            const std::size_t close = line.find(']');
            if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
                ++m_skipped;
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

        const int tagRank = find.tagRank(begin, end);
        if (tagRank >= 0)
            m_pendingLevel = kTags[static_cast<std::size_t>(tagRank)].level;

        const std::size_t closeParen = find.closeParen(begin, end);
        if (closeParen == std::string_view::npos)
            return;
        const std::size_t rest = closeParen + 2; // after "):"
        const std::size_t equals = find.equals(rest, end);
        if (equals == end) {
            ++m_skipped;
            return;
        }
        const std::size_t bracket = find.open(rest, end);
        if (bracket < equals) {
            ++m_skipped;
            return;
        }
        const bool hasBracket = bracket < end;
        const std::size_t expansionBegin = hasBracket ? bracket + 1 : end;
        const std::size_t expansionEnd =
            end - static_cast<std::size_t>((expansionBegin < end) & (base[end - 1] == ']'));
        // One record for all lines: a new one per line would be cleared before it is filled.
        ConfigVariable& record = m_record;
        record.Level = m_pendingLevel;
        record.Name = TrimLeadingBlanks(std::string_view(base + rest, equals - rest));
        record.Value = std::string_view(base + equals + 1, bracket - equals - 1);
        record.Expansion = std::string_view(base + expansionBegin, expansionEnd - expansionBegin);
        record.File = m_currentFile;
        record.Index = ++m_records;
        m_pendingLevel = LevelNone;
        if (!m_sink.variable(record))
            m_stopped = true;
    }

    Sink& m_sink;
    const bool m_copyFiles;
    WindowMasks m_masks;
    bool m_inSummary = false;
    bool m_stopped = false;
    std::int16_t m_pendingLevel = LevelNone;
    std::string_view m_currentFile;
    std::string m_fileCopy;
    ConfigVariable m_record;
    std::size_t m_records = 0;
    std::size_t m_skipped = 0;
};

// Builds the records table of ParseReport.
class RecordSink final {
public:
    explicit RecordSink(ReportData& data) : m_data(data) {}

    bool variable(const ConfigVariable& record) {
        m_data.Variables.push_back(record);
        if (EqualsIgnoreCase(record.Name, "_USTN_USER"))
            m_data.UserConfigFolder = record.Expansion;
        else if (EqualsIgnoreCase(record.Name, "_USTN_PROJECT"))
            m_data.ProjectConfigFolder = record.Expansion;
        return true;
    }
    bool configFile(std::string_view path) {
        m_data.ConfigFilesUsed.push_back(path);
        return true;
    }
    bool summaryLine(std::string_view line) {
        m_data.SummaryLines.push_back(line);
        return true;
    }

private:
    ReportData& m_data;
};

} // namespace

bool ReportSink::takePiece(ReportPieceSink&) {
    return true;
}

std::optional<ConfigLevel> LevelFromText(std::string_view text) {
    for (const ConfigLevel level : kLegendLevels) {
        if (EqualsIgnoreCase(text, LevelName(level)) || text == std::to_string(level))
            return level;
    }
    return std::nullopt;
}

ReportData ParseReport(std::string bytes) {
    ReportData data;
    auto owned = std::make_shared<std::string>(std::move(bytes));
    const std::string_view text(*owned);
    data.Bytes = std::move(owned);
    // A definition line is rarely shorter than 40 bytes; reserving avoids most regrowth.
    data.Variables.reserve(text.size() / 64 + 16);
    platform::AdviseLargeBuffer(data.Variables.data(),
                                data.Variables.capacity() * sizeof(ConfigVariable));
    RecordSink sink(data);
    // The masks of a window take 10 KB: kept off the stack.
    const auto scanner = std::make_unique<LineScanner<RecordSink>>(sink, false);
    scanner->scan(text, true);
    data.SkippedLines = scanner->skipped();
    return data;
}

struct ReportStream::Reader {
    explicit Reader(ReportSink& sink) : scanner(sink, true) {}
    LineScanner<ReportSink> scanner;
    std::string partial; // the start of a line whose end has not come yet
};

ReportStream::ReportStream(ReportSink& sink) : m_reader(std::make_unique<Reader>(sink)) {}

ReportStream::~ReportStream() = default;

bool ReportStream::feed(std::string_view bytes) {
    LineScanner<ReportSink>& scanner = m_reader->scanner;
    std::string& partial = m_reader->partial;
    if (scanner.stopped())
        return false;
    if (!partial.empty()) {
        // Completes the line begun in earlier pieces and reads it alone. A CR that ended
        // them ends that line, with the LF that may start this piece.
        std::size_t next = 0;
        if (partial.back() == '\r') {
            if (bytes.empty())
                return true;
            next = bytes.front() == '\n' ? 1 : 0;
        } else {
            const std::size_t end = FindLineEnd(bytes, 0);
            if (end == std::string_view::npos || (bytes[end] == '\r' && end + 1 == bytes.size())) {
                partial.append(bytes);
                return true;
            }
            next = end + 1 + (bytes[end] == '\r' && bytes[end + 1] == '\n' ? 1 : 0);
        }
        partial.append(bytes.substr(0, next));
        // The one line is complete: nothing after it belongs to it.
        scanner.scan(partial, true);
        partial.clear();
        bytes.remove_prefix(next);
        if (scanner.stopped())
            return false;
    }
    const std::size_t used = scanner.scan(bytes, false);
    if (scanner.stopped())
        return false;
    partial.assign(bytes.substr(used));
    return true;
}

bool ReportStream::finish() {
    LineScanner<ReportSink>& scanner = m_reader->scanner;
    if (scanner.stopped())
        return false;
    scanner.scan(m_reader->partial, true);
    m_reader->partial.clear();
    return !scanner.stopped();
}

std::size_t ReportStream::skippedLines() const {
    return m_reader->scanner.skipped();
}

namespace {

// Reports are read from files in blocks that fit the cache with their masks.
constexpr std::size_t kFileBlock = std::size_t{128} << 10;
constexpr std::string_view kCutShort =
    "the file was changed by another program while it was being read";

// Chunks under way between the two threads of ReadReportFile.
constexpr std::size_t kChunksUnderWay = 4;

// A piece of a report read from its file, its windows planned and classified.
struct Chunk {
    std::string bytes; // only grows: [0, size) are the chunk's, the rest is room
    std::size_t size = 0;
    std::vector<WindowPlan> plans;
    std::vector<std::unique_ptr<WindowMasks>> masks; // one per plan, kept for reuse
    bool last = false;                               // the end of the reading

    std::string_view text() const { return std::string_view(bytes.data(), size); }
};

// Reads the file's blocks into chunks and plans their windows.
class ChunkMaker {
public:
    explicit ChunkMaker(const std::string& path) : m_file(path) {}

    // Fills `chunk` with the next lines of the report: a line carried from the chunk
    // before, then blocks of the file until a line has ended.
    void make(Chunk& chunk) {
        chunk.plans.clear();
        chunk.size = 0;
        append(chunk, m_carry);
        // A carried line has not ended; its end is searched in what follows (a CR at its
        // end may be joined by a LF).
        std::size_t searchFrom = m_carry.empty() ? 0 : m_carry.size() - 1;
        std::size_t start = 0;
        while (true) {
            if (chunk.bytes.size() < chunk.size + kFileBlock)
                chunk.bytes.resize(chunk.size + kFileBlock);
            const std::size_t got = m_file.read(chunk.bytes.data() + chunk.size, kFileBlock);
            const bool atEnd = got == 0;
            chunk.size += got;
            const std::string_view text = chunk.text();
            while (start < text.size()) {
                if (chunk.masks.size() == chunk.plans.size())
                    chunk.masks.push_back(std::make_unique<WindowMasks>());
                const std::optional<WindowPlan> plan =
                    PlanWindow(text, start, atEnd, *chunk.masks[chunk.plans.size()], searchFrom);
                if (!plan)
                    break;
                chunk.plans.push_back(*plan);
                start = plan->next;
            }
            chunk.last = atEnd;
            if (atEnd || !chunk.plans.empty())
                break;
            searchFrom = text.empty() ? 0 : text.size() - 1;
        }
        m_carry.assign(chunk.text().substr(start));
    }

    const std::string& error() const { return m_file.error(); }

private:
    static void append(Chunk& chunk, std::string_view bytes) {
        if (chunk.bytes.size() < chunk.size + bytes.size())
            chunk.bytes.resize(chunk.size + bytes.size());
        if (!bytes.empty())
            std::memcpy(chunk.bytes.data() + chunk.size, bytes.data(), bytes.size());
        chunk.size += bytes.size();
    }

    FileBlocks m_file;
    std::string m_carry;
};

// Chunks passed from the thread that makes them to the thread that reads their lines.
class ChunkQueue {
public:
    // The next chunk to fill, once it is free; nullptr when the reader stopped.
    Chunk* toFill() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_filled < kChunksUnderWay || m_stopped; });
        return m_stopped ? nullptr : &m_chunks[m_fillAt];
    }
    void filled() {
        {
            const std::lock_guard lock(m_mutex);
            m_fillAt = (m_fillAt + 1) % kChunksUnderWay;
            ++m_filled;
        }
        m_changed.notify_all();
    }
    Chunk& toRead() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_filled > 0; });
        return m_chunks[m_readAt];
    }
    void read() {
        {
            const std::lock_guard lock(m_mutex);
            m_readAt = (m_readAt + 1) % kChunksUnderWay;
            --m_filled;
        }
        m_changed.notify_all();
    }
    void stop() {
        {
            const std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::array<Chunk, kChunksUnderWay> m_chunks;
    std::size_t m_fillAt = 0;
    std::size_t m_readAt = 0;
    std::size_t m_filled = 0;
    bool m_stopped = false;
};

// A report in memory is read in pieces, several at once. Each piece is read from its first
// line on, before the lines before it are known; what they would have left for it (the
// current file, the pending level) is filled in when its turn comes.

// Marks what a piece's lines could not know: the level pending from the lines before it,
// and the file they were reading.
constexpr std::int16_t kLevelFromBefore = -1;
constexpr char kFileFromBefore[1] = {};

// More threads than this only wait for the calling thread to hand their pieces on.
constexpr std::size_t kMostThreads = 16;

// The first line start in [from, limit), else npos. Lines start at 0 and after each line
// end; the search never goes past `limit` (and a CR LF on it), so that pieces inside one
// very long line each cost only their own length.
std::size_t LineStartIn(std::string_view text, std::size_t from, std::size_t limit) {
    if (from == 0)
        return limit > 0 ? 0 : std::string_view::npos;
    // The byte before `from` may end a line.
    const char* const base = text.data() + from - 1;
    const std::size_t span = limit - from + 1;
    const void* const lf = std::memchr(base, '\n', span);
    const std::size_t lfAt =
        lf == nullptr ? span : static_cast<std::size_t>(static_cast<const char*>(lf) - base);
    const void* const cr = std::memchr(base, '\r', lfAt);
    std::size_t end =
        cr == nullptr ? lfAt : static_cast<std::size_t>(static_cast<const char*>(cr) - base);
    if (end == span)
        return std::string_view::npos;
    end += from - 1;
    const std::size_t start =
        end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    return start < limit ? start : std::string_view::npos;
}

// What the lines of a piece hold, kept until the pieces before it have been handed on.
struct PieceEvent {
    enum Kind : std::uint8_t { Variable, File, Summary };
    Kind kind;
    ConfigVariable record; // a file's path is its File, a summary line its Value
};

struct Piece {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool summaryAssumed = false; // read as lines after the summary's heading
    // The piece's first lines, up to where it has named a file and made a record: what
    // they made may need what came before. Then the sink's piece sink takes the rest, or
    // `events` when the sink has none.
    std::vector<PieceEvent> first;
    std::unique_ptr<ReportPieceSink> sink;
    std::vector<PieceEvent> events;
    ScanState left; // what the piece leaves, with the marks of what came from before
    std::size_t skipped = 0;
};

// Takes a piece's lines for it, as LineScanner's sink.
class PieceRouter {
public:
    void into(Piece& piece) {
        m_piece = &piece;
        m_passing = nullptr;
        m_sawFile = m_sawRecord = false;
    }
    bool variable(const ConfigVariable& record) {
        if (m_passing != nullptr)
            return m_passing->variable(record);
        return keep(record) || m_piece->sink->variable(record);
    }
    bool configFile(std::string_view path) {
        if (m_passing != nullptr)
            return m_passing->configFile(path);
        ConfigVariable record;
        record.File = path;
        return keep(record, PieceEvent::File) || m_piece->sink->configFile(path);
    }
    bool summaryLine(std::string_view line) {
        if (m_passing != nullptr)
            return m_passing->summaryLine(line);
        ConfigVariable record;
        record.Value = line;
        return keep(record, PieceEvent::Summary) || m_piece->sink->summaryLine(line);
    }

private:
    // Keeps the line's event while it may depend on what came before, or when no piece sink
    // takes it; true when kept.
    bool keep(const ConfigVariable& record, PieceEvent::Kind kind = PieceEvent::Variable) {
        const bool early = !(m_sawFile && m_sawRecord);
        m_sawFile = m_sawFile || kind == PieceEvent::File;
        m_sawRecord = m_sawRecord || kind == PieceEvent::Variable;
        if (early)
            m_piece->first.push_back({kind, record});
        else if (!m_piece->sink)
            m_piece->events.push_back({kind, record});
        else {
            m_passing = m_piece->sink.get(); // from now on every line
            return false;
        }
        return true;
    }

    Piece* m_piece = nullptr;
    ReportPieceSink* m_passing = nullptr;
    bool m_sawFile = false;
    bool m_sawRecord = false;
};

// A thread's means to read pieces: a scanner whose sink takes one piece after another.
struct PieceScanner {
    PieceRouter router;
    std::unique_ptr<LineScanner<PieceRouter>> lines =
        std::make_unique<LineScanner<PieceRouter>>(router, false);
};

// Reads the pieces of a report in memory on several threads and hands their lines to the
// sink in report order on the calling thread, which reads pieces too while it waits.
class PieceReader {
public:
    PieceReader(std::string_view text, ReportSink& sink, unsigned threads, std::size_t pieceSize)
        : m_text(text), m_sink(sink), m_pieceSize(pieceSize),
          m_pieceCount((text.size() + pieceSize - 1) / pieceSize),
          // Few pieces under way, so that their lines and what they make stay in the cache.
          m_slots(std::size_t{threads} + 2) {
        for (Piece& slot : m_slots)
            slot.sink = m_sink.newPieceSink();
    }

    // Returns the lines skipped; m_stopped tells whether the sink stopped the reading.
    std::size_t read(unsigned threads) {
        std::vector<std::thread> helpers;
        try {
            for (unsigned i = 1; i < threads; ++i)
                helpers.emplace_back([this] { help(); });
        } catch (const std::system_error&) {
            // Fewer threads read; the calling thread alone still reads everything.
        }
        PieceScanner scanner;
        const auto again = std::make_unique<LineScanner<ReportSink>>(m_sink, false);
        ScanState state;
        std::size_t skipped = 0;
        for (std::size_t number = 0; number < m_pieceCount && !m_stoppedBySink; ++number) {
            Piece* piece = awaitPiece(number, scanner);
            if (!piece->summaryAssumed && state.inSummary) {
                // The summary began in a piece read at the same time: read again, in order.
                if (piece->sink)
                    piece->sink->clear();
                again->restart(state);
                again->scan(m_text.substr(piece->begin, piece->end - piece->begin), true);
                state = again->state();
                skipped += again->skipped();
                m_stoppedBySink = again->stopped();
            } else {
                skipped += piece->skipped;
                handOn(*piece, state);
            }
            release(number);
        }
        {
            const std::lock_guard lock(m_mutex);
            m_stopped = true; // nothing more to claim
        }
        m_changed.notify_all();
        for (std::thread& helper : helpers)
            helper.join();
        return skipped;
    }

    bool stopped() const { return m_stoppedBySink; }

private:
    Piece& slotOf(std::size_t number) { return m_slots[number % m_slots.size()]; }

    // Whether the next piece may be claimed: its slot is free once the piece that used it
    // before has been handed on.
    bool canClaim() const {
        return !m_stopped && m_claimed < m_pieceCount && m_claimed < m_handedOn + m_slots.size();
    }

    void help() {
        PieceScanner scanner;
        std::unique_lock lock(m_mutex);
        while (true) {
            m_changed.wait(lock, [this] { return canClaim() || m_stopped; });
            if (!canClaim())
                return;
            const std::size_t number = m_claimed++;
            lock.unlock();
            readPiece(number, scanner);
            lock.lock();
            m_done.push_back(number);
            m_changed.notify_all();
        }
    }

    // Waits for a piece to be read, reading others meanwhile.
    Piece* awaitPiece(std::size_t number, PieceScanner& scanner) {
        std::unique_lock lock(m_mutex);
        while (std::find(m_done.begin(), m_done.end(), number) == m_done.end()) {
            if (canClaim()) {
                const std::size_t claimed = m_claimed++;
                lock.unlock();
                readPiece(claimed, scanner);
                lock.lock();
                m_done.push_back(claimed);
                m_changed.notify_all();
            } else {
                m_changed.wait(lock);
            }
        }
        std::erase(m_done, number);
        return &slotOf(number);
    }

    void release(std::size_t number) {
        {
            const std::lock_guard lock(m_mutex);
            m_handedOn = number + 1;
            m_stopped = m_stoppedBySink;
        }
        m_changed.notify_all();
    }

    void readPiece(std::size_t number, PieceScanner& scanner) {
        Piece& piece = slotOf(number);
        piece.begin = lineStartIn(number);
        if (piece.begin != std::string_view::npos)
            piece.end = beginAfter(number);
        else
            piece.begin = piece.end = 0; // inside a line begun before: the piece is empty
        // The summary began in a piece before: every line after it is the summary's.
        piece.summaryAssumed = m_summaryPiece.load(std::memory_order_acquire) < number;
        piece.first.clear();
        piece.events.clear();
        scanner.router.into(piece);
        LineScanner<PieceRouter>& lines = *scanner.lines;
        lines.restart(
            {piece.summaryAssumed, kLevelFromBefore, std::string_view(kFileFromBefore, 0), 0});
        lines.scan(m_text.substr(piece.begin, piece.end - piece.begin), true);
        piece.left = lines.state();
        piece.skipped = lines.skipped();
        if (piece.left.inSummary && !piece.summaryAssumed) {
            std::size_t first = m_summaryPiece.load(std::memory_order_relaxed);
            while (number < first && !m_summaryPiece.compare_exchange_weak(
                                         first, number, std::memory_order_release)) {
            }
        }
    }

    // Where the first line that starts in the piece starts, else npos.
    std::size_t lineStartIn(std::size_t number) const {
        const std::size_t from = number * m_pieceSize;
        return from >= m_text.size()
                   ? std::string_view::npos
                   : LineStartIn(m_text, from, std::min(from + m_pieceSize, m_text.size()));
    }

    // Where the next piece that holds a line start begins, else the text's end.
    std::size_t beginAfter(std::size_t number) const {
        for (std::size_t next = number + 1; next < m_pieceCount; ++next) {
            const std::size_t start = lineStartIn(next);
            if (start != std::string_view::npos)
                return start;
        }
        return m_text.size();
    }

    // Hands the piece's lines to the sink with what the lines before it left filled in.
    void handOn(Piece& piece, ScanState& state) {
        const std::size_t records = state.records;
        if (!handOn(piece.first, state) || (piece.sink && !m_sink.takePiece(*piece.sink)) ||
            !handOn(piece.events, state)) {
            m_stoppedBySink = true;
            return;
        }
        if (piece.left.pendingLevel != kLevelFromBefore)
            state.pendingLevel = piece.left.pendingLevel;
        if (piece.left.currentFile.data() != kFileFromBefore)
            state.currentFile = piece.left.currentFile;
        state.inSummary = piece.left.inSummary;
        state.records = records + piece.left.records;
    }

    bool handOn(const std::vector<PieceEvent>& events, ScanState& state) {
        for (const PieceEvent& event : events) {
            bool more = true;
            switch (event.kind) {
            case PieceEvent::Variable: {
                ConfigVariable record = event.record;
                if (record.Level == kLevelFromBefore)
                    record.Level = state.pendingLevel;
                if (record.File.data() == kFileFromBefore)
                    record.File = state.currentFile;
                record.Index = ++state.records;
                more = m_sink.variable(record);
                break;
            }
            case PieceEvent::File:
                more = m_sink.configFile(event.record.File);
                break;
            case PieceEvent::Summary:
                more = m_sink.summaryLine(event.record.Value);
                break;
            }
            if (!more)
                return false;
        }
        return true;
    }

    const std::string_view m_text;
    ReportSink& m_sink;
    const std::size_t m_pieceSize;
    const std::size_t m_pieceCount;
    std::vector<Piece> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_claimed = 0;
    std::size_t m_handedOn = 0;
    std::vector<std::size_t> m_done;
    bool m_stopped = false;       // no piece is to be claimed any more
    bool m_stoppedBySink = false; // the calling thread's alone
    std::atomic<std::size_t> m_summaryPiece{std::numeric_limits<std::size_t>::max()};
};

} // namespace

ReportFileOutcome ReadReportText(std::string_view text, ReportSink& sink, unsigned threads,
                                 std::size_t pieceSize) {
    ReportFileOutcome outcome;
    pieceSize = std::max<std::size_t>(pieceSize, 1);
    const std::size_t pieces = (text.size() + pieceSize - 1) / pieceSize;
    threads = static_cast<unsigned>(std::min<std::size_t>({threads, pieces, kMostThreads}));
    if (threads < 2) {
        const auto scanner = std::make_unique<LineScanner<ReportSink>>(sink, false);
        scanner->scan(text, true);
        outcome.stopped = scanner->stopped();
        outcome.skippedLines = scanner->skipped();
        return outcome;
    }
    PieceReader reader(text, sink, threads, pieceSize);
    outcome.skippedLines = reader.read(threads);
    outcome.stopped = reader.stopped();
    return outcome;
}

ReportFileOutcome ReadReportFile(const std::string& path, ReportSink& sink, unsigned threads) {
    ReportFileOutcome outcome;
    if (const std::unique_ptr<platform::MappedFile> mapped = platform::MapFileForReading(path)) {
        outcome = ReadReportText(mapped->bytes(), sink, threads);
        if (mapped->cutShort())
            outcome.readError = path + ": " + std::string(kCutShort);
        return outcome;
    }
    ChunkMaker maker(path);
    if (!maker.error().empty()) {
        outcome.readError = maker.error();
        return outcome;
    }
    const auto scanner = std::make_unique<LineScanner<ReportSink>>(sink, true);
    const auto readLines = [&scanner](const Chunk& chunk) {
        for (std::size_t i = 0; i < chunk.plans.size() && !scanner->stopped(); ++i)
            scanner->walk(chunk.text(), chunk.plans[i], *chunk.masks[i]);
    };
    bool alone = threads < 2;
    if (!alone) {
        // One thread reads the file and classifies its windows, this one reads the lines.
        const auto queue = std::make_unique<ChunkQueue>();
        std::thread making;
        try {
            making = std::thread([&maker, &queue] {
                for (Chunk* chunk = queue->toFill(); chunk != nullptr; chunk = queue->toFill()) {
                    maker.make(*chunk);
                    const bool last = chunk->last;
                    queue->filled();
                    if (last)
                        break;
                }
            });
        } catch (const std::system_error&) {
            alone = true; // no thread to be had
        }
        if (!alone) {
            while (true) {
                Chunk& chunk = queue->toRead();
                readLines(chunk);
                const bool last = chunk.last || scanner->stopped();
                queue->read();
                if (last)
                    break;
            }
            queue->stop();
            making.join();
        }
    }
    if (alone) {
        Chunk chunk;
        do {
            maker.make(chunk);
            readLines(chunk);
        } while (!chunk.last && !scanner->stopped());
    }
    outcome.readError = maker.error();
    outcome.stopped = scanner->stopped();
    outcome.skippedLines = scanner->skipped();
    return outcome;
}

} // namespace varscope::core
