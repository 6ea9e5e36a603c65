#pragma once

#include <cstddef>
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

// Where the program keeps its files: the executable's folder when files can be made there;
// otherwise, for a copy installed where users cannot write (/usr/bin, Program Files), this
// user's own folder, so that preferences and categories can still be saved.
std::string DefaultProgramFolder();

// Sets PreferencesFile to the program folder + "Dbgscope.Ini".
void SetPreferencesFile(Preferences& preferences);

// Fills every preference setting from PreferencesFile (defaults for missing keys) and
// derives EditorPath.
void ReadPreferences(Preferences& preferences);

// Writes the eight keys and the recent reports in one atomic replacement of the file. nullopt on
// success, else the reason; on failure the old file stays as it was.
std::optional<std::string> WritePreferences(Preferences& preferences);

} // namespace varscope::core
