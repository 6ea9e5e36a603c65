#pragma once

#include "ui/context.hpp"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace varscope::ui {

class PathLabel;

// "Where's MicroStation ??": picks the MicroStation folder and the configuration files,
// composes the debug command line, runs it and loads the report. Every opening starts from
// the shared state; the choices go back there.
class MicroStationDialog final : public QDialog {
    Q_OBJECT
public:
    MicroStationDialog(Context& context, QWidget* parent = nullptr);

    // A folder chosen by the user, or empty when cancelled.
    QString chooseFolder(QWidget* owner, const QString& title = {});

private:
    void buildControls();
    void load();

    void onBrowseFolder();
    void onUserTicked(bool ticked);
    void onProjectTicked(bool ticked);
    void onUserSelected(int index);
    void onProjectSelected(int index);
    void onCreate();
    void onBrowseReport();
    void onDone();

    void fillUserList();
    void fillProjectList();
    void showFolder();
    void showCommandLine(const std::string& line);
    void updateCreateEnabled();
    void showWaiting(bool waiting);

    Context& m_context;
    PathLabel* m_folderLabel = nullptr;
    QCheckBox* m_checkUser = nullptr;
    QComboBox* m_comboUser = nullptr;
    QCheckBox* m_checkProject = nullptr;
    QComboBox* m_comboProject = nullptr;
    QLineEdit* m_commandLine = nullptr;
    QPushButton* m_create = nullptr;
    // Shown while MicroStation runs.
    QWidget* m_waitingBar = nullptr;
    QLabel* m_waitingStatus = nullptr;
    QPushButton* m_stopWaiting = nullptr;
    // The line as composed, in its original bytes: run as it is unless the user edited it.
    std::string m_composedLine;
};

} // namespace varscope::ui
