#include "preferences.hpp"

#include "fileio.hpp"
#include "platform/platform.hpp"
#include "profile.hpp"
#include "session.hpp"

#include <array>
#include <string_view>

namespace varscope::core {

namespace {

constexpr std::string_view kSection = "preferences";
constexpr std::string_view kFileName = "Dbgscope.Ini";
constexpr std::string_view kCategoryFileName = "DebugCategory.Txt";
constexpr std::size_t kBufferSize = 512;

constexpr std::string_view kKeyCategoryFile = "categoryFile";
constexpr std::string_view kKeyEditor = "editor";
constexpr std::string_view kKeyWordpad = "wordpad";
constexpr std::string_view kKeyOther = "other";
constexpr std::string_view kKeyNotepad = "notepad";
constexpr std::string_view kKeyMicroStation = "microstation";
constexpr std::string_view kKeyNotifyOnEdit = "notifyOnEdit";
constexpr std::string_view kKeyOutFile = "outFile";

constexpr std::string_view kDefaultEditor = "notepad";
constexpr std::string_view kDefaultMicroStation = "c:\\bentley\\program\\microstation\\";
constexpr std::string_view kDefaultNotify = "False";

struct Key {
    std::string_view name;
    std::string AppState::*setting;
    std::string_view fallback;
};

// Read order.
const std::array<Key, 8> kReadOrder = {{
    {kKeyCategoryFile, &AppState::CategoryFilePath, ""},
    {kKeyEditor, &AppState::EditorChoice, kDefaultEditor},
    {kKeyWordpad, &AppState::WordpadPath, ""},
    {kKeyOther, &AppState::OtherEditorPath, ""},
    {kKeyNotepad, &AppState::NotepadPath, ""},
    {kKeyMicroStation, &AppState::MicroStationFolder, kDefaultMicroStation},
    {kKeyNotifyOnEdit, &AppState::NotifyOnEdit, kDefaultNotify},
    {kKeyOutFile, &AppState::OutputFile, ""},
}};

// Write order; also the order of keys in a file written from scratch.
const std::array<Key, 8> kWriteOrder = {{
    {kKeyEditor, &AppState::EditorChoice, ""},
    {kKeyWordpad, &AppState::WordpadPath, ""},
    {kKeyNotepad, &AppState::NotepadPath, ""},
    {kKeyMicroStation, &AppState::MicroStationFolder, ""},
    {kKeyOther, &AppState::OtherEditorPath, ""},
    {kKeyCategoryFile, &AppState::CategoryFilePath, ""},
    {kKeyNotifyOnEdit, &AppState::NotifyOnEdit, ""},
    {kKeyOutFile, &AppState::OutputFile, ""},
}};

std::string InProgramFolder(const AppState& state, std::string_view name) {
    return state.ProgramFolder + platform::Separator() + std::string(name);
}

} // namespace

void SetPreferencesFile(AppState& state) {
    state.PreferencesFile = InProgramFolder(state, kFileName);
}

void ReadPreferences(AppState& state) {
    // One read of the file serves all eight keys.
    const ReadResult read = ReadWholeFile(state.PreferencesFile);
    for (const Key& key : kReadOrder) {
        state.*key.setting =
            profile::GetValue(read.bytes ? std::string_view(*read.bytes) : std::string_view{},
                              kSection, key.name, key.fallback, kBufferSize);
    }
    if (state.CategoryFilePath.empty())
        state.CategoryFilePath = InProgramFolder(state, kCategoryFileName);
    if (state.EditorChoice == "notepad")
        state.EditorPath = state.NotepadPath;
    else if (state.EditorChoice == "wordpad")
        state.EditorPath = state.WordpadPath;
    else if (state.EditorChoice == "other")
        state.EditorPath = state.OtherEditorPath;
}

std::optional<std::string> WritePreferences(AppState& state) {
    SetPreferencesFile(state);
    const ReadResult read = ReadWholeFile(state.PreferencesFile);
    if (!read.bytes && platform::FileExists(state.PreferencesFile))
        return read.error;
    std::string bytes = read.bytes ? *read.bytes : std::string();
    for (const Key& key : kWriteOrder)
        bytes = profile::SetValue(bytes, kSection, key.name, state.*key.setting);
    return WriteFileAtomically(state.PreferencesFile, bytes);
}

} // namespace varscope::core
