#include "core/system/edit.hpp"

#include "core/session.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/process.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"

namespace varscope::core {

EditOutcome OpenFileForEdit(AppState& state, Prompter& prompter, const std::string& path,
                            const std::function<void()>& whileWaiting, NoEditorNotice noEditor) {
    if (state.preferences.EditorPath.empty()) {
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

    const std::string commandLine = EditorCommandLine(state.preferences.EditorPath, path);
    if (platform::IsReadOnly(path)) {
        if (!prompter.ask(path + std::string(text::kReadOnlySuffix), text::kReadOnlyTitle))
            return EditOutcome::Declined;
        // Viewing is not editing, so the file keeps its plain mark.
        return RunProgramOrTell(prompter, commandLine, whileWaiting) ? EditOutcome::Viewed
                                                                     : EditOutcome::CouldNotStart;
    }

    if (state.preferences.confirmBeforeEdit() &&
        !prompter.ask(std::string(text::kVerifyEditPrefix) + path, text::kVerifyEditTitle))
        return EditOutcome::Declined;

    if (!RunProgramOrTell(prompter, commandLine, whileWaiting))
        return EditOutcome::CouldNotStart;
    MarkFileOpened(state, path);
    return EditOutcome::Edited;
}

} // namespace varscope::core
