// The Problems page on the demo report with mistakes: it lists what `varscope-cli check`
// lists, and a finding leads to its record.
#include "core/report/report.hpp"
#include "main_window_support.hpp"
#include "ui/problems/findings_page.hpp"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QTabWidget>

using namespace varscope;
using namespace varscope::testing;

namespace {

const QString kMistakes = QStringLiteral(VARSCOPE_EXAMPLES "/sample-mbrown-msdebug.txt");

QByteArray CheckLines(const QStringList& options) {
    QProcess process;
    process.start(QStringLiteral(VARSCOPE_CLI),
                  QStringList{QStringLiteral("check"), kMistakes} + options);
    if (!process.waitForFinished(30000))
        return "(the command did not finish)";
    return process.readAllStandardOutput();
}

} // namespace

class ProblemsPageTest final : public QObject {
    Q_OBJECT
private slots:
    void page_listsWhatTheCommandLists_withAndWithoutNotes() {
        MainWindowHarness h;
        h.window->startUp(kMistakes);
        auto* page = h.find<ui::FindingsPage>("problemsPage");
        auto* tabs = h.find<QTabWidget>("SSTab1");
        auto* notes = h.find<QCheckBox>("showNotes");
        QVERIFY(page != nullptr && tabs != nullptr && notes != nullptr);
        QVERIFY(notes->isChecked());
        const struct {
            bool notes;
            QStringList options;
        } cases[] = {{true, {}},
                     {false, {QStringLiteral("--severity"), QStringLiteral("warning")}}};
        for (const auto& c : cases) {
            notes->setChecked(c.notes);
            const QByteArray expected = CheckLines(c.options);
            QVERIFY(!expected.isEmpty());
            QCOMPARE(QByteArray::fromStdString(page->linesText()), expected);
            const int lines = int(expected.count('\n'));
            QCOMPARE(h.find<QTreeView>("ListView_problems")->model()->rowCount(), lines);
            QCOMPARE(tabs->tabText(ui::MainWindow::ProblemsPage),
                     QStringLiteral("Problems (%1)").arg(lines));
        }
    }

    void doubleClick_selectsTheRecordClearingTheFilter_copyGivesTheLine() {
        MainWindowHarness h;
        h.window->startUp(kMistakes);
        QVERIFY(h.showAndWait());
        auto* page = h.find<ui::FindingsPage>("problemsPage");
        auto* view = h.find<QTreeView>("ListView_problems");
        // A filter that hides every record.
        AllVariables(*h.window)->setFilterText(QStringLiteral("no record holds this"));
        QCOMPARE(AllVariables(*h.window)->shown().rowCount(), 0);
        h.window->showPage(ui::MainWindow::ProblemsPage);

        int row = 0;
        while (row < int(page->shownFindings().size()) &&
               page->shownFindings()[std::size_t(row)].Record == 0)
            ++row;
        QVERIFY(row < int(page->shownFindings().size()));
        const core::Finding finding = page->shownFindings()[std::size_t(row)];
        view->setCurrentIndex(view->model()->index(row, 0));

        h.find<QAction>("copyProblem")->trigger();
        std::string line;
        core::AppendFindingLine(line, finding, h.state.report.ReportPath);
        QCOMPARE(QGuiApplication::clipboard()->text() + QLatin1Char('\n'), QString::fromUtf8(line));

        const QRect cell = view->visualRect(view->model()->index(row, 0));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(h.window->currentPage(), int(ui::MainWindow::AllVariablesPage));
        QVERIFY(AllVariables(*h.window)->filterText().isEmpty());
        QCOMPARE(AllVariables(*h.window)->selectedRecord(),
                 &h.state.report.Contents.Variables[finding.Record - 1]);
    }
};

QTEST_MAIN(ProblemsPageTest)
#include "problems_page_test.moc"
