#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

// Small programs written by a test into a temporary folder, to be started in place of an
// editor, MicroStation or the help viewer. They are shell scripts, so they run on POSIX.
namespace varscope::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder final {
public:
    TempFolder() {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            m_path = base / ("varscope-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(m_path))
                break;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string path() const { return m_path.string(); }
    // `name` may contain '/' for sub-folders; they are created.
    std::string file(std::string_view name) const {
        const std::filesystem::path full = m_path / std::filesystem::path(name);
        std::filesystem::create_directories(full.parent_path());
        return full.string();
    }

private:
    std::filesystem::path m_path;
};

// `text` in single quotes for /bin/sh.
inline std::string ShellQuote(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

inline void WriteTextFile(const std::string& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// An executable /bin/sh script with `body` after the interpreter line.
inline void WriteScript(const std::string& path, std::string_view body) {
    WriteTextFile(path, "#!/bin/sh\n" + std::string(body));
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_all | perms::group_read | perms::group_exec |
                                           perms::others_read | perms::others_exec);
}

// A program that writes each of its arguments on its own line to `argumentsFile`.
inline void WriteRecorder(const std::string& path, const std::string& argumentsFile) {
    const std::string out = ShellQuote(argumentsFile);
    WriteScript(path, ": > " + out + "\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> " + out +
                          "; done\n");
}

inline bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

inline std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace varscope::testing
