// "Output Options": what each page writes, the delimiter and column rules, and failures.
#include "main_window_support.hpp"

#include "core/report/report.hpp"
#include "tests/support/stand_in_programs.hpp"
#include "ui/export/output_options_dialog.hpp"
#include "ui/export/shown_view.hpp"
#include "ui/lists/list_views.hpp"
#include "ui/main/view_interaction.hpp"
#include "ui/text_conversion.hpp"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using varscope::testing::AllVariables;
using varscope::testing::FixtureReport;
using varscope::testing::IsolateList;
using varscope::testing::MainWindowHarness;
using varscope::testing::ReadAll;
using varscope::testing::WriteAll;
namespace core = varscope::core;
namespace ui = varscope::ui;

namespace {

const QString kDemoReport = QStringLiteral(VARSCOPE_EXAMPLES "/sample-msdebug.txt");
const std::string kDemoCategories = VARSCOPE_EXAMPLES "/DebugCategory.Txt";

enum Column { Level = 1, Variable = 2, Value = 4, Expansion = 8, File = 16 };

// A main window over a report, with the export dialog opened over it as the menu opens it,
// but without waiting for it.
struct ExportHarness : MainWindowHarness {
    explicit ExportHarness(const QString& report = FixtureReport()) { window->startUp(report); }

    ui::OutputOptionsDialog& open() {
        const int page = window->currentPage();
        const bool variableList =
            page == ui::MainWindow::AllVariablesPage || page == ui::MainWindow::IsolatePage;
        dialog = std::make_unique<ui::OutputOptionsDialog>(
            context, variableList, [this] { return window->shownRows(); }, window.get());
        dialog->show();
        return *dialog;
    }
    template <typename T> T* control(const QString& name) const {
        T* found = dialog->findChild<T*>(name);
        if (found == nullptr)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QCheckBox* column(int index) const {
        return control<QCheckBox>(QStringLiteral("Check_column_%1").arg(index));
    }
    QRadioButton* option(int index) const {
        return control<QRadioButton>(QStringLiteral("Option_Delimiter_%1").arg(index));
    }
    QLineEdit* delimiterBox() const { return control<QLineEdit>(QStringLiteral("Text_delimiter")); }
    void tickColumns(unsigned columns) const {
        for (int index = 0; index < 5; ++index) {
            if ((columns & (1u << index)) != 0 && !column(index)->isChecked())
                column(index)->click();
        }
    }
    void clickContinue() const { control<QPushButton>(QStringLiteral("Command_output"))->click(); }
    // Opens the dialog on `page`, ticks `columns`, writes to `file`; the bytes written.
    QByteArray exportPage(int page, unsigned columns, const QString& file) {
        window->showPage(page);
        state.preferences.OutputFile = ui::ToBytes(file);
        open();
        tickColumns(columns);
        clickContinue();
        return ReadAll(file);
    }
    QString outputFile() const { return ui::FromBytes(state.preferences.OutputFile); }

    std::unique_ptr<ui::OutputOptionsDialog> dialog;
};

// Lines ended by CR LF; the text after the last one is a failure of its own.
QList<QByteArray> CrLfLines(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || !lines.takeLast().isEmpty())
        qWarning("the text does not end with a line end");
    for (QByteArray& line : lines) {
        if (!line.endsWith('\r'))
            qWarning("a line ends without CR");
        line.chop(1);
    }
    return lines;
}

QByteArray Bytes(std::string_view text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

} // namespace

class ExportDialogTest final : public QObject {
    Q_OBJECT

private slots:
    void firstOpening_defaultsAndPerPageRules_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("columnsEnabled");
        QTest::addColumn<bool>("written");
        QTest::newRow("All Variables") << int(ui::MainWindow::AllVariablesPage) << true << false;
        QTest::newRow("Isolate") << int(ui::MainWindow::IsolatePage) << true << false;
        QTest::newRow("Summary") << int(ui::MainWindow::SummaryPage) << false << true;
        QTest::newRow("File Order") << int(ui::MainWindow::FileOrderPage) << false << true;
    }

