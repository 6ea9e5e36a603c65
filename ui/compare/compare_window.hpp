#pragma once

#include "compare_model.hpp"
#include "core/system/prompter.hpp"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeView;

namespace varscope::ui {

struct Context;
class IconLibrary;

// "Compare": two reports side by side by the final value of each variable. Opens the
// defining file of the side double-clicked through `openRecord`, as All Variables does.
class CompareWindow final : public QDialog {
    Q_OBJECT
public:
    using OpenRecord = std::function<void(const core::ConfigVariable&)>;

    CompareWindow(Context& context, const IconLibrary& icons, core::ReportComparison comparison,
                  const QString& oldPath, const QString& newPath, OpenRecord openRecord,
                  QWidget* parent = nullptr);

    CompareModel& model() { return *m_model; }
    QTreeView* list() const { return m_list; }

    // Asks for the beginning of a name and selects the first variable shown that has it.
    void find();
    // Writes what `varscope-cli diff` writes (with --all when all are shown) to a file the
    // user picks, and says where and how many lines, or why it could not.
    void exportComparison();
    // The side's file of the row at `row`, opened as from All Variables; the name column
    // opens the second report's side when it has one.
    void openRow(int row, int column);

private:
    void updateCounts();
    // This window's boxes come over it.
    core::Prompter& prompter() const;

    Context& m_context;
    std::unique_ptr<core::Prompter> m_ownPrompter;
    CompareModel* m_model = nullptr;
    QTreeView* m_list = nullptr;
    QCheckBox* m_differencesOnly = nullptr;
    QLabel* m_counts = nullptr;
    OpenRecord m_openRecord;
};

// View > "Compare With...": the second report the user picks, in its own bytes; nullopt when
// none was picked.
std::optional<std::string> PickComparedReport(Context& context, QWidget* parent);
// Reads the report at `path` and makes the window comparing the loaded report with it. Null
// when the report could not be read (the user has been told).
CompareWindow* NewComparison(Context& context, const IconLibrary& icons, const std::string& path,
                             CompareWindow::OpenRecord openRecord, QWidget* parent);

} // namespace varscope::ui
