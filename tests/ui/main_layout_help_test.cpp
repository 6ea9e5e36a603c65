// The main window's size rules and its help.
#include "main_window_support.hpp"

#include "core/system/platform/platform.hpp"
#include "ui/lists/list_views.hpp"
#include "ui/main/help_window.hpp"
#include "ui/main/launcher.hpp"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeView>
#include <QWindow>

#include <algorithm>
#include <memory>

using varscope::testing::AllVariables;
using varscope::testing::FixtureReport;
using varscope::testing::MainWindowHarness;
using varscope::testing::WriteAll;
namespace ui = varscope::ui;

namespace {

// A widget's rectangle in the window's coordinates.
QRect InWindow(const QWidget* widget) {
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

bool ResizeTo(QWidget* window, const QSize& size) {
    window->resize(size);
    return QTest::qWaitFor([&] { return window->size() == size; }, 2000);
}

QStringList HelpFiles(const QString& folder) {
    QStringList files = QDir(folder).entryList({QStringLiteral("*.html"), QStringLiteral("*.css")},
                                               QDir::Files, QDir::Name);
    return files;
}

// Every list with columns, by object name.
const char* const kListsWithColumns[] = {
    "ListView1",      "ListView_isolate", "ListView_summary", "ListView_problems",
    "ListView_files", "TreeView1",        "derivationTree"};

// All but a stretched last column, which takes the room that is left.
QList<int> Widths(const QTreeView* view) {
    const QHeaderView* header = view->header();
    QList<int> widths;
    for (int column = 0; column < header->count() - (header->stretchLastSection() ? 1 : 0);
         ++column)
        widths << header->sectionSize(column);
    return widths;
}

// A second run: a new window over preferences read afresh from the same program folder.
void Restart(MainWindowHarness& h) {
    h.window.reset();
    const std::string folder = h.state.preferences.ProgramFolder;
    h.state.preferences = {};
    h.state.preferences.ProgramFolder = folder;
    h.state.report = {};
    h.state.isolate = {};
    h.window = std::make_unique<ui::MainWindow>(h.context);
    h.window->restoreLayout();
}

// Shows the window, then starts up once it is on screen, as the program does.
bool StartAsTheProgramDoes(MainWindowHarness& h) {
    bool started = false;
    h.window->showAndStartUp(FixtureReport().toStdString(), nullptr, [&] { started = true; });
    if (!QTest::qWaitFor([&] { return started; }, 5000))
        return false;
    // The scroll bars and the layout settle in posted events.
    QTest::qWait(50);
    return true;
}

} // namespace

class MainLayoutHelpTest final : public QObject {
    Q_OBJECT

private slots:
    void startUpSize_isDesignedClientAreaAndTheMinimum() {
        MainWindowHarness h;
        const double scale = h.window->logicalDpiX() / 96.0;
        // The size it opens at, without a user's layout (as screenshots), is the smallest.
        const QSize start = h.window->size();
        QCOMPARE(h.window->minimumSize(), start);
        QVERIFY(start.width() >= int(719 * scale));
        QVERIFY(start.height() >= int(415 * scale));
        QVERIFY(h.window->centralWidget()->height() + 1 >= int(415 * scale) - 40);
    }

    void firstStart_roomForNamesWhereTheScreenAllows() {
        MainWindowHarness h;
        const QSize minimum = h.window->minimumSize();
        h.window->restoreLayout(); // nothing saved yet
        // 1000 x 650, or as much of it as the screen has room for, frame included.
        const QSize start = h.window->size();
        const QSize room = h.window->screen()->availableGeometry().size();
        QVERIFY(start.width() >= minimum.width() && start.height() >= minimum.height());
        QVERIFY(start.width() <= std::max(room.width(), minimum.width()));
        QVERIFY(start.height() <= std::max(room.height(), minimum.height()));
        QVERIFY2(start.width() >= std::min(1000, room.width() - 48),
                 qPrintable(QStringLiteral("%1 on %2").arg(start.width()).arg(room.width())));
        QVERIFY(start.height() >= std::min(650, room.height() - 80));
    }

