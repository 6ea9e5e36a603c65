#include "core/system/microstation.hpp"

#include "core/session.hpp"
#include "core/strings.hpp"
#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/process.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"

#include <algorithm>
#include <chrono>
#include <thread>

namespace varscope::core {

namespace {

constexpr std::string_view kDebugSwitch = " -debug";

bool IsSeparator(char c) {
    return c == '/' || c == platform::Separator();
}

// NTFS hands out names in this order (upper-cased comparison), so every file system shows
// the lists as a Windows user knows them.
bool NameOrder(const std::string& a, const std::string& b) {
    const auto upper = [](char x, char y) {
        return static_cast<unsigned char>(AsciiUpper(x)) <
               static_cast<unsigned char>(AsciiUpper(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), upper))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), upper))
        return false;
    return a < b;
}

} // namespace

std::string MicroStationProgramPath(std::string_view folder) {
    return JoinPath(folder, kMicroStationProgram);
}

bool MicroStationProgramExists(std::string_view folder) {
    return !folder.empty() && platform::FileExists(MicroStationProgramPath(folder));
}

std::string BareCommandLine(std::string_view folder) {
    return MicroStationProgramPath(folder) + std::string(kDebugSwitch);
}

std::string OpeningCommandLine(std::string_view folder) {
    const std::string line = BareCommandLine(folder);
    const char separator = platform::Separator();
    if (line.size() >= 2 && line[0] == separator && line[1] == separator)
        return line.substr(0, 1) + CollapseDoubledSeparator(line.substr(1), separator);
    return CollapseDoubledSeparator(line, separator);
}

std::string FullCommandLine(std::string_view folder, std::string_view userOption,
                            std::string_view projectOption) {
    std::string line = BareCommandLine(folder);
    line += ' ';
    line += userOption;
    line += projectOption;
    return line;
}

std::string FullCommandLine(const AppState& state) {
    return FullCommandLine(state.preferences.MicroStationFolder, state.microStation.UserOption,
                           state.microStation.ProjectOption);
}

std::string ConfigNameOf(std::string_view fileName) {
    return std::string(fileName.substr(0, fileName.find('.')));
}

std::string UserOptionFor(std::string_view name) {
    return std::string(kUserSwitch) + std::string(name);
}

std::string ProjectOptionFor(std::string_view name) {
    return std::string(kProjectSwitch) + std::string(name);
}

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            // Let the last "*" swallow one more character and try again from there.
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<std::string> ListMatchingFiles(std::string_view pattern) {
    std::size_t cut = pattern.size();
    while (cut > 0 && !IsSeparator(pattern[cut - 1]))
        --cut;
    const std::string prefix(pattern.substr(0, cut));
    const std::string_view wildcard = pattern.substr(cut);
    const auto entries = platform::ListFolder(prefix.empty() ? std::string(".") : prefix);
    if (!entries)
        return {};
    std::vector<std::string> names;
    for (const platform::DirEntry& entry : *entries) {
        if (entry.isFolder || !MatchesWildcard(entry.name, wildcard))
            continue;
        // A link counts when it leads to a file, as a shortcut-free listing would show it.
        if (entry.isFile || (entry.isLink && platform::FileExists(prefix + entry.name)))
            names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end(), NameOrder);
    return names;
}

std::string UserConfigPattern(const AppState& state) {
    return state.report.UserConfigFolder + std::string(kUserConfigWildcard);
}

std::string ProjectConfigPattern(const AppState& state) {
    return state.report.ProjectConfigFolder + state.microStation.UserConfigName +
           platform::Separator() + std::string(kProjectConfigWildcard);
}

bool SameFolderPath(std::string_view a, std::string_view b) {
    const auto trimmed = [](std::string_view path) {
        while (!path.empty() && IsSeparator(path.back()))
            path.remove_suffix(1);
        return path;
    };
    return EqualsIgnoreCase(trimmed(a), trimmed(b));
}

bool CollectFreshReport(Prompter& prompter, const std::string& workFolder,
                        const std::string& microStationFolder) {
    if (SameFolderPath(workFolder, microStationFolder))
        return true;
    const std::string written = JoinPath(workFolder, text::kReportFileName);
    // MicroStation ended without a report: "Done" tells the user it is missing.
    if (!platform::FileExists(written))
        return true;
    const std::string target = JoinPath(microStationFolder, text::kReportFileName);
    if (const auto error = platform::CopyFileOver(written, target)) {
        prompter.message(std::string(text::kCopyReportFailed) + *error, MessageIcon::Stop,
                         text::kProgramTitle);
        return false;
    }
    if (const auto error = platform::DeleteFile(written)) {
        prompter.message(std::string(text::kDeleteReportFailed) + *error, MessageIcon::Stop,
                         text::kProgramTitle);
        return false;
    }
    return true;
}

std::optional<DebugRun> StartDebugReport(AppState& state, Prompter& prompter,
                                         const std::string& commandLine) {
    if (!platform::SetCurrentFolder(state.preferences.MicroStationFolder)) {
        prompter.message(std::string(text::kCannotEnterMicroStationFolder) +
                             state.preferences.MicroStationFolder,
                         MessageIcon::Stop, text::kProgramTitle);
        return std::nullopt;
    }
    DebugRun run;
    // The folder as the system names it, so a link or a trailing separator in the setting
    // never makes the same folder look like another one (a copy onto itself would empty
    // the report).
    run.enteredFolder = platform::CurrentFolder();
    platform::ProgramStart start = StartWatched(commandLine);
    if (!start.program.isStarted()) {
        prompter.message(std::string(text::kCouldNotStart) + commandLine, MessageIcon::Stop,
                         text::kProgramTitle);
        return std::nullopt;
    }
    run.program = std::move(start.program);
    return run;
}

bool FinishDebugReport(AppState& state, Prompter& prompter, const DebugRun& run) {
    const std::string current = platform::CurrentFolder();
    if (!SameFolderPath(current, run.enteredFolder) &&
        !CollectFreshReport(prompter, current, state.preferences.MicroStationFolder))
        return false;
    state.report.ReportSource.reset();
    return true;
}

bool CreateDebugReport(AppState& state, Prompter& prompter, const std::string& commandLine,
                       const std::function<void()>& whileWaiting) {
    std::optional<DebugRun> run = StartDebugReport(state, prompter, commandLine);
    if (!run)
        return false;
    constexpr auto kPollInterval = std::chrono::milliseconds(25);
    while (!run->program.hasEnded()) {
        if (whileWaiting)
            whileWaiting();
        std::this_thread::sleep_for(kPollInterval);
    }
    return FinishDebugReport(state, prompter, *run);
}

} // namespace varscope::core
