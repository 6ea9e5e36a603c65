// The All Variables rows as a user narrows and reads them: long texts, the filter box.
#include "core/export/export.hpp"
#include "core/session.hpp"
#include "main_window_support.hpp"
#include "ui/export/shown_view.hpp"
#include "ui/lists/list_views.hpp"
#include "ui/lists/text_list_model.hpp"
#include "ui/lists/variable_table_model.hpp"
#include "ui/main/main_window.hpp"
#include "ui/text_conversion.hpp"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolTip>
#include <QTreeView>

#include <cmath>
#include <numeric>

using varscope::testing::AllVariables;
using varscope::testing::MainWindowHarness;
using varscope::testing::SummaryModel;
namespace core = varscope::core;
namespace ui = varscope::ui;

namespace {

QStringList Names(const QAbstractItemModel& model) {
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.index(row, ui::VariableTableModel::NameColumn).data().toString();
    return names;
}

// The tool tip a view shows for a cell, as a resting mouse asks for it.
QString ToolTipOf(QTreeView* view, const QModelIndex& index) {
    const QRect cell = view->visualRect(index);
    const QPoint at = cell.center();
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view->viewport(), &help);
    return QToolTip::text();
}

// Five records in two files: each filter case below picks out rows by one column only.
const QByteArray kReport = "Processing macro file [C:\\Config\\site.cfg]\r\n"
                           "(site): MS_DEF=$(ROOT)dgn/ [C:/Work/dgn/]\r\n"
                           "(site): MS_RFDIR=refs [REFS]\r\n"
                           "Processing macro file [C:\\Config\\Users\\jsmith.ucf]\r\n"
                           "(user): ROOT=C:/Work/ [C:/Work/]\r\n"
                           "(user): ms_seed=seed.dgn [seed.dgn]\r\n"
                           "(user): PLOTTER=pen [PEN]\r\n";

// Types `text` as a keyboard with its letters on keys does: QTest::keyClicks takes ASCII only.
void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &release);
    }
}

} // namespace

class MainRowsTest final : public QObject {
    Q_OBJECT

private slots:
    void longTexts_shownAndToolTipBounded_wholeBytesKept() {
        MainWindowHarness h;
        // Two-byte UTF-8 characters, so a cut could fall inside one.
        QByteArray value;
        for (int i = 0; i < 50000; ++i)
            value += "\xC3\xA9x";
        h.window->startUp(h.writeReport(
            "Processing macro file [C:\\a.cfg]\r\n(user): LONG=" + value + " [short]\r\n\r\n" +
            "# Configuration Variable Summary\r\n" + "LONG : user = " + value + "\r\n"));
        h.window->resize(900, 500);
        QVERIFY(h.showAndWait());
        auto* all = AllVariables(*h.window);
        const QModelIndex cell = all->model()->index(0, ui::VariableTableModel::ValueColumn);
        const QModelIndex summary =
            SummaryModel(*h.window)->index(SummaryModel(*h.window)->rowCount() - 1, 0);
        const QString whole = ui::FromBytes(std::string_view(value.constData(), value.size()));

        const std::pair<QModelIndex, QString> texts[] = {
            {cell, whole}, {summary, QStringLiteral("LONG : user = ") + whole}};
        for (const auto& [index, text] : texts) {
            const QString shown = index.data().toString();
            QVERIFY(shown.size() <= qsizetype(ui::kShownBytes) + 1);
            QVERIFY(shown.size() > 1000);
            QVERIFY(shown.endsWith(QChar(0x2026)));
            QVERIFY(text.startsWith(shown.chopped(1)));
        }
        const QString tip = ToolTipOf(all, cell);
        QVERIFY(tip.endsWith(QChar(0x2026)));
        QVERIFY(tip.size() <= qsizetype(ui::kShownBytes) + 1 + qsizetype(ui::kShownBytes) / 100);
        for (const QString& line : tip.split(QLatin1Char('\n')))
            QVERIFY(line.size() <= 120);
        // What the user takes away is the whole value.
        all->selectShownRow(0);
        const std::string_view kept = all->selectedRecord()->Value;
        QCOMPARE(QByteArray(kept.data(), qsizetype(kept.size())).trimmed(), value);
    }