    void resize_smallerThanTheMinimum_holdsTheMinimumPerDimension() {
        MainWindowHarness h;
        const QSize least = h.window->minimumSize();
        QVERIFY(h.showAndWait());

        h.window->resize(least.width() - 200, least.height() + 60);
        QTRY_COMPARE(h.window->size(), QSize(least.width(), least.height() + 60));
        h.window->resize(least.width() + 40, least.height() - 100);
        QTRY_COMPARE(h.window->size(), QSize(least.width() + 40, least.height()));
        h.window->resize(10, 10);
        QTRY_COMPARE(h.window->size(), least);
    }

    void resize_larger_viewsGrowButtonsFollowEdges() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        QVERIFY(h.window->selectVariable("MS_DEF"));
        auto* tabs = h.find<QTabWidget>("SSTab1");
        auto* quit = h.find<QPushButton>("Command2");
        auto* findButton = h.find<QPushButton>("Command1");
        const char* views[] = {"ListView1",         "ListView_isolate", "ListView_summary",
                               "ListView_problems", "ListView_files",   "TreeView1"};
        QList<QSize> viewSizes;
        for (int page = 0; page < 6; ++page) {
            h.window->showPage(page);
            viewSizes << h.find<QTreeView>(views[page])->size();
        }
        h.window->showPage(ui::MainWindow::IsolatePage);
        const QRect frameBefore = InWindow(h.find<QGroupBox>("Frame3"));
        h.window->showPage(ui::MainWindow::AllVariablesPage);
        const QSize windowBefore = h.window->size();
        const QSize tabsBefore = tabs->size();
        const QRect quitBefore = InWindow(quit);
        const QRect findBefore = InWindow(findButton);

        const QSize gain(150, 90);
        QVERIFY(ResizeTo(h.window.get(), windowBefore + gain));

        QCOMPARE(tabs->size(), tabsBefore + gain);
        const QRect quitAfter = InWindow(quit);
        QCOMPARE(h.window->width() - quitAfter.right(), windowBefore.width() - quitBefore.right());
        QCOMPARE(h.window->height() - quitAfter.bottom(),
                 windowBefore.height() - quitBefore.bottom());
        QCOMPARE(InWindow(findButton).topLeft(), findBefore.topLeft() + QPoint(0, gain.height()));
        for (int page = 0; page < 6; ++page) {
            h.window->showPage(page);
            QCOMPARE(h.find<QTreeView>(views[page])->size(), viewSizes[page] + gain);
        }
        h.window->showPage(ui::MainWindow::IsolatePage);
        QCOMPARE(InWindow(h.find<QGroupBox>("Frame3")).topLeft(),
                 frameBefore.topLeft() + QPoint(0, gain.height()));
    }

    void resizeAndMinimise_pageInFrontStaysInFront_data() {
        QTest::addColumn<int>("page");
        QTest::newRow("Isolate") << int(ui::MainWindow::IsolatePage);
        QTest::newRow("Category") << int(ui::MainWindow::CategoryPage);
    }

