#include "core/system/editors.hpp"

#include "core/strings.hpp"
#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <set>

namespace varscope::core {

namespace {

struct KnownEditor {
    std::string_view program;
    bool terminal; // works only inside a terminal
};

// Offered by the search, in this order, when found on the search path.
constexpr std::array<KnownEditor, 26> kKnownEditors{{
    {"gnome-text-editor", false},
    {"gedit", false},
    {"kate", false},
    {"kwrite", false},
    {"mousepad", false},
    {"pluma", false},
    {"xed", false},
    {"featherpad", false},
    {"leafpad", false},
    {"geany", false},
    {"code", false},
    {"codium", false},
    {"subl", false},
    {"gvim", false},
    {"emacs", false},
    {"notepadqq", false},
    {"vim", true},
    {"nvim", true},
    {"vi", true},
    {"nano", true},
    {"micro", true},
    {"pico", true},
    {"joe", true},
    {"jed", true},
    {"mcedit", true},
    {"kak", true},
}};

// Terminal editors too, but not ones to offer for configuration files.
constexpr std::array<std::string_view, 11> kOtherTerminalEditors{
    "ed", "ex", "view", "vim.tiny", "vim.basic", "nvi", "elvis", "ne", "mg", "hx", "vis"};

// Emacs and its client open a window of their own unless told to stay in the terminal.
constexpr std::array<std::string_view, 4> kTerminalSwitches{"-nw", "--no-window-system", "-t",
                                                            "--tty"};

std::string_view BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Where the program a command's first word names lies; nullopt when it is not there.
std::optional<std::string> ProgramOf(const std::string& word) {
    if (word.find('/') != std::string::npos)
        return platform::IsProgramFile(word) ? std::optional(word) : std::nullopt;
    return platform::FindOnSearchPath(word);
}

// The terminal's words before "-e": $TERMINAL when its program is there, else
// x-terminal-emulator; empty when neither is.
std::vector<std::string> TerminalWords() {
    if (const char* const terminal = std::getenv("TERMINAL"); terminal != nullptr) {
        if (std::optional<std::vector<std::string>> words = SplitShellWords(terminal);
            words && !words->empty() && ProgramOf(words->front()))
            return *words;
    }
    if (platform::FindOnSearchPath("x-terminal-emulator"))
        return {"x-terminal-emulator"};
    return {};
}

std::string_view Trim(std::string_view text) {
    return TrimTrailingBlanks(TrimLeadingBlanks(text));
}

// `words` ready to start: in a terminal when they need one (or `terminal` says so); empty
// when they cannot run here.
std::vector<std::string> Runnable(std::vector<std::string> words, bool terminal = false) {
    if (words.empty() || !ProgramOf(words.front()))
        return {};
    if (!terminal && !NeedsTerminal(words))
        return words;
    std::vector<std::string> command = TerminalWords();
    if (command.empty())
        return {};
    command.emplace_back("-e");
    command.insert(command.end(), words.begin(), words.end());
    return command;
}

// A setting's text: the program's path, then each argument, quoted only when it must be.
std::string SettingOf(const std::vector<std::string>& words) {
    std::string setting;
    for (const std::string& word : words) {
        if (!setting.empty())
            setting += ' ';
        const bool plain = !word.empty() && word.find_first_of(" \t\"") == std::string::npos;
        setting += plain || &word == &words.front() ? word : platform::QuoteCommandWord(word);
    }
    return setting;
}

// One .desktop file's main group, as far as the search needs it.
struct DesktopEntry {
    std::string name;
    std::string exec;
    bool opensText = false;
    bool terminal = false;
    bool hidden = false;
};

bool ListHas(std::string_view list, std::string_view item) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (Trim(list.substr(start, end - start)) == item)
            return true;
        start = end + 1;
    }
    return false;
}

DesktopEntry ReadDesktopEntry(std::string_view bytes) {
    DesktopEntry entry;
    bool inMain = false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        const std::string_view line = Trim(bytes.substr(start, end - start));
        start = end + 1;
        if (line.starts_with('[')) {
            inMain = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inMain || equals == std::string_view::npos)
            continue;
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (key == "Name")
            entry.name = value;
        else if (key == "Exec")
            entry.exec = value;
        else if (key == "MimeType")
            entry.opensText = entry.opensText || ListHas(value, "text/plain");
        else if (key == "Categories")
            entry.opensText = entry.opensText || ListHas(value, "TextEditor");
        else if (key == "Terminal")
            entry.terminal = value == "true";
        else if (key == "NoDisplay" || key == "Hidden")
            entry.hidden = entry.hidden || value == "true";
        else if (key == "Type")
            entry.hidden = entry.hidden || value != "Application";
    }
    return entry;
}

