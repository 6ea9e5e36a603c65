#pragma once

#include <functional>
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

} // namespace varscope::core
