#pragma once

#include <string_view>

// Texts the main window shows, defined once.
namespace varscope::ui::text {

// The pages, the buttons and the menus; "&" marks the key that goes with Alt.
inline constexpr std::string_view kAllVariablesPage = "All Variables";
inline constexpr std::string_view kIsolatePage = "Isolate";
inline constexpr std::string_view kSummaryPage = "Summary";
inline constexpr std::string_view kFileOrderPage = "File Order";
inline constexpr std::string_view kCategoryPage = "Category";
inline constexpr std::string_view kSummaryHeader = "Summary Data";
inline constexpr std::string_view kQuitButton = "&Quit";
inline constexpr std::string_view kMainFileMenu = "&File";
inline constexpr std::string_view kOpenReportItem = "&Open Report...";
inline constexpr std::string_view kOpenRecentMenu = "Open &Recent";
inline constexpr std::string_view kReloadItem = "Re&load";
inline constexpr std::string_view kFileCompareItem = "&Compare With...";
inline constexpr std::string_view kFileOutputItem = "Output to &Text File...";
inline constexpr std::string_view kQuitItem = "&Quit";
inline constexpr std::string_view kNoRecentReports = "(none)";
inline constexpr std::string_view kOpenReportPickerTitle = "Open Report";
inline constexpr std::string_view kReportFileFilter =
    "Debug Reports (*.txt *.Txt *.TXT);;All Files (*)";
// The context menu of a row.
inline constexpr std::string_view kCopyNameItem = "Copy &Name";
inline constexpr std::string_view kCopyValueItem = "Copy &Value";
inline constexpr std::string_view kCopyExpansionItem = "Copy &Expansion";
inline constexpr std::string_view kCopyRowItem = "&Copy Row";
inline constexpr std::string_view kOpenFileItem = "&Open File";
inline constexpr std::string_view kIsolateItem = "&Isolate this Variable";
inline constexpr std::string_view kHowItGotItsValueItem = "&How it got its value";

// The bar above the lists when the report on screen changed on disk.
inline constexpr std::string_view kReportChanged = "The report changed on disk.";
inline constexpr std::string_view kReloadChangedButton = "&Reload";
inline constexpr std::string_view kCloseBarTip = "Close";
inline constexpr std::string_view kOptionsMenu = "&Options";
inline constexpr std::string_view kEditingOptionsItem = "&Editing Options";
inline constexpr std::string_view kMicroStationItem = "&MicroStation";
inline constexpr std::string_view kCategoryManagerItem = "&Category Manager";
inline constexpr std::string_view kExpressionBuilderItem = "E&xpression Builder";
inline constexpr std::string_view kViewMenu = "&View";
inline constexpr std::string_view kReportItem = "MSDebug.&Txt";
inline constexpr std::string_view kRefreshItem = "&Refresh";
inline constexpr std::string_view kFindItem = "&Find...";
inline constexpr std::string_view kFindNextItem = "Find &Next";
inline constexpr std::string_view kOutputViewItem = "&Output View to Text File";
inline constexpr std::string_view kCompareWithItem = "&Compare With...";
inline constexpr std::string_view kHelpMenu = "&Help";
inline constexpr std::string_view kContentsItem = "&Contents";
inline constexpr std::string_view kAboutItem = "&About";

// The status bar; "%1" and "%2" are filled in.
inline constexpr std::string_view kNoReportLoaded = "No report loaded";
inline constexpr std::string_view kShownOfAll = "%1 of %2 shown";

// The level buttons of the Isolate page; "%1" is the level's name.
inline constexpr std::string_view kViewByLevel = "View By Level";
inline constexpr std::string_view kListLevelTip = "List every %1 variable";

// The help window.
inline constexpr std::string_view kHelpTitle = "Varscope Help";
inline constexpr std::string_view kHelpBack = "Back";
inline constexpr std::string_view kHelpForward = "Forward";
inline constexpr std::string_view kHelpSearchPlaceholder = "Search the help";
inline constexpr std::string_view kHelpFind = "Find";
inline constexpr std::string_view kHelpFindNext = "Find Next";
// Followed by the searched text in quotes and a full stop.
inline constexpr std::string_view kHelpNoPageHolds = "No page of the help holds ";

inline constexpr std::string_view kNoMoreMatches = "No more matches";
inline constexpr std::string_view kNoDataSelected = "No Data Selected";
inline constexpr std::string_view kNoDefinitionOf = "The report has no definition of ";
inline constexpr std::string_view kFilterCleared = "The filter was cleared to show the record";
inline constexpr std::string_view kPreferencesNotSaved = "The preferences could not be saved: ";

} // namespace varscope::ui::text
