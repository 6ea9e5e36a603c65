#pragma once

#include "core/report/report.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace varscope::core {

// What reading a report file gave: the parsed report, or why the file could not be read.
struct ReportReading {
    std::optional<ReportData> report;
    std::string error;
    bool utf16 = false; // refused as UTF-16 (error says so)
};

// Why a report too large for the memory there is is refused, after its path.
inline constexpr std::string_view kNoMemoryForReport =
    ": does not fit in the memory there is, so it cannot be read whole";

// Reads the report file at `path` whole and parses it. A line longer than `longestLine` is
// dropped as it is read, so that endless input without line ends (a device) holds no more
// memory than a streamed export does. A UTF-16 file, and a report too large for the memory
// there is, are refused with a reason.
ReportReading ReadReport(const std::string& path, std::size_t longestLine = kLongestLine);
// The same for standard input.
ReportReading ReadReportFromStandardInput(std::size_t longestLine = kLongestLine);

// A report file read and parsed on a thread of its own from the moment it is made: the
// program starts reading the report named on its command line before it builds its
// window, and the two go on at once.
class PendingReport {
public:
    explicit PendingReport(std::string path);
    ~PendingReport(); // waits for the reading to end
    PendingReport(const PendingReport&) = delete;
    PendingReport& operator=(const PendingReport&) = delete;

    const std::string& path() const { return m_path; }
    // Waits for the reading and hands over what it gave; nullopt once it has been taken.
    std::optional<ReportReading> take();

private:
    std::string m_path;
    std::optional<ReportReading> m_reading;
    std::thread m_thread;
    bool m_taken = false;
};

} // namespace varscope::core
