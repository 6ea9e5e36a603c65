// View > "Compare With...": the comparison of the report on screen with a second one.
#include "main_window_support.hpp"

#include "tests/support/stand_in_programs.hpp"
#include "ui/compare/compare_window.hpp"
#include "ui/main/launcher.hpp"
#include "ui/text_conversion.hpp"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>
#include <QTreeView>

using varscope::testing::MainWindowHarness;
using varscope::testing::ReadLines;
using varscope::testing::TempFolder;
using varscope::testing::WriteTextFile;
namespace ui = varscope::ui;

namespace {

// The fixture pair with their user files in a temporary folder, the first on screen, and an
// editor that records its arguments.
struct CompareHarness : MainWindowHarness {
    TempFolder folder;
    const std::string arguments = folder.file("arguments.txt");

    CompareHarness() {
        const auto place = [this](const char* name) {
            QByteArray bytes = varscope::testing::ReadAll(QStringLiteral(VARSCOPE_FIXTURES "/") +
                                                          QString::fromLatin1(name));
            bytes.replace("C:\\Bentley\\Workspace\\Users\\",
                          QByteArray::fromStdString(folder.file("")));
            return writeReport(bytes, QString::fromLatin1(name));
        };
        WriteTextFile(folder.file("jsmith.ucf"), "MS_RFDIR = $(MS_DEF)jsmith/ref/\n");
        WriteTextFile(folder.file("mbrown.ucf"), "MS_RFDIR = $(MS_DEF)mbrown/ref/\n");
        window->startUp(place("compare_old_msdebug.txt"));
        pickers.answers.push_back(place("compare_new_msdebug.txt"));
        state.preferences.EditorPath = varscope::testing::WriteStandIn(
            folder.file("ed"), {varscope::testing::StepRecordArguments(arguments)});
        state.preferences.setConfirmBeforeEdit(false);
        window->actions().compareWith->trigger();
    }

    ui::CompareWindow* compare() const {
        return qobject_cast<ui::CompareWindow*>(
            window->launcher().window(ui::Launcher::Window::Compare));
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
