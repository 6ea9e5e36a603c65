#include "core/system/edit.hpp"

#include "core/session.hpp"
#include "core/system/editors.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/process.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"

namespace varscope::core {

namespace {

// The line that opens `path`, and the editor as the user is told about it.
struct EditorLaunch {
    std::string commandLine;
    std::string shown;
};

// The command's words but the file, as the user reads them.
std::string Shown(std::vector<std::string> words) {
    std::string shown;
    if (!words.empty())
        words.pop_back();
    for (const std::string& word : words)
        shown += (shown.empty() ? "" : " ") + word;
    return shown;
}

EditorLaunch LaunchFor(const Preferences& preferences, const std::string& path) {
    // The user's own choice wins over the desktop's.
    if (!preferences.EditorPath.empty())
        return {EditorCommandLine(preferences.EditorPath, path), preferences.EditorPath};
    const std::vector<std::string> words = DesktopEditorCommand(path);
    if (words.empty())
        return {};
    return {CommandLineOf(words), Shown(words)};
}

bool StartOrTell(Prompter& prompter, const EditorLaunch& launch) {
    const std::optional<std::string> error = StartDetached(launch.commandLine);
    if (!error)
        return true;
    prompter.message(std::string(text::kCouldNotStartEditorPrefix) + launch.shown + ": " + *error +
                         std::string(text::kCouldNotStartEditorSuffix),
                     MessageIcon::Stop, text::kProgramTitle);
    return false;
}

} // namespace

bool HasEditor(const Preferences& preferences) {
    return !preferences.EditorPath.empty() || !DesktopEditorCommand({}).empty();
}

std::string DesktopEditorInUse(const Preferences& preferences) {
    if (!preferences.EditorPath.empty())
        return {};
    return Shown(DesktopEditorCommand({}));
}

EditOutcome OpenFileForEdit(AppState& state, Prompter& prompter, const std::string& path,
                            NoEditorNotice noEditor) {
    if (!HasEditor(state.preferences)) {
        if (noEditor == NoEditorNotice::Tell)
            prompter.message(text::kNoEditorChosen, MessageIcon::Exclamation, text::kProgramTitle);
        return EditOutcome::NoEditor;
    }
    // A path holding a NUL byte (read from a report) names no file, though the system, which
    // reads it up to that byte, may find the file before it.
    if (path.find('\0') != std::string::npos || !platform::FileExists(path)) {
        prompter.message(std::string(text::kFileNotFoundPrefix) + path +
                             std::string(text::kFileNotFoundSuffix),
                         MessageIcon::Stop, text::kProgramTitle);
        return EditOutcome::NotFound;
    }

    const EditorLaunch launch = LaunchFor(state.preferences, path);
    if (platform::IsReadOnly(path)) {
        if (!prompter.ask(path + std::string(text::kReadOnlySuffix), text::kReadOnlyTitle))
            return EditOutcome::Declined;
        // Viewing is not editing, so the file keeps its plain mark.
        return StartOrTell(prompter, launch) ? EditOutcome::Viewed : EditOutcome::CouldNotStart;
    }

    if (state.preferences.confirmBeforeEdit() &&
        !prompter.ask(std::string(text::kVerifyEditPrefix) + path, text::kVerifyEditTitle))
        return EditOutcome::Declined;

    if (!StartOrTell(prompter, launch))
        return EditOutcome::CouldNotStart;
    // Marked as the editor starts: the user is editing from now on.
    MarkFileOpened(state, path);
    return EditOutcome::Edited;
}

} // namespace varscope::core
