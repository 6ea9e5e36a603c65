#pragma once

#include "ui/context.hpp"

#include <QDialog>

#include <string>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace varscope::ui {

class PathLabel;

// "Define Editor": the program that opens configuration files, and whether to ask before
// opening one. Works on the editor settings of the shared state directly; each opening
// starts afresh from them. Callers exec() it from the menu, or show() it without blocking
// (with Qt::WA_DeleteOnClose) when a double-click finds no editor.
class EditorDialog final : public QDialog {
    Q_OBJECT
public:
    explicit EditorDialog(Context& context, QWidget* parent = nullptr);

    // Where the disk search for the Windows editors starts: the system drive root unless
    // tests say else.
    void setSearchRoot(std::string root);

private:
    void buildControls();
    void load();
    void updateOptionAvailability();
    void applyOptionRule(int index);
    void onOptionToggled(int index, bool checked);
    void onNotifyClicked(bool checked);
    void selectEditor();
    void locateEditors();
    void locateDesktopEditors();
    void showOtherPath();
    void showDesktopEditor();

    Context& m_context;
    std::string m_searchRoot;
    QButtonGroup* m_options = nullptr;
    QRadioButton* m_option[3] = {};
    PathLabel* m_otherPath = nullptr;
    QLabel* m_desktopEditor = nullptr;
    QPushButton* m_locate = nullptr;
    QCheckBox* m_notify = nullptr;
    QPushButton* m_select = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace varscope::ui
