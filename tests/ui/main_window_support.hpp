#pragma once

#include "core/session.hpp"
#include "tests/support/fake_pickers.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "ui/category/category_tree_page.hpp"
#include "ui/context.hpp"
#include "ui/lists/list_views.hpp"
#include "ui/lists/text_list_model.hpp"
#include "ui/main/main_window.hpp"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <string>
#include <string_view>

// A main window over a fresh state, a scripted prompter and fake pickers, with its program
// folder in a temporary folder.
namespace varscope::testing {

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The report of the main window tests: 31 records in 7 file lines, MS_DEF at Site, Project
// and User, ms_def once at Project, a level-less "system env" line, a Windows-1252 byte and
// one line that cannot be split.
inline QString FixtureReport() {
    return QStringLiteral(VARSCOPE_FIXTURES "/ui/msdebug.txt");
}

// The main window's lists, found by their object names as a user's tool would.
inline ui::VariableListView* AllVariables(const ui::MainWindow& window) {
    return window.findChild<ui::VariableListView*>(QStringLiteral("ListView1"));
}
inline ui::VariableListView* IsolateList(const ui::MainWindow& window) {
    return window.findChild<ui::VariableListView*>(QStringLiteral("ListView_isolate"));
}
inline ui::ListView* SummaryList(const ui::MainWindow& window) {
    return window.findChild<ui::ListView*>(QStringLiteral("ListView_summary"));
}
inline ui::ListView* FilesList(const ui::MainWindow& window) {
    return window.findChild<ui::ListView*>(QStringLiteral("ListView_files"));
}
inline ui::ListView* CategoryTreeView(const ui::MainWindow& window) {
    return window.findChild<ui::ListView*>(QStringLiteral("TreeView1"));
}
inline ui::TextListModel* SummaryModel(const ui::MainWindow& window) {
    return qobject_cast<ui::TextListModel*>(SummaryList(window)->model());
}
inline ui::FileOrderModel* FilesModel(const ui::MainWindow& window) {
    return qobject_cast<ui::FileOrderModel*>(FilesList(window)->model());
}

struct MainWindowHarness {
    QTemporaryDir programFolder;
    core::AppState state;
    ScriptedPrompter prompter;
    FakePickers pickers;
    ui::Context context{state, prompter, pickers};
    std::unique_ptr<ui::MainWindow> window;

    MainWindowHarness() {
        // As the program names its folders: with the system's separators.
        state.preferences.ProgramFolder =
            QDir::toNativeSeparators(programFolder.path()).toStdString();
        window = std::make_unique<ui::MainWindow>(context);
    }

    QString path(const QString& name) const { return programFolder.filePath(name); }

    // Preferences naming `folder` as the MicroStation folder.
    void setMicroStationFolder(const QString& folder) const {
        WriteAll(path(QStringLiteral("Dbgscope.Ini")),
                 "[preferences]\r\nmicrostation=" + QDir::toNativeSeparators(folder).toUtf8() +
                     "\r\n");
    }

    // Writes `bytes` as a report in the program folder and returns its path.
    QString writeReport(const QByteArray& bytes,
                        const QString& name = QStringLiteral("report.txt")) const {
        const QString file = path(name);
        WriteAll(file, bytes);
        return file;
    }

    template <typename T> T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    bool showAndWait() {
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
};

// Counts the paintings of one widget.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace varscope::testing
