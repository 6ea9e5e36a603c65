// The unit of bytes here is the window, as line_scan.hpp defines it. Everything the reader
// stops at is found for a whole window in one pass of wide compares, instead of a search
// per byte kind and line.
#include "core/report/line_scan.hpp"

#include "core/strings.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VARSCOPE_SCAN_SSE2 1
#endif

namespace varscope::core {

namespace scan {

namespace {

// The byte classes of a mask word; bit i stands for byte i.
struct Classes {
    std::uint64_t lineEnd = 0; // '\n' or '\r'
    std::uint64_t close = 0;   // ')'
    std::uint64_t equals = 0;  // '='
    std::uint64_t bracket = 0; // '['
    std::uint64_t blank = 0;   // ' '
};

// Bits of `now` moved `by` places up, the top bits of `before` (the word before) following.
inline std::uint64_t ShiftUp(std::uint64_t now, std::uint64_t before, std::size_t by) {
    return now << by | before >> (kWordBytes - by);
}

// The reader's masks from the classes of a word and those of the word before.
inline LineMasks Derive(const Classes& now, const Classes& before) {
    std::uint64_t paired = 0;
    for (const std::size_t gap : kMarkerBlankGaps)
        paired |= ShiftUp(now.blank, before.blank, gap);
    return {now.lineEnd, now.close, now.equals, now.bracket, now.blank & paired};
}

Classes ClassifyPortable(const char* bytes) {
    Classes masks;
    for (std::size_t i = 0; i < kWordBytes; ++i) {
        const std::uint64_t bit = std::uint64_t{1} << i;
        switch (bytes[i]) {
        case '\n':
        case '\r':
            masks.lineEnd |= bit;
            break;
        case ')':
            masks.close |= bit;
            break;
        case '=':
            masks.equals |= bit;
            break;
        case '[':
            masks.bracket |= bit;
            break;
        case ' ':
            masks.blank |= bit;
            break;
        default:
            break;
        }
    }
    return masks;
}

#ifdef VARSCOPE_SCAN_SSE2
Classes ClassifySse2(const char* bytes) {
    const auto bits = [](__m128i matches, int part) {
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(matches)))
               << (16 * part);
    };
    Classes masks;
    for (int part = 0; part < 4; ++part) {
        const __m128i sixteen =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
        const auto is = [&sixteen](char c) {
            return _mm_cmpeq_epi8(sixteen, _mm_set1_epi8(c));
        };
        masks.lineEnd |= bits(_mm_or_si128(is('\n'), is('\r')), part);
        masks.close |= bits(is(')'), part);
        masks.equals |= bits(is('='), part);
        masks.bracket |= bits(is('['), part);
        masks.blank |= bits(is(' '), part);
    }
    return masks;
}
#endif

} // namespace

bool Available(Tier tier) {
#ifdef VARSCOPE_SCAN_SSE2
    (void)tier;
    return true;
#else
    return tier == Tier::Portable;
#endif
}

namespace {

template <Classes (*Classify)(const char*)>
void ClassifyWords(const char* data, std::size_t count, LineMasks* masks) {
    Classes before;
    for (std::size_t n = 0; n < count; ++n) {
        const Classes now = Classify(data + n * kWordBytes);
        masks[n] = Derive(now, before);
        before = now;
    }
}

} // namespace

void ClassifyWindow(Tier tier, const char* data, std::size_t count, LineMasks* masks) {
#ifdef VARSCOPE_SCAN_SSE2
    if (tier == Tier::Sse2) {
        ClassifyWords<ClassifySse2>(data, count, masks);
        return;
    }
#else
    (void)tier;
#endif
    ClassifyWords<ClassifyPortable>(data, count, masks);
}

} // namespace scan

