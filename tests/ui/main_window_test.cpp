// The main window: start-up, pages, columns, level buttons, menus, status and shut-down.
#include "main_window_support.hpp"

#include "core/report/final_values.hpp"
#include "core/report/report.hpp"
#include "core/texts.hpp"
#include "ui/lists/icons.hpp"
#include "ui/lists/list_views.hpp"
#include "ui/lists/text_list_model.hpp"
#include "ui/lists/variable_table_model.hpp"
#include "ui/main/help_window.hpp"
#include "ui/main/launcher.hpp"
#include "ui/main/level_selector.hpp"
#include "ui/main/main_texts.hpp"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>

using varscope::testing::AllVariables;
using varscope::testing::FilesModel;
using varscope::testing::FixtureReport;
using varscope::testing::IsolateList;
using varscope::testing::MainWindowHarness;
using varscope::testing::SummaryModel;
namespace core = varscope::core;
namespace ui = varscope::ui;

namespace {

QStringList ColumnTexts(const QAbstractItemModel* model, int column) {
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

QStringList Headers(const QTreeView* view) {
    QStringList headers;
    const QAbstractItemModel* model = view->model();
    for (int section = 0; section < model->columnCount(); ++section)
        headers << model->headerData(section, Qt::Horizontal).toString();
    return headers;
}

QList<int> Levels(const QAbstractItemModel* model) {
    QList<int> levels;
    for (int row = 0; row < model->rowCount(); ++row)
        levels << model->index(row, 0).data(ui::VariableTableModel::LevelRole).toInt();
    return levels;
}

QList<qulonglong> RecordIndexes(const QAbstractItemModel* model) {
    QList<qulonglong> indexes;
    for (int row = 0; row < model->rowCount(); ++row)
        indexes << model->index(row, 0).data(ui::VariableTableModel::RecordIndexRole).toULongLong();
    return indexes;
}

} // namespace

class MainWindowTest final : public QObject {
    Q_OBJECT

private slots:
    void startUp_noReport_emptyPagesTitleAndMessage() {
        MainWindowHarness h;
        h.window->startUp();

        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].kind, std::string("message"));
        QCOMPARE(h.prompter.shown[0].text, std::string(core::text::kReportNotFound));
        QCOMPARE(h.prompter.shown[0].title, std::string("Varscope"));
        QCOMPARE(h.prompter.shown[0].icon, core::MessageIcon::Information);
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Varscope"));
        for (const char* name :
             {"ListView1", "ListView_isolate", "ListView_summary", "ListView_files"})
            QCOMPARE(h.find<QTreeView>(name)->model()->rowCount(), 0);
        QCOMPARE(h.find<QLabel>("statusCounts")->text(), QStringLiteral("No report loaded"));
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::AllVariablesPage));
        QCOMPARE(h.state.report.ReportSource, std::optional(core::LoadMode::New));
    }

    void startUp_reportInMicroStationFolder_fillsPagesAndTitle() {
        MainWindowHarness h;
        QTemporaryDir microStation;
        QVERIFY(QFile::copy(FixtureReport(), microStation.filePath(QStringLiteral("msdebug.txt"))));
        h.setMicroStationFolder(microStation.path());
        h.window->startUp();

        QVERIFY(h.prompter.shown.empty());
        const QString report =
            QDir::toNativeSeparators(microStation.filePath(QStringLiteral("msdebug.txt")));
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Varscope    Viewing: ") + report);
        QCOMPARE(h.find<QTreeView>("ListView1")->model()->rowCount(), 31);
        QCOMPARE(h.find<QTreeView>("ListView_files")->model()->rowCount(), 7);
        QCOMPARE(h.find<QTreeView>("ListView_isolate")->model()->rowCount(), 0);
        const QStringList summary = ColumnTexts(h.find<QTreeView>("ListView_summary")->model(), 0);
        QVERIFY(summary.contains(QStringLiteral("# End of Configuration Variable Summary #")));
        QVERIFY(
            !summary.join(QLatin1Char('\n')).contains(QStringLiteral("Variable Summary        ")));
        QCOMPARE(h.state.report.ReportSource, std::optional(core::LoadMode::New));
    }

    void startUp_reportArgument_readsItLikeBrowse() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());

        QVERIFY(h.prompter.shown.empty());
        QCOMPARE(h.state.report.ReportSource, std::optional(core::LoadMode::Skip));
        QCOMPARE(h.window->windowTitle(),
                 QStringLiteral("Varscope    Viewing: ") + FixtureReport());
        QCOMPARE(h.find<QTreeView>("ListView1")->model()->rowCount(), 31);
    }

    void pages_captionsControlsAndOrder() {
        MainWindowHarness h;
        auto* tabs = h.find<QTabWidget>("SSTab1");
        QVERIFY(tabs != nullptr);
        QStringList captions;
        for (int page = 0; page < tabs->count(); ++page)
            captions << tabs->tabText(page);
        QCOMPARE(captions, (QStringList{QStringLiteral("All Variables"), QStringLiteral("Isolate"),
                                        QStringLiteral("Summary"), QStringLiteral("Problems"),
                                        QStringLiteral("File Order"), QStringLiteral("Category")}));
        const char* views[] = {"ListView1",         "ListView_isolate", "ListView_summary",
                               "ListView_problems", "ListView_files",   "TreeView1"};
        for (int page = 0; page < 6; ++page) {
            auto* view = h.find<QTreeView>(views[page]);
            QVERIFY2(view != nullptr, views[page]);
            QVERIFY(tabs->widget(page)->isAncestorOf(view));
        }
        QVERIFY(tabs->widget(0)->isAncestorOf(h.find<QPushButton>("Command1")));
        QCOMPARE(h.find<QPushButton>("Command1")->text(), QStringLiteral("&Find . . ."));
        auto* frame = h.find<QGroupBox>("Frame3");
        QVERIFY(tabs->widget(1)->isAncestorOf(frame));
        QCOMPARE(frame->title(), QStringLiteral("View By Level"));
        auto* quit = h.find<QPushButton>("Command2");
        QCOMPARE(quit->text(), QStringLiteral("&Quit"));
        QVERIFY(!tabs->isAncestorOf(quit));
    }

    void columns_headersAndStartUpWidths() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());

        auto* all = h.find<QTreeView>("ListView1");
        auto* isolate = h.find<QTreeView>("ListView_isolate");
        auto* summary = h.find<QTreeView>("ListView_summary");
        auto* files = h.find<QTreeView>("ListView_files");
        QCOMPARE(Headers(all),
                 (QStringList{QStringLiteral("Level - Variable"), QStringLiteral("Value"),
                              QStringLiteral("Expansion"), QStringLiteral("File")}));
        QCOMPARE(Headers(isolate),
                 (QStringList{QStringLiteral("Variable"), QStringLiteral("Value"),
                              QStringLiteral("Expansion"), QStringLiteral("File")}));
        QCOMPARE(Headers(summary), QStringList{QStringLiteral("Summary Data")});
        QCOMPARE(Headers(files), QStringList{QStringLiteral("Configuration Files Used")});

        // W/6 for the first three columns, W the list's usable width at start-up.
        const int sixth = all->header()->sectionSize(0);
        QVERIFY(sixth > 20);
        QCOMPARE(all->header()->sectionSize(1), sixth);
        QCOMPARE(all->header()->sectionSize(2), sixth);
        QVERIFY(all->header()->sectionSize(3) >= 3 * sixth);
        const int width = 6 * sixth;
        QVERIFY(width <= all->width());
        QVERIFY(width >= all->width() - 2 * all->frameWidth() -
                             all->style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 6);
        for (int section = 0; section < 3; ++section)
            QCOMPARE(isolate->header()->sectionSize(section), sixth);
        QCOMPARE(summary->header()->sectionSize(0), 3 * width);
        QVERIFY(files->header()->stretchLastSection());
    }

    void columns_pageInFrontBeforeShowing_sameWidthsAsPageClicked_data() {
        QTest::addColumn<int>("page");
        for (int page = ui::MainWindow::IsolatePage; page <= ui::MainWindow::CategoryPage; ++page)
            QTest::newRow(qPrintable(QString::number(page))) << page;
    }

    void columns_pageInFrontBeforeShowing_sameWidthsAsPageClicked() {
        QFETCH(int, page);
        const auto widths = [](const MainWindowHarness& h) {
            QList<int> widths;
            for (const char* name : {"ListView1", "ListView_isolate", "ListView_summary"}) {
                // A stretched last section follows the list's room as shown, not the start-up
                // widths.
                const QHeaderView* header = h.find<QTreeView>(name)->header();
                const int fixed = header->count() - (header->stretchLastSection() ? 1 : 0);
                for (int section = 0; section < fixed; ++section)
                    widths << header->sectionSize(section);
            }
            return widths;
        };
        MainWindowHarness clicked;
        clicked.window->startUp(FixtureReport());
        QVERIFY(clicked.showAndWait());
        QTabBar* tabBar = clicked.find<QTabWidget>("SSTab1")->tabBar();
        QTest::mouseClick(tabBar, Qt::LeftButton, {}, tabBar->tabRect(page).center());
        QCOMPARE(clicked.window->currentPage(), page);

        MainWindowHarness before;
        before.window->startUp(FixtureReport());
        before.window->showPage(page);
        QVERIFY(before.showAndWait());

        QCOMPARE(before.window->currentPage(), page);
        QCOMPARE(widths(before), widths(clicked));
    }

    void showAndStartUp_windowShowsBeforeStartUpSpeaks() {
        MainWindowHarness h;
        bool ranAfter = false;

        h.window->showAndStartUp({}, nullptr, [&] { ranAfter = true; });

        QVERIFY(h.window->isVisible());
        QVERIFY(h.prompter.shown.empty());
        QTRY_VERIFY(ranAfter);
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].text, std::string(core::text::kReportNotFound));
    }

    void allVariables_rowShowsRecordWithLevelIcon() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        const QAbstractItemModel* model = h.find<QTreeView>("ListView1")->model();

        // Record 16: (site): MS_DEF=$(_USTN_SITE)dgn/ [C:/Bentley/Workspace/Standards/dgn/]
        const int row = 15;
        QCOMPARE(model->index(row, 0).data().toString(), QStringLiteral("MS_DEF"));
        QCOMPARE(model->index(row, 1).data().toString(), QStringLiteral("$(_USTN_SITE)dgn/ "));
        QCOMPARE(model->index(row, 2).data().toString(),
                 QStringLiteral("C:/Bentley/Workspace/Standards/dgn/"));
        QCOMPARE(model->index(row, 3).data().toString(),
                 QStringLiteral("C:\\Bentley\\Workspace\\Standards\\site.cfg"));
        QCOMPARE(model->index(row, 0).data(ui::VariableTableModel::LevelRole).toInt(),
                 int(core::LevelSite));
        const QIcon icon = model->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
        QCOMPARE(icon.pixmap(16).toImage(),
                 h.window->icons().levelIcon(core::LevelSite).pixmap(16).toImage());
        QVERIFY(!model->index(row, 1).data(Qt::DecorationRole).isValid());

        // Record 4, a "system env" line, has no level and so no icon.
        QCOMPARE(model->index(3, 0).data().toString(), QStringLiteral("TEMP"));
        QVERIFY(!model->index(3, 0).data(Qt::DecorationRole).isValid());

        // A Windows-1252 byte in a report copied from Windows is shown as that character.
        QCOMPARE(model->index(26, 1).data().toString(),
                 QStringLiteral("\\\\fileserver\\archive\\Br\u00fccke\\ "));
    }

    void levelButtons_eachChoosesItsLevel_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("captionControl");
        const struct {
            const char* button;
            const char* image;
            int level;
            const char* caption;
            const char* label;
        } rows[] = {
            {"SoftBttn2", "Image7", 1, "Predefined", "Label12"},
            {"SoftBttn1", "Image12", 2, "System", "Label11"},
            {"SoftBttn3", "Image11", 7, "Site", "Label10"},
            {"SoftBttn4", "Image10", 6, "Project", "Label9"},
            {"SoftBttn5", "Image9", 9, "Application", "Label8"},
            {"SoftBttn6", "Image8", 8, "User", "Label7"},
        };
        for (const auto& row : rows) {
            QTest::newRow(row.button)
                << QString::fromLatin1(row.button) << row.level << QString::fromLatin1(row.caption)
                << QString::fromLatin1(row.label);
            QTest::newRow(row.image)
                << QString::fromLatin1(row.image) << row.level << QString::fromLatin1(row.caption)
                << QString::fromLatin1(row.label);
        }
    }

    void levelButtons_eachChoosesItsLevel() {
        QFETCH(QString, control);
        QFETCH(int, level);
        QFETCH(QString, caption);
        QFETCH(QString, captionControl);
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        h.window->showPage(ui::MainWindow::IsolatePage);
        h.prompter.shown.clear();

        auto* widget = h.window->findChild<QWidget*>(control);
        QVERIFY(widget != nullptr);
        QTest::mouseClick(widget, Qt::LeftButton);

        const QAbstractItemModel* isolate = h.find<QTreeView>("ListView_isolate")->model();
        QVERIFY(isolate->rowCount() > 0);
        QCOMPARE(Levels(isolate), QList<int>(isolate->rowCount(), level));
        QList<qulonglong> expected;
        for (const core::ConfigVariable& record : h.state.report.VariableTable())
            if (record.Level == level)
                expected << record.Index;
        QCOMPARE(RecordIndexes(isolate), expected);
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::IsolatePage));
        QVERIFY(h.prompter.shown.empty());
        QCOMPARE(h.window->findChild<QLabel*>(captionControl)->text(), caption);
    }

    void levelSelector_legendReadsLeftToRight() {
        MainWindowHarness h;
        QVERIFY(h.showAndWait());
        h.window->showPage(ui::MainWindow::IsolatePage);
        const char* labels[] = {"Label12", "Label11", "Label10", "Label9", "Label8", "Label7"};
        const char* buttons[] = {"SoftBttn2", "SoftBttn1", "SoftBttn3",
                                 "SoftBttn4", "SoftBttn5", "SoftBttn6"};
        const char* images[] = {"Image7", "Image12", "Image11", "Image10", "Image9", "Image8"};
        int lastX = -1;
        for (int i = 0; i < 6; ++i) {
            auto* button = h.find<QToolButton>(buttons[i]);
            auto* image = h.find<QLabel>(images[i]);
            auto* label = h.find<QLabel>(labels[i]);
            QVERIFY(button->geometry().x() > lastX);
            // The legend icon lies where its button is; the caption to its right.
            QVERIFY(button->geometry().contains(image->geometry().center()));
            QVERIFY(label->geometry().x() >= button->geometry().right());
            lastX = label->geometry().x();
        }
    }

    void levelButton_pressedTwice_sameRowsOnce() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        auto* button = h.find<QToolButton>("SoftBttn3");
        button->click();
        const QList<qulonglong> once =
            RecordIndexes(h.find<QTreeView>("ListView_isolate")->model());
        button->click();
        const QList<qulonglong> twice =
            RecordIndexes(h.find<QTreeView>("ListView_isolate")->model());
        QCOMPARE(once, (QList<qulonglong>{14, 15, 16, 17, 18, 31}));
        QCOMPARE(twice, once);
        QCOMPARE(h.state.isolate.IsolateCount(), std::size_t(6));
    }

    void levelButton_levelWithoutRecords_emptiesIsolate() {
        MainWindowHarness h;
        h.window->startUp(h.writeReport("Processing macro file [C:\\a.cfg]\r\n"
                                        "(user): A=1 [1]\r\n(system): B=2 [2]\r\n"));
        h.find<QToolButton>("SoftBttn6")->click();
        QCOMPARE(h.find<QTreeView>("ListView_isolate")->model()->rowCount(), 1);
        h.find<QToolButton>("SoftBttn3")->click(); // no Site records
        QCOMPARE(h.find<QTreeView>("ListView_isolate")->model()->rowCount(), 0);
        QCOMPARE(h.state.isolate.IsolateCount(), std::size_t(0));
    }

    void menus_everyItemPresentLaterWindowsDisabled() {
        MainWindowHarness h;
        const struct {
            const char* menu;
            const char* menuCaption;
            const char* item;
            const char* caption;
        } items[] = {
            {"configOpts", "&Options", "defineEditor", "&Editing Options"},
            {"configOpts", "&Options", "defineMicroStation", "&MicroStation"},
            {"configOpts", "&Options", "defineCategory", "&Category Manager"},
            {"configOpts", "&Options", "expBuild", "E&xpression Builder"},
            {"popUp", "&View", "pMnuMSDebug", "MSDebug.&Txt"},
            {"popUp", "&View", "pMnuRefresh", "&Refresh"},
            {"popUp", "&View", "findItem", "&Find..."},
            {"popUp", "&View", "pMnuOutput", "&Output View to Text File"},
            {"help", "&Help", "mContents", "&Contents"},
            {"help", "&Help", "about", "&About"},
        };
        QStringList order;
        for (const auto& item : items) {
            auto* menu = h.find<QMenu>(item.menu);
            QVERIFY2(menu != nullptr, item.menu);
            QCOMPARE(menu->title(), QString::fromLatin1(item.menuCaption));
            auto* action = h.window->findChild<QAction*>(QString::fromLatin1(item.item));
            QVERIFY2(action != nullptr, item.item);
            QCOMPARE(action->text(), QString::fromLatin1(item.caption));
            QVERIFY(menu->actions().contains(action));
            order << QString::fromLatin1(item.item);
        }
        QStringList barOrder;
        for (QAction* action : h.window->menuBar()->actions())
            barOrder << action->menu()->objectName();
        QCOMPARE(barOrder, (QStringList{QStringLiteral("fileMenu"), QStringLiteral("configOpts"),
                                        QStringLiteral("popUp"), QStringLiteral("help")}));
        // Every menu and item has its own Alt letter within its menu.
        for (QAction* bar : h.window->menuBar()->actions()) {
            QSet<QChar> letters;
            for (QAction* action : bar->menu()->actions()) {
                if (action->isSeparator())
                    continue;
                const qsizetype amp = action->text().indexOf(QLatin1Char('&'));
                QVERIFY2(amp >= 0 && amp + 1 < action->text().size(), qPrintable(action->text()));
                QVERIFY2(!letters.contains(action->text()[amp + 1].toLower()),
                         qPrintable(action->text()));
                letters.insert(action->text()[amp + 1].toLower());
            }
        }
        const ui::MainWindow::Actions& actions = h.window->actions();
        QVERIFY(actions.contents->isEnabled());
        QVERIFY(actions.exportView->isEnabled());
        QCOMPARE(actions.contents->shortcut(), QKeySequence(Qt::Key_F1));
    }

    void pageChange_refreshOnlyOnAllVariables() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QAction* refresh = h.window->actions().refresh;
        QVERIFY(refresh->isEnabled());
        for (int page = 1; page < 5; ++page) {
            h.window->showPage(page);
            QCOMPARE(h.window->currentPage(), page);
            QVERIFY(!refresh->isEnabled());
        }
        h.window->showPage(ui::MainWindow::AllVariablesPage);
        QVERIFY(refresh->isEnabled());
    }

    void pageChange_categoryPage_asksForTheTree() {
        MainWindowHarness h;
        int requests = 0;
        connect(&h.window->categoryTree(), &ui::CategoryTreePage::rebuilt, this,
                [&] { ++requests; });
        h.window->startUp(FixtureReport());
        QCOMPARE(requests, 1);
        h.window->showPage(ui::MainWindow::CategoryPage);
        QCOMPARE(requests, 2);
        h.window->showPage(ui::MainWindow::SummaryPage);
        QCOMPARE(requests, 2);
    }

    void reload_emptiesIsolateAndShowsReportOrder() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        auto* all = AllVariables(*h.window);
        QVERIFY(h.window->selectVariable("MS_DEF"));
        h.window->showPage(ui::MainWindow::IsolatePage);
        QCOMPARE(h.find<QTreeView>("ListView_isolate")->model()->rowCount(), 3);
        all->sortBy(ui::VariableTableModel::NameColumn, Qt::DescendingOrder);
        QVERIFY(all->model()->index(0, 0).data().toString() != QStringLiteral("_USTN_INSTALLED"));

        QCOMPARE(core::LoadDebugReport(h.state, h.prompter, core::LoadMode::Skip),
                 core::LoadOutcome::Loaded);

        QCOMPARE(h.find<QTreeView>("ListView_isolate")->model()->rowCount(), 0);
        QCOMPARE(all->model()->index(0, 0).data().toString(), QStringLiteral("_USTN_INSTALLED"));
        QVERIFY(all->selectedRecord() == nullptr);
        QCOMPARE(all->model()->rowCount(), 31);
    }

    void markFileOpened_marksFileKeepsSelection() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.window->selectVariable("MS_CELL"));
        const core::ConfigVariable* selected = AllVariables(*h.window)->selectedRecord();
        QVERIFY(selected != nullptr);
        const QAbstractItemModel* files = h.find<QTreeView>("ListView_files")->model();
        const QImage plain =
            files->index(3, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage();

        core::MarkFileOpened(h.state, "C:\\Bentley\\Workspace\\Standards\\site.cfg");

        QList<bool> opened;
        for (int row = 0; row < files->rowCount(); ++row)
            opened << files->index(row, 0).data(ui::FileOrderModel::OpenedRole).toBool();
        QCOMPARE(opened, (QList<bool>{false, false, false, true, false, false, true}));
        const QImage marked =
            files->index(3, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage();
        QVERIFY(marked != plain);
        QCOMPARE(AllVariables(*h.window)->selectedRecord(), selected);
    }

    void statusBar_countsSkippedAndPath() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QCOMPARE(h.find<QLabel>("statusCounts")->text(),
                 QStringLiteral("31 records, 7 files, 1 line skipped"));
        QCOMPARE(h.find<QLabel>("statusPath")->text(), FixtureReport());

        h.state.report.ReportPath =
            h.writeReport("Processing macro file [C:\\a.cfg]\r\n(user): A=1 [1]\r\n").toStdString();
        QCOMPARE(core::LoadDebugReport(h.state, h.prompter, core::LoadMode::Skip),
                 core::LoadOutcome::Loaded);
        QCOMPARE(h.find<QLabel>("statusCounts")->text(), QStringLiteral("1 record, 1 file"));

        // A failed reload keeps the report on screen, and the status says which one it is.
        h.state.preferences.MicroStationFolder = h.path(QStringLiteral("nowhere")).toStdString();
        QCOMPARE(core::LoadDebugReport(h.state, h.prompter, core::LoadMode::Update),
                 core::LoadOutcome::NotFound);
        QCOMPARE(h.find<QLabel>("statusPath")->text(), h.path(QStringLiteral("report.txt")));
    }

    void models_passItemModelTester() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        auto* all = AllVariables(*h.window);
        auto* isolate = IsolateList(*h.window);
        QAbstractItemModelTester allTester(&all->source(),
                                           QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester isolateTester(
            &isolate->source(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester summaryTester(
            SummaryModel(*h.window), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester filesTester(
            FilesModel(*h.window), QAbstractItemModelTester::FailureReportingMode::QtTest);
        // Exercise every kind of change while the testers watch.
        h.window->filterByLevel(core::LevelUser);
        QVERIFY(h.window->selectVariable("MS_DEF"));
        QVERIFY(h.window->isolateVariable());
        core::MarkFileOpened(h.state, "C:\\Bentley\\Workspace\\users\\jsmith.ucf");
        QCOMPARE(core::LoadDebugReport(h.state, h.prompter, core::LoadMode::Skip),
                 core::LoadOutcome::Loaded);
        all->sortBy(ui::VariableTableModel::FileColumn, Qt::AscendingOrder);
        QCOMPARE(all->source().rowCount(), 31);
        QCOMPARE(SummaryModel(*h.window)->columnCount(), 1);
    }

    void icons_distinctForEveryLevelAndNoneForLevelZero() {
        const ui::IconLibrary icons;
        QList<QImage> images;
        for (const core::ConfigLevel level : core::kLegendLevels) {
            const QIcon icon = icons.levelIcon(level);
            QVERIFY(!icon.isNull());
            const QImage image = icon.pixmap(16).toImage();
            QVERIFY(!images.contains(image));
            images << image;
        }
        QVERIFY(icons.levelIcon(core::LevelNone).isNull());
        // The marks of a record: each combination its own picture over the level's.
        for (const core::ConfigLevel level : {core::LevelWorkSpace, core::LevelWorkSet}) {
            QList<QImage> marked;
            for (const int marks : {0, int(core::RecordWinner), int(core::RecordLocked),
                                    core::RecordWinner | core::RecordLocked}) {
                const QImage image =
                    icons.levelIcon(level, std::uint8_t(marks)).pixmap(16).toImage();
                QVERIFY(!marked.contains(image));
                marked << image;
            }
            QCOMPARE(marked.first(), icons.levelIcon(level).pixmap(16).toImage());
        }
        QVERIFY(icons.image(5).isNull());
        QVERIFY(icons.image(core::kLevelCodeEnd).isNull());
        QVERIFY(!icons.categoryIcon().isNull());
        QVERIFY(!icons.memberIcon().isNull());
        QCOMPARE(icons.image(ui::IconLibrary::kCategoryImage).pixmap(16).toImage(),
                 icons.categoryIcon().pixmap(16).toImage());
        QVERIFY(icons.categoryIcon().pixmap(16).toImage() !=
                icons.memberIcon().pixmap(16).toImage());
        QVERIFY(icons.fileIcon(false).pixmap(16).toImage() !=
                icons.fileIcon(true).pixmap(16).toImage());
    }

    void quit_writesPreferences() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        const QString ini = h.path(QStringLiteral("Dbgscope.Ini"));
        QVERIFY(!QFileInfo::exists(ini));

        QTest::mouseClick(h.find<QPushButton>("Command2"), Qt::LeftButton);

        QVERIFY(!h.window->isVisible());
        QVERIFY(varscope::testing::ReadAll(ini).contains("microstation="));
    }

    void close_writesPreferencesAndClosesHelp() {
        MainWindowHarness h;
        h.window->startUp();
        QVERIFY(h.showAndWait());
        h.window->launcher().openHelp();
        QVERIFY(h.window->launcher().helpWindow()->isVisible());

        QVERIFY(h.window->close());

        QVERIFY(QFileInfo::exists(h.path(QStringLiteral("Dbgscope.Ini"))));
        QVERIFY(!h.window->launcher().helpWindow()->isVisible());
    }

    void close_preferencesCannotBeWritten_saysSo() {
        MainWindowHarness h;
        h.state.preferences.ProgramFolder = h.path(QStringLiteral("missing/folder")).toStdString();
        h.window->startUp(FixtureReport());
        h.prompter.shown.clear();

        QVERIFY(h.window->close());

        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QVERIFY(h.prompter.shown[0].text.starts_with(ui::text::kPreferencesNotSaved));
        QCOMPARE(h.prompter.shown[0].icon, core::MessageIcon::Exclamation);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
