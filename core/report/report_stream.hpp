// Reading a report without holding it: for exports of reports larger than memory should
// hold. The unit of bytes here is the block, as line_scan.hpp defines it.
#pragma once

#include "core/report/report.hpp"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace varscope::core {

class LineScanner;

// Reads a report handed over in blocks with the rules of ParseReport, keeping neither the
// report nor its records: each line goes to the sink once its end has come.
class ReportStream {
public:
    explicit ReportStream(ReportSink& sink, std::size_t longestLine = kLongestLine);
    ~ReportStream();
    ReportStream(const ReportStream&) = delete;
    ReportStream& operator=(const ReportStream&) = delete;

    // False once the sink has stopped the reading.
    bool feed(std::string_view block);
    // Reads the last line when it has no line end; false when the sink stopped.
    bool finish();
    std::size_t skippedLines() const;

private:
    std::unique_ptr<LineScanner> m_scanner;
};

// Whether a file that begins with these bytes is UTF-16 text: a byte-order mark of either
// order, or a NUL in every other byte as Latin text has in UTF-16 without one.
bool IsUtf16(std::string_view start);
// Why a UTF-16 file is refused, after its path.
inline constexpr std::string_view kUtf16Refusal =
    ": is UTF-16 and is not a report as MicroStation writes it";

// How reading a report file went.
struct ReportFileOutcome {
    std::string readError; // why the file could not be read; empty when it was
    bool utf16 = false;    // refused as UTF-16 (readError says so)
    bool stopped = false;  // the sink stopped the reading
    std::size_t skippedLines = 0;
};

// Reads the report file at `path` into `sink` through a ReportStream, in large blocks. A
// file that another program rewrites meanwhile is read as far as it goes; a UTF-16 file is
// refused.
ReportFileOutcome ReadReportFile(const std::string& path, ReportSink& sink);

} // namespace varscope::core
