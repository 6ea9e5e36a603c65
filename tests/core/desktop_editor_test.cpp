// The desktop's editor and the editors a desktop offers (POSIX systems), and the detached start
// that opens them.
#include "core/report/report.hpp"
#include "core/session.hpp"
#include "core/system/edit.hpp"
#include "core/system/editors.hpp"
#include "core/system/process.hpp"
#include "tests/support/scoped_environment.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <vector>

using namespace varscope::core;
using varscope::testing::ReadLinesWhenWritten;
using varscope::testing::ScopedEnvironment;
using varscope::testing::ScriptedPrompter;
using varscope::testing::TempFolder;
using varscope::testing::WaitForFile;
using varscope::testing::WriteRecorder;
using varscope::testing::WriteScript;
using varscope::testing::WriteTextFile;

using Words = std::vector<std::string>;

TEST(SplitShellWords, plainWordsQuotesAndEscapes) {
    const struct {
        std::string text;
        std::optional<Words> words;
    } cases[] = {
        {"code --wait", Words{"code", "--wait"}},
        {"  emacs   -nw  ", Words{"emacs", "-nw"}},
        {"", Words{}},
        {"'/opt/my editor/writer' -x", Words{"/opt/my editor/writer", "-x"}},
        {"\"/opt/my editor/writer\" \"a \\\"b\\\" \\\\ \\n\"",
         Words{"/opt/my editor/writer", "a \"b\" \\ \\n"}},
        {"my\\ editor a'b c'\"d\"", Words{"my editor", "ab cd"}},
        {"$HOME/ed `x`", Words{"$HOME/ed", "`x`"}},
        {"ed 'unclosed", std::nullopt},
        {"ed \"unclosed", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitShellWords(c.text), c.words) << c.text;
}

TEST(NeedsTerminal, knownTerminalEditorsAndEmacsSwitches) {
    const struct {
        Words words;
        bool terminal;
    } cases[] = {
        {{"vi"}, true},
        {{"/usr/bin/vim", "-p"}, true},
        {{"nano"}, true},
        {{"emacs", "-nw"}, true},
        {{"emacsclient", "-t"}, true},
        {{"emacs"}, false},
        {{"emacsclient", "-c"}, false},
        {{"code", "--wait"}, false},
        {{"gedit"}, false},
        {{"gvim"}, false},
        {{"vimx-not-known"}, false},
        {{"ed"}, true},
        {{"/usr/bin/view", "-R"}, true},
        {{}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NeedsTerminal(c.words), c.terminal) << (c.words.empty() ? "" : c.words[0]);
}

class DesktopEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"code", "vim", "emacs", "xdg-open", "x-terminal-emulator",
                                    "kitty", "gedit", "myedit", "ed"})
            WriteScript(m_folder.file(std::string("bin/") + program), "exit 0\n");
        WriteScript(m_folder.file("bare/vim"), "exit 0\n");
        WriteScript(m_folder.file("opt/my editor/writer"), "exit 0\n");
        m_environment.set("PATH", m_folder.file("bin"));
        for (const char* name : {"VISUAL", "EDITOR", "TERMINAL"})
            m_environment.set(name, std::nullopt);
        m_environment.set("XDG_DATA_HOME", m_folder.file("home-data"));
        m_environment.set("XDG_DATA_DIRS", m_folder.file("system-data"));
    }

    std::string bin(const std::string& program) const {
        return m_folder.path() + "/bin/" + program;
    }

    TempFolder m_folder;
    ScopedEnvironment m_environment;
};

// $VISUAL, else $EDITOR, in a terminal only when needed, else xdg-open; a value whose
// program is not there is passed over.
TEST_F(DesktopEditorTest, visualEditorOrOpener_commandForTheFile) {
    const std::string file = "/cfg/my file.cfg";
    const std::string blanks = m_folder.file("opt/my editor/writer");
    const struct {
        std::optional<std::string> visual;
        std::optional<std::string> editor;
        std::optional<std::string> terminal;
        std::string path; // "bin" or "bare": the latter holds vim alone
        Words command;
    } cases[] = {
        {"code --wait", "vim", {}, "bin", {"code", "--wait", file}},
        {{}, "vim", {}, "bin", {"x-terminal-emulator", "-e", "vim", file}},
        {"vim", "code", "kitty --single", "bin", {"kitty", "--single", "-e", "vim", file}},
        {{}, "emacs -nw", "not-there", "bin", {"x-terminal-emulator", "-e", "emacs", "-nw", file}},
        {{}, "emacs", {}, "bin", {"emacs", file}},
        {"'" + blanks + "' -x", {}, {}, "bin", {blanks, "-x", file}},
        {"not-there", "code", {}, "bin", {"code", file}},
        {"", "code", {}, "bin", {"code", file}},
        {"'unclosed", {}, {}, "bin", {"xdg-open", file}},
        {{}, {}, {}, "bin", {"xdg-open", file}},
        {{}, "vim", {}, "bare", {}},
        {{}, {}, {}, "bare", {}},
    };
    for (const auto& c : cases) {
        m_environment.set("VISUAL", c.visual);
        m_environment.set("EDITOR", c.editor);
        m_environment.set("TERMINAL", c.terminal);
        m_environment.set("PATH", m_folder.path() + "/" + c.path);

        EXPECT_EQ(DesktopEditorCommand(file), c.command)
            << c.visual.value_or("-") << " / " << c.editor.value_or("-") << " / " << c.path;
    }
}