    // The first export of a run: "|", no column ticked, the default file.
    void firstOpening_defaultsAndPerPageRules() {
        QFETCH(int, page);
        QFETCH(bool, columnsEnabled);
        QFETCH(bool, written);
        ExportHarness h;
        h.window->showPage(page);
        // The Isolate page with nothing selected has said so.
        h.prompter.shown.clear();
        h.open();
        QCOMPARE(h.outputFile(), QDir::toNativeSeparators(h.path(QStringLiteral("Varscope.Txt"))));
        QCOMPARE(h.control<QLabel>(QStringLiteral("Label_file"))->text(), h.outputFile());
        QVERIFY(h.option(0)->isChecked());
        QCOMPARE(h.dialog->focusWidget(), h.option(0));
        QCOMPARE(h.delimiterBox()->text(), QStringLiteral("|"));
        QCOMPARE(h.state.exportChoices.ExportDelimiter, std::string("|"));
        QVERIFY(!h.control<QCheckBox>(QStringLiteral("Check_openFile"))->isChecked());
        for (int index = 0; index < 5; ++index) {
            QVERIFY(!h.column(index)->isChecked());
            QCOMPARE(h.column(index)->isEnabled(), columnsEnabled);
        }

        h.clickContinue();
        QCOMPARE(QFileInfo::exists(h.outputFile()), written);
        QCOMPARE(h.dialog->isVisible(), !written);
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        const auto& shown = h.prompter.shown.front();
        if (!written) {
            QCOMPARE(shown.text, std::string("No Items Selected for Output"));
            QCOMPARE(shown.icon, core::MessageIcon::Exclamation);
            QCOMPARE(shown.title, std::string("Varscope"));
            return;
        }
        QCOMPARE(shown.text, "<" + h.state.preferences.OutputFile + ">  Created     ");
        QCOMPARE(shown.title, std::string("File Created"));
        QCOMPARE(shown.icon, core::MessageIcon::Information);
        const auto& contents = h.state.report.Contents;
        const auto& rows =
            page == ui::MainWindow::SummaryPage ? contents.SummaryLines : contents.ConfigFilesUsed;
        const QList<QByteArray> lines = CrLfLines(ReadAll(h.outputFile()));
        QVERIFY(!rows.empty());
        QCOMPARE(lines.size(), qsizetype(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i)
            QCOMPARE(lines[qsizetype(i)], Bytes(rows[i]));
    }

    void summary_columnBoxesShowTheChoiceButDisabled_andDoNotMatter() {
        ExportHarness h;
        const QString file = h.path(QStringLiteral("summary.txt"));
        const QByteArray plain = h.exportPage(ui::MainWindow::SummaryPage, 0, file);
        h.state.exportChoices.ExportColumns = Level | File;
        h.window->showPage(ui::MainWindow::SummaryPage);
        h.open();
        QVERIFY(h.column(0)->isChecked() && h.column(4)->isChecked());
        QVERIFY(!h.column(1)->isChecked());
        for (int index = 0; index < 5; ++index)
            QVERIFY(!h.column(index)->isEnabled());
        h.clickContinue();
        QCOMPARE(ReadAll(file), plain);
    }

    // The delimiter chosen is kept for the run and shown in the box; "Character" is selected
    // at every opening.
    void delimiter_keptAcrossOpenings_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Space") << 1 << QString() << QStringLiteral(" ");
        QTest::newRow("Tab") << 2 << QString() << QStringLiteral("\t");
        QTest::newRow("typed") << 0 << QStringLiteral(";;") << QStringLiteral(";;");
    }

    void delimiter_keptAcrossOpenings() {
        QFETCH(int, option);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        ExportHarness h;
        h.open();
        h.option(option)->click();
        QCOMPARE(h.delimiterBox()->isEnabled(), option == 0);
        QCOMPARE(h.control<QLabel>(QStringLiteral("Label1"))->isEnabled(), option == 0);
        if (!typed.isEmpty()) {
            h.delimiterBox()->clear();
            QTest::keyClicks(h.delimiterBox(), typed);
        }
        QCOMPARE(h.state.exportChoices.ExportDelimiter, ui::ToBytes(expected));
        h.control<QPushButton>(QStringLiteral("Command1"))->click();
        QVERIFY(!h.dialog->isVisible());

        h.open();
        QCOMPARE(h.delimiterBox()->text(), expected);
        QVERIFY(h.option(0)->isChecked());
        QVERIFY(h.delimiterBox()->isEnabled());
        QCOMPARE(h.state.exportChoices.ExportDelimiter, ui::ToBytes(expected));

        // Written between the columns.
        h.tickColumns(Variable | Value);
        h.clickContinue();
        const QList<QByteArray> lines = CrLfLines(ReadAll(h.outputFile()));
        const auto& first = h.state.report.Contents.Variables.front();
        QCOMPARE(lines.front(), Bytes(first.Name) + expected.toUtf8() + Bytes(first.Value));
    }