    void resizeAndMinimise_pageInFrontStaysInFront() {
        QFETCH(int, page);
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        h.window->showPage(page);
        const std::size_t messages = h.prompter.shown.size();

        QVERIFY(ResizeTo(h.window.get(), h.window->size() + QSize(80, 60)));
        QCOMPARE(h.window->currentPage(), page);
        h.window->showMinimized();
        QTest::qWait(0);
        h.window->showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));

        QCOMPARE(h.window->currentPage(), page);
        QVERIFY(h.find<QTabWidget>("SSTab1")->currentWidget()->isVisible());
        // Resizing is not a page change: nothing was isolated again.
        QCOMPARE(h.prompter.shown.size(), messages);
        QCOMPARE(h.window->actions().refresh->isEnabled(), false);
    }

    void f1_inAllVariablesList_opensHelpContents() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        QApplication::setActiveWindow(h.window.get());
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        auto* list = h.find<QTreeView>("ListView1");
        list->setFocus();
        QVERIFY(h.window->selectVariable("MS_DEF"));
        const std::size_t messages = h.prompter.shown.size();
        QVERIFY(h.window->launcher().helpWindow() == nullptr);

        QTest::keyClick(list, Qt::Key_F1);

        ui::HelpWindow* help = h.window->launcher().helpWindow();
        QVERIFY(help != nullptr);
        QVERIFY(help->isVisible());
        QCOMPARE(help->browser()->source(), QUrl(QStringLiteral("qrc:/help/index.html")));
        QCOMPARE(help->browser()->documentTitle(), QStringLiteral("Varscope Help"));
        QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("All Variables")));
        QCOMPARE(h.prompter.shown.size(), messages);
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::AllVariablesPage));
        QCOMPARE(AllVariables(*h.window)->selectedRecord()->Index, std::size_t(16));
    }

    void contents_afterBrowsing_showsContentsPageAgainInSameWindow() {
        MainWindowHarness h;
        h.window->actions().contents->trigger();
        ui::HelpWindow* help = h.window->launcher().helpWindow();
        QVERIFY(help != nullptr && help->isVisible());
        help->browser()->setSource(QUrl(QStringLiteral("qrc:/help/isolate.html")));
        QCOMPARE(help->browser()->documentTitle(), QStringLiteral("Isolate"));
        help->close();

        h.window->actions().contents->trigger();

        QCOMPARE(h.window->launcher().helpWindow(), help);
        QVERIFY(help->isVisible());
        QCOMPARE(help->browser()->source(), QUrl(QStringLiteral("qrc:/help/index.html")));
    }

    void help_isWindowOfItsOwnAndGoesWithMainWindow() {
        auto h = std::make_unique<MainWindowHarness>();
        QVERIFY(h->showAndWait());
        h->window->actions().contents->trigger();
        const QPointer<ui::HelpWindow> help = h->window->launcher().helpWindow();
        QVERIFY(help != nullptr && help->isVisible());

        // Nothing keeps it above the main window.
        QVERIFY(help->parentWidget() == nullptr);
        QVERIFY(help->windowHandle()->transientParent() == nullptr);
        h.reset();
        QVERIFY(help.isNull());
    }

    void helpPages_allShippedAndEveryLinkResolves() {
        ui::HelpWindow window; // loads the help resources
        const QStringList shipped = HelpFiles(QStringLiteral(":/help"));
        QCOMPARE(shipped, HelpFiles(QStringLiteral(VARSCOPE_FIXTURES "/../../docs/help")));
        const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"]+)\""));
        for (const QString& name : shipped) {
            const QString text =
                QString::fromUtf8(varscope::testing::ReadAll(QStringLiteral(":/help/") + name));
            QVERIFY2(!text.isEmpty(), qPrintable(name));
            for (auto match = link.globalMatch(text); match.hasNext();) {
                const QString target = match.next().captured(1).section(QLatin1Char('#'), 0, 0);
                if (target.isEmpty() || target.contains(QLatin1Char(':')))
                    continue;
                QVERIFY2(QFile::exists(QStringLiteral(":/help/") + target),
                         qPrintable(name + QStringLiteral(" links to missing ") + target));
            }
        }
        // Every page and dialog has its page, reachable from the contents.
        const QString contents =
            QString::fromUtf8(varscope::testing::ReadAll(QStringLiteral(":/help/index.html")));
        for (const char* page :
             {"all-variables.html", "isolate.html", "summary.html", "file-order.html",
              "category-page.html", "editor.html", "microstation.html", "categories.html",
              "member-dialogs.html", "expression-builder.html", "export.html", "about.html",
              "report.html", "command-line.html"})
            QVERIFY2(contents.contains(QString::fromLatin1(page)), page);
    }

    // Dark and light desktops both read the help: the page takes the palette's colours, and
    // shading is translucent. Only the level icons keep their own.
    void helpStyle_noFixedTextOrBackgroundColours() {
        ui::HelpWindow window;
        const QString css =
            QString::fromUtf8(varscope::testing::ReadAll(QStringLiteral(":/help/help.css")));
        const QRegularExpression rule(QStringLiteral("([^{}]+)\\{([^}]*)\\}"));
        const QRegularExpression opaque(
            QStringLiteral("(?:^|;)\\s*(?:color|background(?:-color)?)\\s*:(?!\\s*rgba)[^;]+"));
        int rules = 0;
        for (auto match = rule.globalMatch(css); match.hasNext(); ++rules) {
            const QRegularExpressionMatch one = match.next();
            const QString selector = one.captured(1).section(QStringLiteral("*/"), -1).trimmed();
            if (selector != QStringLiteral("span.badge"))
                QVERIFY2(!opaque.match(one.captured(2)).hasMatch(), qPrintable(selector));
        }
        QVERIFY(rules > 5);
    }

    void helpSearch_thisPageThenTheOthersThenSaysNone() {
        ui::HelpWindow window;
        window.showContents();
        auto* search = window.findChild<QLineEdit*>(QStringLiteral("helpSearch"));
        auto* status = window.findChild<QLabel*>(QStringLiteral("helpSearchStatus"));
        QVERIFY(search != nullptr && status != nullptr);
        const struct {
            const char* typed;
            const char* page; // where the match is selected; null: none, the page stays
        } cases[] = {
            {"contents", "index.html"},
            {"--categories", "command-line.html"},
            {"--CATEGORIES", "command-line.html"},
            {"Expression Builder", "expression-builder.html"},
            {"no page says zqxj", nullptr},
        };
        for (const auto& test : cases) {
            window.browser()->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
            if (test.page != nullptr && qstrcmp(test.page, "expression-builder.html") == 0)
                window.browser()->setSource(QUrl(QStringLiteral("qrc:/help/editor.html")));
            const QUrl before = window.browser()->source();
            search->setText(QString::fromUtf8(test.typed));
            QTest::keyClick(search, Qt::Key_Return);
            if (test.page == nullptr) {
                QCOMPARE(window.browser()->source(), before);
                QVERIFY2(status->text().contains(QString::fromUtf8(test.typed)), test.typed);
                continue;
            }
            QVERIFY2(window.browser()->source().path().endsWith(QString::fromUtf8(test.page)),
                     test.typed);
            QCOMPARE(window.browser()->textCursor().selectedText().toLower(),
                     QString::fromUtf8(test.typed).toLower());
            QCOMPARE(status->text(), QString());
        }
        // Again goes on to the next place, not the same one.
        window.browser()->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
        search->setText(QStringLiteral("Variables"));
        QTest::keyClick(search, Qt::Key_Return);
        const int first = window.browser()->textCursor().position();
        QTest::keyClick(search, Qt::Key_Return);
        QVERIFY(window.browser()->textCursor().position() != first);
    }

    void compiledHelp_commandLineKeepsFolderUnquoted() {
        QCOMPARE(ui::CompiledHelpCommandLine("C:\\Program Files\\Varscope"),
                 std::string("hh C:\\Program Files\\Varscope/vsc.chm"));
        QCOMPARE(ui::CompiledHelpCommandLine("C:\\"), std::string("hh C:\\/vsc.chm"));
    }

    void compiledHelp_usedOnlyWithViewerAndFile() {
        MainWindowHarness h;
        QVERIFY(!ui::UseCompiledHelp(h.state));
        QVERIFY(varscope::testing::WriteAll(h.path(QStringLiteral("vsc.chm")), "ITSF"));
        QCOMPARE(ui::UseCompiledHelp(h.state), varscope::core::platform::HasHtmlHelpViewer());
    }

    void restart_windowComesBackAsItWasLeft() {
        MainWindowHarness h;
        h.window->restoreLayout(); // nothing saved: a first start
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        const QRect placed(30, 40, h.window->minimumWidth() + 21, h.window->minimumHeight() + 13);
        h.window->setGeometry(placed);
        QTRY_COMPARE(h.window->geometry(), placed);
        h.window->actions().derivation->setChecked(true);
        h.window->showPage(ui::MainWindow::SummaryPage);
        QMap<QString, QList<int>> widths;
        for (const char* name : kListsWithColumns) {
            auto* view = h.find<QTreeView>(name);
            for (int column = 0; column < Widths(view).size(); ++column)
                view->header()->resizeSection(column, 41 + 7 * column);
            widths[QString::fromLatin1(name)] = Widths(view);
        }
        QVERIFY(h.window->close());

        Restart(h);
        QCOMPARE(h.window->geometry(), placed);
        QVERIFY(StartAsTheProgramDoes(h));
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::SummaryPage));
        QVERIFY(h.window->actions().derivation->isChecked());
        QVERIFY(h.find<QWidget>("derivationPane")->isVisible());
        for (const char* name : kListsWithColumns)
            QCOMPARE(Widths(h.find<QTreeView>(name)), widths[QString::fromLatin1(name)]);
        QCOMPARE(h.window->geometry(), placed);

        // Left on a full list: its scroll bar, which comes with the rows, takes no width off.
        h.window->showPage(ui::MainWindow::AllVariablesPage);
        QTest::qWait(20);
        const QList<int> left = Widths(AllVariables(*h.window));
        QVERIFY(AllVariables(*h.window)->verticalScrollBar()->isVisible());
        QVERIFY(h.window->close());
        Restart(h);
        QVERIFY(StartAsTheProgramDoes(h));
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::AllVariablesPage));
        QCOMPARE(Widths(AllVariables(*h.window)), left);
    }

    void restart_leftMaximised_comesBackMaximisedAndKeepsItsNormalPlace() {
        MainWindowHarness h;
        h.window->restoreLayout();
        QVERIFY(h.showAndWait());
        const QRect placed(20, 30, h.window->minimumWidth() + 5, h.window->minimumHeight() + 9);
        h.window->setGeometry(placed);
        QTRY_COMPARE(h.window->geometry(), placed);
        h.window->showMaximized();
        QTRY_VERIFY(h.window->isMaximized());
        QVERIFY(h.window->close());

        Restart(h);
        QVERIFY(h.window->windowState().testFlag(Qt::WindowMaximized));
        QVERIFY(h.showAndWait());
        QTRY_VERIFY(h.window->isMaximized());
        h.window->showNormal();
        QTRY_COMPARE(h.window->geometry(), placed);
    }

    void restart_savedPlaceOffEveryScreenOrGarbled_centredOrFirstStart() {
        MainWindowHarness h;
        h.window->restoreLayout(); // nothing saved yet
        const QSize firstStart = h.window->size();
        const QRect screen = h.window->screen()->availableGeometry();
        const QSize size(h.window->minimumWidth() + 3, h.window->minimumHeight() + 4);
        WriteAll(h.path(QStringLiteral("Dbgscope.Ini")),
                 QStringLiteral("[preferences]\r\nwindowGeometry=%1,%2,%3,%4\r\npage=9\r\n")
                     .arg(screen.right() + 500)
                     .arg(screen.bottom() + 500)
                     .arg(size.width())
                     .arg(size.height())
                     .toUtf8());
        Restart(h);
        QCOMPARE(h.window->size(), size);
        QCOMPARE(h.window->geometry().center(), screen.center());
        h.window->startUp(FixtureReport());
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::AllVariablesPage));

        WriteAll(h.path(QStringLiteral("Dbgscope.Ini")),
                 "[preferences]\r\nwindowGeometry=20,30,wide,tall\r\nwindowMaximized=yes\r\n"
                 "columns.allVariables=1,2\r\npage=3\r\n");
        Restart(h);
        QCOMPARE(h.window->size(), firstStart);
        QVERIFY(!h.window->windowState().testFlag(Qt::WindowMaximized));
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        QCOMPARE(AllVariables(*h.window)->header()->count(), 4);
        QVERIFY(AllVariables(*h.window)->header()->sectionSize(1) > 2);
        // Pages are numbered as --page numbers them.
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::FileOrderPage));
    }
};

QTEST_MAIN(MainLayoutHelpTest)
#include "main_layout_help_test.moc"
