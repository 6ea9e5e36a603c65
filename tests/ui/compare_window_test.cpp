// View > "Compare With...": the comparison of the report on screen with a second one.
#include "main_window_support.hpp"

#include "tests/support/stand_in_programs.hpp"
#include "ui/compare/compare_window.hpp"
#include "ui/compare/difference_delegate.hpp"
#include "ui/lists/list_texts.hpp"
#include "ui/main/launcher.hpp"
#include "ui/qt_prompter.hpp"
#include "ui/text_conversion.hpp"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>

#include <map>
#include <memory>

using varscope::testing::MainWindowHarness;
using varscope::testing::ReadLines;
using varscope::testing::TempFolder;
using varscope::testing::WriteTextFile;
namespace ui = varscope::ui;

namespace {

// The boxes of a window other than the main one: each noted with the window they were made
// for, then answered by the harness's scripted prompter.
class WindowPrompter final : public varscope::core::Prompter {
public:
    WindowPrompter(QWidget* window, varscope::testing::ScriptedPrompter& answers,
                   std::map<std::size_t, QWidget*>& over)
        : m_window(window), m_answers(answers), m_over(over) {}
    void message(std::string_view text, varscope::core::MessageIcon icon,
                 std::string_view title) override {
        note();
        m_answers.message(text, icon, title);
    }
    bool ask(std::string_view text, std::string_view title) override {
        note();
        return m_answers.ask(text, title);
    }
    varscope::core::Answer askYesNoCancel(std::string_view text, std::string_view title) override {
        note();
        return m_answers.askYesNoCancel(text, title);
    }
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view initial) override {
        note();
        return m_answers.input(prompt, title, initial);
    }

private:
    void note() { m_over[m_answers.shown.size()] = m_window; }
    QWidget* m_window;
    varscope::testing::ScriptedPrompter& m_answers;
    std::map<std::size_t, QWidget*>& m_over;
};

// The fixture pair with their user files in a temporary folder, the first on screen, and an
// editor that records its arguments.
struct CompareHarness : MainWindowHarness {
    TempFolder folder;
    const std::string arguments = folder.file("arguments.txt");
    // The window each box came over, by its place in prompter.shown; the main window's are
    // not noted.
    std::map<std::size_t, QWidget*> over;
    QString oldReport;
    QString newReport;

    CompareHarness() {
        context.prompterFor = [this](QWidget* window) -> std::unique_ptr<varscope::core::Prompter> {
            return std::make_unique<WindowPrompter>(window, prompter, over);
        };
        const auto place = [this](const char* name) {
            QByteArray bytes = varscope::testing::ReadAll(QStringLiteral(VARSCOPE_FIXTURES "/") +
                                                          QString::fromLatin1(name));
            bytes.replace("C:\\Bentley\\Workspace\\Users\\",
                          QByteArray::fromStdString(folder.file("")));
            return writeReport(bytes, QString::fromLatin1(name));
        };
        WriteTextFile(folder.file("jsmith.ucf"), "MS_RFDIR = $(MS_DEF)jsmith/ref/\n");
        WriteTextFile(folder.file("mbrown.ucf"), "MS_RFDIR = $(MS_DEF)mbrown/ref/\n");
        oldReport = place("compare_old_msdebug.txt");
        newReport = place("compare_new_msdebug.txt");
        window->startUp(oldReport);
        pickers.answers.push_back(newReport);
        state.preferences.EditorPath = varscope::testing::WriteStandIn(
            folder.file("ed"), {varscope::testing::StepRecordArguments(arguments)});
        state.preferences.setConfirmBeforeEdit(false);
        window->actions().compareWith->trigger();
    }

    ui::CompareWindow* compare() const {
        return qobject_cast<ui::CompareWindow*>(
            window->launcher().window(ui::Launcher::Window::Compare));
    }
    QWidget* boxOver(std::size_t shown) const {
        const auto found = over.find(shown);
        return found != over.end() ? found->second : window.get();
    }
    int rowOf(const QString& name) const {
        const QAbstractItemModel* model = compare()->list()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, 0).data().toString() == name)
                return row;
        return -1;
    }
};

} // namespace

