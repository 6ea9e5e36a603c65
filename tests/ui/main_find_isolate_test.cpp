// Find and isolate in the main window.
#include "main_window_support.hpp"

#include "core/report/final_values.hpp"
#include "core/report/report.hpp"
#include "core/texts.hpp"
#include "ui/lists/find.hpp"
#include "ui/lists/icons.hpp"
#include "ui/lists/list_views.hpp"
#include "ui/lists/variable_table_model.hpp"
#include "ui/main/isolate.hpp"
#include "ui/main/main_texts.hpp"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QStringListModel>
#include <QTreeView>

using varscope::testing::AllVariables;
using varscope::testing::FixtureReport;
using varscope::testing::IsolateList;
using varscope::testing::MainWindowHarness;
using varscope::testing::SummaryList;
namespace core = varscope::core;
namespace ui = varscope::ui;

namespace {

QString SelectedName(const ui::VariableListView* view) {
    const core::ConfigVariable* record = view->selectedRecord();
    return record == nullptr ? QString() : QString::fromStdString(std::string(record->Name));
}

std::size_t SelectedIndex(const ui::VariableListView* view) {
    const core::ConfigVariable* record = view->selectedRecord();
    return record == nullptr ? 0 : record->Index;
}

// A report as newer versions write it, with WorkSpace and WorkSet files.
QString NewerReport() {
    return QStringLiteral(VARSCOPE_FIXTURES "/newer_msdebug.txt");
}

QStringList Column(const QAbstractItemModel* model, int column) {
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

} // namespace

class MainFindIsolateTest final : public QObject {
    Q_OBJECT

private slots:
    void findFirstRowByPrefix_ignoresCaseAndTakesShownOrder() {
        QStringListModel names(
            {QStringLiteral("_USTN_USER"), QStringLiteral("MS_DEFAULT"), QStringLiteral("ms_def")});
        QCOMPARE(ui::FindFirstRowByPrefix(names, QStringLiteral("ms_def")), std::optional<int>(1));
        QCOMPARE(ui::FindFirstRowByPrefix(names, QStringLiteral("MS_DEF")), std::optional<int>(1));
        QCOMPARE(ui::FindFirstRowByPrefix(names, QStringLiteral("_u")), std::optional<int>(0));
        QCOMPARE(ui::FindFirstRowByPrefix(names, QStringLiteral("MS_DEFAULTS")), std::nullopt);
        QCOMPARE(ui::FindFirstRowByPrefix(names, QStringLiteral("DEF")), std::nullopt);
    }

    void find_prefixInOtherCase_selectsFirstShownRowAndFocusesList() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        QApplication::setActiveWindow(h.window.get());
        h.find<QPushButton>("Command1")->setFocus();
        h.prompter.inputs.push_back(std::string("ms_"));