namespace {

using scan::kWordBytes;
using scan::LineMasks;

#ifdef VARSCOPE_SCAN_SSE2
constexpr scan::Tier kTier = scan::Tier::Sse2;
#else
constexpr scan::Tier kTier = scan::Tier::Portable;
#endif

// Small enough that a window's masks stay in the first-level cache, large enough that few
// lines straddle two windows (those are classified twice).
constexpr std::size_t kWindow = std::size_t{16} << 10;

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

constexpr std::string_view kSummaryMarker = "configuration variable summary";
constexpr std::string_view kFileMarker = "processing macro file";

// Setting bit 5 turns an ASCII capital into its small letter, and no other byte into a letter.
constexpr std::uint32_t kToLower = 0x20202020u;
constexpr std::uint64_t kToLower8 = 0x2020202020202020u;

// Four bytes as one number, in the byte order of a load from memory.
constexpr std::uint32_t FourBytes(std::string_view text) {
    return std::bit_cast<std::uint32_t>(std::array<char, 4>{text[0], text[1], text[2], text[3]});
}

// The tags by their last four letters: a multiplicative hash of those letters picks the
// slot of the tags a ")" may end. A slot's tag is checked with one compare of the eight
// bytes before its last four; a tag whose '(' and first letters do not fit in them, and
// which shares its last four with another ("application", "organization"), is the slot's
// `longer` tag, compared byte by byte.
struct TagSlot {
    std::uint32_t lastFour = 0;
    int rank = -1;
    int longer = -1;
    // The eight bytes before the last four, as one number: which of them the tag holds (its
    // '(' and first letters), those letters with bit 5 set, and where the letters are.
    std::uint64_t headMask = 0;
    std::uint64_t headPattern = 0;
    std::uint64_t headLetters = 0;
};
struct TagTable {
    std::uint32_t multiplier = 0;
    std::array<TagSlot, 16> slots{};
    constexpr std::size_t slotOf(std::uint32_t lastFour) const {
        return static_cast<std::uint32_t>(lastFour * multiplier) >> 28;
    }
};
constexpr std::uint32_t LastFourOf(std::size_t rank) {
    const std::string_view word = kTags[rank].word;
    return FourBytes(word.substr(word.size() - 4));
}
// The first multiplier that puts tags with different last four letters in different slots.
constexpr std::uint32_t FindMultiplier() {
    for (std::uint32_t multiplier = 0x9E3779B1u;; multiplier += 2) {
        TagTable probe;
        probe.multiplier = multiplier;
        bool apart = true;
        for (std::size_t i = 0; i < kTags.size() && apart; ++i) {
            for (std::size_t j = i + 1; j < kTags.size() && apart; ++j)
                apart = LastFourOf(i) == LastFourOf(j) ||
                        probe.slotOf(LastFourOf(i)) != probe.slotOf(LastFourOf(j));
        }
        if (apart)
            return multiplier;
    }
}
constexpr TagTable MakeTagTable() {
    TagTable table;
    table.multiplier = FindMultiplier();
    for (std::size_t rank = 0; rank < kTags.size(); ++rank) {
        const std::string_view word = kTags[rank].word;
        TagSlot& slot = table.slots[table.slotOf(LastFourOf(rank))];
        slot.lastFour = LastFourOf(rank);
        const std::size_t head = word.size() - 4 + 1;
        if (head > 8) {
            slot.longer = static_cast<int>(rank);
            continue;
        }
        // The tag's '(' and first letters end the eight bytes before its last four.
        std::array<char, 8> mask{}, pattern{}, letters{};
        for (std::size_t i = 0; i < head; ++i) {
            const std::size_t at = 8 - head + i;
            mask[at] = static_cast<char>(0xFF);
            pattern[at] = i == 0 ? '(' : word[i - 1];
            letters[at] = i == 0 ? 0 : static_cast<char>(kToLower & 0xFF);
        }
        slot.rank = static_cast<int>(rank);
        slot.headMask = std::bit_cast<std::uint64_t>(mask);
        slot.headPattern = std::bit_cast<std::uint64_t>(pattern);
        slot.headLetters = std::bit_cast<std::uint64_t>(letters);
    }
    return table;
}
// Each slot holds at most one tag of each kind: no two tags may share their last four
// letters unless exactly one of them is too long for the eight-byte compare.
constexpr bool OneTagOfEachKindPerSlot() {
    for (std::size_t i = 0; i < kTags.size(); ++i) {
        for (std::size_t j = i + 1; j < kTags.size(); ++j) {
            const bool longI = kTags[i].word.size() - 4 + 1 > 8;
            const bool longJ = kTags[j].word.size() - 4 + 1 > 8;
            if (LastFourOf(i) == LastFourOf(j) && longI == longJ)
                return false;
        }
    }
    return true;
}
static_assert(OneTagOfEachKindPerSlot());
constexpr TagTable kTagTable = MakeTagTable();

// A slot's tag and its '(' take at most this many bytes before the ")".
constexpr std::size_t kTagReach = 12;

// Whether the tag of rank `rank` ends with the ")" at `close` in the text.
bool TagEndsAt(std::string_view text, std::size_t close, int rank) {
    const std::string_view word = kTags[static_cast<std::size_t>(rank)].word;
    if (close < word.size() + 1 || text[close - word.size() - 1] != '(')
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (AsciiLower(text[close - word.size() + i]) != word[i])
            return false;
    }
    return true;
}

