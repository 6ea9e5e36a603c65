// The unit of bytes here is the block (see line_scan.hpp).
#include "core/report/pending_report.hpp"

#include "core/report/line_scan.hpp"
#include "core/report/report_stream.hpp"
#include "core/system/fileio.hpp"

#include <new>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace varscope::core {

namespace {

// The file's bytes, without the lines too long to keep; `longLines` counts those.
std::optional<std::string> ReadKeptBytes(FileBlocks& file, LongLines& longLines, bool& utf16) {
    constexpr std::size_t kBlock = std::size_t{256} << 10;
    std::vector<char> buffer(kBlock);
    std::string bytes;
    std::size_t lineStart = 0; // where the line whose end has not come starts in `bytes`
    bool first = true;
    const auto dropLine = [&] {
        bytes.resize(lineStart);
        bytes.shrink_to_fit();
        longLines.pass();
    };
    while (const std::size_t got = file.read(buffer.data(), buffer.size())) {
        std::string_view block(buffer.data(), got);
        if (std::exchange(first, false) && IsUtf16(block)) {
            utf16 = true;
            return std::nullopt;
        }
        if (longLines.passing() && !longLines.passOver(block))
            continue;
        // Looked for forward first: a block of a long line holds no line end at all.
        const bool ends = block.find('\n') != std::string_view::npos ||
                          block.find('\r') != std::string_view::npos;
        const std::size_t before = bytes.size();
        if (!ends && longLines.tooLong(before - lineStart + block.size())) {
            // Dropped before the block is added, so that the line never takes more room
            // than the longest.
            dropLine();
            continue;
        }
        bytes.append(block);
        if (ends)
            lineStart = before + block.find_last_of("\r\n") + 1;
        if (longLines.tooLong(bytes.size() - lineStart))
            dropLine();
    }
    return bytes;
}

} // namespace

namespace {

ReportReading ReadFrom(FileBlocks& file, const std::string& name, std::size_t longestLine) {
    ReportReading reading;
    try {
        LongLines longLines(longestLine);
        std::optional<std::string> bytes = ReadKeptBytes(file, longLines, reading.utf16);
        if (reading.utf16) {
            reading.error = name + std::string(kUtf16Refusal);
        } else if (!file.error().empty()) {
            reading.error = file.error();
        } else {
            reading.report = ParseReport(std::move(*bytes), longestLine);
            reading.report->SkippedLines += longLines.skipped();
        }
    } catch (const std::bad_alloc&) {
        reading.report.reset();
        reading.error = name + std::string(kNoMemoryForReport);
    }
    return reading;
}

} // namespace

ReportReading ReadReport(const std::string& path, std::size_t longestLine) {
    FileBlocks file(path);
    return ReadFrom(file, path, longestLine);
}

ReportReading ReadReportFromStandardInput(std::size_t longestLine) {
    FileBlocks file{FileBlocks::StandardInput{}};
    return ReadFrom(file, "standard input", longestLine);
}

PendingReport::PendingReport(std::string path) : m_path(std::move(path)) {
    try {
        m_thread = std::thread([this] { m_reading = ReadReport(m_path); });
    } catch (const std::system_error&) {
        // No thread to be had: take() reads it.
    }
}

PendingReport::~PendingReport() {
    if (m_thread.joinable())
        m_thread.join();
}

std::optional<ReportReading> PendingReport::take() {
    if (m_taken)
        return std::nullopt;
    m_taken = true;
    if (m_thread.joinable())
        m_thread.join();
    else if (!m_reading)
        m_reading = ReadReport(m_path);
    return std::exchange(m_reading, std::nullopt);
}

} // namespace varscope::core
