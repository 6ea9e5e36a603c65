#include "core/session.hpp"
#include "core/system/platform/platform.hpp"
#include "core/texts.hpp"
#include "tests/support/fake_pickers.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "tests/support/stand_in_programs.hpp"
#include "ui/context.hpp"
#include "ui/microstation/microstation_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace varscope;
using testing::WriteTextFile;

namespace {

std::string Bytes(const QString& text) {
    return text.toStdString();
}

// The controls of one opening of the dialog, found by name as a user finds them by caption.
struct Opened {
    std::unique_ptr<ui::MicroStationDialog> dialog;
    QLabel* folder = nullptr;
    QPushButton* browseFolder = nullptr;
    QCheckBox* checkUser = nullptr;
    QComboBox* comboUser = nullptr;
    QCheckBox* checkProject = nullptr;
    QComboBox* comboProject = nullptr;
    QLineEdit* commandLine = nullptr;
    QPushButton* create = nullptr;
    QPushButton* browseReport = nullptr;
    QPushButton* done = nullptr;

    std::string line() const { return Bytes(commandLine->text()); }
    QStringList userEntries() const { return Entries(comboUser); }
    QStringList projectEntries() const { return Entries(comboProject); }

    static QStringList Entries(const QComboBox* combo) {
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        return entries;
    }
};

template <typename T> T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr)
        qFatal("no control named %s", name);
    return child;
}

} // namespace

class MicroStationDialogTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir* m_temp = nullptr;
    std::string m_startFolder;
    core::AppState m_state;
    testing::ScriptedPrompter m_prompter;
    testing::FakePickers m_pickers;
    std::unique_ptr<ui::Context> m_context;

    // With the system's separators, as the program names paths.
    std::string path(const char* relative) const {
        return Bytes(QDir::toNativeSeparators(m_temp->path() + QLatin1Char('/') +
                                              QString::fromUtf8(relative)));
    }
    void folder(const char* relative) { std::filesystem::create_directories(path(relative)); }
    void write(const char* relative, std::string_view text) {
        std::filesystem::create_directories(std::filesystem::path(path(relative)).parent_path());
        WriteTextFile(path(relative), text);
    }
    void touch(const char* relative) { write(relative, ""); }

    Opened open() {
        Opened o;
        o.dialog = std::make_unique<ui::MicroStationDialog>(*m_context);
        QWidget* d = o.dialog.get();
        o.folder = Child<QLabel>(d, "Label_MicroStation");
        o.browseFolder = Child<QPushButton>(d, "Cmd_Browse");
        o.checkUser = Child<QCheckBox>(d, "Check_user");
        o.comboUser = Child<QComboBox>(d, "Combo_user");
        o.checkProject = Child<QCheckBox>(d, "Check_proj");
        o.comboProject = Child<QComboBox>(d, "Combo_proj");
        o.commandLine = Child<QLineEdit>(d, "Text_msDir");
        o.create = Child<QPushButton>(d, "Command1");
        o.browseReport = Child<QPushButton>(d, "Command2");
        o.done = Child<QPushButton>(d, "Cmd_done");
        return o;
    }

    // A stand-in MicroStation that writes a small report naming the test's user and project
    // folders and, as ARGS, the words it was started with.
    void writeReportingStandIn(const std::string& microStation) {
        testing::WriteStandIn(
            microStation + "/ustation.exe",
            {testing::StepWriteWithArguments(
                "msdebug.txt", "Processing macro file [" + microStation + "/msconfig.cfg]\n" +
                                   "(user): _USTN_USER=u [" + path("users/") + "]\n" +
                                   "(user): _USTN_PROJECT=p [" + path("projects/") + "]\n" +
                                   "(user): ARGS=a [$*]\n")});
    }

    // Users alice (projects a1, a2) and bob (project b1); the report has named the folders.
    void writeConfigurations() {
        touch("users/alice.ucf");
        touch("users/bob.ucf");
        touch("users/notes.txt");
        touch("projects/alice/a1.pcf");
        touch("projects/alice/a2.pcf");
        touch("projects/bob/b1.pcf");
        m_state.report.UserConfigFolder = path("users/");
        m_state.report.ProjectConfigFolder = path("projects/");
    }

    std::size_t messagesWith(std::string_view text) const {
        std::size_t count = 0;
        for (const auto& shown : m_prompter.shown) {
            if (shown.text.find(text) != std::string::npos)
                ++count;
        }
        return count;
    }

