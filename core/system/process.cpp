#include "core/system/process.hpp"

#include "core/system/platform/platform.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"

namespace varscope::core {

std::string EditorCommandLine(std::string_view editorPath, std::string_view filePath) {
    std::string line;
    // A program path with blanks would be cut at its first blank by whoever splits the
    // line; a path with quotes of its own, or one that names no file as a whole, is a
    // line the user composed and goes as it is.
    const bool quoteEditor = editorPath.find_first_of(" \t") != std::string_view::npos &&
                             editorPath.find('"') == std::string_view::npos &&
                             platform::FileExists(std::string(editorPath));
    if (quoteEditor)
        line += '"';
    line += editorPath;
    if (quoteEditor)
        line += '"';
    line += ' ';
    line += platform::QuoteCommandWord(filePath);
    return line;
}

bool RunProgram(const std::string& commandLine, const std::function<void()>& whileWaiting) {
    // A program's arguments are C strings: a NUL byte (a file path read from a report may
    // hold one) would cut its word short, and the program would get another file's name.
    if (commandLine.find('\0') != std::string::npos)
        return false;
    return platform::RunProgram(commandLine, whileWaiting);
}

std::optional<std::string> StartDetached(const std::string& commandLine) {
    if (commandLine.find('\0') != std::string::npos)
        return std::string(text::kNulInCommandLine);
    return platform::StartDetachedProgram(commandLine);
}

platform::ProgramStart StartWatched(const std::string& commandLine) {
    if (commandLine.find('\0') != std::string::npos) {
        platform::ProgramStart refused;
        refused.error = text::kNulInCommandLine;
        return refused;
    }
    return platform::StartProgram(commandLine);
}

bool RunProgramOrTell(Prompter& prompter, const std::string& commandLine,
                      const std::function<void()>& whileWaiting) {
    if (RunProgram(commandLine, whileWaiting))
        return true;
    prompter.message(std::string(text::kCouldNotStart) + commandLine, MessageIcon::Stop,
                     text::kProgramTitle);
    return false;
}

} // namespace varscope::core