class CompareWindowTest final : public QObject {
    Q_OBJECT

private slots:
    void filter_differencesByDefault_allWhenUnticked() {
        CompareHarness h;
        QVERIFY(h.compare() != nullptr);
        QVERIFY(h.compare()->windowTitle().contains(QStringLiteral("compare_new_msdebug.txt")));
        // Five variables differ; two files only in the first report, one only in the second.
        QCOMPARE(h.compare()->list()->model()->rowCount(), 8);
        QCOMPARE(h.rowOf(QStringLiteral("MS_DEF")), -1);
        h.compare()->findChild<QCheckBox*>(QStringLiteral("differencesOnly"))->click();
        QCOMPARE(h.compare()->list()->model()->rowCount(), 9);
        QCOMPARE(h.rowOf(QStringLiteral("MS_DEF")), 1);
    }

    void longValues_shownCutAt4096Bytes() {
        MainWindowHarness h;
        const QByteArray longValue(10000, 'v');
        h.window->startUp(
            h.writeReport("Processing macro file [C:\\a.cfg]\r\n(user): LONG=short [short]\r\n",
                          QStringLiteral("old.txt")));
        h.pickers.answers.push_back(
            h.writeReport("Processing macro file [C:\\a.cfg]\r\n(user): LONG=" + longValue + " [" +
                              longValue + "]\r\n",
                          QStringLiteral("new.txt")));
        h.window->actions().compareWith->trigger();
        auto* compare = qobject_cast<ui::CompareWindow*>(
            h.window->launcher().window(ui::Launcher::Window::Compare));
        QVERIFY(compare != nullptr);
        const QAbstractItemModel* model = compare->list()->model();
        QCOMPARE(model->rowCount(), 1);
        bool sawLong = false;
        for (int column = 0; column < model->columnCount(); ++column) {
            const QString shown = model->index(0, column).data().toString();
            QVERIFY2(shown.size() <= int(ui::kShownBytes) + 1, qPrintable(QString::number(column)));
            if (shown.startsWith(QStringLiteral("vvvv"))) {
                sawLong = true;
                QCOMPARE(shown, QString(int(ui::kShownBytes), QLatin1Char('v')) + QChar(0x2026));
            }
        }
        QVERIFY(sawLong);
    }

