#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

// The preferences file: its section, its keys and the words its values are written in.
namespace preference {

inline constexpr std::string_view kSection = "preferences";

inline constexpr std::string_view kKeyCategoryFile = "categoryFile";
inline constexpr std::string_view kKeyEditor = "editor";
inline constexpr std::string_view kKeyWordpad = "wordpad";
inline constexpr std::string_view kKeyOther = "other";
inline constexpr std::string_view kKeyNotepad = "notepad";
inline constexpr std::string_view kKeyMicroStation = "microstation";
inline constexpr std::string_view kKeyNotifyOnEdit = "notifyOnEdit";
inline constexpr std::string_view kKeyOutFile = "outFile";
// The recent reports are "recent1" (the latest) to "recent8".
inline constexpr std::string_view kKeyRecentPrefix = "recent";
inline constexpr std::size_t kRecentReportCount = 8;
// How the main window was left: "windowGeometry=x,y,width,height" (its normal place and
// size, also when it was left maximised), "windowMaximized=True|False", "page=N" (numbered
// as --page numbers them), "derivationPane=True|False" and "columns.<list>=w1,w2,..." for
// each list below.
inline constexpr std::string_view kKeyWindowGeometry = "windowGeometry";
inline constexpr std::string_view kKeyWindowMaximized = "windowMaximized";
inline constexpr std::string_view kKeyPage = "page";
inline constexpr std::string_view kKeyDerivationPane = "derivationPane";
inline constexpr std::string_view kKeyColumnsPrefix = "columns.";
inline constexpr std::array<std::string_view, 7> kColumnLists = {
    "allVariables", "isolate", "summary", "problems", "fileOrder", "category", "derivation"};
inline constexpr std::string_view kTrue = "True";
inline constexpr std::string_view kFalse = "False";

// The marker an install puts in <prefix>/share/varscope, beside the program's bin folder.
inline constexpr std::string_view kInstalledMarker = "installed-copy";

// Values of "editor".
inline constexpr std::string_view kEditorNotepad = "notepad";
inline constexpr std::string_view kEditorWordpad = "wordpad";
inline constexpr std::string_view kEditorOther = "other";
// Values of "notifyOnEdit"; only this exact kNotifyOn turns the confirmation on.
inline constexpr std::string_view kNotifyOn = "True";
inline constexpr std::string_view kNotifyOff = "False";

} // namespace preference

// The editors the "editor" setting can name.
enum class Editor { Notepad, Wordpad, Other };

// A window's place and size on the desktop, in the system's pixels.
struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// How the user left the main window. What the file does not hold, or holds garbled, stays
// unset, and the window takes its defaults.
struct WindowLayout {
    std::optional<WindowRect> Geometry;
    bool Maximized = false;
    std::optional<int> Page;
    bool DerivationShown = false;
    // By list name (preference::kColumnLists): the width of each column in order.
    std::map<std::string, std::vector<int>, std::less<>> ColumnWidths;
    friend bool operator==(const WindowLayout&, const WindowLayout&) = default;
};

// The user's settings, as the preferences file holds them, and where that file lies.
// EditorChoice and NotifyOnEdit keep the file's text, so a word the program does not know
// is written back as it was read; read them through editor() and confirmBeforeEdit().
struct Preferences {
    // Where the program keeps its files (the executable's folder unless overridden).
    std::string ProgramFolder;
    std::string PreferencesFile;

    std::string EditorChoice;
    std::string NotepadPath;
    std::string WordpadPath;
    std::string OtherEditorPath;
    std::string EditorPath; // derived from EditorChoice, not stored
    std::string MicroStationFolder;
    std::string CategoryFilePath;
    std::string NotifyOnEdit;
    std::string OutputFile;
    // The reports opened last, latest first, at most kRecentReportCount.
    std::vector<std::string> RecentReports;
    WindowLayout Layout;

    // Which editor EditorChoice names; nullopt for any other word.
    std::optional<Editor> editor() const;
    // Names `editor` in EditorChoice and makes its path the editor in use.
    void chooseEditor(Editor editor);
    // The program path setting of one editor.
    std::string& pathOf(Editor editor);
    const std::string& pathOf(Editor editor) const;

    // Whether the user is asked before a writable file is opened for editing.
    bool confirmBeforeEdit() const;
    void setConfirmBeforeEdit(bool confirm);
    // Puts `path` first among the recent reports (once: paths are compared as whole bytes).
    void addRecentReport(std::string_view path);
};

// Where the program keeps its files. An installed copy (kInstalledMarker in
// <executableFolder>/../share/varscope) keeps them in this user's own folder, where the
// desktop expects them; a built or unzipped copy in its own folder, or in this user's own
// folder when it cannot make files there (a copy put where users cannot write).
std::string ProgramFolderFor(const std::string& executableFolder);
// The same for the running program.
std::string DefaultProgramFolder();
// Makes the program folder when it is this user's own folder and missing, as before a first
// save; nullopt when it exists then, else the reason. Any other folder is left as it is.
std::optional<std::string> MakeProgramFolder(const Preferences& preferences);

// Sets PreferencesFile to the program folder + "Dbgscope.Ini".
void SetPreferencesFile(Preferences& preferences);

// Fills every preference setting from PreferencesFile (defaults for missing keys) and
// derives EditorPath.
void ReadPreferences(Preferences& preferences);

// Writes the eight keys, the recent reports and the window's layout in one atomic replacement
// of the file (making this user's own folder first when that is where it goes). nullopt on
// success, else the reason; on failure the old file stays as it was.
std::optional<std::string> WritePreferences(Preferences& preferences);

} // namespace varscope::core