// With no editor chosen the desktop's opens the file; a chosen one wins over it.
TEST_F(DesktopEditorTest, openFileForEdit_desktopEditorUnlessOneIsChosen) {
    const std::string file = m_folder.file("config/site.cfg");
    WriteTextFile(file, "MS_DEF = x\n");
    const std::string desktopArguments = m_folder.file("desktop.txt");
    const std::string chosenArguments = m_folder.file("chosen.txt");
    WriteRecorder(m_folder.file("bin/desktop-editor"), desktopArguments);
    WriteRecorder(m_folder.file("chosen/editor"), chosenArguments);
    m_environment.set("VISUAL", "desktop-editor --wait");

    for (const bool chosen : {false, true}) {
        AppState state;
        ApplyReport(state, ParseReport("Processing macro file [" + file + "]\r\n"));
        state.preferences.EditorPath = chosen ? m_folder.file("chosen/editor") : "";
        ScriptedPrompter prompter;

        EXPECT_EQ(OpenFileForEdit(state, prompter, file), EditOutcome::Edited);

        EXPECT_TRUE(prompter.shown.empty());
        EXPECT_EQ(state.report.FileOpened, std::vector<bool>{true});
        if (chosen)
            EXPECT_EQ(ReadLinesWhenWritten(chosenArguments, 1), Words{file});
        else
            EXPECT_EQ(ReadLinesWhenWritten(desktopArguments, 2), (Words{"--wait", file}));
    }
}

TEST_F(DesktopEditorTest, openFileForEdit_noneChosenNoneOnTheDesktop_toldNothingStarted) {
    m_environment.set("PATH", m_folder.file("empty"));
    const std::string file = m_folder.file("site.cfg");
    WriteTextFile(file, "x\n");
    AppState state;
    ScriptedPrompter prompter;

    EXPECT_FALSE(HasEditor(state.preferences));
    EXPECT_EQ(OpenFileForEdit(state, prompter, file), EditOutcome::NoEditor);

    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "No editor is chosen: choose one under Options > Editing Options.");
}

// The reason is the system's: a missing program, a file that may not be run.
TEST_F(DesktopEditorTest, startDetached_reasonWhenItCannotStart) {
    const std::string text = m_folder.file("plain.txt");
    WriteTextFile(text, "just text\n");
    const struct {
        std::string line;
        std::optional<std::string> reason;
    } cases[] = {
        {m_folder.file("missing") + " a", "No such file or directory"},
        {"not-on-path a", "No such file or directory"},
        {text + " a", "Permission denied"},
        {bin("code") + " a", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StartDetached(c.line), c.reason) << c.line;
}

// The program outlives the call and is no child of ours: nothing is left to collect.
TEST_F(DesktopEditorTest, startDetached_leavesNoChildBehind) {
    const std::string ended = m_folder.file("ended");
    const std::string program = m_folder.file("bin/quick");
    WriteScript(program, ": > " + varscope::testing::ShellQuote(ended) + "\n");

    EXPECT_EQ(StartDetached(program), std::nullopt);

    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_TRUE(WaitForFile(ended));
}

// Found without walking the disk: the desktop's text editors (an earlier folder hiding a
// later one's file of the same name), then known editors on the search path, each program
// once, a terminal one with its terminal; a line editor such as ed is not offered.
TEST_F(DesktopEditorTest, locateDesktopEditors_applicationsThenSearchPath) {
    WriteTextFile(m_folder.file("home-data/applications/my.desktop"),
                  "[Desktop Entry]\nType=Application\nName=My Editor\nExec=" + bin("myedit") +
                      " --new %F\nMimeType=image/png;text/plain;\n"
                      "[Desktop Action x]\nName=Other\n");
    WriteTextFile(m_folder.file("system-data/applications/my.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Hidden By Home\nExec=code %F\n"
                  "MimeType=text/plain;\n");
    WriteTextFile(m_folder.file("system-data/applications/term.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Vim\nExec=vim %F\nTerminal=true\n"
                  "Categories=Utility;TextEditor;\n");
    WriteTextFile(m_folder.file("system-data/applications/paint.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Paint\nExec=kitty %F\n"
                  "Categories=Graphics;\nMimeType=image/png;\n");
    WriteTextFile(m_folder.file("system-data/applications/nodisplay.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Secret\nExec=emacs %F\n"
                  "MimeType=text/plain;\nNoDisplay=true\n");
    WriteTextFile(m_folder.file("system-data/applications/gone.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Gone\nExec=not-installed %F\n"
                  "MimeType=text/plain;\n");

    const std::vector<FoundEditor> found = LocateDesktopEditors();

    const std::vector<FoundEditor> expected{
        {"My Editor", bin("myedit") + " --new"},
        {"Vim", "x-terminal-emulator -e " + bin("vim")},
        {"gedit", bin("gedit")},
        {"code", bin("code")},
        {"emacs", bin("emacs")},
    };
    EXPECT_EQ(found, expected);
}
