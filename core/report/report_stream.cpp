// The unit of bytes here is the block (see report_stream.hpp). A line may begin in one
// block and end in a later one: its start is kept until its end comes.
#include "core/report/report_stream.hpp"

#include "core/report/line_scan.hpp"
#include "core/system/fileio.hpp"

#include <vector>

namespace varscope::core {

ReportStream::ReportStream(ReportSink& sink)
    : m_scanner(std::make_unique<LineScanner>(sink, true)) {}

ReportStream::~ReportStream() = default;

void ReportStream::keep(std::string_view piece) {
    m_partial.append(piece);
    // The kept start holds no line end but a last CR, which may still be joined by its LF.
    const bool endedByCr = !m_partial.empty() && m_partial.back() == '\r';
    if (m_partial.size() - (endedByCr ? 1 : 0) <= kLongestLine)
        return;
    m_partial.clear();
    m_partial.shrink_to_fit();
    m_overlong = endedByCr ? Overlong::PassedCr : Overlong::Passing;
    ++m_overlongLines;
}

bool ReportStream::passOverlongLine(std::string_view& block) {
    if (m_overlong == Overlong::Passing) {
        const std::size_t end = FindLineEnd(block, 0);
        if (end == std::string_view::npos)
            return false;
        const bool cr = block[end] == '\r';
        block.remove_prefix(end + 1);
        m_overlong = cr ? Overlong::PassedCr : Overlong::No;
    }
    if (m_overlong == Overlong::PassedCr) {
        // Whether a LF joins the CR is known with the next byte.
        if (block.empty())
            return false;
        if (block.front() == '\n')
            block.remove_prefix(1);
        m_overlong = Overlong::No;
    }
    return true;
}

bool ReportStream::feed(std::string_view block) {
    if (m_scanner->stopped())
        return false;
    if (m_overlong != Overlong::No && !passOverlongLine(block))
        return true;
    if (!m_partial.empty()) {
        // Completes the line begun in earlier blocks and reads it alone. A CR that ended
        // them ends that line, with the LF that may start this block.
        std::size_t next = 0;
        if (m_partial.back() == '\r') {
            if (block.empty())
                return true;
            next = block.front() == '\n' ? 1 : 0;
        } else {
            const std::size_t end = FindLineEnd(block, 0);
            if (end == std::string_view::npos || (block[end] == '\r' && end + 1 == block.size())) {
                keep(block);
                return true;
            }
            next = end + 1 + (block[end] == '\r' && block[end + 1] == '\n' ? 1 : 0);
        }
        m_partial.append(block.substr(0, next));
        // The one line is complete: nothing after it belongs to it.
        m_scanner->scan(m_partial, true);
        m_partial.clear();
        block.remove_prefix(next);
        if (m_scanner->stopped())
            return false;
    }
    const std::size_t used = m_scanner->scan(block, false);
    if (m_scanner->stopped())
        return false;
    m_partial.clear();
    keep(block.substr(used));
    return true;
}

bool ReportStream::finish() {
    if (m_scanner->stopped())
        return false;
    m_scanner->scan(m_partial, true);
    m_partial.clear();
    return !m_scanner->stopped();
}

std::size_t ReportStream::skippedLines() const {
    return m_scanner->skipped() + m_overlongLines;
}

ReportFileOutcome ReadReportFile(const std::string& path, ReportSink& sink) {
    // Large enough that the system calls cost little, small enough to stay in the cache
    // while its lines are read.
    constexpr std::size_t kBlock = std::size_t{256} << 10;
    ReportFileOutcome outcome;
    FileBlocks file(path);
    ReportStream stream(sink);
    std::vector<char> block(kBlock);
    bool reading = file.error().empty();
    while (reading) {
        const std::size_t got = file.read(block.data(), block.size());
        if (got == 0)
            break;
        reading = stream.feed(std::string_view(block.data(), got));
    }
    outcome.readError = file.error();
    outcome.stopped = !reading && outcome.readError.empty();
    if (!outcome.stopped && outcome.readError.empty())
        outcome.stopped = !stream.finish();
    outcome.skippedLines = stream.skippedLines();
    return outcome;
}

} // namespace varscope::core
