#pragma once

#include "core/category/catalogue_edits.hpp"
#include "core/report/final_values.hpp"
#include "core/report/report.hpp"
#include "core/system/preferences.hpp"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

class PendingReport;
class Prompter;

// Where a report came from: the load modes of LoadDebugReport, and ReportSource.
enum class LoadMode {
    New,    // at start-up: msdebug.txt in the MicroStation folder
    Update, // re-read msdebug.txt in the MicroStation folder
    Skip,   // read ReportPath as it is
};

// The report last read and what was derived from it, written by LoadDebugReport and
// MarkFileOpened; a caller of a load sets ReportPath before it and ReportSource after it.
struct LoadedReport {
    ReportData Contents; // Contents.Variables is the variable table
    std::string ReportPath;
    // Empty after every complete load; the caller then says where the report came from.
    // Never written to a file.
    std::optional<LoadMode> ReportSource;
    std::string UserConfigFolder;
    std::string ProjectConfigFolder;
    std::string WindowTitle;
    // Counts the reports applied, so a window can tell a reload from a smaller change.
    unsigned ReportGeneration = 0;
    // One flag per entry of Contents.ConfigFilesUsed: opened for edit during this run.
    std::vector<bool> FileOpened;
    // Each variable's winning record and lock, from Contents.
    FinalValues Winners;

    const std::vector<ConfigVariable>& VariableTable() const { return Contents.Variables; }
    std::size_t VariableCount() const { return Contents.Variables.size(); }
};

// The Isolate view's rows, written by Find/Isolate and the level filter.
struct IsolateSelection {
    // Record indexes (1-based) in the order they were added, from IsolateVariable or
    // FilterByLevel, whichever ran last.
    std::vector<std::size_t> IsolateRows;
    std::string SelectedVariableName;
    // The rows are one variable's (IsolateVariable ran last), not one level's.
    bool OneVariable = false;

    std::size_t IsolateCount() const { return IsolateRows.size(); }
};

// The MicroStation dialog's choices, kept for the run and never saved.
struct MicroStationChoices {
    std::string UserConfigName;
    std::string ProjectConfigName;
    std::string UserOption;
    std::string ProjectOption;
    bool UseUserConfig = false;
    bool UseProjectConfig = false;
};

// The export's choices, kept for the run.
struct ExportChoices {
    unsigned ExportColumns = 0;
    std::string ExportDelimiter;
};

// The one object holding the shared state of the program, in parts with one owner each.
// Created once in main() and passed by reference; windows keep nothing of their own
// between openings.
struct AppState {
    Preferences preferences;
    LoadedReport report;
    IsolateSelection isolate;
    MicroStationChoices microStation;
    ExportChoices exportChoices;
    // The Category Manager's catalogue, kept for the run; its file is
    // preferences.CategoryFilePath.
    EditedCatalogue categories;

    // Called after every load that replaced the report, and after a file was marked.
    using Listener = std::function<void()>;
    int Subscribe(Listener listener);
    void Unsubscribe(int token);
    void NotifyChanged() const;

private:
    std::vector<std::pair<int, Listener>> m_listeners;
    int m_nextToken = 1;
};

enum class LoadOutcome {
    Loaded,
    NotFound,   // no MicroStation folder, or no report in it: the user was told
    Unreadable, // the file could not be read: the user was told
    NotAReport, // the file holds nothing a report holds: the user was told
};

// Reads the report and replaces the table, the lists, the title and the folders.
// LoadMode::Skip reads ReportPath as it is; the other modes look for msdebug.txt in the
// MicroStation folder first. When `pending` is reading the very file, its reading is used.
LoadOutcome LoadDebugReport(AppState& state, Prompter& prompter, LoadMode mode,
                            PendingReport* pending = nullptr);

// A file the user chose to open (a picker, the recent list, a drop): reads `path` as
// LoadMode::Skip does, but refuses a file that holds no definition, no file line and no
// summary. On success ReportPath is `path` and ReportSource Skip; on any failure the user
// is told and the report on screen, with its path, stays.
LoadOutcome OpenReportFile(AppState& state, Prompter& prompter, const std::string& path);

// Replaces the report in the state with parsed data, as a successful load does.
void ApplyReport(AppState& state, ReportData data);

// Sets the opened-file mark on every File Order entry equal to `path`.
void MarkFileOpened(AppState& state, std::string_view path);

// Records of one variable (exact name) and of one level, in report order (1-based
// indexes into the table).
std::vector<std::size_t> IsolateByName(const ReportData& report, std::string_view name);
std::vector<std::size_t> FilterByLevel(const ReportData& report, int level);
// Whether the report holds records at each level code (indexed by code).
std::array<bool, kLevelCodeEnd> LevelsWithRecords(const ReportData& report);

} // namespace varscope::core