    void find_andItsNoMatch_comeOverTheCompareWindow() {
        CompareHarness h;
        ui::CompareWindow* compare = h.compare();
        QVERIFY(compare != nullptr);
        h.prompter.inputs = {std::string("ms_rf"), std::string("NO_SUCH")};
        compare->find();
        QCOMPARE(compare->list()->currentIndex().row(), h.rowOf(QStringLiteral("MS_RFDIR")));
        compare->find();
        QCOMPARE(h.prompter.shown.size(), std::size_t(3));
        QCOMPARE(h.prompter.shown[2].text, std::string(ui::text::kNoMatchFound));
        for (std::size_t i = 0; i < h.prompter.shown.size(); ++i)
            QCOMPARE(h.boxOver(i), static_cast<QWidget*>(compare));

        // The real boxes: the input box's parent is the Compare window.
        h.context.prompterFor = [](QWidget* window) -> std::unique_ptr<varscope::core::Prompter> {
            return std::make_unique<ui::QtPrompter>(window);
        };
        h.pickers.answers.push_back(h.newReport);
        h.window->actions().compareWith->trigger();
        compare = h.compare();
        QVERIFY(compare != nullptr);
        QPointer<QWidget> parent;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            seen = box != nullptr;
            if (box != nullptr) {
                parent = box->parentWidget();
                box->close();
            }
        });
        compare->find();
        QVERIFY(seen);
        QCOMPARE(parent.data(), static_cast<QWidget*>(compare));
    }

    void differences_markedAndKeptInSight_data() {
        QTest::addColumn<QByteArray>("oldValue");
        QTest::addColumn<QByteArray>("newValue");
        QTest::addColumn<QString>("oldMarked");
        QTest::addColumn<QString>("newMarked");
        QTest::newRow("middle") << QByteArray("C:/Work/jsmith/ref/")
                                << QByteArray("C:/Work/mbrown/ref/") << QStringLiteral("jsmith")
                                << QStringLiteral("mbrown");
        QTest::newRow("inserted") << QByteArray("C:/Work/ref/") << QByteArray("C:/Work/new/ref/")
                                  << QString() << QStringLiteral("new/");
        // One character that differs in its second byte only.
        QTest::newRow("accent") << QByteArray("caf\xC3\xA9/") << QByteArray("caf\xC3\xA8/")
                                << ui::FromBytes("\xC3\xA9") << ui::FromBytes("\xC3\xA8");
        // Far past what a cell is given: the part around the difference is shown.
        const QByteArray before(6000, 'a');
        const QByteArray after(3000, 'b');
        QTest::newRow("far in a long value") << before + "X" + after << before + "Y" + after
                                             << QStringLiteral("X") << QStringLiteral("Y");
    }

    void differences_markedAndKeptInSight() {
        QFETCH(QByteArray, oldValue);
        QFETCH(QByteArray, newValue);
        QFETCH(QString, oldMarked);
        QFETCH(QString, newMarked);
        MainWindowHarness h;
        const QByteArray same = "(user): SAME=1 [1]\r\n";
        h.window->startUp(h.writeReport("Processing macro file [C:\\a.cfg]\r\n(user): V=x [" +
                                            oldValue + "]\r\n" + same,
                                        QStringLiteral("old.txt")));
        h.pickers.answers.push_back(h.writeReport("Processing macro file [C:\\a.cfg]\r\n(user): "
                                                  "V=x [" +
                                                      newValue + "]\r\n" + same,
                                                  QStringLiteral("new.txt")));
        h.window->actions().compareWith->trigger();
        auto* compare = qobject_cast<ui::CompareWindow*>(
            h.window->launcher().window(ui::Launcher::Window::Compare));
        QVERIFY(compare != nullptr);
        const QAbstractItemModel* model = compare->list()->model();
        QCOMPARE(model->rowCount(), 1);
        for (const auto& [column, marked] :
             {std::pair{int(ui::CompareModel::OldValueColumn), oldMarked},
              std::pair{int(ui::CompareModel::NewValueColumn), newMarked}}) {
            const QModelIndex cell = model->index(0, column);
            const QString shown = cell.data().toString();
            QVERIFY(shown.size() <= qsizetype(ui::kShownBytes) + 2);
            const QVariant difference = cell.data(ui::CompareModel::DifferenceRole);
            QVERIFY(difference.canConvert<ui::ShownSpan>());
            const auto span = difference.value<ui::ShownSpan>();
            QCOMPARE(shown.mid(span.start, span.end - span.start), marked);
        }
        // The same variables and the other columns have no mark.
        compare->findChild<QCheckBox*>(QStringLiteral("differencesOnly"))->click();
        QCOMPARE(model->rowCount(), 2);
        const int sameRow = model->index(0, 0).data().toString() == QStringLiteral("SAME") ? 0 : 1;
        QCOMPARE(model->index(sameRow, 0).data().toString(), QStringLiteral("SAME"));
        QVERIFY(!model->index(sameRow, ui::CompareModel::OldValueColumn)
                     .data(ui::CompareModel::DifferenceRole)
                     .isValid());
        QVERIFY(!model->index(1 - sameRow, ui::CompareModel::OldFileColumn)
                     .data(ui::CompareModel::DifferenceRole)
                     .isValid());
    }

    void differences_paintedOnTheirBackground_evenInANarrowColumn() {
        CompareHarness h;
        ui::CompareWindow* compare = h.compare();
        QVERIFY(compare != nullptr);
        compare->show();
        QVERIFY(QTest::qWaitForWindowExposed(compare));
        QTreeView* list = compare->list();
        const int row = h.rowOf(QStringLiteral("MS_RFDIR"));
        QVERIFY(row >= 0);
        const auto markedPixels = [list](const QModelIndex& cell) {
            const QImage shot =
                list->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRect rect = list->visualRect(cell) & shot.rect();
            const QRgb marked = ui::DifferenceBackground().rgb();
            int count = 0;
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                for (int x = rect.left(); x <= rect.right(); ++x)
                    count += shot.pixel(x, y) == marked ? 1 : 0;
            return count;
        };
        const QModelIndex oldValue = list->model()->index(row, ui::CompareModel::OldValueColumn);
        const QModelIndex oldFile = list->model()->index(row, ui::CompareModel::OldFileColumn);
        QVERIFY(markedPixels(oldValue) > 0);
        QCOMPARE(markedPixels(oldFile), 0);
        // Too narrow for "C:/Work/jsmith/ref/": the difference is what stays in sight.
        list->setColumnWidth(ui::CompareModel::OldValueColumn,
                             list->fontMetrics().horizontalAdvance(QStringLiteral("jsmith/r")) +
                                 list->iconSize().width() + 12);
        QTest::qWait(20);
        QVERIFY(markedPixels(oldValue) > 0);
    }

    void toolTip_noneBelowTheLastRow() {
        CompareHarness h;
        ui::CompareWindow* compare = h.compare();
        QVERIFY(compare != nullptr);
        compare->show();
        QVERIFY(QTest::qWaitForWindowExposed(compare));
        QTreeView* list = compare->list();
        const QModelIndex last =
            list->model()->index(list->model()->rowCount() - 1, ui::CompareModel::NewFileColumn);
        list->setColumnWidth(ui::CompareModel::NewFileColumn, 40);
        list->header()->setStretchLastSection(false);
        const QPoint atLast = list->visualRect(last).center();
        QHelpEvent onCell(QEvent::ToolTip, atLast, list->viewport()->mapToGlobal(atLast));
        QCoreApplication::sendEvent(list->viewport(), &onCell);
        QVERIFY(QToolTip::isVisible());
        const QPoint below(atLast.x(), list->visualRect(last).bottom() + 12);
        QVERIFY(below.y() < list->viewport()->height());
        QHelpEvent help(QEvent::ToolTip, below, list->viewport()->mapToGlobal(below));
        QCoreApplication::sendEvent(list->viewport(), &help);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void output_writesWhatTheCliDiffWrites_andSaysSo() {
        CompareHarness h;
        ui::CompareWindow* compare = h.compare();
        QVERIFY(compare != nullptr);
        // The last Output Options delimiter has no say: the file is the diff's.
        h.state.exportChoices.ExportDelimiter = "\t";
        for (const bool all : {false, true}) {
            if (all)
                compare->findChild<QCheckBox*>(QStringLiteral("differencesOnly"))->click();
            const QString out = QString::fromStdString(h.folder.file(all ? "all.txt" : "diff.txt"));
            h.pickers.answers.push_back(out);
            h.prompter.shown.clear();
            compare->exportComparison();

            const QString fromCli = QString::fromStdString(h.folder.file("cli.txt"));
            QStringList arguments{QStringLiteral("diff"), h.oldReport, h.newReport,
                                  QStringLiteral("--out"), fromCli};
            if (all)
                arguments << QStringLiteral("--all");
            QProcess process;
            process.start(QStringLiteral(VARSCOPE_CLI), arguments);
            QVERIFY(process.waitForFinished(30000));
            QCOMPARE(process.exitCode(), 1); // they differ
            const QByteArray written = varscope::testing::ReadAll(out);
            QVERIFY(!written.isEmpty());
            QCOMPARE(written, varscope::testing::ReadAll(fromCli));

            QCOMPARE(h.prompter.shown.size(), std::size_t(1));
            const auto& said = h.prompter.shown[0];
            QCOMPARE(said.icon, varscope::core::MessageIcon::Information);
            QVERIFY(said.text.find(out.toStdString()) != std::string::npos);
            const std::string lines = std::to_string(written.count("\r\n")) + " lines";
            QVERIFY2(said.text.find(lines) != std::string::npos, said.text.c_str());
            QCOMPARE(h.boxOver(0), static_cast<QWidget*>(compare));
        }

        // A file that cannot be written: told why, nothing said to be done.
        h.prompter.shown.clear();
        varscope::testing::WriteTextFile(h.folder.file("a file"), "not a folder\n");
        h.pickers.answers.push_back(QString::fromStdString(h.folder.file("a file")) +
                                    QStringLiteral("/x.txt"));
        compare->exportComparison();
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].icon, varscope::core::MessageIcon::Exclamation);
        QVERIFY(h.prompter.shown[0].text.rfind("Could not write", 0) == 0);
    }

    void compareWith_aFileWithoutDefinitions_isRefusedNamingIt_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a report") << QByteArray("Dear Sir,\r\nplease find attached...\r\n");
        QTest::newRow("files but no variables")
            << QByteArray("Processing macro file [C:\\Bentley\\a.cfg]\r\n");
    }

    void compareWith_aFileWithoutDefinitions_isRefusedNamingIt() {
        QFETCH(QByteArray, bytes);
        MainWindowHarness h;
        h.window->startUp(QStringLiteral(VARSCOPE_FIXTURES "/compare_old_msdebug.txt"));
        const QString chosen = h.writeReport(bytes, QStringLiteral("chosen.txt"));
        h.pickers.answers.push_back(chosen);
        h.window->actions().compareWith->trigger();
        QCOMPARE(h.window->launcher().window(ui::Launcher::Window::Compare), nullptr);
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        const std::string& text = h.prompter.shown[0].text;
        QVERIFY2(text.find("holds no variable definitions") != std::string::npos, text.c_str());
        QVERIFY(text.find(QDir::toNativeSeparators(chosen).toStdString()) != std::string::npos);
        QVERIFY(text.find("removed") == std::string::npos);
    }

    void doubleClick_opensTheFileOfTheSideClicked() {
        CompareHarness h;
        QVERIFY(h.compare() != nullptr);
        const int row = h.rowOf(QStringLiteral("MS_RFDIR"));
        QVERIFY(row >= 0);
        QTreeView* list = h.compare()->list();
        h.compare()->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.compare()));
        for (const auto& [column, file] :
             {std::pair{int(ui::CompareModel::NewFileColumn), "mbrown.ucf"},
              std::pair{int(ui::CompareModel::OldValueColumn), "jsmith.ucf"}}) {
            const QModelIndex index = list->model()->index(row, column);
            list->scrollTo(index);
            const QPoint at = list->visualRect(index).center();
            // As the system reports a double-click: the first click selects the row.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(varscope::testing::TakeLinesWhenWritten(h.arguments, 1),
                     std::vector<std::string>{h.folder.file(file)});
            QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("MS_RFDIR"));
        }
    }

    void compareWith_nothingPicked_keepsTheComparison_unreadable_saysWhy() {
        CompareHarness h;
        QPointer<ui::CompareWindow> first = h.compare();
        QVERIFY(first != nullptr);
        // Cancelled: the comparison on screen stays.
        h.window->actions().compareWith->trigger();
        QCOMPARE(h.compare(), first.data());
        QVERIFY(h.prompter.shown.empty());

        // A report that cannot be read: told, and no comparison made.
        h.pickers.answers.push_back(QString::fromStdString(h.folder.file("gone.txt")));
        h.window->actions().compareWith->trigger();
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QCOMPARE(h.prompter.shown[0].title, std::string("Compare"));
        QVERIFY(h.prompter.shown[0].text.find("gone.txt") != std::string::npos);
        QCOMPARE(h.compare(), nullptr);
    }
};

QTEST_MAIN(CompareWindowTest)
#include "compare_window_test.moc"
