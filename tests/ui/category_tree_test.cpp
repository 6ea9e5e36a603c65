// The Category page: the tree of the category file over the report, its rebuilds, and its
// value nodes opening the files that set them.
#include "main_window_support.hpp"

#include "core/category/category_tree.hpp"
#include "core/system/prompter.hpp"
#include "tests/support/qt_environment.hpp"
#include "tests/support/stand_in_programs.hpp"
#include "ui/category/category_tree_model.hpp"
#include "ui/category/category_tree_page.hpp"
#include "ui/dialogs/editor_dialog.hpp"
#include "ui/lists/icons.hpp"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QTreeView>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

using varscope::testing::CategoryTreeView;
using varscope::testing::Exists;
using varscope::testing::FixtureReport;
using varscope::testing::MainWindowHarness;
using varscope::testing::ReadLines;
using varscope::testing::TempFolder;
using varscope::testing::WriteAll;
using varscope::testing::WriteTextFile;
namespace core = varscope::core;
namespace ui = varscope::ui;

namespace {

QString Clipboard() {
    return QGuiApplication::clipboard()->text();
}

bool SameIcon(const QVariant& decoration, const QIcon& expected) {
    return decoration.value<QIcon>().pixmap(16).toImage() == expected.pixmap(16).toImage();
}

// The tree as lines: one per node, indented by depth, depth first.
QStringList Outline(const QAbstractItemModel& model, const QModelIndex& parent = {},
                    const QString& indent = {}) {
    QStringList lines;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        lines << indent + index.data().toString();
        lines << Outline(model, index, indent + QLatin1Char('.'));
    }
    return lines;
}

struct CategoryHarness : MainWindowHarness {
    QString categoryFile() const { return path(QStringLiteral("DebugCategory.Txt")); }
    void writeCategories(const QByteArray& bytes) const { WriteAll(categoryFile(), bytes); }

    QTreeView* view() const { return CategoryTreeView(*window); }
    const QAbstractItemModel& model() const { return *view()->model(); }
    QModelIndex node(std::initializer_list<int> rows) const {
        QModelIndex index;
        for (const int row : rows)
            index = model().index(row, 0, index);
        return index;
    }
    std::vector<int> links() const {
        std::vector<int> linked;
        for (const core::ConfigVariable& record : state.report.Contents.Variables)
            linked.push_back(record.TreeNode);
        return linked;
    }
};

// A report naming real files, and an editor that records its arguments: MS_DEF set in the
// site file and again in the user file.
struct EditHarness : CategoryHarness {
    TempFolder folder;
    const std::string siteFile = folder.file("config files/site one.cfg");
    const std::string userFile = folder.file("user.ucf");
    const std::string arguments = folder.file("arguments.txt");
    const std::string editor = varscope::testing::WriteStandIn(
        folder.file("my editor/ed"), {varscope::testing::StepRecordArguments(arguments)});

    EditHarness() {
        WriteTextFile(siteFile, "MS_DEF = dgn/\n");
        WriteTextFile(userFile, "MS_DEF = mine/\n");
        writeCategories("[node=Design]\r\nDesign files=MS_DEF\r\nCells=MS_CELL\r\n");
        const std::string report = "Processing macro file [" + siteFile +
                                   "]\r\n(site): MS_DEF=dgn/ [dgn/]\r\n"
                                   "(site): MS_CELL=cell/ [cell/]\r\n"
                                   "Processing macro file [" +
                                   userFile + "]\r\n(user): MS_DEF=mine/ [mine/]\r\n";
        window->startUp(writeReport(QByteArray::fromStdString(report)));
        state.preferences.EditorPath = editor;
        state.preferences.setConfirmBeforeEdit(false);
        QGuiApplication::clipboard()->clear();
    }

    std::vector<std::string> editorArguments() const {
        // The editor is not waited for: its record arrives in its own time.
        return varscope::testing::TakeLinesWhenWritten(arguments, 1);
    }
    int editorDialogs() const { return int(window->findChildren<ui::EditorDialog*>().size()); }

    void select(const QModelIndex& index) const {
        view()->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }
    // As the system reports a double-click: the first click selects the node.
    void doubleClick(const QModelIndex& index) const {
        view()->scrollTo(index);
        const QPoint at = view()->visualRect(index).center();
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, at);
    }
    void pressEnter(const QModelIndex& index) const {
        select(index);
        // Keys go where the focus is.
        view()->setFocus();
        QTest::keyClick(view(), Qt::Key_Return);
    }
};

enum class Gesture { DoubleClick, Enter };

} // namespace

