#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

// Level codes double as indexes into the views' image list, so the values are fixed.
enum ConfigLevel : std::int16_t {
    LevelNone = 0,
    LevelPredefined = 1,
    LevelSystem = 2,
    LevelProject = 6,
    LevelSite = 7,
    LevelUser = 8,
    LevelApplication = 9,
    // The levels only newer versions write; codes after the older ones, which keep theirs.
    LevelOrganization = 10,
    LevelWorkSpace = 11,
    LevelWorkSet = 12,
    LevelRole = 13,
};

// One past the highest level code.
inline constexpr int kLevelCodeEnd = LevelRole + 1;

// Every level in the order the legend and the level buttons show them: the older six, then
// the newer versions' four in their processing order.
inline constexpr ConfigLevel kLegendLevels[] = {
    LevelPredefined, LevelSystem,       LevelSite,      LevelProject, LevelApplication,
    LevelUser,       LevelOrganization, LevelWorkSpace, LevelWorkSet, LevelRole};

// The levels only newer versions write: shown only when a report holds records at them.
constexpr bool IsNewerLevel(int code) {
    return code >= LevelOrganization && code <= LevelRole;
}

// "Predefined", "System", ... for a level code; empty for any other code. Inline: exports
// ask it for every line.
constexpr std::string_view LevelName(int code) {
    switch (code) {
    case LevelPredefined:
        return "Predefined";
    case LevelSystem:
        return "System";
    case LevelProject:
        return "Project";
    case LevelSite:
        return "Site";
    case LevelUser:
        return "User";
    case LevelApplication:
        return "Application";
    case LevelOrganization:
        return "Organization";
    case LevelWorkSpace:
        return "WorkSpace";
    case LevelWorkSet:
        return "WorkSet";
    case LevelRole:
        return "Role";
    default:
        return {};
    }
}
// A level code from its number ("8") or legend name ("user", any case).
std::optional<ConfigLevel> LevelFromText(std::string_view text);

// One variable line of the report. The texts are bytes viewing the report's buffer, which
// the owning ReportData keeps alive.
struct ConfigVariable {
    std::int16_t Level = LevelNone;
    int TreeNode = 0; // beside Level, so that a record of a large table takes 80 bytes
    std::string_view Name;
    std::string_view Value;
    std::string_view Expansion;
    std::string_view File;
    std::size_t Index = 0; // 1-based position in the table
};

struct ReportData {
    std::shared_ptr<const std::string> Bytes; // owns every view below
    std::vector<ConfigVariable> Variables;    // record n is Variables[n - 1]
    std::vector<std::string_view> ConfigFilesUsed;
    std::vector<std::string_view> SummaryLines;
    bool HasSummary = false; // the summary heading was read, whether lines follow it or not
    std::optional<std::string_view> UserConfigFolder;
    std::optional<std::string_view> ProjectConfigFolder;
    std::size_t SkippedLines = 0; // malformed variable or file lines
};

// Receives what a report holds, in report order, as it is read. The texts are valid only
// during the call. Returning false stops the reading.
class ReportSink {
public:
    virtual ~ReportSink() = default;
    // Index counts the records; TreeNode stays 0.
    virtual bool variable(const ConfigVariable& record) = 0;
    virtual bool configFile(std::string_view path) = 0;
    virtual bool summaryLine(std::string_view line) = 0;
    // The summary heading: the lines after it are summary lines.
    virtual bool summaryHeading() { return true; }
};

// A line longer than this (without its end) is skipped and counted, so that endless input
// without line ends cannot take all memory.
constexpr std::size_t kLongestLine = std::size_t{64} << 20;

// Reads a whole report in one pass. Never fails: lines it cannot split are counted and
// skipped, as are lines longer than `longestLine`.
ReportData ParseReport(std::string bytes, std::size_t longestLine = kLongestLine);

} // namespace varscope::core
