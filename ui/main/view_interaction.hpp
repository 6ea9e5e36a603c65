#pragma once

#include <QObject>

#include <optional>
#include <string>

class QMenu;
class QPoint;

namespace varscope::core {
enum class EditOutcome;
enum class NoEditorNotice;
struct ConfigVariable;
} // namespace varscope::core

namespace varscope::ui {

class ListView;
class MainWindow;
class VariableListView;

// What the main window does between start-up and quit: sorting by a column, the
// double-clicks that open configuration files, F5, the views' context menu and the View
// menu's items.
class ViewInteraction final : public QObject {
    Q_OBJECT
public:
    // The main window's lists, each telling what the user asks of it.
    struct Views {
        VariableListView& allVariables;
        VariableListView& isolate;
        ListView& summary;
        ListView& files;
        ListView& category;
    };

    ViewInteraction(MainWindow& window, Views views);

    // A click on the header of `column`: the column the list is sorted by reverses its order,
    // any other column sorts ascending. The selected row stays in view.
    void sortByColumn(VariableListView& view, int column);

    // All Variables: offers the editor dialog when no editor is set, copies the name, opens
    // the file, and marks it also when it was only viewed.
    void allVariablesDoubleClicked();
    // Isolate: copies the name and opens the file; no editor offer.
    void isolateDoubleClicked();
    // File Order: offers the editor dialog when no editor is set and opens the file.
    void filesDoubleClicked();
    // A configuration file, opened as from File Order.
    void openConfigFile(const std::string& path);
    // A summary entry's row (or a row that continues it) isolates that variable.
    void summaryDoubleClicked();
    // Category and Compare: a record, opened as from All Variables but without marking a
    // file that was only viewed. A record without a name copies nothing.
    void categoryValueDoubleClicked(const core::ConfigVariable& record);

    // "Refresh": the report on screen, read again from its own path.
    void refresh();
    // "MSDebug.Txt": the report last read, in the editor.
    void openReport();
    // The "View" menu at `globalPos`, without waiting for a choice; "Refresh" set first.
    void openViewMenu(const QPoint& globalPos, bool refreshEnabled);
    // Ctrl+C: the selected row of `view` on the clipboard, as the export writes it (its
    // columns and delimiter, without the line end). False when no row is selected.
    bool copyRow(ListView& view);
    // The context menu of the selected row of `view` at `globalPos`, without waiting; the
    // View menu outside the rows or when no row is selected. Null when the View menu was
    // shown.
    QMenu* openRowMenu(ListView& view, const QPoint& globalPos);

private:
    // The record of the selected row of a variable list, or null.
    const core::ConfigVariable* selectedRecordOf(ListView& view) const;
    // The selected row of a one-column list (its bytes) or of the tree (as shown).
    std::optional<std::string> selectedBytes(ListView& view) const;
    void isolateRecordsVariable(const std::string& name);
    void offerEditorDialog();
    // Tells when no editor is chosen unless the caller offered the editor dialog.
    core::EditOutcome openForEdit(const std::string& path, core::NoEditorNotice noEditor);

    MainWindow& m_window;
    const Views m_views;
    QMenu* m_rowMenu = nullptr;
};

} // namespace varscope::ui
