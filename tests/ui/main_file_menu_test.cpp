// The File menu: opening a report by the picker, the recent list and a drop, F5 on a report
// opened so, and the bar that says the report changed on disk.
#include "main_window_support.hpp"

#include "core/texts.hpp"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

using varscope::testing::AllVariables;
using varscope::testing::MainWindowHarness;
using varscope::testing::WriteAll;
namespace core = varscope::core;
namespace ui = varscope::ui;

namespace {

QByteArray Report(const char* name) {
    return "Processing macro file [C:\\a.cfg]\r\n(user): " + QByteArray(name) + "=1 [1]\r\n";
}

QString FirstName(const ui::MainWindow& window) {
    return AllVariables(window)->model()->index(0, 0).data().toString();
}

// Drops `paths` on the window as a file manager does.
void Drop(QWidget& window, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPointF at = QPointF(window.rect().center());
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
}

// Open Recent's items as the menu shows them.
QList<QAction*> RecentItems(const ui::MainWindow& window) {
    QMenu* menu = window.actions().openRecent;
    emit menu->aboutToShow();
    return menu->actions();
}

} // namespace

class MainFileMenuTest final : public QObject {
    Q_OBJECT

private slots:
    void fileMenu_comesFirstWithAltKeysAndShortcuts() {
        MainWindowHarness h;
        const QList<QAction*> menus = h.window->menuBar()->actions();
        QCOMPARE(menus.first()->menu()->objectName(), QStringLiteral("fileMenu"));
        QStringList captions;
        for (QAction* item : menus.first()->menu()->actions()) {
            if (!item->isSeparator())
                captions << item->text();
        }
        QCOMPARE(captions, (QStringList{"&Open Report...", "Open &Recent", "Re&load",
                                        "&Compare With...", "Output to &Text File...", "&Quit"}));
        QCOMPARE(h.window->actions().openReport->shortcut(), QKeySequence(QKeySequence::Open));
        QCOMPARE(h.window->actions().reload->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(h.window->actions().quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    }

    void openReport_startsInTheReportsFolderAndKeepsTheScreenOnFailure() {
        MainWindowHarness h;
        const QString first = h.writeReport(Report("FIRST"), QStringLiteral("first.txt"));
        const QString second = h.writeReport(Report("SECOND"), QStringLiteral("second.txt"));
        const QString empty = h.writeReport("just some text\r\n", QStringLiteral("notes.txt"));
        h.window->startUp(first);
        QVERIFY(h.showAndWait());

        const struct {
            QString answer;
            QString shown;       // first name on screen afterwards
            std::string message; // the start of what the user is told, if anything
        } cases[] = {
            {second, "SECOND", ""},
            {QString(), "SECOND", ""}, // cancelled
            {empty, "SECOND", std::string(core::text::kNotAReport)},
            {h.path(QStringLiteral("gone.txt")), "SECOND",
             std::string(core::text::kCannotReadReport)},
            {first, "FIRST", ""},
        };
        for (const auto& c : cases) {
            h.prompter.shown.clear();
            h.pickers.answers = {c.answer};
            const std::string before = h.state.report.ReportPath;
            QTest::keySequence(h.window.get(), QKeySequence::Open);
            QCOMPARE(h.pickers.folders.last(),
                     QFileInfo(QString::fromStdString(before)).absolutePath());
            QCOMPARE(FirstName(*h.window), c.shown);
            if (c.message.empty()) {
                QVERIFY(h.prompter.shown.empty());
            } else {
                QCOMPARE(h.prompter.shown.size(), std::size_t(1));
                QVERIFY(h.prompter.shown[0].text.starts_with(c.message));
                QCOMPARE(h.state.report.ReportPath, before);
            }
        }
        QCOMPARE(h.state.report.ReportPath, QDir::toNativeSeparators(first).toStdString());
    }

    void recentList_latestFirstMissingGreyedAndKeptOverRestart() {
        QTemporaryDir reports;
        auto write = [&](const QString& name, const char* variable) {
            const QString path = reports.filePath(name);
            WriteAll(path, Report(variable));
            return path;
        };
        QStringList opened;
        for (int i = 1; i <= 10; ++i)
            opened << write(QStringLiteral("r%1.txt").arg(i),
                            qPrintable(QStringLiteral("R%1").arg(i)));
        MainWindowHarness h;
        h.window->startUp(opened[0]);
        for (int i = 1; i < 10; ++i)
            QVERIFY(h.window->openReportFile(opened[i].toStdString()));
        QVERIFY(h.window->openReportFile(opened[5].toStdString())); // again: moves to the top
        QFile::remove(opened[9]);

        QList<QAction*> items = RecentItems(*h.window);
        QCOMPARE(items.size(), 8);
        const QStringList expected{opened[5], opened[9], opened[8], opened[7],
                                   opened[6], opened[4], opened[3], opened[2]};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(items[i]->toolTip(), expected[i]);
            QCOMPARE(items[i]->isEnabled(), i != 1);
        }
        items[2]->trigger();
        QCOMPARE(FirstName(*h.window), QStringLiteral("R9"));

        // Kept over a restart in the same program folder.
        h.window->close();
        h.window = std::make_unique<ui::MainWindow>(h.context);
        h.window->startUp(opened[2]);
        items = RecentItems(*h.window);
        QCOMPARE(items.size(), 8);
        QCOMPARE(items[0]->toolTip(), opened[2]);
        QCOMPARE(items[1]->toolTip(), opened[8]);
        QCOMPARE(items[2]->toolTip(), opened[5]);
        QVERIFY(h.prompter.shown.empty());
    }

    void drop_opensTheFirstFileAndRefusesFoldersAndNonReports() {
        MainWindowHarness h;
        const QString first = h.writeReport(Report("FIRST"), QStringLiteral("first.txt"));
        const QString second = h.writeReport(Report("SECOND"), QStringLiteral("second.txt"));
        const QString empty = h.writeReport("", QStringLiteral("empty.txt"));
        h.window->startUp(first);
        QVERIFY(h.showAndWait());
        const struct {
            QStringList dropped;
            QString shown;
            std::string message;
        } cases[] = {
            {{second, first}, "SECOND", ""},
            {{h.programFolder.path()}, "SECOND", std::string(core::text::kCannotReadReport)},
            {{empty}, "SECOND", std::string(core::text::kNotAReport)},
            {{first}, "FIRST", ""},
        };
        for (const auto& c : cases) {
            h.prompter.shown.clear();
            Drop(*h.window, c.dropped);
            QCOMPARE(FirstName(*h.window), c.shown);
            QCOMPARE(h.prompter.shown.size(), std::size_t(c.message.empty() ? 0 : 1));
            if (!c.message.empty())
                QVERIFY(h.prompter.shown[0].text.starts_with(c.message));
        }
    }

    void f5_keepsTheOpenedReportOverTheMicroStationFolders() {
        MainWindowHarness h;
        QTemporaryDir microStation;
        WriteAll(microStation.filePath(QStringLiteral("msdebug.txt")), Report("FROM_FOLDER"));
        h.setMicroStationFolder(microStation.path() + QLatin1Char('/'));
        h.window->startUp();
        QVERIFY(h.showAndWait());
        QCOMPARE(FirstName(*h.window), QStringLiteral("FROM_FOLDER"));
        const QString chosen = h.writeReport(Report("CHOSEN"));
        Drop(*h.window, {chosen});
        WriteAll(chosen, Report("CHANGED"));
        QTest::keyClick(AllVariables(*h.window), Qt::Key_F5);
        QCOMPARE(FirstName(*h.window), QStringLiteral("CHANGED"));
        QCOMPARE(h.state.report.ReportPath, QDir::toNativeSeparators(chosen).toStdString());
        h.window->actions().reload->trigger();
        QCOMPARE(FirstName(*h.window), QStringLiteral("CHANGED"));
        QVERIFY(h.prompter.shown.empty());
    }

    void changedOnDisk_barOffersReloadAndNothingReloadsByItself() {
        MainWindowHarness h;
        const QString report = h.writeReport(Report("FIRST"));
        h.window->startUp(report);
        QVERIFY(h.showAndWait());
        auto* bar = h.find<QWidget>("reportChangedBar");
        QVERIFY(bar != nullptr);
        QVERIFY(!bar->isVisible());
        const unsigned generation = h.state.report.ReportGeneration;

        // Changed in place, then replaced as a whole: the bar each time, until Reload.
        WriteAll(report, Report("SECOND"));
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(h.find<QLabel>("reportChangedText")->text(),
                 QStringLiteral("The report changed on disk."));
        QCOMPARE(h.state.report.ReportGeneration, generation);
        QCOMPARE(FirstName(*h.window), QStringLiteral("FIRST"));
        h.find<QToolButton>("reportChangedClose")->click();
        QVERIFY(!bar->isVisible());

        const QString replacement = h.writeReport(Report("THIRD"), QStringLiteral("new.txt"));
        QFile::remove(report);
        QVERIFY(QFile::rename(replacement, report));
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(FirstName(*h.window), QStringLiteral("FIRST"));
        h.find<QPushButton>("reportChangedReload")->click();
        QCOMPARE(FirstName(*h.window), QStringLiteral("THIRD"));
        QVERIFY(!bar->isVisible());

        // Still watched after the reload.
        WriteAll(report, Report("FOURTH"));
        QTRY_VERIFY(bar->isVisible());
        QVERIFY(h.prompter.shown.empty());
    }
};

QTEST_MAIN(MainFileMenuTest)
#include "main_file_menu_test.moc"