    void toolTip_noneBelowTheLastRow() {
        MainWindowHarness h;
        // Texts too long for their cells, so each list has a cell with a tool tip.
        const QByteArray value(3000, 'v');
        h.window->startUp(h.writeReport("Processing macro file [C:\\" + value + ".cfg]\r\n" +
                                        "(user): LONG=" + value + " [" + value + "]\r\n\r\n" +
                                        "# Configuration Variable Summary\r\n" +
                                        "LONG : user = " + value + "\r\n"));
        h.window->resize(900, 500);
        QVERIFY(h.showAndWait());
        QVERIFY(h.window->isolateVariableNamed("LONG"));
        const struct {
            ui::MainWindow::Page page;
            QTreeView* view;
        } lists[] = {
            {ui::MainWindow::AllVariablesPage, AllVariables(*h.window)},
            {ui::MainWindow::IsolatePage, varscope::testing::IsolateList(*h.window)},
            {ui::MainWindow::SummaryPage, varscope::testing::SummaryList(*h.window)},
            {ui::MainWindow::FileOrderPage, varscope::testing::FilesList(*h.window)},
        };
        for (const auto& list : lists) {
            h.window->showPage(list.page);
            QTreeView* view = list.view;
            QTRY_VERIFY(view->isVisible());
            const QAbstractItemModel* model = view->model();
            QVERIFY(model->rowCount() > 0);
            // A cell's tip first: resting below the rows must not leave one, nor show another.
            const QModelIndex last = model->index(model->rowCount() - 1, model->columnCount() - 1);
            view->scrollTo(last);
            QVERIFY2(!ToolTipOf(view, last).isEmpty(), qPrintable(view->objectName()));
            QVERIFY(QToolTip::isVisible());
            const QRect lastRow = view->visualRect(last);
            const QPoint below(lastRow.center().x(), lastRow.bottom() + 12);
            QVERIFY(below.y() < view->viewport()->height());
            QVERIFY(!view->indexAt(below).isValid());
            QHelpEvent help(QEvent::ToolTip, below, view->viewport()->mapToGlobal(below));
            QCoreApplication::sendEvent(view->viewport(), &help);
            QTRY_VERIFY2(!QToolTip::isVisible(), qPrintable(view->objectName()));
        }
    }

    void widerWindow_everyColumnTakesItsShare_andStillFits() {
        MainWindowHarness h;
        h.window->startUp(h.writeReport(kReport));
        QVERIFY(h.showAndWait());
        auto* all = AllVariables(*h.window);
        QHeaderView* header = all->header();
        const auto widths = [header] {
            QList<int> out;
            for (int column = 0; column < header->count(); ++column)
                out << header->sectionSize(column);
            return out;
        };
        const QList<int> before = widths();
        const double total = std::accumulate(before.begin(), before.end(), 0.0);
        const QSize start = h.window->size();
        const int viewBefore = all->width();

        h.window->resize(start + QSize(600, 0));
        QTRY_VERIFY(all->width() > viewBefore);
        const int gain = all->width() - viewBefore;
        const QList<int> after = widths();
        for (int column = 0; column < before.size(); ++column) {
            // Each column's share of the gain, give or take rounding.
            const double share = gain * before[column] / total;
            QVERIFY(std::abs(after[column] - before[column] - share) <= 2);
        }
        QVERIFY(std::accumulate(after.begin(), after.end(), 0) <= all->viewport()->width());

        h.window->resize(start);
        QTRY_COMPARE(widths(), before);
    }

