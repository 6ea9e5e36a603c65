#pragma once

#include "report.hpp"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

class PendingReport;
class Prompter;

// The one object holding the shared state of the program. Created once in main() and
// passed by reference; windows keep nothing of their own between openings.
struct AppState {
    // Where the program keeps its files (the executable's folder unless overridden).
    std::string ProgramFolder;
    std::string PreferencesFile;

    // Preference settings.
    std::string EditorChoice;
    std::string NotepadPath;
    std::string WordpadPath;
    std::string OtherEditorPath;
    std::string EditorPath; // derived from EditorChoice, not stored
    std::string MicroStationFolder;
    std::string CategoryFilePath;
    std::string NotifyOnEdit;
    std::string OutputFile;

    // The report last read.
    ReportData Report; // Report.Variables is the variable table
    std::string ReportPath;
    std::string ReportSource;
    std::string UserConfigFolder;
    std::string ProjectConfigFolder;
    std::string WindowTitle;
    // Counts the reports applied, so a window can tell a reload from a smaller change.
    unsigned ReportGeneration = 0;
    // One flag per entry of Report.ConfigFilesUsed: opened for edit during this run.
    std::vector<bool> FileOpened;

    // Isolate view: record indexes (1-based) in the order they were added, from
    // IsolateVariable or FilterByLevel, whichever ran last.
    std::vector<std::size_t> IsolateRows;
    std::string SelectedVariableName;

    // MicroStation dialog choices, kept for the run and never saved.
    std::string UserConfigName;
    std::string ProjectConfigName;
    std::string UserOption;
    std::string ProjectOption;
    bool UseUserConfig = false;
    bool UseProjectConfig = false;

    // Export choices, kept for the run.
    unsigned ExportColumns = 0;
    std::string ExportDelimiter;

    const std::vector<ConfigVariable>& VariableTable() const { return Report.Variables; }
    std::size_t VariableCount() const { return Report.Variables.size(); }
    std::size_t IsolateCount() const { return IsolateRows.size(); }

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
};

// Reads the report and replaces the table, the lists, the title and the folders.
// mode "skip" reads ReportPath as it is; any other mode looks for msdebug.txt in the
// MicroStation folder first. When `pending` is reading the very file, its reading is used.
LoadOutcome LoadDebugReport(AppState& state, Prompter& prompter, std::string_view mode,
                            PendingReport* pending = nullptr);

// Replaces the report in the state with parsed data, as a successful load does.
void ApplyReport(AppState& state, ReportData data);

// Sets the opened-file mark on every File Order entry equal to `path`.
void MarkFileOpened(AppState& state, std::string_view path);

// Records of one variable (exact name) and of one level, in report order (1-based
// indexes into the table).
std::vector<std::size_t> IsolateByName(const ReportData& report, std::string_view name);
std::vector<std::size_t> FilterByLevel(const ReportData& report, int level);

} // namespace varscope::core
