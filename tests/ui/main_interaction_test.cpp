// The main window between start-up and quit: double-clicks that open files, sorting, F5 and
// "Refresh", the context menu, and the window while an editor runs.
#include "main_window_support.hpp"

#include "core/export/export.hpp"
#include "core/system/edit.hpp"
#include "core/system/process.hpp"
#include "core/texts.hpp"
#include "tests/support/qt_environment.hpp"
#include "tests/support/stand_in_programs.hpp"
#include "ui/dialogs/editor_dialog.hpp"
#include "ui/lists/list_views.hpp"
#include "ui/lists/text_list_model.hpp"
#include "ui/lists/variable_table_model.hpp"
#include "ui/main/launcher.hpp"
#include "ui/main/view_interaction.hpp"
#include "ui/program_wait.hpp"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>

#include <filesystem>

using varscope::testing::AllVariables;
using varscope::testing::CategoryTreeView;
using varscope::testing::Exists;
using varscope::testing::FilesList;
using varscope::testing::FilesModel;
using varscope::testing::IsolateList;
using varscope::testing::MainWindowHarness;
using varscope::testing::ReadLines;
using varscope::testing::SummaryList;
using varscope::testing::TempFolder;
using varscope::testing::WriteAll;
using varscope::testing::WriteTextFile;
namespace core = varscope::core;
namespace ui = varscope::ui;

namespace {

// Rows of All Variables in the report the tests write.
enum Record { CellRow, DefRow, UserRow, GoneRow, PenRow };

void MakeReadOnly(const std::string& path) {
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_read | perms::group_read | perms::others_read);
}

void MakeWritable(const std::string& path) {
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_read | perms::owner_write | perms::group_read |
                                           perms::others_read);
}

QString Clipboard() {
    return QGuiApplication::clipboard()->text();
}

