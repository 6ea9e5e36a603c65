#pragma once

#include "core/system/platform/platform.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Locating MicroStation, choosing its configuration files and running it to write a fresh
// report. The dialog only wires these to its controls.
namespace varscope::core {

struct AppState;
class Prompter;

inline constexpr std::string_view kMicroStationProgram = "ustation.exe";
inline constexpr std::string_view kUserConfigWildcard = "*.ucf";
inline constexpr std::string_view kProjectConfigWildcard = "*.pcf";
inline constexpr std::string_view kUserSwitch = " -WU";
inline constexpr std::string_view kProjectSwitch = " -WP";

// Where ustation.exe is expected, and whether it is there.
std::string MicroStationProgramPath(std::string_view folder);
bool MicroStationProgramExists(std::string_view folder);

// "<folder>/ustation.exe -debug": the line after a folder was picked.
std::string BareCommandLine(std::string_view folder);
// The bare line as the dialog shows it when it opens: every doubled separator collapsed,
// except a leading pair, which starts a network path on Windows.
std::string OpeningCommandLine(std::string_view folder);
// "<folder>/ustation.exe -debug " + user option + project option: after a tick or a choice.
std::string FullCommandLine(std::string_view folder, std::string_view userOption,
                            std::string_view projectOption);
std::string FullCommandLine(const AppState& state);

// A configuration's name: its file name up to the first ".", the whole name without one.
std::string ConfigNameOf(std::string_view fileName);
// " -WU" + name and " -WP" + name.
std::string UserOptionFor(std::string_view name);
std::string ProjectOptionFor(std::string_view name);

// Windows wildcard matching ("*" any run, "?" any one character), ignoring letter case.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

// Names (without folder) of the files that match a "folder + wildcard" pattern, in name
// order ignoring case. The folder part is everything up to the last separator and is used as
// it stands; without one the pattern is looked up in the current folder. A folder that cannot
// be listed gives an empty list.
std::vector<std::string> ListMatchingFiles(std::string_view pattern);

// UserConfigFolder + "*.ucf": the user folder is a prefix, no separator is added.
std::string UserConfigPattern(const AppState& state);
// ProjectConfigFolder + UserConfigName + separator + "*.pcf": the sub-folder of the project
// folder named after the chosen user configuration.
std::string ProjectConfigPattern(const AppState& state);

// The same folder as paths: letter case and trailing separators do not count.
bool SameFolderPath(std::string_view a, std::string_view b);

// A report MicroStation wrote into `workFolder` is moved into the MicroStation folder,
// replacing an older one. Nothing to do when none is there or both folders are the same.
// False, after telling the user what failed, when the copy or the removal fails.
bool CollectFreshReport(Prompter& prompter, const std::string& workFolder,
                        const std::string& microStationFolder);

// A MicroStation run that StartDebugReport started; the caller waits for it to end.
struct DebugRun {
    platform::StartedProgram program;
    // The MicroStation folder as the system named it when it was entered.
    std::string enteredFolder;
};

// "Create:" in two steps, so that a window can stay responsive (and stop waiting) while
// MicroStation runs. The first enters the MicroStation folder and starts `commandLine`;
// nullopt, after telling the user, when the folder cannot be entered or the program cannot
// be started.
std::optional<DebugRun> StartDebugReport(AppState& state, Prompter& prompter,
                                         const std::string& commandLine);
// The second, once the run has ended: brings a report written elsewhere into the MicroStation
// folder and empties ReportSource so "Done" reads the fresh report. False, after telling the
// user, when the report cannot be moved; ReportSource is kept then.
bool FinishDebugReport(AppState& state, Prompter& prompter, const DebugRun& run);

// "Create:" in one: runs `commandLine` in the MicroStation folder and waits for it, brings a report
// written elsewhere into that folder, then empties ReportSource so "Done" reads the fresh
// report. False, after telling the user, when the folder cannot be entered, the program
// cannot be started or the report cannot be moved; ReportSource is kept then.
bool CreateDebugReport(AppState& state, Prompter& prompter, const std::string& commandLine,
                       const std::function<void()>& whileWaiting = {});

} // namespace varscope::core
