// The derivation pane on the demo report: it follows the selection (a record's moment on
// All Variables, the final value on Summary) and a double-click selects a node's record.
#include "core/report/references.hpp"
#include "main_window_support.hpp"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QTreeWidget>

using namespace varscope;
using namespace varscope::testing;

namespace {

const QString kDemo = QStringLiteral(VARSCOPE_EXAMPLES "/sample-msdebug.txt");

// The records of the tree's "How" part, depth first, as the pane holds them.
void Records(const QTreeWidgetItem* item, std::vector<std::size_t>& out) {
    for (int i = 0; i < item->childCount(); ++i) {
        out.push_back(std::size_t(item->child(i)->data(0, Qt::UserRole + 1).toULongLong()));
        Records(item->child(i), out);
    }
}

// The same from the core's tree: 0 for a node naming no record shown.
std::vector<std::size_t> Expected(const core::Derivation& derivation) {
    std::vector<std::size_t> out;
    for (const core::DerivationNode& node : derivation.Nodes)
        out.push_back(node.State == core::DerivationState::Defined ||
                              node.State == core::DerivationState::Repeat ||
                              node.State == core::DerivationState::DefinedLater
                          ? node.Record
                          : 0);
    return out;
}

} // namespace

class DerivationPaneTest final : public QObject {
    Q_OBJECT
private slots:
    void pane_followsTheSelection_momentAndFinal() {
        MainWindowHarness h;
        h.window->startUp(kDemo);
        auto* pane = h.find<QWidget>("derivationPane");
        auto* tree = h.find<QTreeWidget>("derivationTree");
        auto* hint = h.find<QLabel>("derivationHint");
        QAction* item = h.window->actions().derivation;
        QVERIFY(pane != nullptr && tree != nullptr && hint != nullptr && item != nullptr);
        QCOMPARE(item->shortcut(), QKeySequence(Qt::Key_F4));
        QVERIFY(!pane->isVisibleTo(h.window.get()));
        item->setChecked(true);
        QVERIFY(pane->isVisibleTo(h.window.get()));
        QVERIFY(hint->isVisibleTo(h.window.get()));
        QCOMPARE(hint->text(), QStringLiteral("Select a variable to see how it got its value."));

        const core::ReportData& report = h.state.report.Contents;
        const core::NameIndex index(report);
        QVERIFY(h.window->selectVariable("MS_DEF"));
        const std::size_t record = AllVariables(*h.window)->selectedRecord()->Index;
        QVERIFY(!hint->isVisibleTo(h.window.get()));
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("How MS_DEF got its value"));
        std::vector<std::size_t> shown;
        Records(tree->topLevelItem(0), shown);
        QCOMPARE(shown, Expected(core::DeriveAtRecord(report, index, record)));
        QCOMPARE(tree->topLevelItem(1)->text(0),
                 QStringLiteral("Used by (%1)").arg(core::UsedBy(report, "MS_DEF").size()));

        // Summary: the final value.
        h.window->showPage(ui::MainWindow::SummaryPage);
        QVERIFY(pane->isVisibleTo(h.window.get()));
        const auto& lines = report.SummaryLines;
        std::size_t line = 0;
        while (line < lines.size() && core::SummaryEntryName(lines, line) != "MS_DEF")
            ++line;
        QVERIFY(line < lines.size());
        SummaryList(*h.window)->setCurrentIndex(SummaryModel(*h.window)->index(int(line), 0));
        shown.clear();
        Records(tree->topLevelItem(0), shown);
        QCOMPARE(shown,
                 Expected(core::DeriveFinalValue(report, h.state.report.Winners, index, "MS_DEF")));

        // Pages without the pane, and the item turned off.
        h.window->showPage(ui::MainWindow::FileOrderPage);
        QVERIFY(!pane->isVisibleTo(h.window.get()));
        h.window->showPage(ui::MainWindow::AllVariablesPage);
        item->setChecked(false);
        QVERIFY(!pane->isVisibleTo(h.window.get()));
    }

    void enterOnANode_selectsItsRecordClearingTheFilter() {
        MainWindowHarness h;
        h.window->startUp(kDemo);
        QVERIFY(h.showAndWait());
        // The pane takes room from the list; the selected row stays in sight.
        QVERIFY(h.window->selectVariable("MS_DEF"));
        ui::VariableListView* list = AllVariables(*h.window);
        list->scrollTo(list->currentIndex(), QAbstractItemView::PositionAtBottom);
        h.window->actions().derivation->setChecked(true);
        QTRY_VERIFY(list->viewport()->rect().contains(list->visualRect(list->currentIndex())));
        AllVariables(*h.window)->setFilterText(QStringLiteral("MS_DEF"));
        auto* tree = h.find<QTreeWidget>("derivationTree");
        QTreeWidgetItem* node = tree->topLevelItem(0)->child(0)->child(0);
        QVERIFY(node != nullptr);
        const std::size_t record = std::size_t(node->data(0, Qt::UserRole + 1).toULongLong());
        QVERIFY(record != 0);
        tree->setCurrentItem(node);
        h.find<QAction>("copyDerivationName")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QString::fromUtf8(h.state.report.Contents.Variables[record - 1].Name));
        // Enter on the node (the double-click goes the same way).
        h.find<QAction>("activateDerivation")->trigger();
        QCOMPARE(AllVariables(*h.window)->selectedRecord(),
                 &h.state.report.Contents.Variables[record - 1]);
        QVERIFY(AllVariables(*h.window)->filterText().isEmpty());
    }

    void manyUsers_listedWhenTheListIsOpened() {
        MainWindowHarness h;
        QByteArray report = "(user): ROOT=C:/data/ [C:/data/]\r\n";
        for (int i = 0; i < 60; ++i)
            report += "(user): USER" + QByteArray::number(i) + "=$(ROOT)x [C:/data/x]\r\n";
        h.window->startUp(h.writeReport(report));
        h.window->actions().derivation->setChecked(true);
        auto* tree = h.find<QTreeWidget>("derivationTree");
        for (const char* name : {"USER3", "ROOT"}) {
            QVERIFY(h.window->selectVariable(name));
            QTreeWidgetItem* usedBy = tree->topLevelItem(1);
            QCOMPARE(usedBy->text(0),
                     QStringLiteral("Used by (%1)").arg(std::string_view(name) == "ROOT" ? 60 : 0));
        }
        QTreeWidgetItem* usedBy = tree->topLevelItem(1);
        QVERIFY(!usedBy->isExpanded());
        QCOMPARE(usedBy->childCount(), 0);
        usedBy->setExpanded(true);
        QCOMPARE(usedBy->childCount(), 60);
        QCOMPARE(usedBy->child(59)->text(0), QStringLiteral("USER59"));
    }
};

QTEST_MAIN(DerivationPaneTest)
#include "derivation_pane_test.moc"
