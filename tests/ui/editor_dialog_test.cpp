// "Define Editor": the option rules, "Notify On Edit", "Select Editor" and the disk search.
#include "core/session.hpp"
#include "core/system/platform/platform.hpp"
#include "tests/support/fake_pickers.hpp"
#include "tests/support/qt_environment.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "ui/context.hpp"
#include "ui/dialogs/editor_dialog.hpp"
#include "ui/labels.hpp"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>

using varscope::testing::EnvironmentFor;
using varscope::testing::FakePickers;
using varscope::testing::ScriptedPrompter;
namespace core = varscope::core;
namespace ui = varscope::ui;

namespace {

const std::string kLocateWarning = "This operation may take a minute or two . . .";

std::string Bytes(const QString& path) {
    return QDir::toNativeSeparators(path).toStdString();
}

bool MakeFile(const QString& path, bool executable) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("#!/bin/sh\n") < 0)
        return false;
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    return file.setPermissions(permissions);
}

} // namespace

class EditorDialogTest final : public QObject {
    Q_OBJECT

private:
    core::AppState m_state;
    ScriptedPrompter m_prompter;
    FakePickers m_pickers;
    ui::Context m_context{m_state, m_prompter, m_pickers};
    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<ui::EditorDialog> m_dialog;

    ui::EditorDialog& open() {
        m_dialog = std::make_unique<ui::EditorDialog>(m_context);
        m_dialog->setSearchRoot(Bytes(m_temp->path()));
        return *m_dialog;
    }
    template <typename T> T* child(const char* name) {
        T* const found = m_dialog->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return found;
    }
    QRadioButton* option(int index) {
        const QByteArray name = "Option_Editor_" + QByteArray::number(index);
        return child<QRadioButton>(name.constData());
    }
    QString path(const char* relative) const { return m_temp->filePath(QLatin1String(relative)); }

private slots:
    void init() {
        m_state = core::AppState();
        m_state.preferences.chooseEditor(core::Editor::Notepad);
        m_state.preferences.setConfirmBeforeEdit(false);
        m_prompter = ScriptedPrompter();
        m_pickers = FakePickers();
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
    }
    void cleanup() {
        m_dialog.reset();
        m_temp.reset();
    }

