#include "process.hpp"

#include "texts.hpp"
#include "platform/platform.hpp"
#include "prompter.hpp"

namespace varscope::core {

std::string EditorCommandLine(std::string_view editorPath, std::string_view filePath) {
    std::string line;
    line.reserve(editorPath.size() + filePath.size() + 3);
    line += editorPath;
    line += " \"";
    line += filePath;
    line += '"';
    return line;
}

bool RunProgram(const std::string& commandLine, const std::function<void()>& whileWaiting) {
    return platform::RunProgram(commandLine, whileWaiting);
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
