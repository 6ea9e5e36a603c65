#include "core/system/platform/platform.hpp"
#include "core/system/process.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

using namespace varscope::core;
using varscope::testing::Exists;
using varscope::testing::ReadLines;
using varscope::testing::ScriptedPrompter;
using varscope::testing::ShellQuote;
using varscope::testing::StepExit;
using varscope::testing::StepSleep;
using varscope::testing::StepWaitFor;
using varscope::testing::StepWrite;
using varscope::testing::TempFolder;
using varscope::testing::WriteRecorder;
using varscope::testing::WriteScript;
using varscope::testing::WriteStandIn;
using varscope::testing::WriteTextFile;
using Words = std::vector<std::string>;

TEST(SplitCommandLine, table_splitsAsTheWindowsRuntime) {
    struct Case {
        std::string line;
        Words words;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"   \t ", {}},
        {"a b  c", {"a", "b", "c"}},
        {"a\tb", {"a", "b"}},
        {"  lead  trail  ", {"lead", "trail"}},
        {R"("a b" c)", {"a b", "c"}},
        {R"(a"b c"d)", {"ab cd"}},
        {R"("")", {""}},
        {R"(a "" b)", {"a", "", "b"}},
        {R"("unterminated arg)", {"unterminated arg"}},
        // Backslashes not followed by a quote are literal.
        {R"(C:\dir\\file x\)", {R"(C:\dir\\file)", R"(x\)"}},
        // 2n+1 backslashes and a quote: n backslashes and a literal quote.
        {R"(a\"b)", {R"(a"b)"}},
        {R"(a\\\"b)", {R"(a\"b)"}},
        // 2n backslashes and a quote: n backslashes, the quote toggles quoting.
        {R"(a\\"b c")", {R"(a\b c)"}},
        {R"("C:\dir\\" x)", {R"(C:\dir\)", "x"}},
        // A backslash before the closing quote escapes it, so quoting goes on.
        {R"("C:\dir\" x)", {R"(C:\dir" x)"}},
        // "" inside quotes is a literal quote and quoting goes on.
        {R"("a""b")", {R"(a"b)"}},
        {R"("a""b c" d)", {R"(a"b c)", "d"}},
    };
    for (const Case& test : cases)
        EXPECT_EQ(platform::SplitCommandLine(test.line), test.words) << "line: " << test.line;
}

TEST(EditorCommandLine, editorQuotedOnlyWhenAWholeFileWithBlanksAndNoQuote) {
    const TempFolder folder;
    const std::string blanks = folder.file("my editor/ed it");
    const std::string quoted = folder.file("my \"editor\"");
    const std::string plain = folder.file("editor");
    for (const std::string& file : {blanks, quoted, plain})
        WriteTextFile(file, "");
    struct Case {
        std::string editor;
        std::string line;
    };
    const std::vector<Case> cases = {
        {blanks, "\"" + blanks + "\" \"a.cfg\""},
        // Not a file as a whole: a line the user composed, with arguments.
        {blanks + " -n", blanks + " -n \"a.cfg\""},
        {"/opt/no such editor/ed", "/opt/no such editor/ed \"a.cfg\""},
        {"\"" + blanks + "\" -n", "\"" + blanks + "\" -n \"a.cfg\""},
        {quoted, quoted + " \"a.cfg\""},
        {plain, plain + " \"a.cfg\""},
        {"", " \"a.cfg\""},
    };
    for (const Case& test : cases)
        EXPECT_EQ(EditorCommandLine(test.editor, "a.cfg"), test.line) << test.editor;
}

TEST(EditorCommandLine, anyFilePath_splitBackExactly) {
    Words paths = {"/cfg/my file.cfg", "q\"uote.cfg", "tail\\", "a\\\"b", "a\\\\\"\\", "", "\"\""};
    // Every byte but NUL, with the ones the quoting is about far more often.
    std::mt19937 random(16);
    const std::string often = "\"\\ \t";
    for (int i = 0; i < 3000; ++i) {
        std::string path(random() % 24, '\0');
        for (char& c : path)
            c = random() % 2 ? often[random() % often.size()]
                             : static_cast<char>(1 + random() % 255);
        paths.push_back(path);
    }
    for (const std::string& path : paths)
        EXPECT_EQ(platform::SplitCommandLine(EditorCommandLine("ed", path)), (Words{"ed", path}))
            << path;
}

class RunProgramTest : public ::testing::Test {
protected:
    TempFolder m_folder;
    const std::string m_arguments = m_folder.file("arguments.txt");
};

TEST_F(RunProgramTest, filePathWithBlanksQuotesOrEndingBackslash_arrivesExactly) {
    const std::string editor = m_folder.file("my editor/rec.sh");
    WriteRecorder(editor, m_arguments);
    // Only names: the files need not exist, and Windows could not make some of them.
    const std::string folder = m_folder.path() + platform::Separator();
    for (const std::string& file : {folder + "my config/a file.cfg", folder + "q\"uote.cfg",
                                    folder + "tail\\", folder + "x\\\" y\\\\"}) {
        EXPECT_TRUE(RunProgram(EditorCommandLine(editor, file)));
        EXPECT_EQ(ReadLines(m_arguments), Words{file});
    }
}

TEST_F(RunProgramTest, quotedProgramWithBlanks_restSplitIntoArguments) {
    const std::string editor = m_folder.file("my editor/ed.sh");
    WriteRecorder(editor, m_arguments);

    EXPECT_TRUE(RunProgram("\"" + editor + "\" one \"two three\" a\\\"b"));

    EXPECT_EQ(ReadLines(m_arguments), (Words{"one", "two three", "a\"b"}));
}

TEST_F(RunProgramTest, unquotedProgramWithBlanks_foundBlankByBlank) {
    const std::string editor = m_folder.file("my editor/ed.sh");
    WriteRecorder(editor, m_arguments);

    EXPECT_TRUE(RunProgram(editor + " \"x y\" z"));

    EXPECT_EQ(ReadLines(m_arguments), (Words{"x y", "z"}));
}

TEST_F(RunProgramTest, unquotedProgramWithBlanks_shortestExistingPrefixWins) {
    const std::string longer = m_folder.file("my editor/ed.sh");
    const std::string shorter = m_folder.file("my");
    WriteRecorder(longer, m_folder.file("longer.txt"));
    WriteRecorder(shorter, m_arguments);

    EXPECT_TRUE(RunProgram(longer + " file"));

    EXPECT_EQ(ReadLines(m_arguments), (Words{"editor/ed.sh", "file"}));
    EXPECT_FALSE(Exists(m_folder.file("longer.txt")));
}

TEST_F(RunProgramTest, unquotedPrefixIsFolder_skippedForLongerPrefix) {
    std::filesystem::create_directories(m_folder.file("tool"));
    const std::string program = m_folder.file("tool box.sh");
    WriteRecorder(program, m_arguments);

    EXPECT_TRUE(RunProgram(program + " arg"));

    EXPECT_EQ(ReadLines(m_arguments), Words{"arg"});
}

TEST_F(RunProgramTest, bareName_foundOnPath) {
    if (platform::ProgramsHaveExeSuffix())
        GTEST_SKIP() << "no sh on Windows; its own bare-name search is tested with cmd";
    const std::string script = m_folder.file("rec.sh");
    WriteRecorder(script, m_arguments);

    // "sh" has no slash, so it can only be found on PATH.
    EXPECT_TRUE(RunProgram("sh \"" + script + "\" one"));

    EXPECT_EQ(ReadLines(m_arguments), Words{"one"});
}

TEST_F(RunProgramTest, programThatCannotStart_returnsFalseAndRunsNothing) {
    const std::string notExecutable = m_folder.file("plain.sh");
    WriteTextFile(notExecutable, "#!/bin/sh\n: > " + ShellQuote(m_arguments) + "\n");
    std::filesystem::permissions(notExecutable, std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::owner_write);
    const std::string noInterpreter = m_folder.file("bare.sh");
    WriteScript(noInterpreter, "");
    WriteTextFile(noInterpreter, ": > " + ShellQuote(m_arguments) + "\n");
    const std::string recorder = m_folder.file("rec.sh");
    WriteRecorder(recorder, m_arguments);

    const std::vector<std::string> lines = {
        m_folder.file("missing"),
        "\"" + m_folder.file("missing") + "\" arg",
        "varscope-no-such-program-anywhere arg",
        notExecutable,
        noInterpreter,
        m_folder.path(),
        "",
        // An empty editor path: the line starts with a blank and names no program.
        " \"" + recorder + "\"",
    };
    for (const std::string& line : lines) {
        EXPECT_FALSE(RunProgram(line)) << "line: " << line;
        EXPECT_FALSE(RunProgram(line, [] {})) << "line: " << line;
    }
    EXPECT_FALSE(Exists(m_arguments));
}

TEST_F(RunProgramTest, programFailing_stillCountsAsStarted) {
    const std::string program = m_folder.file("fail.sh");
    WriteStandIn(program, {StepExit(3)});

    EXPECT_TRUE(RunProgram(program));
}

TEST_F(RunProgramTest, blockingWait_returnsOnlyAfterProgramEnded) {
    const std::string done = m_folder.file("done.txt");
    const std::string program = m_folder.file("slow.sh");
    WriteStandIn(program, {StepSleep(300), StepWrite(done)});

    EXPECT_TRUE(RunProgram(program));

    EXPECT_TRUE(Exists(done));
}

TEST_F(RunProgramTest, whileWaiting_calledWhileProgramRunsAndExitAwaited) {
    // The program ends only after the callback has run, so the check needs no timing.
    const std::string flag = m_folder.file("flag.txt");
    const std::string done = m_folder.file("done.txt");
    const std::string program = m_folder.file("wait.sh");
    WriteStandIn(program, {StepWaitFor(flag), StepSleep(200), StepWrite(done)});
    int calls = 0;

    EXPECT_TRUE(RunProgram(program, [&] {
        if (calls++ == 0)
            WriteTextFile(flag, "");
    }));

    EXPECT_GE(calls, 1);
    EXPECT_TRUE(Exists(done));
}

TEST_F(RunProgramTest, runProgramOrTell_cannotStart_toldWithCommandLine) {
    ScriptedPrompter prompter;
    const std::string line = "\"" + m_folder.file("missing") + "\" \"a b\"";

    EXPECT_FALSE(RunProgramOrTell(prompter, line));

    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, "message");
    EXPECT_EQ(prompter.shown[0].text, "Could not start: " + line);
    EXPECT_EQ(prompter.shown[0].title, "Varscope");
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Stop);
}

TEST_F(RunProgramTest, runProgramOrTell_started_saysNothing) {
    ScriptedPrompter prompter;
    const std::string program = m_folder.file("rec.sh");
    WriteRecorder(program, m_arguments);

    EXPECT_TRUE(RunProgramOrTell(prompter, program));

    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(Exists(m_arguments));
}