// The rank of a slot's longer tag when it ends at `close`, else -1.
int LongerTagRank(std::string_view text, std::size_t close, const TagSlot& slot,
                  std::uint32_t lastFour) {
    return slot.longer >= 0 && slot.lastFour == lastFour && TagEndsAt(text, close, slot.longer)
               ? slot.longer
               : -1;
}

// TagRankEndingAt for a ")" with kTagReach bytes before it, without a branch for the slot's
// own tag: tags' ends are met at random, so branches would be mispredicted.
inline int TagRankFast(std::string_view text, std::size_t close) {
    std::uint32_t lastFour = 0;
    std::memcpy(&lastFour, text.data() + close - 4, sizeof lastFour);
    lastFour |= kToLower;
    const TagSlot& slot = kTagTable.slots[kTagTable.slotOf(lastFour)];
    std::uint64_t head = 0;
    std::memcpy(&head, text.data() + close - kTagReach, sizeof head);
    const bool match = (slot.lastFour == lastFour) &
                       (((head | slot.headLetters) & slot.headMask) == slot.headPattern);
    const int rank = match ? slot.rank : -1;
    if (slot.longer < 0 || slot.lastFour != lastFour) [[likely]]
        return rank;
    return std::max(rank, TagEndsAt(text, close, slot.longer) ? slot.longer : -1);
}

// The rank in kTags of the tag whose ")" stands at `close` in the text, or -1.
int TagRankEndingAt(std::string_view text, std::size_t close) {
    constexpr std::size_t kShortest = 4 + 1; // "(site", "(user", "(appl", "(role"
    if (close < kShortest)
        return -1;
    std::uint32_t lastFour = 0;
    std::memcpy(&lastFour, text.data() + close - 4, sizeof lastFour);
    lastFour |= kToLower;
    const TagSlot& slot = kTagTable.slots[kTagTable.slotOf(lastFour)];
    if (slot.lastFour != lastFour)
        return -1;
    const int rank = slot.rank >= 0 && TagEndsAt(text, close, slot.rank) ? slot.rank : -1;
    return std::max(rank, LongerTagRank(text, close, slot, lastFour));
}

// A marker as the masks find it: by its first two blanks, then its first eight bytes
// (letters all) in one compare, then the whole of it.
struct Marker {
    std::string_view text;
    int bit; // in what MarkersUpTo returns
    std::size_t secondBlank = 0;
    std::uint64_t head = 0;

    constexpr Marker(std::string_view lower, int found) : text(lower), bit(found) {
        const std::size_t first = text.find(' ');
        secondBlank = text.find(' ', first + 1);
        std::array<char, 8> bytes{};
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = text[i];
        head = std::bit_cast<std::uint64_t>(bytes);
    }
    constexpr std::size_t blankGap() const { return secondBlank - text.find(' '); }
    constexpr bool headIsLetters() const {
        return std::all_of(text.begin(), text.begin() + 8,
                           [](char c) { return c >= 'a' && c <= 'z'; });
    }

