// The reader of a report's lines, shared by ParseReport and ReportStream. It works on
// windows: stretches of text that start at a line start and end after a line end, 16 KB
// or one longer line. A window's bytes are first classified into bit masks, 64 bytes to a
// mask word, then its lines are read from the masks.
#pragma once

#include "core/report/report.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace varscope::core {

namespace scan {

constexpr std::size_t kWordBytes = 64;

// How far apart the first two blanks of the two markers stand ("processing macro file",
// "configuration variable summary").
inline constexpr std::array<std::size_t, 2> kMarkerBlankGaps = {6, 9};

// What the reader needs of 64 bytes of a window; bit i stands for byte i.
struct LineMasks {
    std::uint64_t lineEnd = 0; // '\n' or '\r'
    std::uint64_t close = 0;   // ')', which ends a tag and begins "):"
    std::uint64_t equals = 0;  // '='
    std::uint64_t bracket = 0; // '['
    std::uint64_t marker = 0;  // each blank with a blank where a marker would have it
    bool operator==(const LineMasks&) const = default;
};

// SSE2 where the compiler targets it (every x86-64), else a byte loop.
enum class Tier { Portable, Sse2 };
bool Available(Tier tier);

// The masks of `count` mask words of `data`, which starts where nothing before it counts
// (a line start).
void ClassifyWindow(Tier tier, const char* data, std::size_t count, LineMasks* masks);

} // namespace scan

// A line longer than this (without its end) is skipped and counted, so that endless input
// without line ends cannot take all memory.
constexpr std::size_t kLongestLine = std::size_t{64} << 20;

// The first '\n' or '\r' at or after `from`, else npos.
std::size_t FindLineEnd(std::string_view text, std::size_t from);

// Reads lines in report order and hands what they hold to the sink. What a line leaves for
// the next one (the summary flag, the current file, the pending level) is kept between
// calls of scan().
class LineScanner {
public:
    // `copyFiles`: the text of a call is gone by the next one, so the current file is kept
    // as a copy.
    LineScanner(ReportSink& sink, bool copyFiles);
    ~LineScanner();
    LineScanner(const LineScanner&) = delete;
    LineScanner& operator=(const LineScanner&) = delete;

    // Reads the complete lines of `text` and, `atEnd`, also a last line without an ending.
    // Returns where the unread rest (a line whose end has not come yet) starts, or where
    // the sink stopped the reading.
    std::size_t scan(std::string_view text, bool atEnd);
    bool stopped() const;
    std::size_t skipped() const; // malformed variable or file lines, and overlong ones

private:
    struct Reader;
    std::unique_ptr<Reader> m_reader;
};

} // namespace varscope::core
