// The report a command reads: a file, or standard input when it is named "-".
#pragma once

#include "core/report/pending_report.hpp"

#include <string>

namespace varscope::cli {

inline core::ReportReading ReadNamedReport(const std::string& path) {
    return path == "-" ? core::ReadReportFromStandardInput() : core::ReadReport(path);
}

} // namespace varscope::cli
