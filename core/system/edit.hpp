#pragma once

#include <functional>
#include <string>

namespace varscope::core {

struct AppState;
class Prompter;

enum class EditOutcome {
    NotFound,      // the file does not exist: the user was told
    Declined,      // the user answered No to the read-only or the verify question
    Viewed,        // a read-only file was shown in the editor; nothing marked
    Edited,        // the editor ran and has been closed; the file is marked as opened
    CouldNotStart, // the editor could not be started: the user was told; nothing marked
    NoEditor,      // no editor is chosen: nothing started, nothing marked
};

// What to do when no editor is chosen: say so, or stay silent because the editor dialog has
// been offered already and is the answer.
enum class NoEditorNotice { Tell, Silent };

// The one way a view opens a configuration file: checks that it exists, asks before a
// read-only file (and before any file when the user asked to confirm), runs the editor until
// it is closed and marks the file's File Order entries as opened. With no editor chosen there
// is nothing to start.
EditOutcome OpenFileForEdit(AppState& state, Prompter& prompter, const std::string& path,
                            const std::function<void()>& whileWaiting = {},
                            NoEditorNotice noEditor = NoEditorNotice::Tell);

} // namespace varscope::core