private slots:
    void init() {
        m_startFolder = core::platform::CurrentFolder();
        m_temp = new QTemporaryDir;
        QVERIFY(m_temp->isValid());
        m_state = core::AppState();
        m_prompter = testing::ScriptedPrompter();
        m_pickers = testing::FakePickers();
        m_context = std::make_unique<ui::Context>(ui::Context{m_state, m_prompter, m_pickers});
        folder("ms");
        m_state.preferences.MicroStationFolder = path("ms");
    }

    void cleanup() {
        // The dialog and a run move the process into the MicroStation folder.
        core::platform::SetCurrentFolder(m_startFolder);
        delete m_temp;
        m_temp = nullptr;
    }

    void open_controls_captionsAndNamesAsTheUserKnowsThem() {
        const Opened o = open();
        QCOMPARE(o.dialog->objectName(), QStringLiteral("microstation"));
        QCOMPARE(o.dialog->windowTitle(), QStringLiteral("Where's MicroStation ??"));
        QCOMPARE(Child<QGroupBox>(o.dialog.get(), "Frame1")->title(),
                 QStringLiteral("MicroStation Location"));
        QCOMPARE(Child<QGroupBox>(o.dialog.get(), "Frame2")->title(),
                 QStringLiteral("UCF && PCF Files"));
        QCOMPARE(Child<QGroupBox>(o.dialog.get(), "Frame3")->title(),
                 QStringLiteral("MsDebug.Txt"));
        QCOMPARE(o.browseFolder->text(), QStringLiteral("Browse"));
        QCOMPARE(o.checkUser->text(), QStringLiteral("Use USER Configuration File"));
        QCOMPARE(o.checkProject->text(), QStringLiteral("Use PROJECT Configuration File"));
        QCOMPARE(Child<QLabel>(o.dialog.get(), "Label_MSCmd")->text(),
                 QStringLiteral("MicroStation Debug Command Line:"));
        QCOMPARE(o.create->text(), QStringLiteral("Create:"));
        QCOMPARE(o.browseReport->text(), QStringLiteral("Browse:"));
        QCOMPARE(o.done->text(), QStringLiteral("Done"));
        QVERIFY(!o.comboUser->isEditable());
        QVERIFY(!o.comboProject->isEditable());
        QVERIFY(!o.commandLine->isReadOnly());
        QVERIFY(!o.checkUser->isChecked());
        QVERIFY(!o.comboUser->isEnabled());
        QVERIFY(!o.comboProject->isEnabled());
        QCOMPARE(o.folder->text(), QString::fromStdString(path("ms")));
    }

    void commandLine_folderWithTrailingSeparatorAndOneUserFile_oneSeparatorTwoBlanks() {
        m_state.preferences.MicroStationFolder = path("ms/");
        touch("users/jsmith.ucf");
        m_state.report.UserConfigFolder = path("users/");
        const Opened o = open();
        QCOMPARE(o.line(), path("ms/ustation.exe -debug"));

        o.checkUser->click();

        QCOMPARE(o.userEntries(), QStringList{QStringLiteral("jsmith.ucf")});
        QCOMPARE(o.comboUser->currentIndex(), 0);
        QVERIFY(o.comboUser->isEnabled());
        QCOMPARE(o.line(), path("ms/ustation.exe -debug  -WUjsmith"));
        QCOMPARE(m_state.microStation.UserConfigName, std::string("jsmith"));
        QCOMPARE(m_state.microStation.UserOption, std::string(" -WUjsmith"));
        QVERIFY(m_state.microStation.UseUserConfig);
    }

    void commandLine_pickedFolder_oneSeparatorAddedAndCreateEnabled() {
        folder("picked");
        testing::WriteStandIn(path("picked/ustation.exe"), {testing::StepExit(0)});
        touch("users/jsmith.ucf");
        m_state.report.UserConfigFolder = path("users/");
        m_pickers.answers.push_back(QString::fromStdString(path("picked")));
        const Opened o = open();
        QVERIFY(!o.create->isEnabled());

        o.browseFolder->click();

        QCOMPARE(m_pickers.asked, QStringList{QStringLiteral("Select MicroStation Location")});
        QCOMPARE(m_state.preferences.MicroStationFolder, path("picked"));
        QCOMPARE(o.folder->text(), QString::fromStdString(path("picked")));
        QCOMPARE(o.line(), path("picked/ustation.exe -debug"));
        QVERIFY(o.create->isEnabled());
        o.checkUser->click();
        QCOMPARE(o.line(), path("picked/ustation.exe -debug  -WUjsmith"));
    }

    void commandLine_nameWithSeveralDots_nameUpToFirstDot() {
        touch("users/my.user.ucf");
        m_state.report.UserConfigFolder = path("users/");
        const Opened o = open();

        o.checkUser->click();

        QCOMPARE(m_state.microStation.UserConfigName, std::string("my"));
        QCOMPARE(o.line(), path("ms/ustation.exe -debug  -WUmy"));
    }

    void commandLine_projectTickedBeforeAnyChoice_endsInBareSwitch() {
        writeConfigurations();
        m_state.microStation.UserConfigName = "alice";
        const Opened o = open();

        o.checkProject->click();

        QVERIFY(o.line().ends_with(" -WP"));
        QCOMPARE(o.line(), path("ms/ustation.exe -debug  -WP"));
        QCOMPARE(o.projectEntries(),
                 (QStringList{QStringLiteral("a1.pcf"), QStringLiteral("a2.pcf")}));
        QCOMPARE(o.comboProject->currentIndex(), -1);
        QVERIFY(o.comboProject->isEnabled());

        o.comboProject->setCurrentIndex(1);

        QCOMPARE(m_state.microStation.ProjectConfigName, std::string("a2"));
        QCOMPARE(o.line(), path("ms/ustation.exe -debug  -WPa2"));
    }

    void choices_userThenProject_bothOptionsInOrder() {
        writeConfigurations();
        const Opened o = open();

        o.checkUser->click();
        QCOMPARE(o.userEntries(),
                 (QStringList{QStringLiteral("alice.ucf"), QStringLiteral("bob.ucf")}));
        o.checkProject->click();
        QCOMPARE(o.projectEntries(),
                 (QStringList{QStringLiteral("a1.pcf"), QStringLiteral("a2.pcf")}));
        o.comboProject->setCurrentIndex(0);

        QCOMPARE(o.line(), path("ms/ustation.exe -debug  -WUalice -WPa1"));
        QCOMPARE(m_state.microStation.ProjectOption, std::string(" -WPa1"));
        QVERIFY(m_state.microStation.UseProjectConfig);
    }

    void choices_anotherUserWhileProjectTicked_projectChoiceCleared() {
        writeConfigurations();
        const Opened o = open();
        o.checkUser->click();
        o.checkProject->click();
        o.comboProject->setCurrentIndex(1);
        QCOMPARE(o.line(), path("ms/ustation.exe -debug  -WUalice -WPa2"));

        o.comboUser->setCurrentIndex(1);

        QCOMPARE(m_state.microStation.UserConfigName, std::string("bob"));
        QVERIFY(!o.checkProject->isChecked());
        QVERIFY(!o.comboProject->isEnabled());
        QCOMPARE(o.comboProject->count(), 0);
        QVERIFY(!m_state.microStation.UseProjectConfig);
        QCOMPARE(m_state.microStation.ProjectOption, std::string());
        QCOMPARE(o.line(), path("ms/ustation.exe -debug  -WUbob"));

        // The project list now comes from the new user's sub-folder.
        o.checkProject->click();
        QCOMPARE(o.projectEntries(), QStringList{QStringLiteral("b1.pcf")});
    }

    void choices_untickUser_optionDroppedNameKept() {
        writeConfigurations();
        const Opened o = open();
        o.checkUser->click();
        o.checkUser->click();

        QVERIFY(!o.comboUser->isEnabled());
        QCOMPARE(m_state.microStation.UserOption, std::string());
        QCOMPARE(m_state.microStation.UserConfigName, std::string("alice"));
        QVERIFY(!m_state.microStation.UseUserConfig);
        QCOMPARE(o.line(), path("ms/ustation.exe -debug "));
    }

    void reopen_ticksRemembered_listsRefilledButBareLine() {
        writeConfigurations();
        {
            const Opened first = open();
            first.checkUser->click();
            first.checkProject->click();
            first.comboProject->setCurrentIndex(1);
        }

        const Opened o = open();

        QVERIFY(o.checkUser->isChecked());
        QVERIFY(o.comboUser->isEnabled());
        QCOMPARE(o.userEntries(),
                 (QStringList{QStringLiteral("alice.ucf"), QStringLiteral("bob.ucf")}));
        QCOMPARE(o.comboUser->currentIndex(), 0);
        QVERIFY(o.checkProject->isChecked());
        QVERIFY(o.comboProject->isEnabled());
        QCOMPARE(o.projectEntries(),
                 (QStringList{QStringLiteral("a1.pcf"), QStringLiteral("a2.pcf")}));
        QCOMPARE(o.comboProject->currentIndex(), -1);
        QCOMPARE(o.line(), path("ms/ustation.exe -debug"));
        // The options are back at the next choice.
        QCOMPARE(m_state.microStation.ProjectOption, std::string(" -WPa2"));
        o.comboProject->setCurrentIndex(0);
        QCOMPARE(o.line(), path("ms/ustation.exe -debug  -WUalice -WPa1"));
    }

    void reopen_userUnticked_shownClearAndListDisabled() {
        writeConfigurations();
        {
            const Opened first = open();
            first.checkUser->click();
            first.checkUser->click();
        }

        const Opened o = open();

        QVERIFY(!o.checkUser->isChecked());
        QVERIFY(!o.comboUser->isEnabled());
        QCOMPARE(o.comboUser->count(), 0);
        QCOMPARE(o.line(), path("ms/ustation.exe -debug"));
    }

    void reopen_doubledSeparatorsInFolder_collapsedInShownLine() {
        m_state.preferences.MicroStationFolder = path("ms//");
        const Opened o = open();
        QCOMPARE(o.line(), path("ms/ustation.exe -debug"));
    }

    void browseFolder_cancelled_nothingChanges() {
        testing::WriteStandIn(path("ms/ustation.exe"), {testing::StepExit(0)});
        const Opened o = open();
        QVERIFY(o.create->isEnabled());
        const QString before = o.commandLine->text();

        o.browseFolder->click();

        QCOMPARE(m_pickers.asked.size(), 1);
        QCOMPARE(m_state.preferences.MicroStationFolder, path("ms"));
        QCOMPARE(o.folder->text(), QString::fromStdString(path("ms")));
        QCOMPARE(o.commandLine->text(), before);
        QVERIFY(o.create->isEnabled());
    }

    void create_folderWithoutUstation_disabled() {
        folder("empty");
        testing::WriteStandIn(path("ms/ustation.exe"), {testing::StepExit(0)});
        m_state.preferences.MicroStationFolder = path("empty");
        const Opened o = open();
        QVERIFY(!o.create->isEnabled());

        m_pickers.answers.push_back(QString::fromStdString(path("ms")));
        o.browseFolder->click();
        QVERIFY(o.create->isEnabled());

        m_pickers.answers.push_back(QString::fromStdString(path("empty")));
        o.browseFolder->click();
        QVERIFY(!o.create->isEnabled());
    }

    void createThenDone_freshReportOnScreen() {
        writeConfigurations();
        writeReportingStandIn(path("ms"));
        m_state.report.ReportSource = core::LoadMode::New;
        int notified = 0;
        const int token = m_state.Subscribe([&notified] { ++notified; });
        const Opened o = open();
        o.checkUser->click();
        o.commandLine->setFocus();

        o.create->click();

        QVERIFY(m_prompter.shown.empty());
        QCOMPARE(m_state.report.ReportSource, std::optional<core::LoadMode>());
        QVERIFY(QFile::exists(QString::fromStdString(path("ms/msdebug.txt"))));
        // Nothing is typed into the dialog after the run.
        QCOMPARE(o.line(), path("ms/ustation.exe -debug  -WUalice"));
        QCOMPARE(notified, 0);

        o.done->click();

        QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(m_state.report.ReportPath, path("ms/msdebug.txt"));
        QCOMPARE(m_state.report.VariableCount(), std::size_t(3));
        QCOMPARE(m_state.report.WindowTitle, "Varscope    Viewing: " + path("ms/msdebug.txt"));
        QCOMPARE(std::string(m_state.report.VariableTable()[2].Name), std::string("ARGS"));
        QCOMPARE(std::string(m_state.report.VariableTable()[2].Expansion),
                 std::string("-debug -WUalice"));
        QCOMPARE(m_state.report.ReportSource, std::optional(core::LoadMode::Update));
        QCOMPARE(notified, 1);
        QVERIFY(m_prompter.shown.empty());
        m_state.Unsubscribe(token);
    }

    void create_inputWhileMicroStationRuns_dropped() {
        const std::string started = path("started");
        const std::string release = path("release");
        testing::WriteStandIn(path("ms/ustation.exe"),
                              {testing::StepWrite(started), testing::StepWaitFor(release)});
        m_state.report.ReportSource = core::LoadMode::New;
        const Opened o = open();
        o.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(o.dialog.get()));
        o.commandLine->setFocus();
        const QString line = o.commandLine->text();

        // Runs whenever the wait handles events: clicks "Create:" and "Done" and types into
        // the command line, then lets MicroStation end.
        int rounds = 0;
        QTimer tick;
        tick.setInterval(0);
        connect(&tick, &QTimer::timeout, this, [&] {
            if (++rounds == 1) {
                QTest::mouseClick(o.create, Qt::LeftButton);
                QTest::mouseClick(o.done, Qt::LeftButton);
                QTest::keyClicks(o.commandLine, QStringLiteral("typed"));
                // Input still queued when the wait handles events next.
                QCoreApplication::postEvent(o.commandLine,
                                            new QKeyEvent(QEvent::KeyPress, Qt::Key_X,
                                                          Qt::NoModifier, QStringLiteral("x")));
                return;
            }
            WriteTextFile(release, "");
            tick.stop();
        });
        tick.start();

        QTest::mouseClick(o.create, Qt::LeftButton);
        tick.stop();

        QVERIFY(rounds >= 2);
        QVERIFY(testing::Exists(started));
        std::filesystem::remove(started);
        // Whatever was held back would be acted upon now.
        QCoreApplication::processEvents();
        QVERIFY(!testing::Exists(started));
        QVERIFY(o.dialog->isVisible());
        QVERIFY(o.dialog->result() != QDialog::Accepted);
        QCOMPARE(m_state.report.ReportSource, std::optional<core::LoadMode>());
        QCOMPARE(o.commandLine->text(), line);
        QVERIFY(m_prompter.shown.empty());
    }

    // While MicroStation runs the dialog says so, shows the busy pointer and takes only
    // "Stop Waiting", which gives the window back at once; the report is not read, then or
    // when MicroStation ends later.
    void create_stopWaiting_windowBackNothingLoaded() {
        const std::string started = path("started");
        const std::string release = path("release");
        const std::string ended = path("ended");
        testing::WriteStandIn(path("ms/ustation.exe"),
                              {testing::StepWrite(started), testing::StepWaitFor(release),
                               testing::StepWrite("msdebug.txt", "(user): FRESH=1 [1]\n"),
                               testing::StepWrite(ended)});
        m_state.report.ReportSource = core::LoadMode::New;
        int notified = 0;
        const int token = m_state.Subscribe([&notified] { ++notified; });
        const Opened o = open();
        o.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(o.dialog.get()));
        auto* status = Child<QLabel>(o.dialog.get(), "waitingStatus");
        auto* stop = Child<QPushButton>(o.dialog.get(), "stopWaiting");
        QVERIFY(status->text().isEmpty());
        QVERIFY(!stop->isVisible());

        QString statusWhileWaiting;
        bool stopShown = false;
        bool busy = false;
        QTimer tick;
        tick.setInterval(10);
        connect(&tick, &QTimer::timeout, this, [&] {
            if (!testing::Exists(started))
                return;
            tick.stop();
            statusWhileWaiting = status->text();
            stopShown = stop->isVisible() && stop->isEnabled();
            busy = o.dialog->cursor().shape() == Qt::WaitCursor;
            // Dropped: the dialog's own buttons.
            QTest::mouseClick(o.done, Qt::LeftButton);
            QTest::mouseClick(stop, Qt::LeftButton);
        });
        tick.start();

        QTest::mouseClick(o.create, Qt::LeftButton);
        tick.stop();

        QCOMPARE(statusWhileWaiting, QStringLiteral("Waiting for MicroStation to finish..."));
        QVERIFY(stopShown);
        QVERIFY(busy);
        QVERIFY(!testing::Exists(ended));
        QVERIFY(status->text().isEmpty());
        QVERIFY(!stop->isVisible());
        QVERIFY(o.dialog->cursor().shape() != Qt::WaitCursor);
        QVERIFY(o.dialog->isVisible());
        QVERIFY(o.dialog->result() != QDialog::Accepted);
        QCOMPARE(m_state.report.ReportSource, std::optional(core::LoadMode::New));
        QVERIFY(m_prompter.shown.empty());
        // The window takes input again.
        QTest::keyClicks(o.commandLine, QStringLiteral(" -x"));
        QVERIFY(o.commandLine->text().endsWith(QStringLiteral(" -x")));

        WriteTextFile(release, "");
        QVERIFY(QTest::qWaitFor([&] { return testing::Exists(ended); }, 10000));
        QTest::qWait(50);
        QCOMPARE(notified, 0);
        QCOMPARE(m_state.report.ReportSource, std::optional(core::LoadMode::New));
        m_state.Unsubscribe(token);
    }

    void create_lineEditedByHand_runsWhatTheBoxHolds() {
        writeReportingStandIn(path("ms"));
        const Opened o = open();
        o.commandLine->setText(QString::fromStdString(path("ms/ustation.exe -debug -WUtyped")));

        o.create->click();
        o.done->click();

        QVERIFY(m_state.report.VariableTable().size() > 2);
        QCOMPARE(std::string(m_state.report.VariableTable()[2].Expansion),
                 std::string("-debug -WUtyped"));
    }

    void create_reportWrittenIntoAnotherCurrentFolder_copiedAndRemovedThere() {
        // The program's current folder can end up elsewhere than the MicroStation folder
        // (on Windows, a folder on another drive); here it is moved while MicroStation runs.
        folder("other");
        write("other/msdebug.txt", "(user): FRESH=1 [1]\n");
        write("ms/msdebug.txt", "(user): OLDER=1 [1]\n");
        const std::string moved = path("moved");
        testing::WriteStandIn(path("ms/ustation.exe"), {testing::StepWaitFor(moved)});
        const Opened o = open();
        QTimer::singleShot(0, o.dialog.get(), [this, moved] {
            core::platform::SetCurrentFolder(path("other"));
            WriteTextFile(moved, "");
        });

        o.create->click();

        QVERIFY(m_prompter.shown.empty());
        QVERIFY(!QFile::exists(QString::fromStdString(path("other/msdebug.txt"))));
        o.done->click();
        QCOMPARE(m_state.report.VariableCount(), std::size_t(1));
        QCOMPARE(std::string(m_state.report.VariableTable()[0].Name), std::string("FRESH"));
    }

    void create_programCannotStart_saysCouldNotStart() {
        write("ms/ustation.exe", "not a program");
        m_state.report.ReportSource = core::LoadMode::Skip;
        const Opened o = open();
        QVERIFY(o.create->isEnabled());

        o.create->click();

        QCOMPARE(m_prompter.shown.size(), std::size_t(1));
        QCOMPARE(m_prompter.shown[0].text, "Could not start: " + path("ms/ustation.exe -debug"));
        QCOMPARE(m_prompter.shown[0].title, std::string("Varscope"));
        QCOMPARE(int(m_prompter.shown[0].icon), int(core::MessageIcon::Stop));
        QCOMPARE(m_state.report.ReportSource, std::optional(core::LoadMode::Skip));
        QVERIFY(o.dialog->isEnabled());
    }

    void createThenDone_programWroteNothing_doneSaysNotFound() {
        testing::WriteStandIn(path("ms/ustation.exe"), {testing::StepExit(0)});
        const Opened o = open();

        o.create->click();
        QVERIFY(m_prompter.shown.empty());
        o.done->click();

        QCOMPARE(messagesWith(core::text::kReportNotFound), std::size_t(1));
        QCOMPARE(m_state.report.VariableCount(), std::size_t(0));
    }

    void browseReportThenDone_chosenFileStays() {
        writeReportingStandIn(path("ms"));
        write("ms/msdebug.txt", "(user): FROM_FOLDER=1 [1]\n");
        write("elsewhere/chosen.txt", "(user): A=1 [1]\n(user): B=2 [2]\n");
        m_pickers.answers.push_back(QString::fromStdString(path("elsewhere/chosen.txt")));
        const Opened o = open();

        o.browseReport->click();

        QCOMPARE(m_pickers.asked, QStringList{QStringLiteral("Open")});
        QCOMPARE(m_pickers.filters,
                 QStringList{QStringLiteral("Project Information Files (*.Txt)")});
        QCOMPARE(m_state.report.ReportPath, path("elsewhere/chosen.txt"));
        QCOMPARE(m_state.report.ReportSource, std::optional(core::LoadMode::Skip));
        QCOMPARE(m_state.report.VariableCount(), std::size_t(2));
        QVERIFY(o.dialog->result() != QDialog::Accepted);

        o.done->click();

        QCOMPARE(m_state.report.ReportPath, path("elsewhere/chosen.txt"));
        QCOMPARE(m_state.report.VariableCount(), std::size_t(2));
        QCOMPARE(m_state.report.ReportSource, std::optional(core::LoadMode::Skip));
        QVERIFY(m_prompter.shown.empty());
    }

    void browseReportThenCreateThenDone_freshReportRead() {
        writeReportingStandIn(path("ms"));
        write("elsewhere/chosen.txt", "(user): A=1 [1]\n");
        m_pickers.answers.push_back(QString::fromStdString(path("elsewhere/chosen.txt")));
        const Opened o = open();

        o.browseReport->click();
        o.create->click();
        o.done->click();

        QCOMPARE(m_state.report.ReportPath, path("ms/msdebug.txt"));
        QCOMPARE(m_state.report.VariableCount(), std::size_t(3));
    }

    void browseReport_cancelled_nothingChangesAndDoneRereads() {
        write("ms/msdebug.txt", "(user): A=1 [1]\n");
        m_state.report.ReportPath = "/previous/report.txt";
        m_state.report.ReportSource = core::LoadMode::New;
        const Opened o = open();

        o.browseReport->click();

        QCOMPARE(m_pickers.asked.size(), 1);
        QCOMPARE(m_state.report.ReportPath, std::string("/previous/report.txt"));
        QCOMPARE(m_state.report.ReportSource, std::optional(core::LoadMode::New));
        QCOMPARE(m_state.report.VariableCount(), std::size_t(0));

        o.done->click();

        QCOMPARE(m_state.report.ReportPath, path("ms/msdebug.txt"));
        QCOMPARE(m_state.report.VariableCount(), std::size_t(1));
        QCOMPARE(m_state.report.ReportSource, std::optional(core::LoadMode::Update));
    }

    void browseReport_unreadableFile_reportAndPathKept() {
        folder("elsewhere/folder.txt");
        m_state.report.ReportPath = "/previous/report.txt";
        m_state.report.ReportSource = core::LoadMode::New;
        m_pickers.answers.push_back(QString::fromStdString(path("elsewhere/folder.txt")));
        const Opened o = open();

        o.browseReport->click();

        QCOMPARE(m_prompter.shown.size(), std::size_t(1));
        QCOMPARE(m_state.report.ReportPath, std::string("/previous/report.txt"));
        QCOMPARE(m_state.report.ReportSource, std::optional(core::LoadMode::New));
    }

    void close_withoutDone_readsNothing() {
        write("ms/msdebug.txt", "(user): A=1 [1]\n");
        const Opened o = open();

        o.dialog->reject();

        QCOMPARE(m_state.report.VariableCount(), std::size_t(0));
        QCOMPARE(m_state.report.ReportPath, std::string());
    }

    void demo_pickFolderChooseConfigurationsCreateDone_freshReport() {
#ifdef Q_OS_WIN
        QSKIP("The demo's MicroStation is a shell script, which only a POSIX system runs.");
#endif
        const std::filesystem::path examples(VARSCOPE_EXAMPLES);
        if (!std::filesystem::exists(examples / "MicroStation" / "ustation.exe"))
            QSKIP("the demo MicroStation folder is not there");
        // The demo writes its report beside itself: work on a copy, never in the source tree.
        std::filesystem::copy(examples, path("demo"), std::filesystem::copy_options::recursive);
        m_pickers.answers.push_back(QString::fromStdString(path("demo/MicroStation")));
        {
            const Opened o = open();
            o.browseFolder->click();
            QVERIFY(o.create->isEnabled());
            o.create->click();
            o.done->click();
        }
        QVERIFY(m_prompter.shown.empty());
        QVERIFY(m_state.report.VariableCount() > 0);
        QVERIFY(!m_state.report.UserConfigFolder.empty());
        const std::size_t plain = m_state.report.VariableCount();

        const Opened o = open();
        o.checkUser->click();
        QVERIFY(o.comboUser->count() > 0);
        o.checkProject->click();
        if (o.comboProject->count() > 0)
            o.comboProject->setCurrentIndex(0);
        QVERIFY(o.line().find(" -WU" + m_state.microStation.UserConfigName) != std::string::npos);
        o.create->click();
        o.done->click();

        QVERIFY(m_prompter.shown.empty());
        QCOMPARE(m_state.report.ReportPath, path("demo/MicroStation/msdebug.txt"));
        QVERIFY(m_state.report.VariableCount() != plain);
        if (qEnvironmentVariableIsSet("VARSCOPE_DIALOG_SHOT")) {
            o.dialog->show();
            QVERIFY(o.dialog->grab().save(qEnvironmentVariable("VARSCOPE_DIALOG_SHOT")));
        }
    }
};

QTEST_MAIN(MicroStationDialogTest)
#include "microstation_dialog_test.moc"
