// The reader of a report's lines, shared by ParseReport and ReportStream. The unit of bytes
// is the block: a part of the report of any size, as it is handed over or read from the
// file; a line may begin in one block and end in a later one.
#pragma once

#include "core/report/report.hpp"

#include <cstddef>
#include <string>
#include <string_view>

namespace varscope::core {

// The rule for lines longer than the longest: skipped and counted, their bytes never kept
// past the longest, so that endless input without line ends cannot take all memory.
class LongLines {
public:
    explicit LongLines(std::size_t longest) : m_longest(longest) {}

    bool tooLong(std::size_t length) const { return length > m_longest; }
    // Counts a line skipped for its length.
    void skip() { ++m_skipped; }
    // Counts a line found too long before its end has come, and passes over what follows
    // of it.
    void pass() {
        skip();
        m_state = State::Passing;
    }
    bool passing() const { return m_state != State::None; }
    // Passes over the rest of the line, with its end; false while that has not come (the
    // whole block belongs to the line).
    bool passOver(std::string_view& block);
    std::size_t skipped() const { return m_skipped; }

private:
    enum class State { None, Passing, PassedCr }; // a CR ended the line: a LF may join it
    const std::size_t m_longest;
    State m_state = State::None;
    std::size_t m_skipped = 0;
};

// Reads lines in report order and hands what they hold to the sink. What a line leaves for
// the next one (the summary flag, the current file, the pending level, the start of a line
// whose end has not come) is kept between blocks.
class LineScanner {
public:
    explicit LineScanner(ReportSink& sink, std::size_t longestLine = kLongestLine);
    LineScanner(const LineScanner&) = delete;
    LineScanner& operator=(const LineScanner&) = delete;

    // Reads a whole report in one block; the texts handed to the sink view `text`.
    void scanWhole(std::string_view text);
    // Reads the lines of a block; the start of a line whose end has not come is kept, as a
    // copy, until it does. False once the sink has stopped the reading.
    bool feed(std::string_view block);
    // Reads the kept last line, which has no line end; false when the sink stopped.
    bool finish();

    bool stopped() const { return m_stopped; }
    // Malformed lines and overlong ones.
    std::size_t skipped() const { return m_skipped + m_longLines.skipped(); }

private:
    // Reads the lines of `text` up to where the last one ends, and, `atEnd`, the last one
    // without an ending. Returns where the unread rest starts.
    std::size_t readLines(std::string_view text, bool atEnd);
    void readLine(std::string_view line);
    // Where the line that ends at `end` in `text` is followed by the next; a CR that ends
    // a block other than the last may still be joined by a LF.
    std::size_t pastLineEnd(std::string_view text, std::size_t end, bool atEnd);
    // Keeps the unread rest of a block, or starts passing over it once it is too long.
    void keep(std::string_view rest);

    ReportSink& m_sink;
    LongLines m_longLines;
    bool m_copyFiles = false; // fed in blocks: a block's texts are gone by the next one
    bool m_inSummary = false;
    bool m_stopped = false;
    bool m_afterCr = false; // the last block ended with a CR, which a LF may join
    std::int16_t m_pendingLevel = LevelNone;
    std::string_view m_currentFile;
    std::string m_fileCopy;
    std::string m_partial; // the start of a line whose end has not come yet
    ConfigVariable m_record;
    std::size_t m_records = 0;
    std::size_t m_skipped = 0;
};

} // namespace varscope::core
