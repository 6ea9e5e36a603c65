#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// The Windows build of the tests names its stand-in program (tests/support/stand_in_program.cpp);
// elsewhere the stand-ins are shell scripts.
#ifndef VARSCOPE_STAND_IN_PROGRAM
#define VARSCOPE_STAND_IN_PROGRAM ""
#endif

// Small programs written by a test into a temporary folder, to be started in place of an
// editor, MicroStation or the help viewer: shell scripts on POSIX, copies of the stand-in
// program with their steps beside them on Windows.
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

// The file's bytes; empty when it cannot be read.
inline std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An executable /bin/sh script with `body` after the interpreter line.
inline void WriteScript(const std::string& path, std::string_view body) {
    WriteTextFile(path, "#!/bin/sh\n" + std::string(body));
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_all | perms::group_read | perms::group_exec |
                                           perms::others_read | perms::others_exec);
}

// One thing a stand-in program does when started; the steps run in order.
struct StandInStep {
    std::string verb;
    std::string file;
    std::string text;
};
// Each argument on its own line, "\n" after each, to `file` (created empty without any).
inline StandInStep StepRecordArguments(std::string file) {
    return {"record", std::move(file), {}};
}
// The whole command line as the program received it (Windows only: POSIX has none).
inline StandInStep StepRecordCommandLine(std::string file) {
    return {"command-line", std::move(file), {}};
}
// `text` to `file`; a relative file lies in the program's current folder.
inline StandInStep StepWrite(std::string file, std::string text = {}) {
    return {"write", std::move(file), std::move(text)};
}
// Waits until `file` exists, at most about ten seconds so a fault cannot hang the test.
// `text` to `file` with "$*" in it replaced by the arguments, joined by single blanks.
inline StandInStep StepWriteWithArguments(std::string file, std::string text) {
    return {"write-arguments", std::move(file), std::move(text)};
}
inline StandInStep StepWaitFor(std::string file) {
    return {"wait", std::move(file), {}};
}
inline StandInStep StepSleep(int milliseconds) {
    return {"sleep", {}, std::to_string(milliseconds)};
}
inline StandInStep StepExit(int code) {
    return {"exit", {}, std::to_string(code)};
}

namespace detail {

inline std::string ShellScriptFor(const std::vector<StandInStep>& steps) {
    std::string script;
    for (const StandInStep& step : steps) {
        const std::string file = ShellQuote(step.file);
        if (step.verb == "record") {
            script += ": > " + file + "\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> " + file +
                      "; done\n";
        } else if (step.verb == "write") {
            script += "printf '%s' " + ShellQuote(step.text) + " > " + file + "\n";
        } else if (step.verb == "write-arguments") {
            const std::size_t at = step.text.find("$*");
            const std::string before = step.text.substr(0, at);
            const std::string after = at == std::string::npos ? "" : step.text.substr(at + 2);
            script += "printf '%s%s%s' " + ShellQuote(before) + " \"$*\" " + ShellQuote(after) +
                      " > " + file + "\n";
        } else if (step.verb == "wait") {
            script += "n=0\nwhile [ ! -e " + file +
                      " ] && [ $n -lt 1000 ]; do sleep 0.01; n=$((n+1)); done\n";
        } else if (step.verb == "sleep") {
            const int ms = std::stoi(step.text);
            std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
            script += "sleep " + std::to_string(ms / 1000) + "." + fraction + "\n";
        } else if (step.verb == "exit") {
            script += "exit " + step.text + "\n";
        } else {
            script += "echo 'stand-in: " + step.verb + " is not available here' >&2\nexit 126\n";
        }
    }
    return script;
}

// Tabs, line ends and backslashes escaped, as the stand-in program reads its steps.
inline std::string StepField(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

} // namespace detail

// Writes a program at `path` that runs `steps` and returns where it lies: `path` itself,
// or on Windows `path` + ".exe" when the name has no extension, as the system then looks
// for that file.
inline std::string WriteStandIn(const std::string& path, const std::vector<StandInStep>& steps) {
    const std::string_view program = VARSCOPE_STAND_IN_PROGRAM;
    if (program.empty()) {
        WriteScript(path, detail::ShellScriptFor(steps));
        return path;
    }
    std::string target = path;
    if (!std::filesystem::path(path).has_extension())
        target += ".exe";
    std::filesystem::create_directories(std::filesystem::path(target).parent_path());
    std::filesystem::copy_file(std::string(program), target,
                               std::filesystem::copy_options::overwrite_existing);
    std::string lines;
    for (const StandInStep& step : steps)
        lines += step.verb + "\t" + detail::StepField(step.file) + "\t" +
                 detail::StepField(step.text) + "\n";
    WriteTextFile(target + ".steps", lines);
    return target;
}

// A program that writes each of its arguments on its own line to `argumentsFile`.
inline void WriteRecorder(const std::string& path, const std::string& argumentsFile) {
    WriteStandIn(path, {StepRecordArguments(argumentsFile)});
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

// Waits until `path` exists, at most about ten seconds (a program started without waiting
// writes it in its own time); false when it never came.
inline bool WaitForFile(const std::string& path) {
    for (int round = 0; round < 1000; ++round) {
        if (std::filesystem::exists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The lines of a file a program started without waiting writes, once it holds at least
// `count` whole lines (or after about ten seconds).
inline std::vector<std::string> ReadLinesWhenWritten(const std::string& path, std::size_t count) {
    for (int round = 0; round < 1000; ++round) {
        const std::string bytes = ReadTextFile(path);
        if (std::size_t(std::count(bytes.begin(), bytes.end(), '\n')) >= count)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ReadLines(path);
}

// ReadLinesWhenWritten, then the file is removed, so the next program's record is not taken
// for this one's.
inline std::vector<std::string> TakeLinesWhenWritten(const std::string& path, std::size_t count) {
    std::vector<std::string> lines = ReadLinesWhenWritten(path, count);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return lines;
}

} // namespace varscope::testing