class CategoryTreeTest final : public QObject {
    Q_OBJECT
private slots:
    void startUp_fixtureReport_threeLevelsInFileAndReportOrderWithIcons() {
        CategoryHarness h;
        h.writeCategories("[node=Design]\r\nDesign files=MS_DEF\r\nMissing=NOT_SET\r\n"
                          "Small letters=ms_def\r\n[node=Empty]\r\n");
        h.window->startUp(FixtureReport());
        QAbstractItemModelTester tester(h.view()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);

        const auto& records = h.state.report.Contents.Variables;
        auto valuesOf = [&](std::string_view name) {
            std::vector<const core::ConfigVariable*> found;
            for (const core::ConfigVariable& record : records) {
                if (record.Name == name)
                    found.push_back(&record);
            }
            return found;
        };
        const auto msDef = valuesOf("MS_DEF");
        const auto smallDef = valuesOf("ms_def");
        QCOMPARE(msDef.size(), std::size_t(3));
        QCOMPARE(smallDef.size(), std::size_t(1));

        QStringList expected{QStringLiteral("Design"), QStringLiteral(".Design files   [MS_DEF]")};
        for (const core::ConfigVariable* record : msDef)
            expected << QStringLiteral("..") + QString::fromLatin1(record->Expansion);
        expected << QStringLiteral(".Missing   [NOT_SET]")
                 << QStringLiteral(".Small letters   [ms_def]")
                 << QStringLiteral("..") + QString::fromLatin1(smallDef[0]->Expansion)
                 << QStringLiteral("Empty");
        QCOMPARE(Outline(h.model()), expected);

        const ui::IconLibrary& icons = h.window->icons();
        QVERIFY(SameIcon(h.node({0}).data(Qt::DecorationRole), icons.categoryIcon()));
        QVERIFY(SameIcon(h.node({1}).data(Qt::DecorationRole), icons.categoryIcon()));
        for (int member = 0; member < 3; ++member)
            QVERIFY(SameIcon(h.node({0, member}).data(Qt::DecorationRole), icons.memberIcon()));
        for (int row = 0; row < 3; ++row) {
            QVERIFY(SameIcon(h.node({0, 0, row}).data(Qt::DecorationRole),
                             icons.levelIcon(msDef[std::size_t(row)]->Level)));
        }
        // The levels differ, so the icons above were told apart.
        QVERIFY(msDef[0]->Level != msDef[1]->Level && msDef[1]->Level != msDef[2]->Level);

        // Built collapsed, and the busy pointer is gone again.
        QVERIFY(!h.view()->isExpanded(h.node({0})));
        QVERIFY(!h.view()->isExpanded(h.node({0, 0})));
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(h.prompter.shown.empty());
    }

    void duplicateKey_toldWithTheKey_treeKeepsWhatWasBuiltWithoutValues() {
        const struct {
            const char* file;
            const char* key;
            QStringList outline;
        } cases[] = {
            {"[node=Cells]\r\nCell libraries=MS_CELL\r\n[node=Plot]\r\n[node=Cells]\r\n",
             "Cells",
             {QStringLiteral("Cells"), QStringLiteral("Plot")}},
            // Keys are compared ignoring case, across categories, and against category names.
            {"[node=Cells]\r\nCell libraries=MS_CELL\r\n[node=Design]\r\n"
             "Design file folder=MS_DEF\r\n"
             "cell LIBRARIES=MS_CELLLIST\r\n",
             "cell LIBRARIES",
             {QStringLiteral("Cells"), QStringLiteral(".Cell libraries   [MS_CELL]"),
              QStringLiteral("Design"), QStringLiteral(".Design file folder   [MS_DEF]")}},
            {"[node=Design]\r\ndesign=MS_DEF\r\n", "design", {QStringLiteral("Design")}},
        };
        for (const auto& c : cases) {
            CategoryHarness h;
            h.writeCategories(c.file);
            h.window->startUp(FixtureReport());

            QCOMPARE(h.prompter.shown.size(), std::size_t(1));
            const auto& shown = h.prompter.shown.front();
            QCOMPARE(shown.kind, std::string("message"));
            QCOMPARE(shown.text, core::DuplicateKeyMessage(c.key));
            QCOMPARE(shown.icon, core::MessageIcon::Exclamation);
            QCOMPARE(shown.title, std::string("Varscope"));
            QCOMPARE(Outline(h.model()), c.outline);
            QVERIFY(QApplication::overrideCursor() == nullptr);
            for (const int link : h.links())
                QCOMPARE(link, 0);
        }
    }

    void unicodeCategoryFile_saidWhenRead_treeLeftEmpty() {
        CategoryHarness h;
        h.writeCategories(QByteArray("\xFF\xFE[\0n\0o\0d\0e\0=\0A\0]\0", 18));
        h.window->startUp(FixtureReport());

        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        const auto& shown = h.prompter.shown.front();
        QCOMPARE(shown.kind, std::string("message"));
        QCOMPARE(shown.icon, core::MessageIcon::Exclamation);
        QVERIFY(shown.text.find("UTF-16") != std::string::npos);
        QVERIFY(shown.text.find(QDir::toNativeSeparators(h.categoryFile()).toStdString()) !=
                std::string::npos);
        QCOMPARE(h.model().rowCount(), 0);
    }

