// The Windows branch of the platform layer, on the system itself: attributes that only
// Windows has, its process start and command line, its drive root. Built for Windows only.
#include "core/session.hpp"
#include "core/system/edit.hpp"
#include "core/system/platform/platform.hpp"
#include "core/texts.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <windows.h>
// <windows.h> maps these to their ANSI forms; the platform functions keep their names.
#undef DeleteFile
#undef ReplaceFile

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace varscope::core;
using varscope::testing::Exists;
using varscope::testing::ReadLines;
using varscope::testing::ScriptedPrompter;
using varscope::testing::StepRecordArguments;
using varscope::testing::StepRecordCommandLine;
using varscope::testing::StepWrite;
using varscope::testing::TempFolder;
using varscope::testing::WriteStandIn;
using varscope::testing::WriteTextFile;
using Words = std::vector<std::string>;

namespace {

std::string ReadAll(const std::string& path) {
    std::string all;
    for (const std::string& line : varscope::testing::ReadLines(path))
        all += line + "\n";
    return all;
}

bool SetAttributes(const std::string& path, DWORD attributes) {
    return ::SetFileAttributesA(path.c_str(), attributes) != 0;
}

std::vector<std::string> Names(const std::vector<platform::DirEntry>& entries) {
    std::vector<std::string> names;
    for (const platform::DirEntry& entry : entries)
        names.push_back(entry.name);
    return names;
}

// A test that changes the current folder puts it back.
class CurrentFolderRestored : public ::testing::Test {
protected:
    void TearDown() override { ::SetCurrentDirectoryA(m_start.c_str()); }

    const std::string m_start = platform::CurrentFolder();
    TempFolder m_temp;
};

} // namespace

TEST(WindowsPaths, separatorRootAndCodePage_areWindowsOnes) {
    EXPECT_EQ(platform::Separator(), '\\');
    EXPECT_EQ(platform::SystemRoot(), "C:\\");
    EXPECT_TRUE(platform::FolderExists(platform::SystemRoot()));
    EXPECT_TRUE(platform::TextIsInSystemCodePage());
    EXPECT_TRUE(platform::HasHtmlHelpViewer());
    EXPECT_TRUE(platform::ProgramsHaveExeSuffix());
    EXPECT_EQ(platform::ProgramsFolder(), "C:\\program files");
    EXPECT_FALSE(platform::SkipInDiskSearch("C:\\windows\\"));
}

TEST(WindowsPaths, systemFontsFolder_isTheWindowsFoldersFonts) {
    char windows[MAX_PATH] = {};
    ASSERT_NE(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);

    EXPECT_EQ(platform::SystemFontsFolder(), std::string(windows) + "\\Fonts");
    EXPECT_TRUE(platform::FolderExists(platform::SystemFontsFolder()));
}

TEST(WindowsPaths, executableFolder_holdsTheRunningProgramWithoutTrailingSeparator) {
    char module[MAX_PATH] = {};
    ASSERT_NE(::GetModuleFileNameA(nullptr, module, MAX_PATH), 0u);
    const std::string own = module;
    const std::string folder = platform::ExecutableFolder();

    EXPECT_EQ(folder, own.substr(0, own.rfind('\\')));
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(platform::FileExists(folder + "\\" + own.substr(own.rfind('\\') + 1)));
}

