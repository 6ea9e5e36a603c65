// The stand-in program of the Windows tests: started in place of an editor or MicroStation, it
// runs the steps written next to it in "<its own path>.steps" (see stand_in_programs.hpp):
// record its arguments or its whole command line, write a file (with its arguments), wait for a
// file, sleep, exit.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string OwnPath() {
    std::string buffer(32768, '\0');
    const DWORD length =
        ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(length);
    return buffer;
}

// Fields (verb, file, text) are separated by tabs; "\t", "\n", "\r" and "\\" inside them are
// escapes.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    const std::string stepsPath = OwnPath() + ".steps";
    std::ifstream steps(stepsPath, std::ios::binary);
    if (!steps) {
        std::fprintf(stderr, "stand-in: no steps in %s\n", stepsPath.c_str());
        return 125;
    }
    for (std::string line; std::getline(steps, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> fields = Fields(line);
        const std::string& verb = fields[0];
        const std::string file = fields.size() > 1 ? fields[1] : std::string();
        const std::string text = fields.size() > 2 ? fields[2] : std::string();
        if (verb == "record") {
            std::string lines;
            for (int i = 1; i < argc; ++i)
                lines += std::string(argv[i]) + "\n";
            WriteBytes(file, lines);
        } else if (verb == "command-line") {
            WriteBytes(file, ::GetCommandLineA());
        } else if (verb == "write") {
            WriteBytes(file, text);
        } else if (verb == "write-arguments") {
            std::string joined;
            for (int i = 1; i < argc; ++i)
                joined += (i > 1 ? " " : "") + std::string(argv[i]);
            std::string bytes = text;
            if (const std::size_t at = bytes.find("$*"); at != std::string::npos)
                bytes.replace(at, 2, joined);
            WriteBytes(file, bytes);
        } else if (verb == "wait") {
            // Bounded, so a fault fails the test instead of hanging it.
            for (int i = 0;
                 i < 1000 && ::GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
                ::Sleep(10);
        } else if (verb == "sleep") {
            ::Sleep(static_cast<DWORD>(std::stoul(text)));
        } else if (verb == "exit") {
            return std::stoi(text);
        } else if (!verb.empty()) {
            std::fprintf(stderr, "stand-in: unknown step %s\n", verb.c_str());
            return 126;
        }
    }
    return 0;
}