    void filterBox_typedText_rowsWithItInAnyColumnAndCountShown_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("name, case ignored")
            << QStringLiteral("Ms_") << QStringList{"MS_DEF", "MS_RFDIR", "ms_seed"};
        QTest::newRow("value") << QStringLiteral("$(root)") << QStringList{"MS_DEF"};
        QTest::newRow("expansion") << QStringLiteral("PEN") << QStringList{"PLOTTER"};
        QTest::newRow("file") << QStringLiteral("jsmith.UCF")
                              << QStringList{"ROOT", "ms_seed", "PLOTTER"};
        QTest::newRow("nowhere") << QStringLiteral("zzz") << QStringList{};
    }

    void filterBox_typedText_rowsWithItInAnyColumnAndCountShown() {
        QFETCH(QString, typed);
        QFETCH(QStringList, names);
        MainWindowHarness h;
        h.window->startUp(h.writeReport(kReport));
        QVERIFY(h.showAndWait());
        auto* all = AllVariables(*h.window);
        QAbstractItemModelTester tester(all->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        auto* box = h.find<QLineEdit>("filterEdit");
        QVERIFY(box != nullptr);
        QVERIFY(!box->placeholderText().isEmpty());

        QTest::keyClicks(box, typed);
        QTRY_COMPARE(Names(*all->model()), names);
        QCOMPARE(h.find<QLabel>("statusCounts")->text(),
                 QStringLiteral("%1 of 5 records shown, 2 files").arg(names.size()));
    }

    void filterBox_nonAsciiText_foundAsTheListShowsIt_data() {
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("names");
        const auto demo = [] {
            QFile file(QStringLiteral(VARSCOPE_EXAMPLES "/sample-msdebug.txt"));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        // "café" once in UTF-8 and once in Windows-1252; "Ã¼" as bytes that are not UTF-8
        // (0xFF), and "ü" in UTF-8.
        const QByteArray mixed = "Processing macro file [C:\\a.cfg]\r\n"
                                 "(user): UTF8=caf\xC3\xA9 [x]\r\n"
                                 "(user): ANSI=caf\xE9 [x]\r\n"
                                 "(user): LOOKALIKE=\xC3\xBC\xFF [x]\r\n"
                                 "(user): UMLAUT=\xC3\xBC [x]\r\n";
        QTest::newRow("demo report, Windows-1252")
            << demo() << QStringLiteral("b\u00FCro") << QStringList{"MS_COMPANYNAME"};
        // The Windows build shows every byte in the system code page, as MicroStation writes
        // reports there: UTF-8 text is the Linux build's reading.
#ifndef Q_OS_WIN
        QTest::newRow("either encoding")
            << mixed << QStringLiteral("caf\u00E9") << QStringList{"UTF8", "ANSI"};
        QTest::newRow("a character, not its UTF-8 bytes")
            << mixed << QStringLiteral("\u00FC") << QStringList{"UMLAUT"};
        QTest::newRow("the bytes as shown")
            << mixed << QStringLiteral("\u00C3\u00BC") << QStringList{"LOOKALIKE"};
#else
        Q_UNUSED(mixed);
#endif
    }

    void filterBox_nonAsciiText_foundAsTheListShowsIt() {
        QFETCH(QByteArray, report);
        QFETCH(QString, typed);
        QFETCH(QStringList, names);
        QVERIFY(!report.isEmpty());
        MainWindowHarness h;
        h.window->startUp(h.writeReport(report));
        QVERIFY(h.showAndWait());
        auto* all = AllVariables(*h.window);
        TypeText(h.find<QLineEdit>("filterEdit"), typed);
        QTRY_COMPARE(Names(*all->model()), names);
        // What is found shows the typed text.
        for (int row = 0; row < all->model()->rowCount(); ++row) {
            QString shown;
            for (int column = 0; column < all->model()->columnCount(); ++column)
                shown += all->model()->index(row, column).data().toString();
            QVERIFY(shown.contains(typed, Qt::CaseInsensitive));
        }
    }

    void filterBox_sortedSelectedAndEscaped_rowsFollow() {
        MainWindowHarness h;
        h.window->startUp(h.writeReport(kReport));
        QVERIFY(h.showAndWait());
        auto* all = AllVariables(*h.window);
        auto* box = h.find<QLineEdit>("filterEdit");
        all->sortBy(ui::VariableTableModel::NameColumn, Qt::DescendingOrder);
        QVERIFY(h.window->selectVariable("MS_RFDIR"));

        QTest::keyClicks(box, QStringLiteral("ms_"));
        QTRY_COMPARE(Names(*all->model()), (QStringList{"ms_seed", "MS_RFDIR", "MS_DEF"}));
        QCOMPARE(all->selectedRecord()->Name, std::string_view("MS_RFDIR"));
        // A variable the filter hides cannot be selected.
        QVERIFY(!h.window->selectVariable("ROOT"));
        // Find looks through the rows shown only.
        h.prompter.inputs.push_back(std::string("ROOT"));
        h.window->find();
        QCOMPARE(h.prompter.shown.back().text, std::string("No match found"));
        QCOMPARE(all->selectedRecord()->Name, std::string_view("MS_RFDIR"));
        // The export writes what is shown.
        core::ExportChoices names;
        names.ExportColumns = core::ColumnVariable;
        QCOMPARE(ui::ShownViewText(h.window->shownRows(), names,
                                   [](std::size_t, std::size_t) { return true; }),
                 std::optional<std::string>("ms_seed\r\nMS_RFDIR\r\nMS_DEF\r\n"));

        box->setFocus();
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(box->text(), QString());
        QCOMPARE(Names(*all->model()),
                 (QStringList{"ROOT", "PLOTTER", "ms_seed", "MS_RFDIR", "MS_DEF"}));
        QCOMPARE(h.find<QLabel>("statusCounts")->text(), QStringLiteral("5 records, 2 files"));
    }
};

QTEST_MAIN(MainRowsTest)
#include "main_rows_test.moc"