    // Whether the window holds the marker with its second blank at `blank`.
    bool endsBlankAt(std::string_view window, std::size_t blank) const {
        if (blank < secondBlank || blank - secondBlank + text.size() > window.size())
            return false;
        const char* const start = window.data() + blank - secondBlank;
        std::uint64_t bytes = 0;
        std::memcpy(&bytes, start, sizeof bytes);
        if ((bytes | kToLower8) != head)
            return false;
        for (std::size_t k = 0; k < text.size(); ++k) {
            if (AsciiLower(start[k]) != text[k])
                return false;
        }
        return true;
    }
};
constexpr int kFileBit = 1;
constexpr int kSummaryBit = 2;
constexpr std::array<Marker, 2> kMarkers = {Marker(kFileMarker, kFileBit),
                                            Marker(kSummaryMarker, kSummaryBit)};
static_assert(kMarkers[0].headIsLetters() && kMarkers[1].headIsLetters());
static_assert(scan::kMarkerBlankGaps[0] == kMarkers[0].blankGap() &&
              scan::kMarkerBlankGaps[1] == kMarkers[1].blankGap());

std::string_view TrimLeadingBlanks(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && text[first] == ' ')
        ++first;
    return text.substr(first);
}

// The masks of a window.
class WindowMasks {
public:
    void classify(std::string_view window) {
        const std::size_t whole = window.size() / kWordBytes;
        if (m_words.size() < whole + 1)
            m_words.resize(whole + 1);
        scan::ClassifyWindow(kTier, window.data(), whole, m_words.data());
        // The word that holds the window's end is always there, so searches up to the end
        // need no bounds check; bytes past the end are zero and match nothing. A last part
        // word is classified from a copy, after the word before it for what it takes from
        // there.
        const std::size_t tail = window.size() - whole * kWordBytes;
        if (tail == 0) {
            m_words[whole] = {};
        } else {
            char padded[2 * kWordBytes] = {};
            const std::size_t context = whole > 0 ? kWordBytes : 0;
            std::memcpy(padded + kWordBytes - context, window.data() + whole * kWordBytes - context,
                        context + tail);
            std::array<LineMasks, 2> last;
            scan::ClassifyWindow(kTier, padded, 2, last.data());
            m_words[whole] = last[1];
        }
    }

    // Where the window's complete lines end (0 when it holds none): after its last line
    // end, unless that is a CR at the window's end whose LF may follow (`final`: nothing
    // follows).
    std::size_t completeLines(std::string_view window, bool final) const {
        std::size_t end = window.size();
        for (int found = 0; found < 2; ++found) {
            end = last(&LineMasks::lineEnd, end);
            if (end == std::string_view::npos)
                return 0;
            if (final || window[end] != '\r' || end + 1 < window.size())
                return end + 1;
        }
        return end + 1; // the line end before that CR
    }

    // The first position in [from, limit) whose bit is set in `mask`, else `limit`.
    std::size_t first(std::uint64_t LineMasks::*mask, std::size_t from, std::size_t limit) const {
        std::size_t at = from / kWordBytes;
        const std::size_t last = limit / kWordBytes;
        std::uint64_t bits = m_words[at].*mask & (~std::uint64_t{0} << (from % kWordBytes));
        while (bits == 0) {
            if (at >= last)
                return limit;
            bits = m_words[++at].*mask;
        }
        const std::size_t found =
            at * kWordBytes + static_cast<std::size_t>(std::countr_zero(bits));
        return found < limit ? found : limit;
    }