    void open_controls_captionsAndNames() {
        open();
        QCOMPARE(m_dialog->objectName(), QStringLiteral("Editor"));
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Define Editor"));
        QCOMPARE(child<QGroupBox>("Frame_Editor")->title(), QStringLiteral("Editor"));
        QCOMPARE(option(0)->text(), QStringLiteral("Notepad"));
        QCOMPARE(option(1)->text(), QStringLiteral("Wordpad"));
        QCOMPARE(option(2)->text(), QStringLiteral("Other"));
        // Named for what it searches: the disk for the Windows editors, or the desktop's.
        QCOMPARE(child<QPushButton>("Command1")->text(),
                 core::platform::HasDesktopEditor() ? QStringLiteral("Locate Editors")
                                                    : QStringLiteral("Locate Windows Editors"));
        QCOMPARE(child<QCheckBox>("Check_WarnOnEdit")->text(), QStringLiteral("Notify On Edit"));
        QCOMPARE(child<QPushButton>("Cmd_select")->text(), QStringLiteral("Select Editor"));
        QCOMPARE(child<QPushButton>("Cmd_done")->text(), QStringLiteral("Close"));
        child<QLabel>("Label_Editor");
        QVERIFY(!(m_dialog->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(m_dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    void open_firstRun_notepadSelectedGreyedAndOtherAvailable() {
        open();
        QVERIFY(option(0)->isChecked());
        QVERIFY(!option(0)->isEnabled());
        QVERIFY(!option(1)->isEnabled());
        QVERIFY(option(2)->isEnabled());
        QVERIFY(!child<QPushButton>("Cmd_select")->isEnabled());
        QCOMPARE(m_state.preferences.EditorPath, std::string());
        QCOMPARE(m_state.preferences.editor(), std::optional(core::Editor::Notepad));
    }

    void open_onePathSet_onlyItsOptionAvailable() {
        m_state.preferences.WordpadPath = "/apps/wordpad.exe";
        open();
        QVERIFY(!option(0)->isEnabled());
        QVERIFY(option(1)->isEnabled());
        m_state.preferences.WordpadPath.clear();
        m_state.preferences.NotepadPath = "/apps/notepad.exe";
        open();
        QVERIFY(option(0)->isEnabled());
        QVERIFY(!option(1)->isEnabled());
        QCOMPARE(m_state.preferences.EditorPath, std::string("/apps/notepad.exe"));
    }

    void open_otherChosen_selectEnabledPathInUseAndShown() {
        m_state.preferences.chooseEditor(core::Editor::Other);
        m_state.preferences.OtherEditorPath = "/usr/bin/vi";
        open();
        QVERIFY(option(2)->isChecked());
        QVERIFY(child<QPushButton>("Cmd_select")->isEnabled());
        QCOMPARE(m_state.preferences.EditorPath, std::string("/usr/bin/vi"));
        QCOMPARE(child<QLabel>("Label_Editor")->toolTip(), QStringLiteral("/usr/bin/vi"));
        QCOMPARE(child<QLabel>("Label_Editor")->text(), QStringLiteral("/usr/bin/vi"));
    }

    void open_unknownChoice_noneSelectedEditorPathKept() {
        m_state.preferences.EditorChoice = "emacs";
        m_state.preferences.EditorPath = "/kept";
        m_state.preferences.NotepadPath = "/apps/notepad.exe";
        open();
        for (int index = 0; index < 3; ++index)
            QVERIFY(!option(index)->isChecked());
        QCOMPARE(m_state.preferences.EditorPath, std::string("/kept"));
        QCOMPARE(m_state.preferences.EditorChoice, std::string("emacs"));
    }

    void clickOptions_eachSetsChoicePathAndSelectButton() {
        m_state.preferences.NotepadPath = "/apps/notepad.exe";
        m_state.preferences.WordpadPath = "/apps/wordpad.exe";
        m_state.preferences.OtherEditorPath = "/apps/other";
        open();
        QPushButton* const select = child<QPushButton>("Cmd_select");

        QTest::mouseClick(option(1), Qt::LeftButton);
        QCOMPARE(m_state.preferences.editor(), std::optional(core::Editor::Wordpad));
        QCOMPARE(m_state.preferences.EditorPath, std::string("/apps/wordpad.exe"));
        QVERIFY(!select->isEnabled());

        QTest::mouseClick(option(2), Qt::LeftButton);
        QCOMPARE(m_state.preferences.editor(), std::optional(core::Editor::Other));
        QCOMPARE(m_state.preferences.EditorPath, std::string("/apps/other"));
        QVERIFY(select->isEnabled());

        QTest::mouseClick(option(0), Qt::LeftButton);
        QCOMPARE(m_state.preferences.editor(), std::optional(core::Editor::Notepad));
        QCOMPARE(m_state.preferences.EditorPath, std::string("/apps/notepad.exe"));
        QVERIFY(!select->isEnabled());
    }

    void notifyOnEdit_onlyExactTrueTicksAndClicksWriteTrueFalse() {
        m_state.preferences.setConfirmBeforeEdit(true);
        open();
        QVERIFY(child<QCheckBox>("Check_WarnOnEdit")->isChecked());

        m_state.preferences.NotifyOnEdit = "true";
        open();
        QCheckBox* const box = child<QCheckBox>("Check_WarnOnEdit");
        QVERIFY(!box->isChecked());
        // Opening alone writes nothing.
        QCOMPARE(m_state.preferences.NotifyOnEdit, std::string("true"));
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(m_state.preferences.confirmBeforeEdit());
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(m_state.preferences.NotifyOnEdit, std::string(core::preference::kNotifyOff));
    }

    void selectEditor_cancelled_changesNothing() {
        m_state.preferences.chooseEditor(core::Editor::Other);
        m_state.preferences.OtherEditorPath = "/apps/old";
        open();
        QTest::mouseClick(child<QPushButton>("Cmd_select"), Qt::LeftButton);
        QCOMPARE(m_pickers.asked, QStringList{QStringLiteral("Define Editor")});
        const QString filter = core::platform::ProgramsHaveExeSuffix()
                                   ? QStringLiteral("Applications (*.Exe)")
                                   : QStringLiteral("All files (*)");
        QCOMPARE(m_pickers.filters, QStringList{filter});
        // It starts where the program in use lies.
        // (On Windows "/apps" lies on the current drive.)
        QCOMPARE(QDir::cleanPath(m_pickers.folders.value(0)),
                 QFileInfo(QStringLiteral("/apps")).absoluteFilePath());
        QCOMPARE(m_state.preferences.OtherEditorPath, std::string("/apps/old"));
        QCOMPARE(m_state.preferences.EditorPath, std::string("/apps/old"));
        QVERIFY(m_prompter.shown.empty());
    }

    void selectEditor_programChosen_inUseAtOnceAndShown() {
        m_state.preferences.chooseEditor(core::Editor::Other);
        m_state.preferences.OtherEditorPath = "/apps/old";
        const QString program = path("bin/my editor");
        QVERIFY(MakeFile(program, true));
        m_pickers.answers.push_back(program);
        open();
        QTest::mouseClick(child<QPushButton>("Cmd_select"), Qt::LeftButton);
        QCOMPARE(m_state.preferences.OtherEditorPath, Bytes(program));
        QCOMPARE(m_state.preferences.EditorPath, Bytes(program));
        QCOMPARE(m_state.preferences.editor(), std::optional(core::Editor::Other));
        QCOMPARE(child<QLabel>("Label_Editor")->toolTip(), QDir::toNativeSeparators(program));
        QVERIFY(m_prompter.shown.empty());
    }

    void selectEditor_notAProgram_toldAndNothingChanged() {
        m_state.preferences.chooseEditor(core::Editor::Other);
        m_state.preferences.OtherEditorPath = "/apps/old";
        const QString missing = path("nowhere/editor");
        m_pickers.answers.push_back(missing);
        QStringList rejected{missing};
        if (!core::platform::ProgramsHaveExeSuffix()) {
            const QString text = path("notes.txt");
            QVERIFY(MakeFile(text, false));
            m_pickers.answers.push_back(text);
            rejected << text;
        }
        open();
        for (const QString& choice : rejected) {
            QTest::mouseClick(child<QPushButton>("Cmd_select"), Qt::LeftButton);
            QCOMPARE(m_state.preferences.OtherEditorPath, std::string("/apps/old"));
            QCOMPARE(m_state.preferences.EditorPath, std::string("/apps/old"));
            QVERIFY(!m_prompter.shown.empty());
            const auto& told = m_prompter.shown.back();
            QCOMPARE(told.icon, core::MessageIcon::Exclamation);
            QVERIFY(told.text.starts_with(Bytes(choice)));
            QVERIFY(told.text.find("cannot be started as a program") != std::string::npos);
        }
        QCOMPARE(m_prompter.shown.size(), std::size_t(rejected.size()));
    }

    void locate_notepadFoundWordpadNot_foundStoredMissingKept() {
        if (core::platform::HasDesktopEditor())
            QSKIP("this system's search is the desktop's (locateDesktop_ tests)");
        m_state.preferences.WordpadPath = "/old/wordpad.exe";
        const QString notepad = path("Windows/System32/notepad.exe");
        QVERIFY(MakeFile(notepad, true));
        QVERIFY(MakeFile(path("Windows/notepad.exe.mui"), false));
        open();
        QVERIFY(!option(0)->isEnabled());
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);

        QCOMPARE(m_state.preferences.NotepadPath, Bytes(notepad));
        QCOMPARE(m_state.preferences.WordpadPath, std::string("/old/wordpad.exe"));
        QCOMPARE(m_prompter.shown.size(), std::size_t(2));
        QCOMPARE(m_prompter.shown[0].text, kLocateWarning);
        QCOMPARE(m_prompter.shown[0].icon, core::MessageIcon::None);
        QCOMPARE(m_prompter.shown[0].title, std::string("Varscope"));
        QCOMPARE(m_prompter.shown[1].text, "Found:  " + Bytes(notepad));
        QVERIFY(option(0)->isEnabled());
        QVERIFY(option(1)->isEnabled());
        // The selected option's program, just found, is the editor in use.
        QVERIFY(option(0)->isChecked());
        QCOMPARE(m_state.preferences.EditorPath, Bytes(notepad));
        QVERIFY(m_dialog->findChild<QProgressDialog*>() == nullptr);
    }

    void locate_cancelled_nothingFoundAndSecondSearchNotRun() {
        if (core::platform::HasDesktopEditor())
            QSKIP("this system's search is the desktop's (locateDesktop_ tests)");
        m_state.preferences.NotepadPath = "/old/notepad.exe";
        QVERIFY(MakeFile(path("a/b/wordpad.exe"), true));
        QVERIFY(MakeFile(path("a/notepad.exe"), true));
        open();
        bool cancelled = false;
        // Runs once the search hands out its first events.
        QTimer::singleShot(0, m_dialog.get(), [this, &cancelled] {
            auto* const progress =
                m_dialog->findChild<QProgressDialog*>(QStringLiteral("SearchProgress"));
            if (progress == nullptr)
                return;
            const QString shot = qEnvironmentVariable("VARSCOPE_SCREENSHOTS");
            if (!shot.isEmpty())
                progress->grab().save(shot + QStringLiteral("/search_progress.png"));
            for (QPushButton* button : progress->findChildren<QPushButton*>()) {
                if (button->text() == QStringLiteral("Cancel")) {
                    button->click();
                    cancelled = true;
                }
            }
        });
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);

        QVERIFY(cancelled);
        QCOMPARE(m_state.preferences.WordpadPath, std::string());
        QCOMPARE(m_state.preferences.NotepadPath, std::string("/old/notepad.exe"));
        QCOMPARE(m_prompter.shown.size(), std::size_t(1));
        QCOMPARE(m_prompter.shown[0].text, kLocateWarning);
    }

    // The search path and the desktop's applications, not the disk: the user picks one of
    // the editors found, which becomes "Other"; cancelled, nothing changes; none found, told.
    void locateDesktop_foundOfferedChosenOneInUse() {
        if (!core::platform::HasDesktopEditor())
            QSKIP("this system searches the disk for the Windows editors");
        QVERIFY(MakeFile(path("bin/gedit"), true));
        QVERIFY(MakeFile(path("bin/writer"), true));
        QVERIFY(QDir().mkpath(path("data/applications")));
        QFile entry(path("data/applications/writer.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Writer\nExec=" +
                    path("bin/writer").toUtf8() + " --new-window %U\nMimeType=text/plain;\n");
        entry.close();
        const EnvironmentFor environment({{"PATH", path("bin")},
                                          {"XDG_DATA_HOME", path("data")},
                                          {"XDG_DATA_DIRS", path("none")},
                                          {"TERMINAL", {}},
                                          {"VISUAL", QStringLiteral("writer -n")},
                                          {"EDITOR", {}}});
        const std::string writer = Bytes(path("bin/writer"));
        const QStringList offered{
            QStringLiteral("Writer  (") + path("bin/writer") + QStringLiteral(" --new-window)"),
            QStringLiteral("gedit  (") + path("bin/gedit") + QStringLiteral(")")};
        open();
        option(0)->setChecked(true);
        // While none is chosen the desktop's opens files, and the dialog says which.
        auto* desktop = child<QLabel>("desktopEditor");
        QVERIFY(!desktop->isHidden());
        QCOMPARE(desktop->text(),
                 QStringLiteral("No editor chosen: files open with the desktop's editor, "
                                "writer -n."));

        // Cancelled: nothing changes.
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(m_pickers.offered.size(), std::size_t(1));
        QCOMPARE(m_pickers.offered[0], offered);
        QVERIFY(m_prompter.shown.empty());
        QVERIFY(m_state.preferences.OtherEditorPath.empty());
        QVERIFY(option(0)->isChecked());

        // Chosen: in use at once, as "Other".
        m_pickers.itemAnswers = {0};
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(m_state.preferences.OtherEditorPath, writer + " --new-window");
        QVERIFY(option(2)->isChecked());
        QCOMPARE(m_state.preferences.EditorPath, writer + " --new-window");
        QVERIFY(child<QPushButton>("Cmd_select")->isEnabled());
        QVERIFY(desktop->isHidden());

        // None found: told, nothing offered.
        const EnvironmentFor nothing({{"PATH", path("none")}, {"XDG_DATA_HOME", path("none")}});
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(m_pickers.offered.size(), std::size_t(2));
        QCOMPARE(m_prompter.shown.size(), std::size_t(1));
        QVERIFY(m_prompter.shown[0].text.starts_with("No editor was found on the search path"));
        QCOMPARE(m_state.preferences.EditorPath, writer + " --new-window");
    }

    void close_button_closesTheDialog() {
        open().show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        QTest::mouseClick(child<QPushButton>("Cmd_done"), Qt::LeftButton);
        QVERIFY(!m_dialog->isVisible());
    }

    void screenshot_everythingReadable() {
        m_state.preferences.chooseEditor(core::Editor::Other);
        m_state.preferences.OtherEditorPath =
            "/opt/some/very/long/folder/name/that/goes/on/and/on/and/on/"
            "and/on/until/it/cannot/fit/beside/other/editor-program";
        open().show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        auto* const label = child<ui::PathLabel>("Label_Editor");
        // Too long for the label: shortened visibly, whole in the tip.
        QVERIFY(label->shownText().contains(QChar(0x2026)));
        QCOMPARE(label->toolTip(), QString::fromStdString(m_state.preferences.OtherEditorPath));
        QVERIFY(label->fontMetrics().horizontalAdvance(label->shownText()) <= label->width());
        const QString shot = qEnvironmentVariable("VARSCOPE_SCREENSHOTS");
        if (!shot.isEmpty())
            m_dialog->grab().save(shot + QStringLiteral("/editor_dialog.png"));
    }
};

QTEST_MAIN(EditorDialogTest)
#include "editor_dialog_test.moc"
