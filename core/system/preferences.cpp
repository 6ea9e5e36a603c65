#include "core/system/preferences.hpp"

#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/profile.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

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

// Beyond any desktop: a larger number is a garbled one.
constexpr int kLargestCoordinate = 1'000'000;
constexpr std::size_t kMostColumns = 64;
constexpr int kMostPages = 100;

// Whole numbers between commas, each within [least, kLargestCoordinate]; nullopt for anything
// else (blanks, empty parts, signs where none belong).
std::optional<std::vector<int>> NumberList(std::string_view text, int least) {
    std::vector<int> numbers;
    if (text.empty())
        return std::nullopt;
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        int number = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), number);
        if (part.empty() || error != std::errc() || end != part.data() + part.size() ||
            number < least || number > kLargestCoordinate)
            return std::nullopt;
        numbers.push_back(number);
        if (comma == std::string_view::npos)
            return numbers;
        text.remove_prefix(comma + 1);
    }
}

std::string JoinNumbers(const std::vector<int>& numbers) {
    std::string text;
    for (const int number : numbers) {
        if (!text.empty())
            text += ',';
        text += std::to_string(number);
    }
    return text;
}

std::string ColumnsKey(std::string_view list) {
    return std::string(kKeyColumnsPrefix) + std::string(list);
}

WindowLayout ReadLayout(std::string_view bytes) {
    const auto value = [bytes](std::string_view key) {
        return profile::FindValue(bytes, kSection, key).value_or(std::string());
    };
    WindowLayout layout;
    if (const auto numbers = NumberList(value(kKeyWindowGeometry), -kLargestCoordinate);
        numbers && numbers->size() == 4 && (*numbers)[2] > 0 && (*numbers)[3] > 0)
        layout.Geometry = WindowRect{(*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]};
    layout.Maximized = value(kKeyWindowMaximized) == kTrue;
    if (const auto page = NumberList(value(kKeyPage), 0);
        page && page->size() == 1 && page->front() < kMostPages)
        layout.Page = page->front();
    layout.DerivationShown = value(kKeyDerivationPane) == kTrue;
    for (const std::string_view list : kColumnLists) {
        if (auto widths = NumberList(value(ColumnsKey(list)), 1);
            widths && widths->size() <= kMostColumns)
            layout.ColumnWidths.emplace(std::string(list), std::move(*widths));
    }
    return layout;
}

// Only once a window has recorded where it was: a file no window wrote keeps its bytes.
std::string WriteLayout(std::string bytes, const WindowLayout& layout) {
    const std::optional<WindowRect>& at = layout.Geometry;
    if (!at)
        return bytes;
    bytes = profile::SetValue(bytes, kSection, kKeyWindowGeometry,
                              JoinNumbers({at->x, at->y, at->width, at->height}));
    bytes =
        profile::SetValue(bytes, kSection, kKeyWindowMaximized, layout.Maximized ? kTrue : kFalse);
    if (layout.Page)
        bytes = profile::SetValue(bytes, kSection, kKeyPage, std::to_string(*layout.Page));
    bytes = profile::SetValue(bytes, kSection, kKeyDerivationPane,
                              layout.DerivationShown ? kTrue : kFalse);
    for (const std::string_view list : kColumnLists) {
        const auto widths = layout.ColumnWidths.find(list);
        if (widths != layout.ColumnWidths.end() && !widths->second.empty())
            bytes =
                profile::SetValue(bytes, kSection, ColumnsKey(list), JoinNumbers(widths->second));
    }
    return bytes;
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

std::string ProgramFolderFor(const std::string& executableFolder) {
    const std::string marker =
        JoinPath(JoinPath(JoinPath(JoinPath(executableFolder, ".."), "share"), "varscope"),
                 kInstalledMarker);
    std::string own = platform::UserProgramFolder();
    if (!own.empty() && platform::FileExists(marker))
        return own;
    if (platform::CanCreateFilesIn(executableFolder))
        return executableFolder;
    return own.empty() ? executableFolder : own;
}

std::string DefaultProgramFolder() {
    return ProgramFolderFor(platform::ExecutableFolder());
}

std::optional<std::string> MakeProgramFolder(const Preferences& preferences) {
    const std::string& folder = preferences.ProgramFolder;
    if (platform::FolderExists(folder) || folder != platform::UserProgramFolder())
        return std::nullopt;
    return platform::MakeFolders(folder);
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
    preferences.Layout =
        ReadLayout(read.bytes ? std::string_view(*read.bytes) : std::string_view{});
    if (preferences.CategoryFilePath.empty())
        preferences.CategoryFilePath = JoinPath(preferences.ProgramFolder, kCategoryFileName);
    // Any other word leaves the editor in use as it was.
    if (const std::optional<Editor> editor = preferences.editor())
        preferences.EditorPath = preferences.pathOf(*editor);
}

std::optional<std::string> WritePreferences(Preferences& preferences) {
    SetPreferencesFile(preferences);
    if (auto failure = MakeProgramFolder(preferences))
        return failure;
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
    bytes = WriteLayout(std::move(bytes), preferences.Layout);
    return WriteFileAtomically(preferences.PreferencesFile, bytes);
}

} // namespace varscope::core