    // Calls `visit` with each position in [begin, end) whose bit is set in `mask`.
    template <typename Visit>
    void forEach(std::uint64_t LineMasks::*mask, std::size_t begin, std::size_t end,
                 Visit&& visit) const {
        if (begin >= end)
            return;
        std::size_t at = begin / kWordBytes;
        const std::size_t last = (end - 1) / kWordBytes;
        std::uint64_t bits = m_words[at].*mask & (~std::uint64_t{0} << (begin % kWordBytes));
        while (true) {
            if (at == last)
                bits &= ~std::uint64_t{0} >> (kWordBytes - 1 - (end - 1) % kWordBytes);
            for (; bits != 0; bits &= bits - 1)
                visit(at * kWordBytes + static_cast<std::size_t>(std::countr_zero(bits)));
            if (at == last)
                return;
            bits = m_words[++at].*mask;
        }
    }

private:
    // The last position before `limit` whose bit is set in `mask`, else npos.
    std::size_t last(std::uint64_t LineMasks::*mask, std::size_t limit) const {
        if (limit == 0)
            return std::string_view::npos;
        std::size_t at = (limit - 1) / kWordBytes;
        std::uint64_t bits =
            m_words[at].*mask & (~std::uint64_t{0} >> (kWordBytes - 1 - (limit - 1) % kWordBytes));
        while (bits == 0) {
            if (at == 0)
                return std::string_view::npos;
            bits = m_words[--at].*mask;
        }
        return at * kWordBytes + kWordBytes - 1 - static_cast<std::size_t>(std::countl_zero(bits));
    }

    std::vector<LineMasks> m_words; // one more than the window's whole words
};

} // namespace

std::size_t FindLineEnd(std::string_view text, std::size_t from) {
    const std::size_t lf = text.find('\n', from);
    const std::size_t limit = lf == std::string_view::npos ? text.size() : lf;
    // An empty block may have no storage at all, and memchr must not be given none.
    const void* cr = limit > from ? std::memchr(text.data() + from, '\r', limit - from) : nullptr;
    return cr == nullptr ? lf
                         : static_cast<std::size_t>(static_cast<const char*>(cr) - text.data());
}

struct LineScanner::Reader {
    Reader(ReportSink& sink, bool copyFiles) : sink(sink), copyFiles(copyFiles) {}

    std::size_t scan(std::string_view text, bool atEnd) {
        std::size_t start = 0;
        while (start < text.size() && !stopped) {
            const std::size_t next = readWindow(text, start, atEnd);
            if (next == start)
                break;
            start = next;
        }
        return start;
    }

    // Reads the lines of the window that starts at `start`. Returns where the next window
    // starts, or `start` when the line there has not ended yet, or where the sink stopped
    // the reading.
    std::size_t readWindow(std::string_view text, std::size_t start, bool atEnd) {
        const std::size_t rest = text.size() - start;
        std::string_view window = text.substr(start, std::min(kWindow, rest));
        bool final = atEnd && window.size() == rest;
        masks.classify(window);
        std::size_t complete = masks.completeLines(window, final);
        if (complete == 0 && !final) {
            // A line longer than a window: the window grows to hold it.
            const std::size_t end = FindLineEnd(text, start);
            std::size_t next = end + 1;
            if (end == std::string_view::npos) {
                if (!atEnd)
                    return start;
                next = text.size();
                final = true;
            } else if (text[end] == '\r') {
                if (next == text.size() && !atEnd)
                    return start; // whether a LF follows is still to come
                if (next < text.size() && text[next] == '\n')
                    ++next;
            }
            if ((end == std::string_view::npos ? text.size() : end) - start > kLongestLine) {
                ++skippedLines;
                return next;
            }
            window = text.substr(start, next - start);
            masks.classify(window);
            complete = end == std::string_view::npos ? 0 : window.size();
        }
        std::size_t pos = 0;
        while (pos < complete) {
            const std::size_t end = masks.first(&LineMasks::lineEnd, pos, window.size());
            std::size_t next = end + 1;
            if (window[end] == '\r' && next < window.size() && window[next] == '\n')
                ++next;
            readLine(window, pos, end);
            pos = next;
            if (stopped)
                return start + pos;
        }
        if (final && complete < window.size())
            readLine(window, complete, window.size()); // the last line, without an end
        return final ? text.size() : start + complete;
    }

