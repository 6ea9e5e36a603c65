// The unit of bytes here is the block (see line_scan.hpp).
#include "core/report/report_stream.hpp"

#include "core/report/line_scan.hpp"
#include "core/system/fileio.hpp"

#include <utility>
#include <vector>

namespace varscope::core {

ReportStream::ReportStream(ReportSink& sink, std::size_t longestLine)
    : m_scanner(std::make_unique<LineScanner>(sink, longestLine)) {}

ReportStream::~ReportStream() = default;

bool ReportStream::feed(std::string_view block) {
    return m_scanner->feed(block);
}

bool ReportStream::finish() {
    return m_scanner->finish();
}

std::size_t ReportStream::skippedLines() const {
    return m_scanner->skipped();
}

bool IsUtf16(std::string_view start) {
    if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF"))
        return true;
    // Enough bytes that a report holding a few NUL bytes is not taken for UTF-16.
    constexpr std::size_t kLooked = 64;
    if (start.size() < kLooked)
        return false;
    for (std::size_t nulAt = 0; nulAt < 2; ++nulAt) {
        bool alternate = true;
        for (std::size_t i = 0; i < kLooked && alternate; ++i)
            alternate = (start[i] == '\0') == (i % 2 == nulAt);
        if (alternate)
            return true;
    }
    return false;
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
    bool first = true;
    while (reading) {
        const std::size_t got = file.read(block.data(), block.size());
        if (got == 0)
            break;
        const std::string_view bytes(block.data(), got);
        if (std::exchange(first, false) && IsUtf16(bytes)) {
            outcome.utf16 = true;
            outcome.readError = path + std::string(kUtf16Refusal);
            return outcome;
        }
        reading = stream.feed(bytes);
    }
    outcome.readError = file.error();
    outcome.stopped = !reading && outcome.readError.empty();
    if (!outcome.stopped && outcome.readError.empty())
        outcome.stopped = !stream.finish();
    outcome.skippedLines = stream.skippedLines();
    return outcome;
}

} // namespace varscope::core
