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
};

// The six levels in the order the legend and the level buttons show them.
inline constexpr ConfigLevel kLegendLevels[] = {LevelPredefined, LevelSystem,      LevelSite,
                                                LevelProject,    LevelApplication, LevelUser};

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
    std::optional<std::string_view> UserConfigFolder;
    std::optional<std::string_view> ProjectConfigFolder;
    std::size_t SkippedLines = 0; // malformed variable or file lines
};

// Reads a whole report in one pass. Never fails: lines it cannot split are counted and
// skipped.
ReportData ParseReport(std::string bytes);

// Receives what a report holds, in report order, as ReportStream reads it. The texts are
// valid only during the call. Returning false stops the reading.
class ReportPieceSink;
class ReportSink {
public:
    virtual ~ReportSink() = default;
    // Index counts the records; TreeNode stays 0.
    virtual bool variable(const ConfigVariable& record) = 0;
    virtual bool configFile(std::string_view path) = 0;
    virtual bool summaryLine(std::string_view line) = 0;

    // For reading a large report on several threads at once: a new sink that keeps what the
    // lines of one piece of the report make of it, taking them on any thread. Null (the
    // default) when every line must come to this sink itself, in report order.
    virtual std::unique_ptr<ReportPieceSink> newPieceSink() { return nullptr; }
    // Adds what a sink made by newPieceSink() kept, after everything before it, and empties
    // it for the next piece; false stops the reading.
    virtual bool takePiece(ReportPieceSink& piece);
};

// Takes the lines of one piece of a report. Its records' Index counts from the piece's start.
class ReportPieceSink : public ReportSink {
public:
    // Forgets what it kept: the piece is read again.
    virtual void clear() = 0;
};

// Reads a report handed over in pieces of any size with the rules of ParseReport, keeping
// neither the report nor its records: each line goes to the sink once its end has come.
// For exports of reports larger than memory should hold.
class ReportStream {
public:
    explicit ReportStream(ReportSink& sink);
    ~ReportStream();
    ReportStream(const ReportStream&) = delete;
    ReportStream& operator=(const ReportStream&) = delete;

    // False once the sink has stopped the reading.
    bool feed(std::string_view bytes);
    // Reads the last line when it has no line end; false when the sink stopped.
    bool finish();
    std::size_t skippedLines() const;

private:
    struct Reader;
    std::unique_ptr<Reader> m_reader;
};

// How reading a report file went.
struct ReportFileOutcome {
    std::string readError; // why the file could not be read; empty when it was
    bool stopped = false;  // the sink stopped the reading
    std::size_t skippedLines = 0;
};

// Reads a report already in memory into `sink`, as a ReportStream fed with it would. With
// `threads` above 1 the report is read in pieces of about `pieceSize` bytes on that many
// threads at once; the sink is called from the calling thread only, and takes the pieces'
// lines in report order, or whole pieces when it offers piece sinks.
inline constexpr std::size_t kReportPieceSize = std::size_t{256} << 10;
ReportFileOutcome ReadReportText(std::string_view text, ReportSink& sink, unsigned threads,
                                 std::size_t pieceSize = kReportPieceSize);

// Reads the report file at `path` into `sink`, as a ReportStream fed with it would, holding
// neither the report nor its records: a file that can be mapped into memory is read from
// there as ReadReportText reads it; any other in blocks, with a second thread reading the
// file and finding the bytes of interest in each block while the calling thread reads the
// lines. The sink is called from the calling thread only.
ReportFileOutcome ReadReportFile(const std::string& path, ReportSink& sink, unsigned threads);

} // namespace varscope::core