void DoubleClickRow(QAbstractItemView* view, int row) {
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    // As the system reports a double-click: the first click selects the row.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

QStringList Column(const QAbstractItemModel* model, int column) {
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

void ClickHeader(QTreeView* view, int column) {
    QHeaderView* header = view->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

// A main window over a report naming real files in a temporary folder: "site one.cfg"
// (processed twice), "user.ucf" and "gone.cfg" (which does not exist), and an editor that
// records its arguments, in a folder whose name has a blank.
struct EditHarness : MainWindowHarness {
    TempFolder folder;
    const std::string siteFile = folder.file("config files/site one.cfg");
    const std::string userFile = folder.file("user.ucf");
    const std::string goneFile = folder.file("gone.cfg");
    const std::string arguments = folder.file("arguments.txt");
    const std::string editor = varscope::testing::WriteStandIn(
        folder.file("my editor/ed"), {varscope::testing::StepRecordArguments(arguments)});

    EditHarness() {
        WriteTextFile(siteFile, "MS_CELL = cell/\n");
        WriteTextFile(userFile, "MS_DEF = dgn/\n");
        const std::string report = "Processing macro file [" + siteFile +
                                   "]\r\n(site): MS_CELL=cell/ [cell/]\r\n"
                                   "Processing macro file [" +
                                   userFile +
                                   "]\r\n(user): MS_DEF=dgn/ [dgn/]\r\n"
                                   "(user): _USTN_USER=users/ [users/]\r\n"
                                   "Processing macro file [" +
                                   goneFile +
                                   "]\r\n(user): MS_GONE=x [x]\r\n"
                                   "Processing macro file [" +
                                   siteFile + "]\r\n(site): MS_PEN=pen/ [pen/]\r\n";
        window->startUp(writeReport(QByteArray::fromStdString(report)));
        // As the preferences file would set them.
        state.preferences.EditorPath = editor;
        state.preferences.setConfirmBeforeEdit(false);
        QGuiApplication::clipboard()->clear();
    }
    ~EditHarness() { MakeWritable(siteFile); }

    bool editorRan() const { return Exists(arguments); }
    // The editor is not waited for: what it records arrives in its own time.
    std::vector<std::string> editorArguments() const {
        return varscope::testing::TakeLinesWhenWritten(arguments, 1);
    }

    QList<bool> marks() const {
        QList<bool> opened;
        const QAbstractItemModel* files = FilesList(*window)->model();
        for (int row = 0; row < files->rowCount(); ++row)
            opened << files->index(row, 0).data(ui::FileOrderModel::OpenedRole).toBool();
        return opened;
    }

    void doubleClickAllVariables(int row) {
        window->showPage(ui::MainWindow::AllVariablesPage);
        DoubleClickRow(AllVariables(*window), row);
    }
    void doubleClickIsolate(const std::string& name) {
        window->showPage(ui::MainWindow::AllVariablesPage);
        QVERIFY(window->selectVariable(name));
        window->showPage(ui::MainWindow::IsolatePage);
        DoubleClickRow(IsolateList(*window), 0);
    }
    void doubleClickFile(int row) {
        window->showPage(ui::MainWindow::FileOrderPage);
        DoubleClickRow(FilesList(*window), row);
    }

    int editorDialogs() const { return int(window->findChildren<ui::EditorDialog*>().size()); }

    std::string shownTexts() const {
        std::string texts;
        for (const auto& box : prompter.shown)
            texts += box.text + "\n";
        return texts;
    }
};

} // namespace

class MainInteractionTest final : public QObject {
    Q_OBJECT

private slots:
    void allVariablesDoubleClick_editorGetsQuotedPath_nameCopiedBothRowsMarked() {
        EditHarness h;
        QVERIFY(h.showAndWait());
        const QIcon plain =
            FilesModel(*h.window)->index(0, 0).data(Qt::DecorationRole).value<QIcon>();

        h.doubleClickAllVariables(PenRow);

        QVERIFY2(h.prompter.shown.empty(), h.shownTexts().c_str());
        // One argument, blanks and all: the editor path with a blank was split correctly and
        // the file path arrived quoted.
        QCOMPARE(h.editorArguments(), std::vector<std::string>{h.siteFile});
        QCOMPARE(Clipboard(), QStringLiteral("MS_PEN"));
        QCOMPARE(h.marks(), (QList<bool>{true, false, false, true}));
        const QIcon marked =
            FilesModel(*h.window)->index(0, 0).data(Qt::DecorationRole).value<QIcon>();
        QVERIFY(marked.pixmap(16).toImage() != plain.pixmap(16).toImage());
        QCOMPARE(FilesModel(*h.window)
                     ->index(3, 0)
                     .data(Qt::DecorationRole)
                     .value<QIcon>()
                     .pixmap(16)
                     .toImage(),
                 marked.pixmap(16).toImage());
    }

    void fileOrderDoubleClick_opensTheRowsFile_bothRowsMarked() {
        EditHarness h;
        QVERIFY(h.showAndWait());

        h.doubleClickFile(3);

        QVERIFY(h.prompter.shown.empty());
        QCOMPARE(h.editorArguments(), std::vector<std::string>{h.siteFile});
        QCOMPARE(h.marks(), (QList<bool>{true, false, false, true}));

        h.doubleClickFile(1);
        QCOMPARE(h.editorArguments(), std::vector<std::string>{h.userFile});
        QCOMPARE(h.marks(), (QList<bool>{true, true, false, true}));
    }

    void isolateDoubleClick_editsCopiesNameAndMarks() {
        EditHarness h;
        QVERIFY(h.showAndWait());

        h.doubleClickIsolate("MS_DEF");

        QVERIFY(h.prompter.shown.empty());
        QCOMPARE(h.editorArguments(), std::vector<std::string>{h.userFile});
        QCOMPARE(Clipboard(), QStringLiteral("MS_DEF"));
        QCOMPARE(h.marks(), (QList<bool>{false, true, false, false}));
    }

    void readOnlyFile_askedFirstWhateverNotify_markedOnlyFromAllVariables_data() {
        QTest::addColumn<bool>("notify");
        QTest::addColumn<bool>("fromAllVariables");
        QTest::addColumn<bool>("marked");
        QTest::newRow("All Variables, notify on") << true << true << true;
        QTest::newRow("All Variables, notify off") << false << true << true;
        QTest::newRow("Isolate, notify on") << true << false << false;
        QTest::newRow("Isolate, notify off") << false << false << false;
    }

    void readOnlyFile_askedFirstWhateverNotify_markedOnlyFromAllVariables() {
        QFETCH(bool, notify);
        QFETCH(bool, fromAllVariables);
        QFETCH(bool, marked);
        EditHarness h;
        QVERIFY(h.showAndWait());
        h.state.preferences.setConfirmBeforeEdit(notify);
        MakeReadOnly(h.siteFile);
        h.prompter.answers = {true};

        if (fromAllVariables)
            h.doubleClickAllVariables(CellRow);
        else
            h.doubleClickIsolate("MS_CELL");

        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].kind, std::string("ask"));
        QCOMPARE(h.prompter.shown[0].title, std::string("File Is Read Only"));
        QCOMPARE(h.prompter.shown[0].text, h.siteFile + " Is Read Only, Open For View??");
        QCOMPARE(h.editorArguments(), std::vector<std::string>{h.siteFile});
        QCOMPARE(Clipboard(), QStringLiteral("MS_CELL"));
        QCOMPARE(h.marks(), (QList<bool>{marked, false, false, marked}));
    }

    void readOnlyFile_answeredNo_nothingStartsNothingMarked() {
        EditHarness h;
        QVERIFY(h.showAndWait());
        MakeReadOnly(h.siteFile);
        h.prompter.answers = {false};

        h.doubleClickAllVariables(CellRow);

        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].title, std::string("File Is Read Only"));
        QVERIFY(!h.editorRan());
        QCOMPARE(h.marks(), (QList<bool>{false, false, false, false}));
    }

    void notifyTrue_answeredNo_nothingStartsNothingMarked() {
        EditHarness h;
        QVERIFY(h.showAndWait());
        h.state.preferences.setConfirmBeforeEdit(true);
        h.prompter.answers = {false};

        h.doubleClickAllVariables(DefRow);

        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].kind, std::string("ask"));
        QCOMPARE(h.prompter.shown[0].title, std::string("Verify File Open/Edit"));
        QCOMPARE(h.prompter.shown[0].text, "Edit file: " + h.userFile);
        QVERIFY(!h.editorRan());
        QCOMPARE(h.marks(), (QList<bool>{false, false, false, false}));
        // The name is copied before the question.
        QCOMPARE(Clipboard(), QStringLiteral("MS_DEF"));

        h.prompter.answers = {true};
        h.doubleClickAllVariables(DefRow);
        QCOMPARE(h.editorArguments(), std::vector<std::string>{h.userFile});
        QCOMPARE(h.marks(), (QList<bool>{false, true, false, false}));
    }

    void notifyLowerCaseTrue_noQuestion() {
        EditHarness h;
        QVERIFY(h.showAndWait());
        h.state.preferences.NotifyOnEdit = "true";

        h.doubleClickFile(1);

        QVERIFY(h.prompter.shown.empty());
        QCOMPARE(h.editorArguments(), std::vector<std::string>{h.userFile});
    }

    void missingFile_toldWithStopIcon_nameStillCopied_data() {
        QTest::addColumn<bool>("fromAllVariables");
        QTest::newRow("All Variables") << true;
        QTest::newRow("Isolate") << false;
    }

    void missingFile_toldWithStopIcon_nameStillCopied() {
        QFETCH(bool, fromAllVariables);
        EditHarness h;
        QVERIFY(h.showAndWait());

        if (fromAllVariables)
            h.doubleClickAllVariables(GoneRow);
        else
            h.doubleClickIsolate("MS_GONE");

        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].kind, std::string("message"));
        QCOMPARE(h.prompter.shown[0].text, "File:" + h.goneFile + " not found.");
        QCOMPARE(h.prompter.shown[0].icon, core::MessageIcon::Stop);
        QCOMPARE(h.prompter.shown[0].title, std::string("Varscope"));
        QCOMPARE(Clipboard(), QStringLiteral("MS_GONE"));
        QVERIFY(!h.editorRan());
    }

    void editorCannotStart_toldWithCommandLine_nothingMarked() {
        EditHarness h;
        QVERIFY(h.showAndWait());
        h.state.preferences.EditorPath = h.folder.file("no editor/ed");

        h.doubleClickAllVariables(DefRow);
        h.doubleClickFile(0);

        QCOMPARE(h.prompter.shown.size(), std::size_t(2));
        QCOMPARE(h.prompter.shown[0].kind, std::string("message"));
        // The reason between is the system's own words.
        const std::string& told = h.prompter.shown[0].text;
        QVERIFY2(told.starts_with("Could not start the editor " + h.folder.file("no editor/ed") +
                                  ": ") &&
                     told.ends_with(". Choose another under Options > Editing Options."),
                 told.c_str());
        QCOMPARE(h.prompter.shown[0].icon, core::MessageIcon::Stop);
        QCOMPARE(h.prompter.shown[0].title, std::string("Varscope"));
        QCOMPARE(h.prompter.shown[1].text, told);
        QCOMPARE(h.marks(), (QList<bool>{false, false, false, false}));
        QCOMPARE(h.editorDialogs(), 0);
    }

    void noEditorSet_allVariablesAndFileOrderOfferDialogWithoutWaiting_isolateDoesNot() {
        const varscope::testing::NoDesktopEditor noDesktopEditor;
        EditHarness h;
        QVERIFY(h.showAndWait());
        h.state.preferences.EditorPath.clear();

        h.doubleClickIsolate("MS_DEF");
        QCOMPARE(h.editorDialogs(), 0);
        QCOMPARE(Clipboard(), QStringLiteral("MS_DEF"));
        // No dialog is offered here, so the user is told where to choose one.
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].text,
                 std::string("No editor is chosen: choose one under Options > Editing Options."));

        h.prompter.shown.clear();
        h.doubleClickAllVariables(DefRow);

        ui::EditorDialog* dialog = h.window->launcher().editorDialog();
        QVERIFY(dialog != nullptr);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QCOMPARE(dialog->parentWidget(), h.window.get());
        // The double-click went on: the name is copied; with no editor nothing starts, and the
        // dialog is the only answer.
        QCOMPARE(Clipboard(), QStringLiteral("MS_DEF"));
        QVERIFY(h.prompter.shown.empty());
        QVERIFY(!h.editorRan());

        // A second offer raises the same dialog.
        h.doubleClickFile(3);
        QCOMPARE(h.window->launcher().editorDialog(), dialog);
        QCOMPARE(h.editorDialogs(), 1);
        QVERIFY(dialog->isVisible());

        // Once it is closed, File Order offers a new one.
        dialog->close();
        QTRY_COMPARE(h.editorDialogs(), 0);
        h.doubleClickFile(1);
        QCOMPARE(h.editorDialogs(), 1);
        QVERIFY(h.window->launcher().editorDialog()->isVisible());
    }

    void doubleClickWithNoRowSelected_onlyOffersTheDialog() {
        const varscope::testing::NoDesktopEditor noDesktopEditor;
        EditHarness h;
        QVERIFY(h.showAndWait());
        h.state.preferences.EditorPath.clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        auto* all = AllVariables(*h.window);
        all->selectionModel()->clearSelection();
        const QPoint belowRows(20, all->viewport()->height() - 5);
        QVERIFY(!all->indexAt(belowRows).isValid());

        QTest::mouseDClick(all->viewport(), Qt::LeftButton, {}, belowRows);

        QCOMPARE(h.editorDialogs(), 1);
        QVERIFY(h.prompter.shown.empty());
        QCOMPARE(Clipboard(), QStringLiteral("kept"));

        // With an editor set, nothing at all.
        h.state.preferences.EditorPath = h.editor;
        h.window->launcher().editorDialog()->close();
        QTRY_COMPARE(h.editorDialogs(), 0);
        h.window->showPage(ui::MainWindow::FileOrderPage);
        FilesList(*h.window)->selectionModel()->clearSelection();
        QTest::mouseDClick(FilesList(*h.window)->viewport(), Qt::LeftButton, {},
                           QPoint(20, FilesList(*h.window)->viewport()->height() - 5));
        QCOMPARE(h.editorDialogs(), 0);
        QVERIFY(h.prompter.shown.empty());
        QVERIFY(!h.editorRan());
    }

    void summaryDoubleClick_doesNothing() {
        MainWindowHarness h;
        h.window->startUp(varscope::testing::FixtureReport());
        QVERIFY(h.showAndWait());
        QVERIFY(h.state.preferences.EditorPath.empty());
        h.window->showPage(ui::MainWindow::SummaryPage);

        DoubleClickRow(SummaryList(*h.window), 1);

        QVERIFY(h.window->findChild<ui::EditorDialog*>() == nullptr);
        QVERIFY(h.prompter.shown.empty());
    }

    void msDebugItem_opensTheReportInTheEditor() {
        EditHarness h;

        h.window->actions().report->trigger();

        QVERIFY(h.prompter.shown.empty());
        QCOMPARE(h.editorArguments(),
                 std::vector<std::string>{h.path(QStringLiteral("report.txt")).toStdString()});
        // The report is not a configuration file: nothing to mark.
        QCOMPARE(h.marks(), (QList<bool>{false, false, false, false}));
    }

    void headerClicks_sameColumnReverses_otherColumnAscending() {
        MainWindowHarness h;
        // Values differing in letter case only keep their report order.
        h.window->startUp(h.writeReport("Processing macro file [C:\\b.cfg]\r\n"
                                        "(user): ONE=beta[1]\r\n"
                                        "(user): TWO=Alpha[2]\r\n"
                                        "Processing macro file [C:\\a.cfg]\r\n"
                                        "(user): THREE=alpha[3]\r\n"
                                        "(user): FOUR=_under[4]\r\n"
                                        "(user): FIVE=Zulu[5]\r\n"));
        QVERIFY(h.showAndWait());
        auto* all = AllVariables(*h.window);
        const QStringList reportOrder = Column(all->model(), 0);

        ClickHeader(all, ui::VariableTableModel::ValueColumn);
        QCOMPARE(
            Column(all->model(), 1),
            (QStringList{QStringLiteral("_under"), QStringLiteral("Alpha"), QStringLiteral("alpha"),
                         QStringLiteral("beta"), QStringLiteral("Zulu")}));
        QCOMPARE(all->header()->sortIndicatorSection(), int(ui::VariableTableModel::ValueColumn));
        QCOMPARE(all->header()->sortIndicatorOrder(), Qt::AscendingOrder);

        ClickHeader(all, ui::VariableTableModel::ValueColumn);
        QCOMPARE(Column(all->model(), 1).first(), QStringLiteral("Zulu"));
        QCOMPARE(Column(all->model(), 1).last(), QStringLiteral("_under"));
        QCOMPARE(all->header()->sortIndicatorOrder(), Qt::DescendingOrder);

        ClickHeader(all, ui::VariableTableModel::ValueColumn);
        QCOMPARE(Column(all->model(), 1).first(), QStringLiteral("_under"));

        ClickHeader(all, ui::VariableTableModel::ValueColumn);
        ClickHeader(all, ui::VariableTableModel::FileColumn);
        QCOMPARE(
            Column(all->model(), 0),
            (QStringList{QStringLiteral("THREE"), QStringLiteral("FOUR"), QStringLiteral("FIVE"),
                         QStringLiteral("ONE"), QStringLiteral("TWO")}));
        QCOMPARE(all->header()->sortIndicatorSection(), int(ui::VariableTableModel::FileColumn));
        QCOMPARE(all->header()->sortIndicatorOrder(), Qt::AscendingOrder);

        // A reload shows report order again, and the next click sorts ascending.
        h.window->actions().refresh->trigger();
        QCOMPARE(Column(all->model(), 0), reportOrder);
        QCOMPARE(all->header()->sortIndicatorSection(), -1);
        ClickHeader(all, ui::VariableTableModel::FileColumn);
        QCOMPARE(Column(all->model(), 0).first(), QStringLiteral("THREE"));
    }

    void headerClick_isolateSortsToo_summaryAndFileOrderDoNot() {
        MainWindowHarness h;
        h.window->startUp(varscope::testing::FixtureReport());
        QVERIFY(h.showAndWait());
        h.window->filterByLevel(core::LevelUser);
        h.window->showPage(ui::MainWindow::IsolatePage);
        auto* isolate = IsolateList(*h.window);
        QStringList names = Column(isolate->model(), 0);

        ClickHeader(isolate, ui::VariableTableModel::NameColumn);
        names.sort(Qt::CaseInsensitive);
        QCOMPARE(Column(isolate->model(), 0), names);
        ClickHeader(isolate, ui::VariableTableModel::NameColumn);
        std::reverse(names.begin(), names.end());
        QCOMPARE(Column(isolate->model(), 0).first(), names.first());

        for (const int page : {ui::MainWindow::SummaryPage, ui::MainWindow::FileOrderPage}) {
            h.window->showPage(page);
            QTreeView* view =
                page == ui::MainWindow::SummaryPage ? SummaryList(*h.window) : FilesList(*h.window);
            const QStringList before = Column(view->model(), 0);
            QVERIFY(!view->header()->sectionsClickable());
            ClickHeader(view, 0);
            QCOMPARE(Column(view->model(), 0), before);
        }
    }

    void headerClick_selectedRowScrolledIntoView() {
        MainWindowHarness h;
        QByteArray report = "Processing macro file [C:\\a.cfg]\r\n";
        for (int i = 0; i < 300; ++i)
            report += "(user): V" + QByteArray::number(1000 + i) + "=" +
                      QByteArray::number(1299 - i) + " [x]\r\n";
        h.window->startUp(h.writeReport(report));
        QVERIFY(h.showAndWait());
        auto* all = AllVariables(*h.window);
        all->selectShownRow(2);
        const QModelIndex selected = all->selectionModel()->selectedRows().first();
        QVERIFY(all->viewport()->rect().intersects(all->visualRect(selected)));

        all->header()->resizeSection(ui::VariableTableModel::ValueColumn, 123);
        QList<int> widths;
        for (int column = 0; column < all->header()->count(); ++column)
            widths.append(all->header()->sectionSize(column));

        // By value the third record comes third from the end; the widths stay.
        ClickHeader(all, ui::VariableTableModel::ValueColumn);
        for (int column = 0; column < widths.size(); ++column)
            QCOMPARE(all->header()->sectionSize(column), widths[column]);

        const QModelIndex moved = all->selectionModel()->selectedRows().first();
        QCOMPARE(moved.row(), 297);
        QCOMPARE(moved.data().toString(), QStringLiteral("V1002"));
        QVERIFY(all->viewport()->rect().intersects(all->visualRect(moved)));
    }

    void f5AndRefresh_rereadTheReportOnScreen() {
        const QString startFolder = QDir::currentPath();
        const auto restore = qScopeGuard([&] { QDir::setCurrent(startFolder); });
        MainWindowHarness h;
        TempFolder microStation;
        WriteTextFile(microStation.file("msdebug.txt"),
                      "Processing macro file [C:\\folder.cfg]\r\n(user): FROM_FOLDER=1 [1]\r\n");
        h.setMicroStationFolder(QString::fromStdString(microStation.path()));
        h.window->startUp();
        QVERIFY(h.showAndWait());
        auto* all = AllVariables(*h.window);
        QCOMPARE(all->model()->index(0, 0).data().toString(), QStringLiteral("FROM_FOLDER"));
        const QString chosenFile =
            h.writeReport("Processing macro file [C:\\chosen.cfg]\r\n(user): CHOSEN=2 [2]\r\n");
        const std::string chosen = chosenFile.toStdString();
        QVERIFY(h.window->openReportFile(chosen));

        // Each way of reloading, from any page, reads the chosen file again, changed or not.
        const struct {
            const char* how;
            int page;
        } cases[] = {{"refresh", ui::MainWindow::AllVariablesPage},
                     {"F5", ui::MainWindow::AllVariablesPage},
                     {"F5", ui::MainWindow::FileOrderPage},
                     {"F5", ui::MainWindow::SummaryPage}};
        int round = 0;
        for (const auto& c : cases) {
            const QByteArray name = "CHOSEN" + QByteArray::number(++round);
            WriteAll(chosenFile,
                     "Processing macro file [C:\\chosen.cfg]\r\n(user): " + name + "=2 [2]\r\n");
            h.window->showPage(c.page);
            if (QByteArray(c.how) == "refresh")
                h.window->actions().refresh->trigger();
            else
                QTest::keyClick(h.window->currentPage() == ui::MainWindow::FileOrderPage
                                    ? static_cast<QWidget*>(FilesList(*h.window))
                                    : static_cast<QWidget*>(SummaryList(*h.window)),
                                Qt::Key_F5);
            QCOMPARE(all->model()->index(0, 0).data().toString(), QString::fromLatin1(name));
            QCOMPARE(h.state.report.ReportPath, chosen);
            QCOMPARE(h.state.report.ReportSource,
                     std::optional<core::LoadMode>(core::LoadMode::Skip));
        }
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Varscope    Viewing: ") + chosenFile);
        QVERIFY(h.prompter.shown.empty());
    }

    void f5_noReportOnScreen_readsTheFolderAndSaysNotFound() {
        MainWindowHarness h;
        h.setMicroStationFolder(h.path(QStringLiteral("empty")));
        h.window->startUp();
        QVERIFY(h.showAndWait());
        h.prompter.shown.clear();
        QTest::keyClick(AllVariables(*h.window), Qt::Key_F5);
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].text, std::string(core::text::kReportNotFound));
        QCOMPARE(AllVariables(*h.window)->model()->rowCount(), 0);
    }

    void rightClick_selectsTheRowUnderThePointerAndOffersItsMenu() {
        MainWindowHarness h;
        h.window->startUp(varscope::testing::FixtureReport());
        QVERIFY(h.showAndWait());
        QVERIFY(h.window->selectVariable("MS_DEF"));
        QMenu* rowMenu = h.window->findChild<QMenu*>(QStringLiteral("rowMenu"));
        QVERIFY(rowMenu != nullptr);
        const QStringList recordItems{"copyName", "copyValue",   "copyExpansion",   "copyRowItem",
                                      "openFile", "isolateItem", "howItGotItsValue"};
        const struct {
            int page;
            QAbstractItemView* view;
            QStringList items;
        } cases[] = {
            {ui::MainWindow::AllVariablesPage, AllVariables(*h.window), recordItems},
            {ui::MainWindow::IsolatePage, IsolateList(*h.window), recordItems},
            {ui::MainWindow::SummaryPage, SummaryList(*h.window), {"copyRowItem"}},
            {ui::MainWindow::FileOrderPage, FilesList(*h.window), {"copyRowItem", "openFile"}},
        };
        for (const auto& c : cases) {
            h.window->showPage(c.page);
            // A row away from the first (which the selection may hold), well inside the screen.
            const int rows = c.view->model()->rowCount();
            QVERIFY(rows > 2);
            QModelIndex target = c.view->indexAt(QPoint(20, c.view->viewport()->height() / 2));
            if (!target.isValid())
                target = c.view->model()->index(rows - 1, 0);
            const QPoint at(20, c.view->visualRect(target).center().y());

            QTest::mousePress(c.view->viewport(), Qt::RightButton, {}, at);

            QVERIFY2(rowMenu->isVisible(), qPrintable(c.view->objectName()));
            QCOMPARE(c.view->currentIndex().row(), target.row());
            QVERIFY(c.view->selectionModel()->isSelected(c.view->currentIndex()));
            QStringList names;
            for (QAction* item : rowMenu->actions()) {
                if (!item->isSeparator())
                    names << item->objectName();
            }
            QCOMPARE(names, c.items);
            const QPoint pointer = c.view->viewport()->mapToGlobal(at);
            QVERIFY2(rowMenu->geometry().adjusted(-2, -2, 2, 2).contains(pointer),
                     qPrintable(QStringLiteral("%1 %2,%3 menu %4,%5 %6x%7")
                                    .arg(c.view->objectName())
                                    .arg(pointer.x())
                                    .arg(pointer.y())
                                    .arg(rowMenu->x())
                                    .arg(rowMenu->y())
                                    .arg(rowMenu->width())
                                    .arg(rowMenu->height())));
            QTest::mouseRelease(c.view->viewport(), Qt::RightButton, {}, at);
            rowMenu->hide();
        }

        // The items act on the row: copies, and isolating its variable.
        h.window->showPage(ui::MainWindow::AllVariablesPage);
        auto* all = AllVariables(*h.window);
        const QModelIndex fourth = all->model()->index(3, 0);
        QTest::mousePress(all->viewport(), Qt::RightButton, {}, all->visualRect(fourth).center());
        const core::ConfigVariable* record = all->selectedRecord();
        QVERIFY(record != nullptr);
        const struct {
            const char* item;
            std::string_view expected;
        } copies[] = {{"copyName", record->Name},
                      {"copyValue", record->Value},
                      {"copyExpansion", record->Expansion}};
        QVERIFY(rowMenu->isVisible());
        for (const auto& c : copies) {
            QAction* item = rowMenu->findChild<QAction*>(QString::fromLatin1(c.item));
            QVERIFY2(item != nullptr, c.item);
            item->trigger();
            QCOMPARE(Clipboard(), ui::FromBytes(c.expected));
        }
        QVERIFY(!h.window->actions().derivation->isChecked());
        rowMenu->findChild<QAction*>(QStringLiteral("howItGotItsValue"))->trigger();
        QVERIFY(h.window->actions().derivation->isChecked());
        QVERIFY(h.find<QWidget>("derivationPane")->isVisible());
        rowMenu->findChild<QAction*>(QStringLiteral("isolateItem"))->trigger();
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::IsolatePage));
        QCOMPARE(h.state.isolate.SelectedVariableName, std::string(record->Name));
        rowMenu->hide();

        // From the Isolate page while the filter hides the variable in All Variables: isolated
        // all the same, the filter kept.
        const std::string isolated = h.state.isolate.SelectedVariableName;
        const QString filter = QStringLiteral("no row holds this");
        all->setFilterText(filter);
        auto* isolate = IsolateList(*h.window);
        QTest::mousePress(isolate->viewport(), Qt::RightButton, {},
                          isolate->visualRect(isolate->model()->index(0, 0)).center());
        QVERIFY(rowMenu->isVisible());
        rowMenu->findChild<QAction*>(QStringLiteral("isolateItem"))->trigger();
        QCOMPARE(h.state.isolate.SelectedVariableName, isolated);
        QCOMPARE(isolate->model()->rowCount(),
                 int(core::IsolateByName(h.state.report.Contents, isolated).size()));
        QCOMPARE(all->filterText(), filter);
        rowMenu->hide();
        all->setFilterText({});

        // Below the last row of a short list, no row: the View menu, Refresh as before.
        h.window->showPage(ui::MainWindow::SummaryPage);
        QTest::mousePress(SummaryList(*h.window)->viewport(), Qt::RightButton, {},
                          QPoint(5, SummaryList(*h.window)->viewport()->height() - 3));
        QVERIFY(h.window->viewMenu()->isVisible());
        QVERIFY(!h.window->actions().refresh->isEnabled());
        h.window->viewMenu()->hide();
        QVERIFY(h.prompter.shown.empty());
    }

    void ctrlC_copiesTheSelectedRowAsTheExportWritesIt() {
        MainWindowHarness h;
        h.window->startUp(varscope::testing::FixtureReport());
        QVERIFY(h.showAndWait());
        auto* all = AllVariables(*h.window);
        QVERIFY(h.window->selectVariable("MS_DEF"));
        const core::ConfigVariable* record = all->selectedRecord();
        QVERIFY(record != nullptr);
        const struct {
            unsigned columns;
            std::string delimiter;
            unsigned expectColumns; // what the line is written with
            std::string expectDelimiter;
        } cases[] = {
            {0, "", core::AllColumns, "|"}, // before any export: the export's defaults
            {core::ColumnVariable | core::ColumnValue, ";",
             core::ColumnVariable | core::ColumnValue, ";"},
            {core::AllColumns, "\t", core::AllColumns, "\t"},
        };
        for (const auto& c : cases) {
            h.state.exportChoices.ExportColumns = c.columns;
            h.state.exportChoices.ExportDelimiter = c.delimiter;
            QGuiApplication::clipboard()->clear();
            all->setFocus();
            QTest::keySequence(all, QKeySequence::Copy);
            std::string expected;
            core::AppendVariableLine(expected, *record, c.expectColumns, c.expectDelimiter);
            QVERIFY(expected.ends_with("\r\n"));
            expected.resize(expected.size() - 2);
            QCOMPARE(Clipboard(), ui::FromBytes(expected));
        }
        // A one-column list: the line itself.
        h.window->showPage(ui::MainWindow::FileOrderPage);
        auto* files = FilesList(*h.window);
        files->setCurrentIndex(files->model()->index(2, 0));
        files->setFocus();
        QTest::keySequence(files, QKeySequence::Copy);
        QCOMPARE(Clipboard(), ui::FromBytes(h.state.report.Contents.ConfigFilesUsed[2]));
    }

    void keys_ctrlFFindCtrlLFilterEscapeLeaves() {
        MainWindowHarness h;
        h.window->startUp(varscope::testing::FixtureReport());
        QVERIFY(h.showAndWait());
        h.window->showPage(ui::MainWindow::SummaryPage);
        auto* filter = h.window->findChild<QLineEdit*>(QStringLiteral("filterEdit"));
        QVERIFY(filter != nullptr);
        QTest::keySequence(h.window.get(), QKeySequence(Qt::CTRL | Qt::Key_L));
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::AllVariablesPage));
        QVERIFY(filter->hasFocus());
        QTest::keyClicks(filter, QStringLiteral("DEF"));
        QTest::keyClick(filter, Qt::Key_Escape);
        QVERIFY(filter->text().isEmpty());
        QVERIFY(filter->hasFocus());
        QTest::keyClick(filter, Qt::Key_Escape);
        QVERIFY(AllVariables(*h.window)->hasFocus());

        h.window->showPage(ui::MainWindow::SummaryPage);
        h.prompter.inputs.push_back("ms_de");
        QTest::keySequence(h.window.get(), QKeySequence::Find);
        QCOMPARE(h.prompter.shown.size(), std::size_t(1)); // the question
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::AllVariablesPage));
        const core::ConfigVariable* found = AllVariables(*h.window)->selectedRecord();
        QVERIFY(found != nullptr);
        QCOMPARE(QString::fromLatin1(found->Name.data(), qsizetype(found->Name.size())).toLower(),
                 QStringLiteral("ms_def"));
    }

    // The double-click starts the editor and is done: the file is marked while the editor
    // still runs (it cannot end before the test releases it), and the window takes input.
    void editorRunning_fileMarkedAndWindowStaysUsable() {
        EditHarness h;
        QVERIFY(h.showAndWait());
        const std::string release = h.folder.file("release");
        const std::string ended = h.folder.file("ended");
        h.state.preferences.EditorPath = varscope::testing::WriteStandIn(
            h.folder.file("waiting editor/ed"),
            {varscope::testing::StepRecordArguments(h.arguments),
             varscope::testing::StepWaitFor(release), varscope::testing::StepWrite(ended)});
        auto* all = AllVariables(*h.window);
        const unsigned generation = h.state.report.ReportGeneration;

        h.doubleClickAllVariables(PenRow);

        QVERIFY(!Exists(ended));
        QCOMPARE(h.marks(), (QList<bool>{true, false, false, true}));
        QCOMPARE(Clipboard(), QStringLiteral("MS_PEN"));
        QVERIFY2(h.prompter.shown.empty(), h.shownTexts().c_str());
        QCOMPARE(h.editorArguments(), std::vector<std::string>{h.siteFile});
        // F5 reads the report again while the editor is open.
        QTest::keyClick(all, Qt::Key_F5);
        QVERIFY(h.state.report.ReportGeneration != generation);
        QVERIFY(!Exists(ended));

        WriteTextFile(release, "");
        QVERIFY(varscope::testing::WaitForFile(ended));
    }

    void programWait_dropsInputOnlyWhileHandlingEvents() {
        // Counts the keys and close requests that reach the widget.
        struct Reached final : QObject {
            int keys = 0;
            int closes = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                keys += event->type() == QEvent::KeyPress ? 1 : 0;
                closes += event->type() == QEvent::Close ? 1 : 0;
                return false;
            }
        } reached;
        QWidget widget;
        widget.installEventFilter(&reached);
        widget.show();
        ui::ProgramWait wait;

        // Before and between rounds: questions asked before the program starts take answers.
        QTest::keyClick(&widget, Qt::Key_A);
        QCOMPARE(reached.keys, 1);

        // While the program runs: a key queued before, and the user's close button.
        QCoreApplication::postEvent(&widget,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier));
        bool closeAccepted = true;
        QTimer::singleShot(0, &widget, [&] {
            QCloseEvent userClose;
            QSpontaneKeyEvent::setSpontaneous(&userClose);
            QCoreApplication::instance()->notify(&widget, &userClose);
            closeAccepted = userClose.isAccepted();
        });
        wait.whileWaiting()();
        QCOMPARE(reached.keys, 1);
        QCOMPARE(reached.closes, 0);
        QVERIFY(!closeAccepted);
        QVERIFY(widget.isVisible());
        QVERIFY(wait.droppedInput() >= 2);

        QTest::keyClick(&widget, Qt::Key_C);
        QCOMPARE(reached.keys, 2);

        // A window the program itself closes meanwhile does close.
        QTimer::singleShot(0, &widget, [&] { widget.close(); });
        wait.whileWaiting()();
        QCOMPARE(reached.closes, 1);
        QVERIFY(!widget.isVisible());
    }
};

QTEST_MAIN(MainInteractionTest)
#include "main_interaction_test.moc"