    void pageVisit_rebuildsFromTheFile_oldLinksReset() {
        CategoryHarness h;
        h.writeCategories("[node=Design]\r\nDesign files=MS_DEF\r\n");
        h.window->startUp(FixtureReport());
        const std::vector<int> before = h.links();
        QCOMPARE(int(std::count_if(before.begin(), before.end(), [](int link) { return link; })),
                 3);

        h.writeCategories("[node=Cells]\r\nCell libraries=MS_CELL\r\n");
        h.window->showPage(ui::MainWindow::CategoryPage);

        QCOMPARE(h.model().index(0, 0).data().toString(), QStringLiteral("Cells"));
        const auto& records = h.state.report.Contents.Variables;
        int cells = 0;
        for (const core::ConfigVariable& record : records) {
            const bool cell = record.Name == "MS_CELL";
            cells += cell;
            QVERIFY2(cell == (record.TreeNode != 0), std::string(record.Name).c_str());
        }
        QVERIFY(cells > 0);

        // A file gone since gives an empty tree, without a message.
        QFile::remove(h.categoryFile());
        h.window->showPage(ui::MainWindow::SummaryPage);
        h.window->showPage(ui::MainWindow::CategoryPage);
        QCOMPARE(h.model().rowCount(), 0);
        QVERIFY(h.prompter.shown.empty());
    }

    void valueNode_doubleClickOrEnter_copiesNameAndOpensItsFile() {
        for (const Gesture gesture : {Gesture::DoubleClick, Gesture::Enter}) {
            EditHarness h;
            QVERIFY(h.showAndWait());
            h.window->showPage(ui::MainWindow::CategoryPage);
            h.view()->expandAll();
            auto act = [&](const QModelIndex& index) {
                gesture == Gesture::DoubleClick ? h.doubleClick(index) : h.pressEnter(index);
            };

            // The user file's record: the second value node of "Design files".
            act(h.node({0, 0, 1}));
            QCOMPARE(Clipboard(), QStringLiteral("MS_DEF"));
            QCOMPARE(h.editorArguments(), std::vector<std::string>{h.userFile});

            act(h.node({0, 0, 0}));
            QCOMPARE(h.editorArguments(), std::vector<std::string>{h.siteFile});
            QVERIFY(h.prompter.shown.empty());
        }
    }

    void categoryOrMemberNode_doubleClickOrEnter_doNothing() {
        for (const Gesture gesture : {Gesture::DoubleClick, Gesture::Enter}) {
            EditHarness h;
            QVERIFY(h.showAndWait());
            h.state.preferences.EditorPath.clear();
            h.window->showPage(ui::MainWindow::CategoryPage);
            h.view()->expandAll();
            // The category last: a double-click opens and closes it, as in any tree.
            for (const QModelIndex& index : {h.node({0, 0}), h.node({0, 1}), h.node({0})}) {
                gesture == Gesture::DoubleClick ? h.doubleClick(index) : h.pressEnter(index);
                QVERIFY(Clipboard().isEmpty());
                QCOMPARE(h.editorDialogs(), 0);
                QVERIFY(h.prompter.shown.empty());
            }
            // An empty tree: nothing either.
            h.writeCategories("");
            h.window->showPage(ui::MainWindow::AllVariablesPage);
            h.window->showPage(ui::MainWindow::CategoryPage);
            QCOMPARE(h.model().rowCount(), 0);
            QTest::mouseDClick(h.view()->viewport(), Qt::LeftButton);
            QTest::keyClick(h.view(), Qt::Key_Return);
            QVERIFY(Clipboard().isEmpty());
            QCOMPARE(h.editorDialogs(), 0);
            QVERIFY(h.prompter.shown.empty());
        }
    }

    void valueNode_noEditorSet_offersTheEditorDialogAndGoesOn() {
        const varscope::testing::NoDesktopEditor noDesktopEditor;
        EditHarness h;
        QVERIFY(h.showAndWait());
        h.state.preferences.EditorPath.clear();
        h.window->showPage(ui::MainWindow::CategoryPage);
        h.view()->expandAll();

        h.doubleClick(h.node({0, 1, 0}));

        QCOMPARE(h.editorDialogs(), 1);
        QVERIFY(!h.window->findChild<ui::EditorDialog*>()->isModal());
        QCOMPARE(Clipboard(), QStringLiteral("MS_CELL"));
        // With no editor nothing starts and nothing is said: the dialog is the answer.
        QVERIFY(h.prompter.shown.empty());
    }
};

QTEST_MAIN(CategoryTreeTest)
#include "category_tree_test.moc"
