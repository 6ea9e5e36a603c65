#include "platform.hpp"

// Command lines are split the same way on every system, so that a line composed for
// Windows reaches a program on POSIX with the same arguments.
namespace varscope::core::platform {

namespace {

bool IsSeparatorBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    // The Microsoft C runtime's argv rules: 2n backslashes before a quote give n and the
    // quote toggles quoting, 2n+1 give n and a literal quote, other backslashes are
    // literal; "" inside quotes is a literal quote and quoting goes on.
    std::vector<std::string> words;
    const std::size_t size = commandLine.size();
    std::size_t at = 0;
    for (;;) {
        while (at < size && IsSeparatorBlank(commandLine[at]))
            ++at;
        if (at == size)
            return words;
        std::string word;
        bool quoted = false;
        while (at < size) {
            std::size_t backslashes = 0;
            while (at < size && commandLine[at] == '\\') {
                ++backslashes;
                ++at;
            }
            if (at < size && commandLine[at] == '"') {
                word.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    word += '"';
                } else if (quoted && at + 1 < size && commandLine[at + 1] == '"') {
                    word += '"';
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
                continue;
            }
            word.append(backslashes, '\\');
            if (at == size || (!quoted && IsSeparatorBlank(commandLine[at])))
                break;
            word += commandLine[at];
            ++at;
        }
        words.push_back(std::move(word));
    }
}

} // namespace varscope::core::platform
