#pragma once

#include <string>

namespace varscope::core {

struct AppState;
class Prompter;
struct Preferences;

enum class EditOutcome {
    NotFound,      // the file does not exist: the user was told
    Declined,      // the user answered No to the read-only or the verify question
    Viewed,        // the editor was started on a read-only file; nothing marked
    Edited,        // the editor was started (not waited for); the file is marked as opened
    CouldNotStart, // the editor could not be started: the user was told; nothing marked
    NoEditor,      // no editor is chosen: nothing started, nothing marked
};

// What to do when no editor is chosen: say so, or stay silent because the editor dialog has
// been offered already and is the answer.
enum class NoEditorNotice { Tell, Silent };

// Whether a file can be opened: the user chose an editor, or the desktop has one.
bool HasEditor(const Preferences& preferences);

// The desktop's editor that opens files while the user has chosen none ("vim" run in a
// terminal shows as "x-terminal-emulator -e vim"); empty when the user has chosen one or
// there is none.
std::string DesktopEditorInUse(const Preferences& preferences);

// The one way a view opens a configuration file: checks that it exists, asks before a
// read-only file (and before any file when the user asked to confirm), starts the editor the
// user chose (else the desktop's) without waiting for it and marks the file's File Order
// entries as opened. With no editor there is nothing to start; an editor that cannot start
// is named to the user with the reason.
EditOutcome OpenFileForEdit(AppState& state, Prompter& prompter, const std::string& path,
                            NoEditorNotice noEditor = NoEditorNotice::Tell);

} // namespace varscope::core
