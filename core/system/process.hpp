#pragma once

#include "core/system/platform/platform.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace varscope::core {

class Prompter;

// The editor's path, a blank, and the file's path in double quotes, escaped so that it
// arrives exactly. The editor's path is quoted only when it names an existing file and
// holds a blank but no quote; otherwise it goes as stored.
std::string EditorCommandLine(std::string_view editorPath, std::string_view filePath);

// Starts a command line and waits until the program has ended; false when it could not be
// started, and for a line holding a NUL byte, which no program could receive whole.
// `whileWaiting`, when set, is called every few milliseconds meanwhile.
bool RunProgram(const std::string& commandLine, const std::function<void()>& whileWaiting = {});

// RunProgram, telling the user "Could not start: " + the command line when it could not.
bool RunProgramOrTell(Prompter& prompter, const std::string& commandLine,
                      const std::function<void()>& whileWaiting = {});

// Starts a command line and returns as soon as the program runs, keeping nothing of it (an
// editor). The reason, in the system's words, when it could not start.
std::optional<std::string> StartDetached(const std::string& commandLine);

// Starts a command line to be waited for by asking StartedProgram::hasEnded now and then, so
// the window stays usable meanwhile (MicroStation's run).
platform::ProgramStart StartWatched(const std::string& commandLine);

} // namespace varscope::core
