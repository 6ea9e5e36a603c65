#include "core/category/catalogue_edits.hpp"
#include "core/session.hpp"
#include "tests/support/fake_pickers.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "ui/category/category_manager.hpp"
#include "ui/category/category_texts.hpp"
#include "ui/context.hpp"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>
#include <string>

using namespace varscope;
using core::Answer;

namespace {

template <typename T> T* Child(QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr)
        qFatal("no control named %s", name);
    return child;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList Lines(const QListWidget* list) {
    QStringList lines;
    for (int row = 0; row < list->count(); ++row)
        lines << list->item(row)->text();
    return lines;
}

// "description=variable" for every row of the member list.
QStringList Rows(const QTreeWidget* members) {
    QStringList rows;
    for (int row = 0; row < members->topLevelItemCount(); ++row)
        rows << members->topLevelItem(row)->text(0) + u'=' + members->topLevelItem(row)->text(1);
    return rows;
}

// Runs `act` on the modal window that the next step opens.
void WhenModal(const std::function<void(QWidget*)>& act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            qFatal("no modal window opened");
        act(modal);
    });
}

// Fills the add-member dialog and presses "Update"; the dialog stays when it refuses.
void TypeMember(QWidget* dialog, const QString& description, const QString& variable) {
    Child<QLineEdit>(dialog, "Text_Description")->setText(description);
    Child<QComboBox>(dialog, "Combo_MSVariable")->setEditText(variable);
    QTest::mouseClick(Child<QPushButton>(dialog, "Command_Add"), Qt::LeftButton);
}

} // namespace

class CategoryManagerTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    core::AppState m_state;
    testing::ScriptedPrompter m_prompter;
    testing::FakePickers m_pickers;
    ui::Context m_context{m_state, m_prompter, m_pickers};
    std::unique_ptr<ui::CategoryManager> m_window;

    QString path(const char* name) const { return m_folder.filePath(QString::fromLatin1(name)); }

    // A fresh window over the category file `name`, holding `bytes` unless null.
    ui::CategoryManager& open(const char* name, const QByteArray& bytes = {}) {
        if (!bytes.isNull())
            WriteAll(path(name), bytes);
        m_state.preferences.CategoryFilePath = QDir::toNativeSeparators(path(name)).toStdString();
        m_window = std::make_unique<ui::CategoryManager>(m_context);
        m_window->show();
        return *m_window;
    }

    template <typename T> T* control(const char* name) const {
        return Child<T>(m_window.get(), name);
    }
    QAction* item(const char* name) const { return control<QAction>(name); }
    QListWidget* categories() const { return control<QListWidget>("List_Cat"); }
    QTreeWidget* members() const { return control<QTreeWidget>("ListView_Description"); }
    QPushButton* update() const { return control<QPushButton>("OKButton"); }
    void click(const char* name) const {
        QTest::mouseClick(control<QAbstractButton>(name), Qt::LeftButton);
    }
    void select(int row) const { categories()->setCurrentRow(row); }

    void addCategory(const char* name) {
        m_prompter.inputs.push_back(std::string(name));
        item("pMnuAdd")->trigger();
    }
    void addMember(const QString& description, const QString& variable) {
        WhenModal([=](QWidget* dialog) { TypeMember(dialog, description, variable); });
        item("pMnuAddMember")->trigger();
    }
    std::string lastQuestion() const {
        for (auto shown = m_prompter.shown.rbegin(); shown != m_prompter.shown.rend(); ++shown) {
            if (shown->kind == "askYesNoCancel")
                return shown->text;
        }
        return {};
    }

