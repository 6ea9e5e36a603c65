#pragma once

#include <string_view>

// Every text the user reads from the core, defined once.
namespace varscope::core::text {

inline constexpr std::string_view kProgramTitle = "Varscope";
inline constexpr std::string_view kTitleViewing = "Varscope    Viewing: ";
inline constexpr std::string_view kReportFileName = "msdebug.txt";
inline constexpr std::string_view kReportNotFound =
    "MsDebug.Txt not found with current settings. Confirm location and regenerate "
    "MSDEBUG.Txt from the Options->MicroStation pulldown menu";
inline constexpr std::string_view kCannotReadReport = "Could not read the report ";
inline constexpr std::string_view kNotAReport =
    "The file holds no configuration variables, so it is not a debug report: ";

inline constexpr std::string_view kFileNotFoundPrefix = "File:";
inline constexpr std::string_view kFileNotFoundSuffix = " not found.";
inline constexpr std::string_view kReadOnlyTitle = "File Is Read Only";
inline constexpr std::string_view kReadOnlySuffix = " Is Read Only, Open For View??";
inline constexpr std::string_view kVerifyEditTitle = "Verify File Open/Edit";
inline constexpr std::string_view kVerifyEditPrefix = "Edit file: ";
inline constexpr std::string_view kCouldNotStart = "Could not start: ";
// "Could not start the editor " + its command + ": " + the system's reason + the suffix.
inline constexpr std::string_view kCouldNotStartEditorPrefix = "Could not start the editor ";
inline constexpr std::string_view kCouldNotStartEditorSuffix =
    ". Choose another under Options > Editing Options.";
inline constexpr std::string_view kNulInCommandLine =
    "the command line holds a NUL byte, which no program can receive";
inline constexpr std::string_view kNoEditorChosen =
    "No editor is chosen: choose one under Options > Editing Options.";
inline constexpr std::string_view kCannotEnterMicroStationFolder =
    "Could not open the MicroStation folder ";
inline constexpr std::string_view kCopyReportFailed =
    "The new msdebug.txt could not be copied into the MicroStation folder: ";
inline constexpr std::string_view kDeleteReportFailed =
    "The new msdebug.txt was copied into the MicroStation folder but could not be removed: ";

inline constexpr std::string_view kFoundPrefix = "Found:  ";

// The category file and its windows.
inline constexpr std::string_view kDuplicateKeyHeading =
    "Error. Unique Name Required in Category File.";
inline constexpr std::string_view kMultipleInstances = "Multiple Instances of: ";
inline constexpr std::string_view kCouldNotSave = "Could not save ";
inline constexpr std::string_view kWouldBeMerged = "These would be merged when saved: ";
// A category file that cannot be read whole: "The category file " path, what it holds, how to
// convert it.
inline constexpr std::string_view kCategoryFileNamed = "The category file ";
inline constexpr std::string_view kCategoryFileUtf16 =
    " is saved as Unicode (UTF-16), which cannot be read as a category file.";
inline constexpr std::string_view kCategoryFileNul =
    " holds NUL bytes, which cannot be read as a category file.";
inline constexpr std::string_view kCategoryFileConvert =
    " To convert it, open it in Notepad, choose File > Save As, set Encoding to ANSI or UTF-8 "
    "and save. Until then Varscope leaves the file as it is and does not save over it.";
inline constexpr std::string_view kDescriptionAndVariableRequired =
    "Description And Variable Required";

} // namespace varscope::core::text
