#include "core/report/pending_report.hpp"

#include "core/system/fileio.hpp"

#include <system_error>
#include <utility>

namespace varscope::core {

ReportReading ReadReport(const std::string& path) {
    ReportReading reading;
    ReadResult read = ReadWholeFile(path);
    if (read.bytes)
        reading.report = ParseReport(std::move(*read.bytes));
    else
        reading.error = std::move(read.error);
    return reading;
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