    void readLine(std::string_view window, std::size_t begin, std::size_t end) {
        const char* const base = window.data();
        const std::string_view line(base + begin, end - begin);
        int markers = 0;
        masks.forEach(&LineMasks::marker, begin, end, [&markers, window](std::size_t at) {
            for (const Marker& marker : kMarkers)
                markers |= marker.endsBlankAt(window, at) ? marker.bit : 0;
        });
        if (inSummary) {
            if (!sink.summaryLine(line)) {
                stopped = true;
                return;
            }
        } else if (markers & kSummaryBit) {
            inSummary = true;
            if (!sink.summaryHeading()) {
                stopped = true;
                return;
            }
        }

        // A line may be a file line and a definition at once: it keeps the part that is
        // good and counts once when a part is not.
        bool badFile = false;
        if (markers & kFileBit) {
            const std::size_t open = line.find('[');
            const std::size_t close = line.find(']');
            if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
                badFile = true;
            } else {
                currentFile = line.substr(open + 1, close - open - 1);
                if (copyFiles) {
                    fileCopy.assign(currentFile);
                    currentFile = fileCopy;
                }
                if (!sink.configFile(currentFile)) {
                    stopped = true;
                    return;
                }
            }
        }

        // A ')' may end a tag (the last in kTags wins) or begin the first "):".
        int tagRank = -1;
        std::size_t paren = end;
        masks.forEach(&LineMasks::close, begin, end, [&, window](std::size_t at) {
            tagRank = std::max(tagRank, at >= kTagReach ? TagRankFast(window, at)
                                                        : TagRankEndingAt(window, at));
            if (paren == end && at + 1 < end && base[at + 1] == ':')
                paren = at;
        });
        if (tagRank >= 0)
            pendingLevel = kTags[static_cast<std::size_t>(tagRank)].level;
        if (paren == end) {
            skippedLines += badFile ? 1 : 0;
            return;
        }
        const std::size_t rest = paren + 2;
        const std::size_t equals = masks.first(&LineMasks::equals, rest, end);
        if (equals == end) {
            ++skippedLines;
            return;
        }
        const std::size_t bracket = masks.first(&LineMasks::bracket, rest, end);
        if (bracket < equals) {
            ++skippedLines;
            return;
        }
        const bool hasBracket = bracket < end;
        const std::size_t expansionBegin = hasBracket ? bracket + 1 : end;
        const std::size_t expansionEnd =
            end - static_cast<std::size_t>((expansionBegin < end) & (base[end - 1] == ']'));
        // One record for all lines: a new one per line would be cleared before it is filled.
        record.Level = pendingLevel;
        record.Name = TrimLeadingBlanks(std::string_view(base + rest, equals - rest));
        record.Value = std::string_view(base + equals + 1, bracket - equals - 1);
        record.Expansion = std::string_view(base + expansionBegin, expansionEnd - expansionBegin);
        record.File = currentFile;
        record.Index = ++records;
        pendingLevel = LevelNone;
        skippedLines += badFile ? 1 : 0;
        if (!sink.variable(record))
            stopped = true;
    }

    ReportSink& sink;
    const bool copyFiles;
    WindowMasks masks;
    bool inSummary = false;
    bool stopped = false;
    std::int16_t pendingLevel = LevelNone;
    std::string_view currentFile;
    std::string fileCopy;
    ConfigVariable record;
    std::size_t records = 0;
    std::size_t skippedLines = 0;
};

LineScanner::LineScanner(ReportSink& sink, bool copyFiles)
    : m_reader(std::make_unique<Reader>(sink, copyFiles)) {}

LineScanner::~LineScanner() = default;

std::size_t LineScanner::scan(std::string_view text, bool atEnd) {
    return m_reader->scan(text, atEnd);
}

bool LineScanner::stopped() const {
    return m_reader->stopped;
}

std::size_t LineScanner::skipped() const {
    return m_reader->skippedLines;
}

} // namespace varscope::core