// The Exec line's words without its field codes (%f, %U, ...); "%%" is a percent sign.
std::vector<std::string> ExecWords(std::string_view exec) {
    std::vector<std::string> words;
    const std::optional<std::vector<std::string>> split = SplitShellWords(exec);
    if (!split)
        return words;
    for (const std::string& word : *split) {
        std::string kept;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (word[i] != '%' || i + 1 == word.size()) {
                kept += word[i];
            } else if (word[++i] == '%') {
                kept += '%';
            }
        }
        if (!kept.empty())
            words.push_back(std::move(kept));
    }
    return words;
}

std::vector<std::string> ApplicationFolders() {
    std::vector<std::string> folders;
    const char* const home = std::getenv("HOME");
    const char* const dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && *dataHome != '\0')
        folders.push_back(std::string(dataHome) + "/applications");
    else if (home != nullptr && *home != '\0')
        folders.push_back(std::string(home) + "/.local/share/applications");
    const char* const dataDirs = std::getenv("XDG_DATA_DIRS");
    const std::string dirs =
        dataDirs != nullptr && *dataDirs != '\0' ? dataDirs : "/usr/local/share:/usr/share";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        if (end > start)
            folders.push_back(dirs.substr(start, end - start) + "/applications");
        start = end + 1;
    }
    return folders;
}

} // namespace

std::optional<std::vector<std::string>> SplitShellWords(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (i + 1 < text.size())
                word += text[++i];
        } else if (c == '\'') {
            const std::size_t close = text.find('\'', i + 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            word += text.substr(i + 1, close - i - 1);
            i = close;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i == text.size())
                    return std::nullopt;
                if (text[i] == '"')
                    break;
                if (text[i] == '\\' && i + 1 < text.size() &&
                    std::string_view("\"\\$`").find(text[i + 1]) != std::string_view::npos)
                    ++i;
                word += text[i];
            }
        } else {
            word += c;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

bool NeedsTerminal(const std::vector<std::string>& words) {
    if (words.empty())
        return false;
    const std::string_view program = BaseName(words.front());
    if (program == "emacs" || program == "emacsclient") {
        return std::any_of(words.begin() + 1, words.end(), [](const std::string& word) {
            return std::find(kTerminalSwitches.begin(), kTerminalSwitches.end(), word) !=
                   kTerminalSwitches.end();
        });
    }
    return std::any_of(kKnownEditors.begin(), kKnownEditors.end(),
                       [program](const auto& known) {
                           return known.terminal && known.program == program;
                       }) ||
           std::find(kOtherTerminalEditors.begin(), kOtherTerminalEditors.end(), program) !=
               kOtherTerminalEditors.end();
}

std::string CommandLineOf(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty())
            line += ' ';
        line += platform::QuoteCommandWord(word);
    }
    return line;
}

std::vector<std::string> DesktopEditorCommand(std::string_view file) {
    if (!platform::HasDesktopEditor())
        return {};
    std::vector<std::string> command;
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        const char* const value = std::getenv(variable);
        if (value == nullptr)
            continue;
        if (std::optional<std::vector<std::string>> words = SplitShellWords(value)) {
            command = Runnable(std::move(*words));
            if (!command.empty())
                break;
        }
    }
    if (command.empty() && platform::FindOnSearchPath("xdg-open"))
        command = {"xdg-open"};
    if (!command.empty())
        command.emplace_back(file);
    return command;
}

std::vector<FoundEditor> LocateDesktopEditors() {
    std::vector<FoundEditor> found;
    std::set<std::string> programs;
    const auto add = [&](std::string name, const std::vector<std::string>& words, bool terminal) {
        const std::vector<std::string> command = Runnable(words, terminal);
        if (command.empty())
            return;
        std::optional<std::string> program = ProgramOf(words.front());
        if (!program || !programs.insert(*program).second)
            return;
        // The program by its path, so the setting does not depend on the search path.
        std::vector<std::string> setting = command;
        setting[setting.size() - words.size()] = *program;
        found.push_back({std::move(name), SettingOf(setting)});
    };

    // A file in an earlier folder hides one of the same name in a later one.
    std::set<std::string> seenFiles;
    for (const std::string& folder : ApplicationFolders()) {
        std::optional<std::vector<platform::DirEntry>> entries = platform::ListFolder(folder);
        if (!entries)
            continue;
        std::sort(entries->begin(), entries->end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
        for (const platform::DirEntry& file : *entries) {
            if (!file.name.ends_with(".desktop") || !seenFiles.insert(file.name).second)
                continue;
            const ReadResult read = ReadRegularFile(folder + '/' + file.name);
            if (!read.bytes)
                continue;
            const DesktopEntry entry = ReadDesktopEntry(*read.bytes);
            const std::vector<std::string> words = ExecWords(entry.exec);
            if (entry.hidden || !entry.opensText || words.empty())
                continue;
            add(entry.name.empty() ? file.name : entry.name, words, entry.terminal);
        }
    }
    for (const KnownEditor& known : kKnownEditors)
        add(std::string(known.program), {std::string(known.program)}, false);
    return found;
}

} // namespace varscope::core
