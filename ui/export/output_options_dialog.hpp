#pragma once

#include "ui/context.hpp"

#include <QDialog>

#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace varscope::ui {

class PathLabel;
struct PageRows;

// "Output Options": writes the page in front of the main window to a text file. The file,
// the columns and the delimiter live in the shared state, so each opening starts from the
// choices made before in this run.
class OutputOptionsDialog final : public QDialog {
    Q_OBJECT
public:
    // The rows of the page to write, asked for on "Continue".
    using RowsOfPage = std::function<PageRows()>;

    // `variableList`: the page is a variable list, whose columns can be chosen.
    OutputOptionsDialog(Context& context, bool variableList, RowsOfPage rowsOfPage,
                        QWidget* parent = nullptr);

private:
    void buildControls();
    void load();
    bool columnsApply() const { return m_variableList; }
    void onDelimiterOption(int index, bool checked);
    void onDelimiterEdited(const QString& text);
    void onColumnClicked(int index, bool checked);
    void browse();
    // "Continue"
    void writeView();
    // Writes the page in front to `file`, with progress shown when it takes a while; false
    // when it was stopped or failed (the user has been told of a failure).
    bool writeFile(const std::string& file);
    void showOutputFile();

    Context& m_context;
    const bool m_variableList;
    RowsOfPage m_rowsOfPage;
    PathLabel* m_file = nullptr;
    QPushButton* m_browse = nullptr;
    QButtonGroup* m_delimiterOptions = nullptr;
    std::array<QRadioButton*, 3> m_option{};
    QLabel* m_delimiterLabel = nullptr;
    QLineEdit* m_delimiter = nullptr;
    std::array<QCheckBox*, 5> m_column{};
    QCheckBox* m_openFile = nullptr;
    QPushButton* m_continue = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace varscope::ui