private slots:
    void init() {
        m_state = core::AppState{};
        m_prompter = testing::ScriptedPrompter{};
        m_pickers = testing::FakePickers{};
        m_state.preferences.ProgramFolder = m_folder.path().toStdString();
        core::ApplyReport(m_state, core::ParseReport("(system): MS_DEF=a [a]\n"
                                                     "(system): MS_DATA=d [d]\n"
                                                     "(site): MS_DEF=b [b]\n"
                                                     "(user): CIVIL=c [c]\n"));
    }
    void cleanup() { m_window.reset(); }

    void newFile_categoriesAndMembersEdited_updateWritesThem() {
        open("none.txt");
        m_pickers.answers.push_back(path("built.txt"));
        item("catNew")->trigger();
        const QString built = QDir::toNativeSeparators(path("built.txt"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Category Manager  ") + built);
        QCOMPARE(m_pickers.asked, QStringList{QStringLiteral("New")});
        QCOMPARE(m_pickers.filters, QStringList{QStringLiteral("Catalog Text File (*.txt)")});
        QVERIFY(!update()->isEnabled());

        addCategory("Paths");
        addCategory("Fonts");
        addCategory("Seeds");
        QCOMPARE(Lines(categories()), (QStringList{"Paths", "Fonts", "Seeds"}));
        QCOMPARE(categories()->currentRow(), 2);
        QCOMPARE(Rows(members()), QStringList{QStringLiteral("=")});
        QVERIFY(update()->isEnabled());
        m_window->prepareContextMenu();
        QVERIFY(!item("pMnuDeleteMember")->isEnabled());
        QCOMPARE(item("pMnuAddMember")->text(), QStringLiteral("Add Member to: Seeds"));
        QCOMPARE(item("pMnuDelete")->text(), QStringLiteral("Delete Category: Seeds"));
        QVERIFY(item("pMnuMoveUp")->isEnabled());
        QVERIFY(!item("pMnuMoveDn")->isEnabled());

        select(0);
        addMember(QStringLiteral("Work folder"), QStringLiteral("MS_DEF"));
        addMember(QStringLiteral("Data"), QStringLiteral("MS_DATA"));
        QCOMPARE(Rows(members()), (QStringList{"Work folder=MS_DEF", "Data=MS_DATA"}));
        m_window->prepareContextMenu();
        QCOMPARE(item("pMnuDeleteMember")->text(), QStringLiteral("Delete Member From: Paths"));
        QVERIFY(!item("pMnuMoveUp")->isEnabled());
        select(1);
        addMember(QStringLiteral("Fonts folder"), QStringLiteral("MS_FONTPATH"));

        // The image button remembers its move; Enter in the picture box repeats it.
        select(0);
        click("SoftBttn2");
        QCOMPARE(m_window->focusWidget(), control<QWidget>("Picture1"));
        // Keys reach the focus of the active window.
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTest::keyClick(control<QWidget>("Picture1"), Qt::Key_Return);
        QCOMPARE(Lines(categories()), (QStringList{"Fonts", "Seeds", "Paths"}));
        QCOMPARE(categories()->currentRow(), 2);
        click("Command_Up");
        QCOMPARE(Lines(categories()), (QStringList{"Fonts", "Paths", "Seeds"}));

        select(0);
        item("pMnuDelete")->trigger();
        QCOMPARE(Lines(categories()), (QStringList{"Paths", "Seeds"}));
        QCOMPARE(categories()->currentRow(), 0);

        WhenModal([](QWidget* dialog) {
            auto* list = Child<QListWidget>(dialog, "List_delete");
            QCOMPARE(Lines(list), (QStringList{"Work folder", "Data"}));
            list->item(0)->setSelected(true);
            QTest::mouseClick(Child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
        });
        item("pMnuDeleteMember")->trigger();
        QCOMPARE(Rows(members()), QStringList{QStringLiteral("Data=MS_DATA")});

        QVERIFY(ReadAll(built).startsWith("<missing>"));
        click("OKButton");
        QVERIFY(!m_window->isVisible());
        QCOMPARE(ReadAll(built),
                 QByteArray("[node=Paths]\r\nData=MS_DATA\r\n[node=Seeds]\r\n=\r\n"));
        QVERIFY(!m_state.categories.unsavedChanges());
        QVERIFY(m_prompter.shown.size() == 3); // the three names, nothing else
        QCOMPARE(m_state.preferences.CategoryFilePath, built.toStdString());
    }

    void closing_withUnsavedEdits_asksAndFollowsTheAnswer_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("stays");
        QTest::addColumn<int>("rebuilds");
        const auto yes = int(Answer::Yes), no = int(Answer::No), cancel = int(Answer::Cancel);
        QTest::newRow("Close, Yes") << "Command_Close" << yes << true << false << 1;
        QTest::newRow("Close, No") << "Command_Close" << no << false << false << 1;
        QTest::newRow("Close, Cancel") << "Command_Close" << cancel << false << true << 0;
        QTest::newRow("close box, Yes") << "box" << yes << true << false << 0;
        QTest::newRow("close box, No") << "box" << no << false << false << 0;
        QTest::newRow("close box, Cancel") << "box" << cancel << false << true << 0;
        QTest::newRow("Cancel, not asked") << "Command_Cancel" << -1 << false << false << 0;
    }

    void closing_withUnsavedEdits_asksAndFollowsTheAnswer() {
        QFETCH(QString, how);
        QFETCH(int, answer);
        QFETCH(bool, saved);
        QFETCH(bool, stays);
        QFETCH(int, rebuilds);
        const QByteArray before = "[node=A]\r\na=MS_DEF\r\n";
        open("cats.txt", before);
        QSignalSpy rebuild(m_window.get(), &ui::CategoryManager::categoryTreeRebuildRequested);
        addCategory("B");
        if (answer >= 0)
            m_prompter.threeWayAnswers.push_back(Answer(answer));

        if (how == QStringLiteral("box"))
            m_window->close();
        else
            click(qPrintable(how));

        QCOMPARE(lastQuestion(),
                 answer >= 0 ? "Save changes to " + m_state.preferences.CategoryFilePath + "?"
                             : std::string());
        QCOMPARE(m_window->isVisible(), stays);
        QCOMPARE(ReadAll(path("cats.txt")), saved ? before + "[node=B]\r\n=\r\n" : before);
        QCOMPARE(rebuild.count(), rebuilds);
        // Only staying keeps the edit in hand; going without saving lets it go.
        QCOMPARE(m_state.categories.unsavedChanges(), stays);
        QCOMPARE(m_state.categories.size(), stays || saved ? 2u : 1u);
    }

    void update_failedSave_saysWhyAndKeepsTheWindowAndTheEdits() {
        open("missing/cats.txt");
        addCategory("A");
        click("OKButton");
        QVERIFY(m_window->isVisible());
        QVERIFY(update()->isEnabled());
        QCOMPARE(m_prompter.shown.back().kind, std::string("message"));
        QVERIFY(m_prompter.shown.back().text.starts_with("Could not save " +
                                                         m_state.preferences.CategoryFilePath));
        QCOMPARE(Lines(categories()), QStringList{QStringLiteral("A")});
    }

    void cancelledNewOrOpen_changesNothing_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("title");
        QTest::newRow("New") << "catNew"
                             << "New";
        QTest::newRow("Open") << "catOpen"
                              << "Open";
    }

    void cancelledNewOrOpen_changesNothing() {
        QFETCH(QString, command);
        QFETCH(QString, title);
        open("cats.txt", "[node=A]\r\na=MS_DEF\r\n");
        const QString windowTitle = m_window->windowTitle();
        const std::string file = m_state.preferences.CategoryFilePath;
        select(0);
        addCategory("B");
        // "No" would let the edit go, but only once a file is chosen.
        m_prompter.threeWayAnswers.push_back(Answer::No);

        item(qPrintable(command))->trigger();

        QCOMPARE(m_pickers.asked, QStringList{title});
        QCOMPARE(m_state.preferences.CategoryFilePath, file);
        QCOMPARE(m_window->windowTitle(), windowTitle);
        QCOMPARE(Lines(categories()), (QStringList{"A", "B"}));
        QCOMPARE(categories()->currentRow(), 1);
        QVERIFY(m_state.categories.unsavedChanges());
        QVERIFY(update()->isEnabled());

        // Asked and cancelled: not even the file dialog.
        m_prompter.threeWayAnswers.push_back(Answer::Cancel);
        item(qPrintable(command))->trigger();
        QCOMPARE(m_pickers.asked.size(), 1);
        QCOMPARE(Lines(categories()), (QStringList{"A", "B"}));

        // Only a chosen file changes anything.
        WriteAll(path("other.txt"), "[node=X]\r\nx=MS_DEF\r\n");
        m_prompter.threeWayAnswers.push_back(Answer::No);
        m_pickers.answers.push_back(path("other.txt"));
        item(qPrintable(command))->trigger();
        QCOMPARE(Lines(categories()),
                 command == QStringLiteral("catOpen") ? QStringList{"X"} : QStringList());
        QVERIFY(Rows(members()).isEmpty());
        QVERIFY(m_window->windowTitle().endsWith(QDir::toNativeSeparators(path("other.txt"))));
        QVERIFY(!update()->isEnabled());
    }

    void typedCategoryName_refusedWithTheProblem_askedAgainWithWhatWasTyped() {
        open("cats.txt", "[node=Paths]\r\nWork folder=MS_DEF\r\n");
        m_prompter.inputs = {std::string("a]b"), std::string("work FOLDER"), std::string()};
        item("pMnuAdd")->trigger();
        QCOMPARE(m_prompter.inputInitials, (std::vector<std::string>{"", "a]b", "work FOLDER"}));
        QCOMPARE(m_prompter.shown[1].text,
                 std::string("A category name cannot hold \"]\": \"a]b\"."));
        QVERIFY(m_prompter.shown[3].text.starts_with("\"work FOLDER\" is already the description"));
        QCOMPARE(Lines(categories()), QStringList{QStringLiteral("Paths")});
        QVERIFY(!update()->isEnabled());
    }

    void member_refusedNames_keepTheDialogAndWhatWasTyped() {
        open("cats.txt", "[node=Paths]\r\nWork folder=MS_DEF\r\n[node=Fonts]\r\n=\r\n");
        select(1);
        struct Typed {
            QString description;
            QString variable;
            std::string message;
            // What was left out is information; what cannot be held, a warning.
            core::MessageIcon icon;
        };
        const Typed refused[] = {
            {QStringLiteral("Fonts folder"), QString(), "Description And Variable Required",
             core::MessageIcon::Information},
            {QStringLiteral("a=b"), QStringLiteral("MS_DEF"),
             "A description cannot hold \"=\": \"a=b\".", core::MessageIcon::Exclamation},
            {QStringLiteral("PATHS"), QStringLiteral("MS_DEF"),
             "\"PATHS\" is already the category \"Paths\".", core::MessageIcon::Exclamation},
        };
        WhenModal([&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Add Member to: Fonts"));
            for (const Typed& typed : refused) {
                TypeMember(dialog, typed.description, typed.variable);
                QVERIFY(dialog->isVisible());
                QCOMPARE(m_prompter.shown.back().text, typed.message);
                QCOMPARE(m_prompter.shown.back().icon, typed.icon);
                QCOMPARE(Child<QLineEdit>(dialog, "Text_Description")->text(), typed.description);
            }
            QTest::mouseClick(Child<QPushButton>(dialog, "Command_Cancel"), Qt::LeftButton);
        });
        item("pMnuAddMember")->trigger();
        QCOMPARE(m_prompter.shown.size(), std::size(refused));
        QCOMPARE(Rows(members()), QStringList{QStringLiteral("=")});
        QVERIFY(!update()->isEnabled());
    }

    void unreadableFile_saidWhenOpened_updateRefusedAndTheFileKept() {
        const QByteArray utf16("\xFF\xFE[\0n\0o\0d\0e\0=\0A\0]\0\r\0\n\0", 22);
        open("cats.txt", utf16);
        QCOMPARE(m_prompter.shown.size(), std::size_t(1));
        const std::string said = m_prompter.shown.front().text;
        QVERIFY(said.find("UTF-16") != std::string::npos);
        QVERIFY(said.find(m_state.preferences.CategoryFilePath) != std::string::npos);
        QVERIFY(Lines(categories()).isEmpty());

        addCategory("B");
        click("OKButton");
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_prompter.shown.back().text, said);
        QCOMPARE(ReadAll(path("cats.txt")), utf16);

        // Another file opened the same way says so too. (Not "nul.txt": Windows keeps NUL,
        // whatever its extension, for the null device.)
        WriteAll(path("with-nul.txt"), QByteArray("[node=A]\r\na=1\0\r\n", 15));
        m_prompter.threeWayAnswers.push_back(Answer::No);
        m_pickers.answers.push_back(path("with-nul.txt"));
        item("catOpen")->trigger();
        QVERIFY(m_prompter.shown.back().text.find("NUL") != std::string::npos);
    }

    void longTexts_shownCut_savedWhole() {
        const QByteArray name(5000, 'N');
        const QByteArray description(6000, 'D');
        const QByteArray variable(7000, 'V');
        open("cats.txt", "[node=" + name + "]\r\n" + description + "=" + variable + "\r\n");
        select(0);
        const QString ellipsis(QChar(0x2026));
        const QString cutName = QString(4096, u'N') + ellipsis;
        QCOMPARE(Lines(categories()), QStringList{cutName});
        QCOMPARE(Rows(members()), QStringList{QString(4096, u'D') + ellipsis + u'=' +
                                              QString(4096, u'V') + ellipsis});
        // The context menu's captions name the category cut as well.
        m_window->prepareContextMenu();
        QVERIFY(item("pMnuAddMember")->text().endsWith(cutName));
        WhenModal([&](QWidget* dialog) {
            QVERIFY(dialog->windowTitle().endsWith(cutName));
            dialog->close();
        });
        item("pMnuAddMember")->trigger();
        WhenModal([&](QWidget* dialog) {
            QCOMPARE(Lines(Child<QListWidget>(dialog, "List_delete")),
                     QStringList{QString(4096, u'D') + ellipsis});
            dialog->close();
        });
        item("pMnuDeleteMember")->trigger();

        addCategory("B");
        click("OKButton");
        QCOMPARE(ReadAll(path("cats.txt")), "[node=" + name + "]\r\n" + description + "=" +
                                                variable + "\r\n[node=B]\r\n=\r\n");
    }

    void variableBox_hintIsAPlaceholder_listHoldsEachReportNameOnceSorted() {
        open("cats.txt", "[node=Paths]\r\n=\r\n");
        select(0);
        WhenModal([&](QWidget* dialog) {
            auto* combo = Child<QComboBox>(dialog, "Combo_MSVariable");
            QVERIFY(combo->currentText().isEmpty());
            QCOMPARE(combo->lineEdit()->placeholderText(),
                     QStringLiteral("Select From List or Type New:"));
            QStringList names;
            for (int i = 0; i < combo->count(); ++i)
                names << combo->itemText(i);
            QCOMPARE(names, (QStringList{"CIVIL", "MS_DATA", "MS_DEF"}));
            // Left alone, the box is empty and the member refused.
            Child<QLineEdit>(dialog, "Text_Description")->setText(QStringLiteral("Seed"));
            QTest::mouseClick(Child<QPushButton>(dialog, "Command_Add"), Qt::LeftButton);
            QCOMPARE(m_prompter.shown.back().text,
                     std::string("Description And Variable Required"));
            combo->setCurrentIndex(1);
            QTest::mouseClick(Child<QPushButton>(dialog, "Command_Add"), Qt::LeftButton);
        });
        item("pMnuAddMember")->trigger();
        QCOMPARE(Rows(members()), QStringList{QStringLiteral("Seed=MS_DATA")});

        const QString shots = qEnvironmentVariable("VARSCOPE_SCREENSHOTS");
        if (!shots.isEmpty()) {
            m_window->grab().save(shots + QStringLiteral("/category_manager.png"));
            WhenModal([&](QWidget* dialog) {
                dialog->grab().save(shots + QStringLiteral("/member_dialog.png"));
                dialog->close();
            });
            item("pMnuAddMember")->trigger();
            WhenModal([&](QWidget* dialog) {
                dialog->grab().save(shots + QStringLiteral("/delete_member_dialog.png"));
                dialog->close();
            });
            item("pMnuDeleteMember")->trigger();
        }
    }
};

QTEST_MAIN(CategoryManagerTest)
#include "category_manager_test.moc"
