#pragma once

#include <string_view>

// Texts the MicroStation dialog shows, defined once.
namespace varscope::ui::text {

inline constexpr std::string_view kMicroStationTitle = "Where's MicroStation ??";
inline constexpr std::string_view kLocationFrame = "MicroStation Location";
inline constexpr std::string_view kBrowseFolder = "Browse";
inline constexpr std::string_view kLocationDesign = "MicroStation Location:";
inline constexpr std::string_view kConfigFrame = "UCF && PCF Files";
inline constexpr std::string_view kUseUser = "Use USER Configuration File";
inline constexpr std::string_view kUseProject = "Use PROJECT Configuration File";
inline constexpr std::string_view kCommandCaption = "MicroStation Debug Command Line:";
inline constexpr std::string_view kReportFrame = "MsDebug.Txt";
inline constexpr std::string_view kCreate = "Create:";
inline constexpr std::string_view kBrowseReport = "Browse:";
inline constexpr std::string_view kDone = "Done";
inline constexpr std::string_view kWaitingForMicroStation = "Waiting for MicroStation to finish...";
inline constexpr std::string_view kStopWaiting = "Stop Waiting";
inline constexpr std::string_view kSelectLocationTitle = "Select MicroStation Location";
inline constexpr std::string_view kOpenReportTitle = "Open";
inline constexpr std::string_view kReportFilter = "Project Information Files (*.Txt)";

} // namespace varscope::ui::text
