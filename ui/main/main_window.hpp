#pragma once

#include "ui/context.hpp"
#include "ui/lists/find.hpp"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QTabWidget;

namespace varscope::core {
class PendingReport;
} // namespace varscope::core

namespace varscope::ui {

class CategoryTreePage;
class ChangedOnDiskBar;
class FilterBox;
class FileOrderModel;
class IconLibrary;
class Launcher;
class LevelSelector;
class ListView;
class DerivationPane;
class FindingsPage;
class TextListModel;
class VariableListView;
class ViewInteraction;
struct PageRows;

// The program's one top-level window: five pages of the loaded report, the level filter,
// find and isolate, the menus and help. Its parts (the launcher, the views' interaction)
// reach it through the few members below; the pages and windows it opens get only what they
// need. Tests find its controls by their object names.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    enum Page {
        AllVariablesPage,
        IsolatePage,
        SummaryPage,
        ProblemsPage,
        FileOrderPage,
        CategoryPage
    };

    // The menu items, in the user's words; their object names are the control names.
    struct Actions {
        QAction* openReport = nullptr;        // File > "Open Report..." (Ctrl+O)
        QMenu* openRecent = nullptr;          // File > "Open Recent"
        QAction* reload = nullptr;            // File > "Reload" (F5)
        QAction* fileCompare = nullptr;       // File > "Compare With..."
        QAction* fileOutput = nullptr;        // File > "Output to Text File..."
        QAction* quit = nullptr;              // File > "Quit" (Ctrl+Q)
        QAction* editingOptions = nullptr;    // Options > "Editing Options"
        QAction* microStation = nullptr;      // Options > "MicroStation"
        QAction* categoryManager = nullptr;   // Options > "Category Manager"
        QAction* expressionBuilder = nullptr; // Options > "Expression Builder"
        QAction* report = nullptr;            // View > "MSDebug.Txt"
        QAction* refresh = nullptr;           // View > "Refresh"
        QAction* find = nullptr;              // View > "Find..." (Ctrl+F)
        QAction* findNext = nullptr;          // View > "Find Next" (F3)
        QAction* focusFilter = nullptr;       // Ctrl+L: the caret in the filter box
        QAction* exportView = nullptr;        // View > "Output View to Text File"
        QAction* compareWith = nullptr;       // View > "Compare With..."
        QAction* derivation = nullptr;        // View > "Derivation" (F4), checkable
        QAction* contents = nullptr;          // Help > "Contents"
        QAction* about = nullptr;             // Help > "About"
    };

    explicit MainWindow(Context& context, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: preferences, then the report from the MicroStation folder, or `reportPath`
    // when given (read as "Browse:" reads a chosen file), taken from `pending` when that
    // has been reading it.
    void startUp(const QString& reportPath = {}, core::PendingReport* pending = nullptr);
    // The same with the path's own bytes, which need not be valid text.
    void startUp(const std::string& reportPath, core::PendingReport* pending);
    // Shows the window on its first page, then starts up as soon as events are taken, so
    // that start-up's messages come over the window; `then` runs after start-up.
    void showAndStartUp(std::string reportPath, core::PendingReport* pending,
                        std::function<void()> then = {});

    Context& context() { return m_context; }
    const IconLibrary& icons() const { return *m_icons; }
    const Actions& actions() const { return m_actions; }
    // Also the views' context menu.
    QMenu* viewMenu() const { return m_viewMenu; }

    int currentPage() const;
    // Brings a page to the front, with everything a page change does.
    void showPage(int page);
    // Selects the first row of the variable `name` (exact bytes) in All Variables; false
    // when the report has no such variable or the filter hides all its rows.
    bool selectVariable(const std::string& name);
    // Shows All Variables with record `record` (1-based) selected, clearing the filter when
    // it hides the record (the status bar says so).
    void selectRecord(std::size_t record);
    // The rows of the page in front, as its export writes them.
    PageRows shownRows() const;

    // File > "Open Report...": the picker, starting in the folder of the report on screen.
    void openReport();
    // Reads `path` as the report on screen (a file that is not a report is refused); on
    // failure the user is told and the report on screen stays. True when it was read.
    bool openReportFile(const std::string& path);
    // F5, File > "Reload" and View > "Refresh": the report on screen again, from its own
    // path; with none on screen, the MicroStation folder's.
    void reloadReport();

    // "&Find . . ."
    void find();
    // F3 and View > "Find Next": the next row that begins as the last Find asked; before any
    // Find, Find itself. Says "No more matches" in the status bar at the end of a round.
    void findNext();
    // Lists the records of the variable selected in All Variables on the Isolate page.
    bool isolateVariable();
    // Lists every record of `name` (exact bytes) on the Isolate page and brings it to the
    // front, whether or not the filter shows the name in All Variables (where it is selected
    // when shown). False, changing nothing, when the report has no record of it.
    bool isolateVariableNamed(const std::string& name);
    // Lists the records of one level on the Isolate page.
    void filterByLevel(int level);
    // Sorting, double-clicks, F5 and the context menu.
    ViewInteraction& interaction() const { return *m_interaction; }
    // The windows opened from the menus, help included.
    Launcher& launcher() const { return *m_launcher; }
    // The Category page, built at start-up and on every visit of the page.
    CategoryTreePage& categoryTree() const { return *m_categoryTree; }
    // "&Quit": closes the windows opened from this one, then this one.
    void quit();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buildFileMenu();
    // Open Recent's items, from the preferences; missing files greyed.
    void fillRecentMenu();
    // The View menu items that depend on the page in front.
    void applyPageVisibility();
    QWidget* buildAllVariablesPage();
    FilterBox* buildFilterBox();
    QWidget* buildIsolatePage();
    QWidget* buildSinglePage(QWidget* view);
    void onPageChanged(int page);
    void onStateChanged();
    void updateStatus();
    // The derivation pane: shown under All Variables, Isolate and Summary when chosen, for
    // the selected row.
    void updateDerivation();
    // "4,210 records", or "12 of 4,210 records shown" while All Variables is filtered.
    QString recordCount() const;
    void setColumnWidths();
    void layOutAllVariablesPage();
    void setIsolateHeading(const QString& heading);
    // What the Isolate heading and Find Next knew of the report before a reload.
    void forgetPreviousReport();

    Context& m_context;
    std::unique_ptr<IconLibrary> m_icons;
    Actions m_actions;
    QMenu* m_viewMenu = nullptr;
    QTabWidget* m_tabs = nullptr;
    ChangedOnDiskBar* m_changedBar = nullptr;
    VariableListView* m_allVariables = nullptr;
    VariableListView* m_isolate = nullptr;
    ListView* m_summary = nullptr;
    ListView* m_files = nullptr;
    ListView* m_category = nullptr;
    TextListModel* m_summaryModel = nullptr;
    FileOrderModel* m_filesModel = nullptr;
    QLabel* m_isolateHeading = nullptr;
    FindRound m_findRound;
    LevelSelector* m_levelSelector = nullptr;
    FilterBox* m_filterBox = nullptr;
    QLabel* m_statusCounts = nullptr;
    QLabel* m_statusPath = nullptr;
    ViewInteraction* m_interaction = nullptr;
    Launcher* m_launcher = nullptr;
    CategoryTreePage* m_categoryTree = nullptr;
    FindingsPage* m_problems = nullptr;
    DerivationPane* m_derivation = nullptr;
    std::string m_shownReportPath;
    unsigned m_shownGeneration = 0;
    bool m_columnsSized = false;
    bool m_isolateChosen = false; // the Isolate page comes to the front with rows chosen for it
    int m_subscription = 0;
};

} // namespace varscope::ui
