#include "core/system/preferences.hpp"

#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/profile.hpp"

#include <algorithm>
#include <array>

namespace varscope::core {

namespace {

using namespace preference;

constexpr std::string_view kFileName = "Dbgscope.Ini";
constexpr std::string_view kCategoryFileName = "DebugCategory.Txt";
constexpr std::size_t kBufferSize = 512;

constexpr std::string_view kDefaultMicroStation = "c:\\bentley\\program\\microstation\\";

struct Key {
    std::string_view name;
    std::string Preferences::*setting;
    std::string_view fallback;
};

// Read order.
const std::array<Key, 8> kReadOrder = {{
    {kKeyCategoryFile, &Preferences::CategoryFilePath, ""},
    {kKeyEditor, &Preferences::EditorChoice, kEditorNotepad},
    {kKeyWordpad, &Preferences::WordpadPath, ""},
    {kKeyOther, &Preferences::OtherEditorPath, ""},
    {kKeyNotepad, &Preferences::NotepadPath, ""},
    {kKeyMicroStation, &Preferences::MicroStationFolder, kDefaultMicroStation},
    {kKeyNotifyOnEdit, &Preferences::NotifyOnEdit, kNotifyOff},
    {kKeyOutFile, &Preferences::OutputFile, ""},
}};

// Write order; also the order of keys in a file written from scratch.
const std::array<Key, 8> kWriteOrder = {{
    {kKeyEditor, &Preferences::EditorChoice, ""},
    {kKeyWordpad, &Preferences::WordpadPath, ""},
    {kKeyNotepad, &Preferences::NotepadPath, ""},
    {kKeyMicroStation, &Preferences::MicroStationFolder, ""},
    {kKeyOther, &Preferences::OtherEditorPath, ""},
    {kKeyCategoryFile, &Preferences::CategoryFilePath, ""},
    {kKeyNotifyOnEdit, &Preferences::NotifyOnEdit, ""},
    {kKeyOutFile, &Preferences::OutputFile, ""},
}};

struct EditorWord {
    Editor editor;
    std::string_view word;
    std::string Preferences::*path;
};

// In the order of Editor.
const std::array<EditorWord, 3> kEditors = {{
    {Editor::Notepad, kEditorNotepad, &Preferences::NotepadPath},
    {Editor::Wordpad, kEditorWordpad, &Preferences::WordpadPath},
    {Editor::Other, kEditorOther, &Preferences::OtherEditorPath},
}};

const EditorWord& EntryOf(Editor editor) {
    return kEditors[static_cast<std::size_t>(editor)];
}

} // namespace

std::optional<Editor> Preferences::editor() const {
    for (const EditorWord& entry : kEditors) {
        if (EditorChoice == entry.word)
            return entry.editor;
    }
    return std::nullopt;
}

void Preferences::chooseEditor(Editor editor) {
    EditorChoice = std::string(EntryOf(editor).word);
    EditorPath = pathOf(editor);
}

std::string& Preferences::pathOf(Editor editor) {
    return this->*EntryOf(editor).path;
}

const std::string& Preferences::pathOf(Editor editor) const {
    return this->*EntryOf(editor).path;
}

bool Preferences::confirmBeforeEdit() const {
    return NotifyOnEdit == kNotifyOn;
}

void Preferences::setConfirmBeforeEdit(bool confirm) {
    NotifyOnEdit = std::string(confirm ? kNotifyOn : kNotifyOff);
}

std::string DefaultProgramFolder() {
    std::string folder = platform::ExecutableFolder();
    if (platform::CanCreateFilesIn(folder))
        return folder;
    std::string own = platform::UserProgramFolder();
    return own.empty() ? folder : own;
}

void Preferences::addRecentReport(std::string_view path) {
    if (path.empty())
        return;
    std::vector<std::string>& recent = RecentReports;
    recent.erase(std::remove(recent.begin(), recent.end(), path), recent.end());
    recent.insert(recent.begin(), std::string(path));
    if (recent.size() > kRecentReportCount)
        recent.resize(kRecentReportCount);
}

void SetPreferencesFile(Preferences& preferences) {
    preferences.PreferencesFile = JoinPath(preferences.ProgramFolder, kFileName);
}

void ReadPreferences(Preferences& preferences) {
    // One read of the file serves all eight keys.
    const ReadResult read = ReadRegularFile(preferences.PreferencesFile);
    for (const Key& key : kReadOrder) {
        preferences.*key.setting =
            profile::GetValue(read.bytes ? std::string_view(*read.bytes) : std::string_view{},
                              kSection, key.name, key.fallback, kBufferSize);
    }
    preferences.RecentReports.clear();
    for (std::size_t i = 1; i <= kRecentReportCount; ++i) {
        // Kept whole, however deep its folder.
        std::optional<std::string> path =
            profile::FindValue(read.bytes ? std::string_view(*read.bytes) : std::string_view{},
                               kSection, std::string(kKeyRecentPrefix) + std::to_string(i));
        if (path && !path->empty())
            preferences.RecentReports.push_back(std::move(*path));
    }
    if (preferences.CategoryFilePath.empty())
        preferences.CategoryFilePath = JoinPath(preferences.ProgramFolder, kCategoryFileName);
    // Any other word leaves the editor in use as it was.
    if (const std::optional<Editor> editor = preferences.editor())
        preferences.EditorPath = preferences.pathOf(*editor);
}

std::optional<std::string> WritePreferences(Preferences& preferences) {
    SetPreferencesFile(preferences);
    const ReadResult read = ReadRegularFile(preferences.PreferencesFile);
    if (!read.bytes && platform::FileExists(preferences.PreferencesFile))
        return read.error;
    std::string bytes = read.bytes ? *read.bytes : std::string();
    for (const Key& key : kWriteOrder)
        bytes = profile::SetValue(bytes, kSection, key.name, preferences.*key.setting);
    for (std::size_t i = 0; i < kRecentReportCount; ++i) {
        const std::string key = std::string(kKeyRecentPrefix) + std::to_string(i + 1);
        // A file that never had a recent report gets no empty keys.
        if (i < preferences.RecentReports.size())
            bytes = profile::SetValue(bytes, kSection, key, preferences.RecentReports[i]);
        else if (profile::FindValue(bytes, kSection, key))
            bytes = profile::SetValue(bytes, kSection, key, "");
    }
    return WriteFileAtomically(preferences.PreferencesFile, bytes);
}

} // namespace varscope::core
