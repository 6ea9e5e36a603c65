// Small reports written the way the host program writes them, for the tests of the units
// that read a report's definitions and summary.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::testing {

// A summary line: the name padded to 17, the level to 12, the final value, and the lock.
inline std::string SummaryLine(std::string_view name, std::string_view level,
                               std::string_view value, bool locked = false) {
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%-17.*s: %-12.*s = ", static_cast<int>(name.size()),
                  name.data(), static_cast<int>(level.size()), level.data());
    return prefix + std::string(value) + (locked ? " <Locked>" : "  ");
}

// A report of `lines` (definitions, "Processing macro file [...]" lines, others), CR LF
// ended, then the summary when `summary` is not empty.
inline std::string SmallReport(const std::vector<std::string>& lines,
                               const std::vector<std::string>& summary = {}) {
    const std::string banner = "#########################################";
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r\n";
    if (summary.empty())
        return out;
    out += "\r\n\r\n" + banner + "\r\n# Configuration Variable Summary        \r\n#\r\n" + banner +
           "\r\n\r\n";
    for (const std::string& line : summary)
        out += line + "\r\n";
    out += "\r\n" + banner + "\r\n# End of Configuration Variable Summary #\r\n" + banner + "\r\n";
    return out;
}

} // namespace varscope::testing