        QTest::mouseClick(h.find<QPushButton>("Command1"), Qt::LeftButton);

        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].kind, std::string("input"));
        QCOMPARE(h.prompter.shown[0].text, std::string("Enter Variable Name:"));
        QCOMPARE(h.prompter.shown[0].title, std::string("Search"));
        auto* all = AllVariables(*h.window);
        QCOMPARE(SelectedName(all), QStringLiteral("MS_CONFIG"));
        QCOMPARE(SelectedIndex(all), std::size_t(6));
        QVERIFY(all->hasFocus());
        const QRect row = all->visualRect(all->selectionModel()->selectedRows().first());
        QVERIFY(all->viewport()->rect().intersects(row));
    }

    void find_fullNameThatPrefixesLongerName_takesWhicheverComesFirst() {
        MainWindowHarness h;
        h.window->startUp(h.writeReport("Processing macro file [C:\\a.cfg]\r\n"
                                        "(user): MS_DEFAULTS=1 [1]\r\n"
                                        "(user): MS_DEF=2 [2]\r\n"));
        h.prompter.inputs.push_back(std::string("MS_DEF"));
        h.window->find();
        QCOMPARE(SelectedIndex(AllVariables(*h.window)), std::size_t(1));

        // Sorted by name, the shorter name comes first.
        AllVariables(*h.window)->sortBy(ui::VariableTableModel::NameColumn, Qt::AscendingOrder);
        h.prompter.inputs.push_back(std::string("MS_DEF"));
        h.window->find();
        QCOMPARE(SelectedIndex(AllVariables(*h.window)), std::size_t(2));
    }

    void find_afterSortingByFile_findsFirstInShownOrder() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        auto* all = AllVariables(*h.window);
        all->sortBy(ui::VariableTableModel::FileColumn, Qt::DescendingOrder);
        h.prompter.inputs.push_back(std::string("ms_"));

        h.window->find();

        // users\jsmith.ucf sorts last by file, so it comes first in descending order.
        QCOMPARE(SelectedName(all), QStringLiteral("MS_DEF"));
        QCOMPARE(SelectedIndex(all), std::size_t(28));
        QCOMPARE(all->selectionModel()->selectedRows().first().row(), 0);
    }

    void find_emptyAnswerOrCancel_changesNothingAndSaysNothing() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.window->selectVariable("MS_CELL"));
        const std::size_t before = SelectedIndex(AllVariables(*h.window));
        h.prompter.inputs.push_back(std::string());
        h.prompter.inputs.push_back(std::nullopt);

        h.window->find();
        h.window->find();

        QCOMPARE(h.prompter.shown.size(), std::size_t(2));
        QCOMPARE(h.prompter.shown[0].kind, std::string("input"));
        QCOMPARE(h.prompter.shown[1].kind, std::string("input"));
        QCOMPARE(SelectedIndex(AllVariables(*h.window)), before);
    }

    void find_noMatch_saysNoMatchFound() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.window->selectVariable("MS_CELL"));
        h.prompter.inputs.push_back(std::string("NO_SUCH_"));

        h.window->find();

        QCOMPARE(h.prompter.shown.size(), std::size_t(2));
        QCOMPARE(h.prompter.shown[1].kind, std::string("message"));
        QCOMPARE(h.prompter.shown[1].text, std::string("No match found"));
        QCOMPARE(h.prompter.shown[1].title, std::string("Varscope"));
        QCOMPARE(h.prompter.shown[1].icon, core::MessageIcon::None);
        QCOMPARE(SelectedName(AllVariables(*h.window)), QStringLiteral("MS_CELL"));
    }

    void findNext_goesOnInShownOrderWrapsAndSaysWhenRoundEnds() {
        MainWindowHarness h;
        h.window->startUp(h.writeReport("Processing macro file [C:\\a.cfg]\r\n"
                                        "(user): MS_A=1 [1]\r\n"
                                        "(user): OTHER=2 [2]\r\n"
                                        "(user): ms_b=3 [3]\r\n"
                                        "(user): MS_C=4 [4]\r\n"));
        QVERIFY(h.showAndWait());
        QApplication::setActiveWindow(h.window.get());
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        auto* all = AllVariables(*h.window);
        const auto pressF3 = [&] {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
        };
        // Before any Find, F3 is Find.
        h.prompter.inputs.push_back(std::string("ms_"));
        pressF3();
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].kind, std::string("input"));
        QCOMPARE(SelectedIndex(all), std::size_t(1));

        // Record 1 began the round: coming back to it ends the round without moving; the next
        // press goes on round again.
        const std::size_t expected[] = {3, 4, 4, 1, 3};
        for (std::size_t index : expected) {
            const bool endOfRound = index == SelectedIndex(all);
            pressF3();
            QCOMPARE(SelectedIndex(all), index);
            QCOMPARE(h.window->statusBar()->currentMessage(),
                     endOfRound ? QStringLiteral("No more matches") : QString());
            h.window->statusBar()->clearMessage();
        }
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QVERIFY(h.window->actions().findNext->isEnabled());
        h.window->showPage(ui::MainWindow::SummaryPage);
        QVERIFY(!h.window->actions().findNext->isEnabled());
    }

    void isolateHeading_namesWhatIsListedAndHowMany_data() {
        QTest::addColumn<QByteArray>("report"); // empty: the fixture report
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<int>("level"); // used when no variable is given
        QTest::addColumn<QString>("heading");
        QTest::newRow("three records")
            << QByteArray() << QByteArray("MS_DEF") << 0 << QStringLiteral("MS_DEF: 3 records");
        QTest::newRow("one record") << QByteArray() << QByteArray("_USTN_USER") << 0
                                    << QStringLiteral("_USTN_USER: 1 record");
        QByteArray many("Processing macro file [C:\\a.cfg]\r\n");
        for (int record = 0; record < 1204; ++record)
            many += "(site): V" + QByteArray::number(record) + "=1 [1]\r\n";
        QTest::newRow("thousands") << many << QByteArray() << int(core::LevelSite)
                                   << QStringLiteral("Level Site: 1,204 records");
    }

    void isolateHeading_namesWhatIsListedAndHowMany() {
        QFETCH(QByteArray, report);
        QFETCH(QByteArray, variable);
        QFETCH(int, level);
        QFETCH(QString, heading);
        MainWindowHarness h;
        h.window->startUp(report.isEmpty() ? FixtureReport() : h.writeReport(report));
        QVERIFY(h.showAndWait());
        auto* label = h.find<QLabel>("isolateHeading");
        h.window->showPage(ui::MainWindow::IsolatePage);
        QVERIFY(label->text().isEmpty() && label->isHidden());

        if (variable.isEmpty()) {
            h.window->filterByLevel(level);
        } else {
            h.window->showPage(ui::MainWindow::AllVariablesPage);
            QVERIFY(h.window->selectVariable(variable.toStdString()));
            h.window->showPage(ui::MainWindow::IsolatePage);
        }

        QCOMPARE(label->text(), heading);
        QVERIFY(label->isVisible());
        h.window->showPage(ui::MainWindow::AllVariablesPage);
        h.window->actions().refresh->trigger();
        QVERIFY(label->text().isEmpty() && label->isHidden());
    }

    void isolate_variableAtThreeLevels_reportOrderWithIconsAndFiles() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.window->selectVariable("MS_DEF"));

        h.window->showPage(ui::MainWindow::IsolatePage);

        QVERIFY(h.prompter.shown.empty());
        QCOMPARE(h.state.isolate.SelectedVariableName, std::string("MS_DEF"));
        const QAbstractItemModel* isolate = IsolateList(*h.window)->model();
        // ms_def, which differs only in letter case, is not one of them.
        QCOMPARE(Column(isolate, 0), QStringList(3, QStringLiteral("MS_DEF")));
        QCOMPARE(Column(isolate, 3),
                 (QStringList{QStringLiteral("C:\\Bentley\\Workspace\\Standards\\site.cfg"),
                              QStringLiteral("C:\\Bentley\\Workspace\\projects\\Civil.pcf"),
                              QStringLiteral("C:\\Bentley\\Workspace\\users\\jsmith.ucf")}));
        const int levels[] = {core::LevelSite, core::LevelProject, core::LevelUser};
        for (int row = 0; row < 3; ++row) {
            const QModelIndex index = isolate->index(row, 0);
            QCOMPARE(index.data(ui::VariableTableModel::LevelRole).toInt(), levels[row]);
            // The last one won: the summary shows its expansion.
            const int marks = row == 2 ? core::RecordWinner : 0;
            QCOMPARE(index.data(ui::VariableTableModel::MarksRole).toInt(), marks);
            QCOMPARE(index.data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage(),
                     h.window->icons().levelIcon(levels[row], marks).pixmap(16).toImage());
        }
        QCOMPARE(Column(isolate, 2).last(),
                 QStringLiteral("C:/Bentley/Workspace/projects/Civil/dgn/jsmith/"));
        QCOMPARE(h.state.isolate.IsolateRows, (std::vector<std::size_t>{16, 23, 28}));
    }

    void isolate_newerVariableAtThreeLevels_toldAsItsStory() {
        const struct {
            const char* name;
            QList<int> levels;
            int winner; // the row that won
            bool locked;
        } cases[] = {
            {"MS_CELL", {core::LevelOrganization, core::LevelRole, core::LevelUser}, 2, false},
            // Locked at WorkSet: the later User definition did not take effect.
            {"MS_DEF", {core::LevelWorkSet, core::LevelUser}, 0, true},
        };
        MainWindowHarness h;
        h.window->startUp(NewerReport());
        for (const auto& c : cases) {
            h.window->showPage(ui::MainWindow::AllVariablesPage);
            QVERIFY(h.window->selectVariable(c.name));
            h.window->showPage(ui::MainWindow::IsolatePage);
            const QAbstractItemModel* isolate = IsolateList(*h.window)->model();
            QCOMPARE(isolate->rowCount(), int(c.levels.size()));
            for (int row = 0; row < isolate->rowCount(); ++row) {
                const QModelIndex index = isolate->index(row, 0);
                const bool won = row == c.winner;
                const int marks =
                    (won ? core::RecordWinner : 0) | (c.locked ? core::RecordLocked : 0);
                QCOMPARE(index.data(ui::VariableTableModel::LevelRole).toInt(), c.levels[row]);
                QCOMPARE(index.data(ui::VariableTableModel::MarksRole).toInt(), marks);
                QCOMPARE(index.data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage(),
                         h.window->icons().levelIcon(c.levels[row], marks).pixmap(16).toImage());
                // The others muted, in every column.
                for (int column = 0; column < isolate->columnCount(); ++column)
                    QCOMPARE(isolate->index(row, column).data(Qt::ForegroundRole).isValid(), !won);
            }
        }

        // A level's list is no story: nothing is muted.
        h.window->filterByLevel(core::LevelUser);
        const QAbstractItemModel* isolate = IsolateList(*h.window)->model();
        QVERIFY(isolate->rowCount() > 0);
        for (int row = 0; row < isolate->rowCount(); ++row)
            QVERIFY(!isolate->index(row, 0).data(Qt::ForegroundRole).isValid());
    }

    void summaryDoubleClick_isolatesTheEntrysVariable() {
        const struct {
            const char* line;     // the start of the row double-clicked
            const char* isolated; // empty: nothing happens
            const char* filter = "";
        } cases[] = {
            {"MS_CELL ", "MS_CELL"},
            // A line that continues an entry's final value belongs to that entry.
            {"                      C:/Roads", "MS_RFDIR"},
            {"#####", ""},
            // The filter hides every row of All Variables: isolated all the same, and the
            // filter stays as typed.
            {"MS_CELL ", "MS_CELL", "no row holds this"},
        };
        for (const auto& c : cases) {
            MainWindowHarness h;
            h.window->startUp(NewerReport());
            QVERIFY(h.showAndWait());
            const QString filter = QString::fromLatin1(c.filter);
            AllVariables(*h.window)->setFilterText(filter);
            QCOMPARE(AllVariables(*h.window)->shown().rowCount() == 0, !filter.isEmpty());
            h.window->showPage(ui::MainWindow::SummaryPage);
            QTreeView* summary = SummaryList(*h.window);
            const QModelIndexList rows =
                summary->model()->match(summary->model()->index(0, 0), Qt::DisplayRole,
                                        QString::fromLatin1(c.line), 1, Qt::MatchStartsWith);
            QCOMPARE(rows.size(), 1);
            summary->setCurrentIndex(rows.first());
            QTest::mouseDClick(summary->viewport(), Qt::LeftButton, {},
                               summary->visualRect(rows.first()).center());

            const bool isolates = *c.isolated != 0;
            QCOMPARE(h.window->currentPage(), isolates ? int(ui::MainWindow::IsolatePage)
                                                       : int(ui::MainWindow::SummaryPage));
            QVERIFY(h.prompter.shown.empty());
            if (isolates) {
                QCOMPARE(h.state.isolate.SelectedVariableName, std::string(c.isolated));
                QCOMPARE(h.state.isolate.IsolateRows,
                         core::IsolateByName(h.state.report.Contents, c.isolated));
                QCOMPARE(IsolateList(*h.window)->shown().rowCount(),
                         int(h.state.isolate.IsolateRows.size()));
            }
            QCOMPARE(AllVariables(*h.window)->filterText(), filter);
        }
    }

    void summaryDoubleClick_entryWithoutRecords_saysSo() {
        MainWindowHarness h;
        h.window->startUp(h.writeReport("(user): A=1 [1]\r\n"
                                        "# Configuration Variable Summary\r\n"
                                        "GONE             : user         = 2  \r\n"));
        QVERIFY(h.showAndWait());
        h.window->showPage(ui::MainWindow::SummaryPage);
        QTreeView* summary = SummaryList(*h.window);
        const QModelIndex row = summary->model()->index(0, 0);
        summary->setCurrentIndex(row);
        QTest::mouseDClick(summary->viewport(), Qt::LeftButton, {},
                           summary->visualRect(row).center());
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::SummaryPage));
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].text, std::string(ui::text::kNoDefinitionOf) + "GONE");
    }

    void levelButtons_newerLevelsShownOnlyForRecordsAtThem() {
        const char* const newer[][2] = {{"SoftBttn7", "Label13"},
                                        {"SoftBttn8", "Label14"},
                                        {"SoftBttn9", "Label15"},
                                        {"SoftBttn10", "Label16"}};
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        h.window->showPage(ui::MainWindow::IsolatePage);
        for (const auto& controls : newer) {
            QVERIFY(!h.find<QWidget>(controls[0])->isVisible());
            QVERIFY(!h.find<QWidget>(controls[1])->isVisible());
        }

        h.state.report.ReportPath = NewerReport().toStdString();
        QCOMPARE(core::LoadDebugReport(h.state, h.prompter, core::LoadMode::Skip),
                 core::LoadOutcome::Loaded);
        for (const auto& controls : newer) {
            QVERIFY(h.find<QWidget>(controls[0])->isVisible());
            QVERIFY(h.find<QWidget>(controls[1])->isVisible());
        }
        QCOMPARE(h.find<QLabel>("Label15")->text(), QStringLiteral("WorkSet"));
        QTest::mouseClick(h.find<QWidget>("SoftBttn9"), Qt::LeftButton);
        QCOMPARE(Column(IsolateList(*h.window)->model(), 0),
                 (QStringList{QStringLiteral("MS_DEF"), QStringLiteral("MS_RFDIR")}));
    }

    void isolate_nothingSelected_saysNoDataSelectedAndKeepsRows() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        h.window->showPage(ui::MainWindow::IsolatePage); // nothing selected yet
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        h.window->filterByLevel(core::LevelApplication);
        h.window->showPage(ui::MainWindow::AllVariablesPage);
        h.prompter.shown.clear();

        h.window->showPage(ui::MainWindow::IsolatePage);

        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].text, std::string("No Data Selected"));
        QCOMPARE(h.prompter.shown[0].title, std::string("Varscope"));
        QCOMPARE(h.prompter.shown[0].icon, core::MessageIcon::None);
        QCOMPARE(IsolateList(*h.window)->model()->rowCount(), 3);
        QCOMPARE(h.state.isolate.IsolateCount(), std::size_t(3));
    }

    void isolate_emptyAllVariables_saysNoDataSelected() {
        MainWindowHarness h;
        h.window->startUp();
        h.prompter.shown.clear();
        h.window->showPage(ui::MainWindow::IsolatePage);
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].text, std::string("No Data Selected"));
        QCOMPARE(IsolateList(*h.window)->model()->rowCount(), 0);
    }

    void isolate_replacesLevelListOnEveryVisit() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.window->selectVariable("_USTN_USER"));
        h.window->showPage(ui::MainWindow::IsolatePage);
        h.window->filterByLevel(core::LevelSystem);
        QCOMPARE(IsolateList(*h.window)->model()->rowCount(), 6);

        h.window->showPage(ui::MainWindow::SummaryPage);
        h.window->showPage(ui::MainWindow::IsolatePage);

        QCOMPARE(Column(IsolateList(*h.window)->model(), 0),
                 QStringList{QStringLiteral("_USTN_USER")});
    }

    void isolate_sortedList_refillComesInReportOrder() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        auto* isolate = IsolateList(*h.window);
        h.window->filterByLevel(core::LevelSite);
        isolate->sortBy(ui::VariableTableModel::NameColumn, Qt::DescendingOrder);
        // Letter case ignored, "_" comes before the letters.
        QCOMPARE(isolate->model()->index(0, 0).data().toString(), QStringLiteral("MS_SEEDFILES"));

        h.window->filterByLevel(core::LevelSite);

        QCOMPARE(Column(isolate->model(), 0),
                 (QStringList{QStringLiteral("_USTN_SITE"), QStringLiteral("MS_CELL"),
                              QStringLiteral("MS_DEF"), QStringLiteral("MS_SEEDFILES"),
                              QStringLiteral("MS_PLTCFG_PATH"), QStringLiteral("MS_PENTABLE")}));
    }
};

QTEST_MAIN(MainFindIsolateTest)
#include "main_find_isolate_test.moc"