    void tab_allColumns_fiveFieldsPerLine() {
        ExportHarness h;
        h.open();
        h.option(2)->click();
        h.tickColumns(Level | Variable | Value | Expansion | File);
        h.clickContinue();
        const QList<QByteArray> lines = CrLfLines(ReadAll(h.outputFile()));
        const auto& records = h.state.report.Contents.Variables;
        QCOMPARE(lines.size(), qsizetype(records.size()));
        for (std::size_t i = 0; i < records.size(); ++i) {
            const auto& record = records[i];
            QByteArrayList fields = {Bytes(record.Name), Bytes(record.Value),
                                     Bytes(record.Expansion), Bytes(record.File)};
            // A row without a level has no level field.
            if (record.Level != core::LevelNone)
                fields.prepend(Bytes(core::LevelName(record.Level)));
            QCOMPARE(lines[qsizetype(i)], fields.join('\t'));
        }
    }

    void levelAndVariableOnly_levelNameThenName_noLevelStartsWithTheName() {
        ExportHarness h;
        h.open();
        h.tickColumns(Level | Variable);
        h.clickContinue();
        const QList<QByteArray> lines = CrLfLines(ReadAll(h.outputFile()));
        const auto& records = h.state.report.Contents.Variables;
        QCOMPARE(lines.size(), qsizetype(records.size()));
        bool sawLevelless = false;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const auto& record = records[i];
            const QByteArray name = Bytes(record.Name);
            if (record.Level == core::LevelNone) {
                sawLevelless = true;
                QCOMPARE(lines[qsizetype(i)], name);
            } else {
                QCOMPARE(lines[qsizetype(i)], Bytes(core::LevelName(record.Level)) + '|' + name);
            }
        }
        QVERIFY(sawLevelless);
    }

    void sortedAllVariables_writtenInTheOrderShown() {
        ExportHarness h;
        ui::VariableListView& view = *AllVariables(*h.window);
        h.window->interaction().sortByColumn(view, ui::VariableTableModel::NameColumn);
        h.window->interaction().sortByColumn(view, ui::VariableTableModel::NameColumn);
        QCOMPARE(view.sortOrder(), Qt::DescendingOrder);
        const QByteArray written = h.exportPage(ui::MainWindow::AllVariablesPage, Variable | File,
                                                h.path(QStringLiteral("sorted.txt")));
        const QList<QByteArray> lines = CrLfLines(written);
        const QAbstractItemModel& shown = view.shown();
        QCOMPARE(lines.size(), qsizetype(shown.rowCount()));
        for (int row = 0; row < shown.rowCount(); ++row) {
            const QString expected =
                shown.index(row, ui::VariableTableModel::NameColumn).data().toString() + '|' +
                shown.index(row, ui::VariableTableModel::FileColumn).data().toString();
            QCOMPARE(ui::FromBytes(lines[row].toStdString()), expected);
        }
        QVERIFY(lines.front() != Bytes(h.state.report.Contents.Variables.front().Name) + '|' +
                                     Bytes(h.state.report.Contents.Variables.front().File));
    }

    // The demo's "Seeds": a member set at two levels, then one the report lacks.
    void categoryView_demoTree_fiveLinesOfSeeds_sameTwice() {
        ExportHarness h(kDemoReport);
        h.state.preferences.CategoryFilePath = kDemoCategories;

        const QByteArray first =
            h.exportPage(ui::MainWindow::CategoryPage, 0, h.path(QStringLiteral("first.txt")));
        QVERIFY(!h.dialog->isVisible());
        const QByteArray second =
            h.exportPage(ui::MainWindow::CategoryPage, 0, h.path(QStringLiteral("second.txt")));
        QCOMPARE(second, first);

        QByteArray seeds = "Seeds\n\tSeed files   [MS_SEEDFILES]\n";
        const auto& records = h.state.report.Contents.Variables;
        const auto seedRows = core::IsolateByName(h.state.report.Contents, "MS_SEEDFILES");
        QCOMPARE(seedRows.size(), std::size_t(2));
        for (const std::size_t row : seedRows)
            seeds += "\t\t" + Bytes(records[row - 1].Expansion) + '\n';
        seeds += "\t\tCell seed   [MS_CELLSEED]\nDesign files\n";
        QVERIFY2(first.startsWith(seeds), first.left(300).constData());
        QCOMPARE(first.count("Seeds\n"), 1);
        QVERIFY(first.endsWith("\n\r\n"));
        QCOMPARE(first.count('\r'), 1);
    }

    void unwritableFile_oldFileKept_dialogStaysUsable_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("folder that does not exist") << QStringLiteral("missing/out.txt") << false;
        QTest::newRow("read-only file") << QStringLiteral("locked.txt") << true;
        QTest::newRow("a folder") << QStringLiteral("folder.txt") << false;
    }

    void unwritableFile_oldFileKept_dialogStaysUsable() {
        QFETCH(QString, name);
        QFETCH(bool, readOnly);
        ExportHarness h;
        const QString file = QDir::toNativeSeparators(h.path(name));
        const QByteArray old = "old contents\r\n";
        if (name == QStringLiteral("folder.txt"))
            QVERIFY(QDir(h.path({})).mkdir(name));
        if (readOnly) {
            QVERIFY(WriteAll(file, old));
            QFile(file).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadUser);
        }
        h.state.preferences.OutputFile = ui::ToBytes(file);
        h.window->showPage(ui::MainWindow::FileOrderPage);
        h.open();
        h.clickContinue();

        QVERIFY(h.dialog->isVisible());
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        const std::string message = h.prompter.shown.front().text;
        const std::string expectedStart = "Could not write " + ui::ToBytes(file) + ": ";
        QVERIFY2(message.starts_with(expectedStart) && message.size() > expectedStart.size(),
                 message.c_str());
        QCOMPARE(h.prompter.shown.front().icon, core::MessageIcon::Exclamation);
        if (readOnly)
            QCOMPARE(ReadAll(file), old);
        const QStringList left = QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files);
        QVERIFY2(!left.join(' ').contains(QStringLiteral("tmp")), qPrintable(left.join(' ')));

        // Another file, and the same window writes it.
        const QString other = QDir::toNativeSeparators(h.path(QStringLiteral("other.txt")));
        h.pickers.answers.push_back(other);
        h.control<QPushButton>(QStringLiteral("Command_browse"))->click();
        QCOMPARE(h.pickers.asked, QStringList{QStringLiteral("Open")});
        QCOMPARE(h.pickers.folders, QStringList{QDir::toNativeSeparators(h.programFolder.path())});
        QCOMPARE(h.pickers.filters, QStringList{QStringLiteral("Output Text File (*.txt)")});
        QCOMPARE(h.control<QLabel>(QStringLiteral("Label_file"))->text(), other);
        // Kept in the preferences, which are written at exit.
        QCOMPARE(h.outputFile(), other);
        h.clickContinue();
        QVERIFY(!h.dialog->isVisible());
        QVERIFY(!ReadAll(other).isEmpty());
    }

    void viewWhenComplete_opensTheFileInTheEditorInsteadOfTheMessage() {
        ExportHarness h;
        varscope::testing::TempFolder folder;
        const std::string arguments = folder.file("arguments.txt");
        h.state.preferences.EditorPath = varscope::testing::WriteStandIn(
            folder.file("editor"), {varscope::testing::StepRecordArguments(arguments)});
        h.state.preferences.setConfirmBeforeEdit(false);
        h.window->showPage(ui::MainWindow::SummaryPage);
        h.open();
        h.control<QCheckBox>(QStringLiteral("Check_openFile"))->click();
        h.clickContinue();
        QVERIFY(!h.dialog->isVisible());
        QVERIFY(h.prompter.shown.empty());
        QCOMPARE(varscope::testing::ReadLinesWhenWritten(arguments, 1),
                 std::vector<std::string>{h.state.preferences.OutputFile});
        // Clear again at the next opening.
        h.open();
        QVERIFY(!h.control<QCheckBox>(QStringLiteral("Check_openFile"))->isChecked());
    }

    // The window and varscope-cli write the same bytes for every view of the demo.
    void everyDemoView_sameBytesAsTheCommandLine_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("isolate"); // a name, or "level:" and a code
        QTest::addColumn<unsigned>("columns");
        QTest::addColumn<int>("option");
        QTest::addColumn<QStringList>("cli");
        const unsigned all = Level | Variable | Value | Expansion | File;
        QTest::newRow("All Variables")
            << int(ui::MainWindow::AllVariablesPage) << QString() << all << 0
            << QStringList{QStringLiteral("--view"), QStringLiteral("all")};
        QTest::newRow("All Variables, level and value, tab")
            << int(ui::MainWindow::AllVariablesPage) << QString() << unsigned(Level | Value) << 2
            << QStringList{QStringLiteral("--columns"), QStringLiteral("level,value"),
                           QStringLiteral("--delimiter"), QStringLiteral("tab")};
        QTest::newRow("Isolate a variable, space")
            << int(ui::MainWindow::IsolatePage) << QStringLiteral("MS_SEEDFILES")
            << unsigned(Variable | Expansion | File) << 1
            << QStringList{QStringLiteral("--view"),      QStringLiteral("isolate"),
                           QStringLiteral("--name"),      QStringLiteral("MS_SEEDFILES"),
                           QStringLiteral("--columns"),   QStringLiteral("variable,expansion,file"),
                           QStringLiteral("--delimiter"), QStringLiteral("space")};
        QTest::newRow("Isolate a level")
            << int(ui::MainWindow::IsolatePage) << QStringLiteral("level:7") << all << 0
            << QStringList{QStringLiteral("--view"), QStringLiteral("isolate"),
                           QStringLiteral("--level"), QStringLiteral("site")};
        QTest::newRow("Summary") << int(ui::MainWindow::SummaryPage) << QString() << 0u << 0
                                 << QStringList{QStringLiteral("--view"),
                                                QStringLiteral("summary")};
        QTest::newRow("File Order")
            << int(ui::MainWindow::FileOrderPage) << QString() << 0u << 0
            << QStringList{QStringLiteral("--view"), QStringLiteral("files")};
        QTest::newRow("Category") << int(ui::MainWindow::CategoryPage) << QString() << 0u << 0
                                  << QStringList{QStringLiteral("--view"),
                                                 QStringLiteral("category"),
                                                 QStringLiteral("--categories"),
                                                 QString::fromStdString(kDemoCategories)};
    }

    void everyDemoView_sameBytesAsTheCommandLine() {
        QFETCH(int, page);
        QFETCH(QString, isolate);
        QFETCH(unsigned, columns);
        QFETCH(int, option);
        QFETCH(QStringList, cli);
        ExportHarness h(kDemoReport);
        h.state.preferences.CategoryFilePath = kDemoCategories;
        // As the user does it: a variable is isolated by going to the page, a level chosen
        // on the page.
        if (!isolate.isEmpty() && !isolate.startsWith(QStringLiteral("level:")))
            QVERIFY(h.window->selectVariable(ui::ToBytes(isolate)));
        h.window->showPage(page);
        if (isolate.startsWith(QStringLiteral("level:")))
            h.window->filterByLevel(isolate.mid(6).toInt());
        QVERIFY(page != ui::MainWindow::IsolatePage ||
                IsolateList(*h.window)->shown().rowCount() > 0);
        h.state.preferences.OutputFile = ui::ToBytes(h.path(QStringLiteral("window.txt")));
        h.open();
        h.option(option)->click();
        h.tickColumns(columns);
        h.clickContinue();
        QVERIFY(!h.dialog->isVisible());
        const QByteArray fromWindow = ReadAll(h.outputFile());
        QVERIFY(!fromWindow.isEmpty());

        const QString fromCli = h.path(QStringLiteral("cli.txt"));
        QProcess process;
        process.start(QStringLiteral(VARSCOPE_CLI),
                      QStringList{QStringLiteral("export"), kDemoReport} + cli +
                          QStringList{QStringLiteral("--out"), fromCli});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(fromWindow, ReadAll(fromCli));
    }
};

QTEST_MAIN(ExportDialogTest)
#include "export_dialog_test.moc"
