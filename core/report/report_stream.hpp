// Reading a report without holding it: for exports of reports larger than memory should
// hold. The unit of bytes here is the block: a part of the report of any size, as it is
// handed over or read from the file.
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
    explicit ReportStream(ReportSink& sink);
    ~ReportStream();
    ReportStream(const ReportStream&) = delete;
    ReportStream& operator=(const ReportStream&) = delete;

    // False once the sink has stopped the reading.
    bool feed(std::string_view block);
    // Reads the last line when it has no line end; false when the sink stopped.
    bool finish();
    std::size_t skippedLines() const;

private:
    // Keeps the start of an unfinished line, or drops it once it is too long to keep.
    void keep(std::string_view piece);
    // Passes over the rest of an overlong line; false while its end has not come.
    bool passOverlongLine(std::string_view& block);

    enum class Overlong { No, Passing, PassedCr };

    std::unique_ptr<LineScanner> m_scanner;
    std::string m_partial; // the start of a line whose end has not come yet
    Overlong m_overlong = Overlong::No;
    std::size_t m_overlongLines = 0;
};

// How reading a report file went.
struct ReportFileOutcome {
    std::string readError; // why the file could not be read; empty when it was
    bool stopped = false;  // the sink stopped the reading
    std::size_t skippedLines = 0;
};

// Reads the report file at `path` into `sink` through a ReportStream, in large blocks. A
// file that another program rewrites meanwhile is read as far as it goes.
ReportFileOutcome ReadReportFile(const std::string& path, ReportSink& sink);

} // namespace varscope::core
