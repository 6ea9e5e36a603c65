#pragma once

#include <string_view>

// Texts the editor dialog and the About box show, defined once.
namespace varscope::ui::text {

// "Define Editor"
inline constexpr std::string_view kEditorTitle = "Define Editor";
inline constexpr std::string_view kEditorFrame = "Editor";
inline constexpr std::string_view kNotifyOnEdit = "Notify On Edit";
inline constexpr std::string_view kSelectEditor = "Select Editor";
inline constexpr std::string_view kCloseEditor = "Close";
inline constexpr std::string_view kLocateWarning = "This operation may take a minute or two . . .";
inline constexpr std::string_view kNotAProgram =
    " cannot be started as a program. Choose a program file that you may run.";
inline constexpr std::string_view kExeFilter = "Applications (*.Exe)";
inline constexpr std::string_view kAnyFileFilter = "All files (*)";
// %1 the program's file name, %2 the folder searched.
inline constexpr std::string_view kSearchingFor = "Searching for %1 in:\n%2";
inline constexpr std::string_view kCancelSearch = "Cancel";
// Shown while no editor is chosen where the desktop has one; %1 its command.
inline constexpr std::string_view kDesktopEditorInUse =
    "No editor chosen: files open with the desktop's editor, %1.";
// The search of the search path and the desktop's applications.
inline constexpr std::string_view kChooseFoundEditor =
    "Choose the editor that opens configuration files:";
inline constexpr std::string_view kNoEditorsFound =
    "No editor was found on the search path (PATH) or among the desktop's applications. "
    "Choose one with \"Other\" and \"Select Editor\".";

// The About box
inline constexpr std::string_view kAboutPrefix = "About ";
inline constexpr std::string_view kVersionPrefix = "Version ";
inline constexpr std::string_view kAboutDescription =
    "Views Msdebug.Txt and provides quick editing of configuration files by double clicking "
    "in the Listviews.  Selected VARIABLE is on the clipboard if searching is required within "
    "text editor.  Quick creation of workspace directives via the  Expression Builder "
    "interface";
// %1 the Qt version the program runs with.
inline constexpr std::string_view kLicences =
    "Varscope is free software under the MIT licence. It uses Qt %1, which is under the "
    "GNU Lesser General Public License version 3 (LGPLv3).";
inline constexpr std::string_view kSupportPrefix = "Comments and bug reports welcomed: ";
inline constexpr std::string_view kSupportAddress = "varscope-support@example.com";
inline constexpr std::string_view kNoMailProgram =
    "No mail program could be started. Please write to ";
inline constexpr std::string_view kAboutOk = "OK";

} // namespace varscope::ui::text