TEST(WindowsFiles, hiddenOrSystemFile_notFoundButStillListedAndStartable) {
    TempFolder temp;
    const std::string file = temp.file("plain.cfg");
    WriteTextFile(file, "x");
    EXPECT_TRUE(platform::FileExists(file));

    ASSERT_TRUE(SetAttributes(file, FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(platform::FileExists(file));
    EXPECT_TRUE(platform::IsProgramFile(file));
    const auto listed = platform::ListFolder(temp.path());
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(Names(*listed), Words{"plain.cfg"});
    EXPECT_TRUE(listed->front().isFile);

    ASSERT_TRUE(SetAttributes(file, FILE_ATTRIBUTE_SYSTEM));
    EXPECT_FALSE(platform::FileExists(file));

    // Read-only and archive files are found.
    ASSERT_TRUE(SetAttributes(file, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(platform::FileExists(file));
    ASSERT_TRUE(SetAttributes(file, FILE_ATTRIBUTE_NORMAL));
}

TEST(WindowsFiles, foldersWildcardsAndMissingFiles_notFiles) {
    TempFolder temp;
    WriteTextFile(temp.file("a.cfg"), "x");
    std::filesystem::create_directories(temp.file("folder.cfg"));

    EXPECT_FALSE(platform::FileExists(temp.file("folder.cfg")));
    EXPECT_TRUE(platform::FolderExists(temp.file("folder.cfg")));
    EXPECT_TRUE(platform::FolderExists(temp.path() + "\\"));
    EXPECT_FALSE(platform::FileExists(temp.path() + "\\*.cfg"));
    EXPECT_FALSE(platform::FileExists(temp.path() + "\\?.cfg"));
    EXPECT_FALSE(platform::FileExists(temp.file("missing.cfg")));
    EXPECT_FALSE(platform::FileExists(""));
    EXPECT_FALSE(platform::IsProgramFile(temp.file("folder.cfg")));
    // Letter case does not matter to the file system.
    EXPECT_TRUE(platform::FileExists(temp.path() + "\\A.CFG"));
}

TEST(WindowsFiles, hiddenFile_openForEditSaysNotFound) {
    TempFolder temp;
    const std::string file = temp.file("hidden.cfg");
    WriteTextFile(file, "x");
    ASSERT_TRUE(SetAttributes(file, FILE_ATTRIBUTE_HIDDEN));
    AppState state;
    state.preferences.EditorPath = temp.file("editor.exe");
    WriteStandIn(state.preferences.EditorPath, {StepRecordArguments(temp.file("arguments.txt"))});
    ScriptedPrompter prompter;

    EXPECT_EQ(OpenFileForEdit(state, prompter, file), EditOutcome::NotFound);

    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, std::string(text::kFileNotFoundPrefix) + file +
                                          std::string(text::kFileNotFoundSuffix));
    EXPECT_FALSE(Exists(temp.file("arguments.txt")));
    ASSERT_TRUE(SetAttributes(file, FILE_ATTRIBUTE_NORMAL));
}

TEST(WindowsFiles, readOnlyAttribute_isReadOnly) {
    TempFolder temp;
    const std::string file = temp.file("a.cfg");
    WriteTextFile(file, "x");
    EXPECT_FALSE(platform::IsReadOnly(file));

    ASSERT_TRUE(SetAttributes(file, FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(platform::IsReadOnly(file));

    ASSERT_TRUE(SetAttributes(file, FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(platform::IsReadOnly(file));
    EXPECT_TRUE(platform::IsReadOnly(temp.file("missing.cfg")));
}

TEST(WindowsFiles, copyReplaceDelete_workAndNameThePathOnFailure) {
    TempFolder temp;
    const std::string from = temp.file("from.txt");
    const std::string to = temp.file("to.txt");
    WriteTextFile(from, "new\n");
    WriteTextFile(to, "old\n");

    EXPECT_EQ(platform::CopyFileOver(from, to), std::nullopt);
    EXPECT_EQ(ReadAll(to), "new\n");
    EXPECT_TRUE(Exists(from));

    WriteTextFile(from, "newer\n");
    EXPECT_EQ(platform::ReplaceFile(from, to), std::nullopt);
    EXPECT_EQ(ReadAll(to), "newer\n");
    EXPECT_FALSE(Exists(from));

    const auto copyFailure = platform::CopyFileOver(from, to);
    ASSERT_TRUE(copyFailure.has_value());
    EXPECT_EQ(copyFailure->rfind(from + ": ", 0), 0u) << *copyFailure;

    EXPECT_EQ(platform::DeleteFile(to), std::nullopt);
    EXPECT_FALSE(Exists(to));
    const auto deleteFailure = platform::DeleteFile(to);
    ASSERT_TRUE(deleteFailure.has_value());
    EXPECT_EQ(deleteFailure->rfind(to + ": ", 0), 0u) << *deleteFailure;
    EXPECT_GT(deleteFailure->size(), to.size() + 2);
}

TEST_F(CurrentFolderRestored, setCurrentFolder_relativePathsLandThere) {
    ASSERT_TRUE(platform::SetCurrentFolder(m_temp.path()));
    EXPECT_TRUE(platform::SameFileName(platform::CurrentFolder(), m_temp.path()));
    WriteTextFile("here.txt", "x");
    EXPECT_TRUE(platform::FileExists(m_temp.path() + "\\here.txt"));

    EXPECT_FALSE(platform::SetCurrentFolder(m_temp.path() + "\\missing"));
    EXPECT_FALSE(platform::SetCurrentFolder(""));
    EXPECT_TRUE(platform::SameFileName(platform::CurrentFolder(), m_temp.path()));
}

TEST(WindowsFolders, listAndForEach_sameEntriesInSystemOrderWithKinds) {
    TempFolder temp;
    std::filesystem::create_directories(temp.file("sub"));
    WriteTextFile(temp.file("b.txt"), "x");
    WriteTextFile(temp.file("a.txt"), "x");

    const auto listed = platform::ListFolder(temp.path());
    const auto listedWithSeparator = platform::ListFolder(temp.path() + "\\");
    ASSERT_TRUE(listed.has_value());
    ASSERT_TRUE(listedWithSeparator.has_value());
    EXPECT_EQ(Names(*listed), Names(*listedWithSeparator));
    Words sorted = Names(*listed);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (Words{"a.txt", "b.txt", "sub"}));
    for (const platform::DirEntry& entry : *listed) {
        EXPECT_EQ(entry.isFolder, entry.name == "sub") << entry.name;
        EXPECT_EQ(entry.isFile, entry.name != "sub") << entry.name;
        EXPECT_FALSE(entry.isLink) << entry.name;
    }

    // The system's own enumeration order, as FindFirstFileA and FindNextFileA give it.
    Words system;
    WIN32_FIND_DATAA found{};
    const HANDLE handle = ::FindFirstFileA((temp.path() + "\\*.*").c_str(), &found);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            system.push_back(name);
    } while (::FindNextFileA(handle, &found) != 0);
    ::FindClose(handle);
    EXPECT_EQ(Names(*listed), system);

    Words visited;
    EXPECT_TRUE(platform::ForEachInFolder(temp.path(), [&](const platform::DirEntryView& entry) {
        visited.emplace_back(entry.name);
        return visited.size() < 2;
    }));
    EXPECT_EQ(visited, Words(system.begin(), system.begin() + 2));

    EXPECT_FALSE(platform::ListFolder(temp.path() + "\\missing").has_value());
    EXPECT_FALSE(platform::ForEachInFolder(temp.file("a.txt"), [](const auto&) { return true; }));
}

TEST(WindowsFolders, driveRoot_listedWithItsFolders) {
    const auto entries = platform::ListFolder("C:\\");
    ASSERT_TRUE(entries.has_value());
    const auto windows = std::find_if(entries->begin(), entries->end(), [](const auto& entry) {
        return platform::SameFileName(entry.name, "WINDOWS");
    });
    ASSERT_NE(windows, entries->end());
    EXPECT_TRUE(windows->isFolder);
}

TEST(WindowsFolders, sameFileName_ignoresLetterCaseAlsoBeyondAscii) {
    EXPECT_TRUE(platform::SameFileName("Notepad.EXE", "notepad.exe"));
    EXPECT_FALSE(platform::SameFileName("notepad.exe", "notepad.ex"));
    EXPECT_FALSE(platform::SameFileName("wordpad.exe", "notepad.exe"));
    if (::GetACP() == 1252) {
        EXPECT_TRUE(platform::SameFileName("caf\xE9.exe", "CAF\xC9.EXE"));
    }
}

TEST(WindowsText, codePageConversions_asTheSystemConverts) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the expectations are written for code page 1252";
    EXPECT_EQ(platform::Utf8ToSystemText("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
    EXPECT_EQ(platform::SystemTextToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(platform::ValidUtf8("a\xFFz"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(platform::ValidUtf8(""), "");
}

class WindowsRunProgram : public CurrentFolderRestored {};

TEST_F(WindowsRunProgram, commandLine_reachesProgramByteForByte) {
    const std::string program = m_temp.file("stand in\\program.exe");
    const std::string commandFile = m_temp.file("command-line.txt");
    WriteStandIn(program, {StepRecordCommandLine(commandFile)});
    const std::vector<std::string> lines = {
        "\"" + program + "\"",
        "\"" + program + "\" \"C:\\my files\\a.cfg\"",
        "\"" + program + "\"   spaced\ttab \"\" caf\xE9 -WUjsmith",
    };
    for (const std::string& line : lines) {
        EXPECT_TRUE(platform::RunProgram(line)) << line;
        EXPECT_EQ(ReadLines(commandFile), Words{line});
    }
}

TEST_F(WindowsRunProgram, unquotedProgramWithBlanks_foundBlankByBlank) {
    const std::string program = m_temp.file("stand in\\program.exe");
    const std::string arguments = m_temp.file("arguments.txt");
    WriteStandIn(program, {StepRecordArguments(arguments)});
    // A shorter prefix that names a folder, not a program, is passed over.
    std::filesystem::create_directories(m_temp.file("stand.exe"));

    EXPECT_TRUE(platform::RunProgram(program + " -debug \"a b\""));

    EXPECT_EQ(ReadLines(arguments), (Words{"-debug", "a b"}));
}

TEST_F(WindowsRunProgram, arguments_splitByTheRuntimeAsSplitCommandLineSplitsThem) {
    const std::string program = m_temp.file("program.exe");
    const std::string arguments = m_temp.file("arguments.txt");
    WriteStandIn(program, {StepRecordArguments(arguments)});
    const std::vector<std::string> tails = {
        "a b  c",
        "\"a b\" c",
        "a\"b c\"d",
        "a \"\" b",
        "\"unterminated arg",
        "C:\\dir\\\\file x\\",
        "a\\\"b",
        "a\\\\\\\"b",
        "a\\\\\"b c\"",
        "\"C:\\dir\\\\\" x",
        "\"C:\\dir\\\" x",
        "\"a\"\"b\"",
        "\"a\"\"b c\" d",
    };
    for (const std::string& tail : tails) {
        ASSERT_TRUE(platform::RunProgram("\"" + program + "\" " + tail)) << tail;
        EXPECT_EQ(ReadLines(arguments), platform::SplitCommandLine(tail)) << tail;
    }
}

TEST_F(WindowsRunProgram, startedProgram_inheritsTheCurrentFolder) {
    const std::string program = m_temp.file("program.exe");
    WriteStandIn(program, {StepWrite("written-here.txt", "x")});
    std::filesystem::create_directories(m_temp.file("work"));
    ASSERT_TRUE(platform::SetCurrentFolder(m_temp.file("work")));

    EXPECT_TRUE(platform::RunProgram("\"" + program + "\""));

    EXPECT_TRUE(Exists(m_temp.file("work\\written-here.txt")));
}

TEST_F(WindowsRunProgram, bareName_foundOnTheSearchPath) {
    const std::string created = m_temp.file("made by cmd.txt");

    EXPECT_TRUE(platform::RunProgram("cmd /c type nul > \"" + created + "\""));

    EXPECT_TRUE(Exists(created));
}

TEST_F(WindowsRunProgram, noSuchProgramOrNoProgramAtAll_notStarted) {
    WriteTextFile(m_temp.file("text.exe"), "not a program");
    EXPECT_FALSE(platform::RunProgram("\"" + m_temp.file("missing.exe") + "\""));
    EXPECT_FALSE(platform::RunProgram("\"" + m_temp.file("text.exe") + "\""));
    EXPECT_FALSE(platform::RunProgram(m_temp.path()));
    EXPECT_FALSE(platform::RunProgram(""));
}

TEST(WindowsText, pathInSystemCodePage_sameBytesThroughEveryFunction) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the name is written for code page 1252";
    TempFolder temp;
    const std::string folder = temp.path() + "\\Proj\xE9t";
    ASSERT_NE(::CreateDirectoryA(folder.c_str(), nullptr), 0);
    const std::string file = folder + "\\caf\xE9.cfg";
    const HANDLE created = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    ::CloseHandle(created);

    EXPECT_TRUE(platform::FolderExists(folder));
    EXPECT_TRUE(platform::FileExists(file));
    const auto entries = platform::ListFolder(folder);
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(Names(*entries), Words{"caf\xE9.cfg"});
    EXPECT_EQ(platform::CopyFileOver(file, folder + "\\copy \xE9.cfg"), std::nullopt);
    EXPECT_NE(::GetFileAttributesA((folder + "\\copy \xE9.cfg").c_str()), INVALID_FILE_ATTRIBUTES);

    const std::string program = folder + "\\\xE9"
                                         "diteur.exe";
    const std::string arguments = temp.file("arguments.txt");
    WriteStandIn(program, {StepRecordArguments(arguments)});
    EXPECT_TRUE(platform::RunProgram("\"" + program + "\" \"" + file + "\""));
    EXPECT_EQ(ReadLines(arguments), Words{file});
}
