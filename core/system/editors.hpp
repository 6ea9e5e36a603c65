#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The desktop's own editor, for a user who has chosen none, and the editors a desktop offers.
namespace varscope::core {

// The words of a value such as $VISUAL ("code --wait", "emacs -nw"), split as a shell splits
// plain words: blanks separate, single quotes keep everything, double quotes keep everything
// but a backslash before '"', '\\', '$' or '`', a backslash outside quotes keeps the next
// character. Nothing is expanded. nullopt for an unclosed quote.
std::optional<std::vector<std::string>> SplitShellWords(std::string_view text);

// Whether the editor these words start works only inside a terminal (vi, nano, emacs -nw).
bool NeedsTerminal(const std::vector<std::string>& words);

// Words that SplitCommandLine gives back exactly: each in double quotes.
std::string CommandLineOf(const std::vector<std::string>& words);

// The desktop's editor for `file`, as the words of its command, the file last: $VISUAL, else
// $EDITOR, each in a terminal ($TERMINAL, else x-terminal-emulator) when it needs one, else
// xdg-open; a value whose program (or needed terminal) is not there is passed over. Empty
// where the system has no desktop editor (Windows) or none is found.
std::vector<std::string> DesktopEditorCommand(std::string_view file);

// An editor found by LocateDesktopEditors.
struct FoundEditor {
    std::string name;    // what the user knows it by ("Text Editor", "vim")
    std::string command; // the program's path, with its arguments: an editor setting
    bool operator==(const FoundEditor&) const = default;
};

// Editors that the desktop's applications and the search path offer, without walking the
// disk: the .desktop files in $XDG_DATA_HOME/applications (~/.local/share) and each
// $XDG_DATA_DIRS/applications (/usr/local/share:/usr/share) that open text/plain or are a
// TextEditor, then the well-known editors found on the search path. A terminal editor comes
// with the terminal that runs it, and is left out when there is none. One entry per program,
// in that order.
std::vector<FoundEditor> LocateDesktopEditors();

} // namespace varscope::core
