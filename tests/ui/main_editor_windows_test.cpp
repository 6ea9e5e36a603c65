// A double-click on a row on Windows: the chosen editor, in a folder whose name has a blank,
// is started with CreateProcess and gets the row's file as its one argument, whatever the
// name holds (blanks, characters cmd.exe would act on, a byte of the system code page).
// Built for Windows only.
#include "main_window_support.hpp"

#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "tests/support/stand_in_programs.hpp"
#include "ui/lists/list_views.hpp"

#include <QAbstractItemView>
#include <QGuiApplication>

#include <filesystem>
#include <string>
#include <vector>

using varscope::testing::MainWindowHarness;
using varscope::testing::ReadLines;
using varscope::testing::ReadTextFile;
using varscope::testing::StepRecordArguments;
using varscope::testing::StepRecordCommandLine;
using varscope::testing::TempFolder;
using varscope::testing::WriteStandIn;
namespace core = varscope::core;
namespace ui = varscope::ui;

namespace {

void DoubleClickRow(QAbstractItemView* view, int row) {
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

} // namespace

class MainEditorWindowsTest final : public QObject {
    Q_OBJECT

private slots:
    void doubleClick_editorGetsFileAsOneArgumentUnderWindowsRules_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("blank") << QByteArray("site one.cfg");
        QTest::newRow("cmd.exe's characters") << QByteArray("a&b ^(x) 100% !v!.cfg");
        // "café" as the system code page writes it.
        QTest::newRow("code page") << QByteArray::fromStdString(
            core::platform::Utf8ToSystemText("caf\xC3\xA9 \xC3\xA0 jour.cfg"));
    }
    void doubleClick_editorGetsFileAsOneArgumentUnderWindowsRules() {
        QFETCH(QByteArray, name);
        TempFolder folder;
        const std::string configFolder = folder.file("config files");
        std::filesystem::create_directory(configFolder);
        const std::string file = core::JoinPath(configFolder, name.toStdString());
        QVERIFY(!core::WriteFileAtomically(file, "MS_CELL = cell/\r\n").has_value());
        const std::string commandLine = folder.file("command-line.txt");
        const std::string arguments = folder.file("arguments.txt");
        const std::string editor =
            WriteStandIn(folder.file("my editor\\ed"),
                         {StepRecordCommandLine(commandLine), StepRecordArguments(arguments)});

        MainWindowHarness h;
        h.window->startUp(h.writeReport(QByteArray::fromStdString(
            "Processing macro file [" + file + "]\r\n(site): MS_CELL=cell/ [cell/]\r\n")));
        h.state.preferences.EditorPath = editor;
        h.state.preferences.setConfirmBeforeEdit(false);
        QVERIFY(h.showAndWait());
        h.window->showPage(ui::MainWindow::AllVariablesPage);
        DoubleClickRow(varscope::testing::AllVariables(*h.window), 0);

        QVERIFY2(h.prompter.shown.empty(),
                 h.prompter.shown.empty() ? "" : h.prompter.shown.front().text.c_str());
        // The editor's path has a blank, so it is quoted; the file always is, and the
        // program's runtime splits the line back into exactly that file. The editor is not
        // waited for: its records arrive in its own time, the command line first.
        QCOMPARE(varscope::testing::ReadLinesWhenWritten(arguments, 1),
                 std::vector<std::string>{file});
        QCOMPARE(ReadTextFile(commandLine), "\"" + editor + "\" \"" + file + "\"");
    }
};

QTEST_MAIN(MainEditorWindowsTest)
#include "main_editor_windows_test.moc"
