#include "core/system/microstation.hpp"

#include "core/session.hpp"
#include "core/system/platform/platform.hpp"
#include "core/texts.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using namespace varscope::core;
using varscope::testing::Exists;
using varscope::testing::ReadLines;
using varscope::testing::ScriptedPrompter;
using varscope::testing::ShellQuote;
using varscope::testing::StepExit;
using varscope::testing::StepWrite;
using varscope::testing::TempFolder;
using varscope::testing::WriteRecorder;
using varscope::testing::WriteScript;
using varscope::testing::WriteStandIn;
using varscope::testing::WriteTextFile;

namespace {

// A path written with "/" in the system's own separator.
std::string Native(std::string path) {
    for (char& c : path) {
        if (c == '/')
            c = platform::Separator();
    }
    return path;
}

std::string ReadAll(const std::string& path) {
    std::string all;
    for (const std::string& line : ReadLines(path))
        all += line + "\n";
    return all;
}

// Creating a report moves the process into the MicroStation folder; later tests must not
// find themselves there.
class MicroStationRun : public ::testing::Test {
protected:
    void TearDown() override { platform::SetCurrentFolder(m_startFolder); }

    const std::string m_startFolder = platform::CurrentFolder();
    TempFolder m_temp;
    ScriptedPrompter m_prompter;
    AppState m_state;
};

class MicroStationFiles : public ::testing::Test {
protected:
    void TearDown() override { platform::SetCurrentFolder(m_startFolder); }

    const std::string m_startFolder = platform::CurrentFolder();
    TempFolder m_temp;
    AppState m_state;
};

} // namespace

TEST(MicroStationCommandLine, folderWithTrailingSeparator_oneSeparatorBeforeProgram) {
    EXPECT_EQ(BareCommandLine(Native("/opt/bentley/microstation/")),
              Native("/opt/bentley/microstation/ustation.exe -debug"));
    EXPECT_EQ(FullCommandLine(Native("/opt/bentley/microstation/"), " -WUjsmith", ""),
              Native("/opt/bentley/microstation/ustation.exe -debug  -WUjsmith"));
}

TEST(MicroStationCommandLine, pickedFolderWithoutSeparator_oneSeparatorAdded) {
    EXPECT_EQ(BareCommandLine(Native("/opt/bentley/microstation")),
              Native("/opt/bentley/microstation/ustation.exe -debug"));
    EXPECT_EQ(FullCommandLine(Native("/opt/bentley/microstation"), " -WUjsmith", " -WPcivil"),
              Native("/opt/bentley/microstation/ustation.exe -debug  -WUjsmith -WPcivil"));
}

TEST(MicroStationCommandLine, noOptions_fullFormEndsInOneBlank) {
    EXPECT_EQ(FullCommandLine(Native("/ms"), "", ""), Native("/ms/ustation.exe -debug "));
    EXPECT_EQ(FullCommandLine(Native("/ms"), "", " -WP"), Native("/ms/ustation.exe -debug  -WP"));
}

TEST(MicroStationCommandLine, emptyFolder_programAtTheSeparator) {
    EXPECT_EQ(BareCommandLine(""), Native("/ustation.exe -debug"));
    EXPECT_FALSE(MicroStationProgramExists(""));
}

TEST(MicroStationCommandLine, doubledSeparators_collapsedOnlyWhenOpening) {
    EXPECT_EQ(BareCommandLine(Native("/opt//ms//")), Native("/opt//ms//ustation.exe -debug"));
    EXPECT_EQ(OpeningCommandLine(Native("/opt//ms//")), Native("/opt/ms/ustation.exe -debug"));
    // A leading pair names a network share on Windows and stays.
    EXPECT_EQ(OpeningCommandLine(Native("//server/share//ms")),
              Native("//server/share/ms/ustation.exe -debug"));
}

TEST(MicroStationCommandLine, fromState_usesFolderAndBothOptions) {
    AppState state;
    state.preferences.MicroStationFolder = Native("/ms/");
    state.microStation.UserOption = UserOptionFor("jsmith");
    state.microStation.ProjectOption = ProjectOptionFor("civil");
    EXPECT_EQ(FullCommandLine(state), Native("/ms/ustation.exe -debug  -WUjsmith -WPcivil"));
}

TEST(MicroStationConfigName, nameBeforeFirstDot) {
    EXPECT_EQ(ConfigNameOf("jsmith.ucf"), "jsmith");
    EXPECT_EQ(ConfigNameOf("my.user.ucf"), "my");
    EXPECT_EQ(UserOptionFor(ConfigNameOf("my.user.ucf")), " -WUmy");
    EXPECT_EQ(ConfigNameOf("nodot"), "nodot");
    EXPECT_EQ(ConfigNameOf(".ucf"), "");
    EXPECT_EQ(ProjectOptionFor(""), " -WP");
}

TEST(MicroStationWildcard, extensionPattern_matchesIgnoringCaseOnly) {
    EXPECT_TRUE(MatchesWildcard("jsmith.ucf", "*.ucf"));
    EXPECT_TRUE(MatchesWildcard("JSMITH.UCF", "*.ucf"));
    EXPECT_TRUE(MatchesWildcard("my.user.ucf", "*.ucf"));
    EXPECT_TRUE(MatchesWildcard(".ucf", "*.ucf"));
    EXPECT_FALSE(MatchesWildcard("jsmith.ucf.bak", "*.ucf"));
    EXPECT_FALSE(MatchesWildcard("jsmith.pcf", "*.ucf"));
    EXPECT_FALSE(MatchesWildcard("jsmithucf", "*.ucf"));
}

TEST(MicroStationWildcard, questionMarksAndSeveralStars_backtrack) {
    EXPECT_TRUE(MatchesWildcard("a.b", "?.?"));
    EXPECT_FALSE(MatchesWildcard("ab.b", "?.?"));
    EXPECT_TRUE(MatchesWildcard("aXbYbc", "a*b*c"));
    EXPECT_FALSE(MatchesWildcard("aXbYbd", "a*b*c"));
    EXPECT_TRUE(MatchesWildcard("", "*"));
    EXPECT_FALSE(MatchesWildcard("x", ""));
}

TEST_F(MicroStationFiles, folderPrefix_listsMatchingFilesInNameOrder) {
    const std::string users = m_temp.path() + "/users/";
    WriteTextFile(m_temp.file("users/zed.ucf"), "");
    WriteTextFile(m_temp.file("users/Bob.UCF"), "");
    WriteTextFile(m_temp.file("users/alice.ucf"), "");
    WriteTextFile(m_temp.file("users/alice.pcf"), "");
    std::filesystem::create_directories(m_temp.path() + "/users/folder.ucf");
    std::vector<std::string> expected{"alice.ucf", "Bob.UCF", "zed.ucf"};
    if (platform::Separator() == '/') {
        std::filesystem::create_symlink(users + "zed.ucf", users + "link.ucf");
        std::filesystem::create_symlink(users + "missing", users + "broken.ucf");
        expected.insert(expected.begin() + 2, "link.ucf");
    }

    EXPECT_EQ(ListMatchingFiles(users + "*.ucf"), expected);
    EXPECT_EQ(ListMatchingFiles(users + "*.pcf"), (std::vector<std::string>{"alice.pcf"}));
}

TEST_F(MicroStationFiles, missingOrEmptyFolder_givesEmptyList) {
    EXPECT_TRUE(ListMatchingFiles(m_temp.path() + "/none/*.ucf").empty());
    EXPECT_TRUE(ListMatchingFiles(m_temp.path() + "/*.ucf").empty());
}

TEST_F(MicroStationFiles, patternWithoutFolder_looksInCurrentFolder) {
    WriteTextFile(m_temp.file("here.ucf"), "");
    ASSERT_TRUE(platform::SetCurrentFolder(m_temp.path()));
    EXPECT_EQ(ListMatchingFiles("*.ucf"), (std::vector<std::string>{"here.ucf"}));
}

TEST_F(MicroStationFiles, patterns_userPrefixAndProjectSubFolder) {
    m_state.report.UserConfigFolder = m_temp.path() + "/users/";
    m_state.report.ProjectConfigFolder = m_temp.path() + "/projects/";
    m_state.microStation.UserConfigName = "jsmith";
    EXPECT_EQ(UserConfigPattern(m_state), m_temp.path() + "/users/*.ucf");
    EXPECT_EQ(ProjectConfigPattern(m_state), m_temp.path() + "/projects/jsmith" + Native("/*.pcf"));
    WriteTextFile(m_temp.file("projects/jsmith/civil.pcf"), "");
    WriteTextFile(m_temp.file("projects/other/roads.pcf"), "");
    EXPECT_EQ(ListMatchingFiles(ProjectConfigPattern(m_state)),
              (std::vector<std::string>{"civil.pcf"}));
}

TEST_F(MicroStationFiles, patternsBeforeAnyReport_standAsTheyAre) {
    m_state.microStation.UserConfigName = "jsmith";
    EXPECT_EQ(UserConfigPattern(m_state), "*.ucf");
    EXPECT_EQ(ProjectConfigPattern(m_state), Native("jsmith/*.pcf"));
}

TEST(MicroStationFolder, sameFolderPath_ignoresCaseAndTrailingSeparators) {
    EXPECT_TRUE(SameFolderPath("/opt/MS", "/opt/ms/"));
    EXPECT_TRUE(SameFolderPath("/opt/ms//", "/opt/ms"));
    EXPECT_FALSE(SameFolderPath("/opt/ms", "/opt/ms2"));
}

TEST_F(MicroStationFiles, programExists_onlyWithUstationExeFile) {
    const std::string folder = m_temp.path();
    EXPECT_FALSE(MicroStationProgramExists(folder));
    std::filesystem::create_directories(folder + "/ustation.exe");
    EXPECT_FALSE(MicroStationProgramExists(folder)) << "a folder is no program";
    std::filesystem::remove(folder + "/ustation.exe");
    WriteScript(folder + "/ustation.exe", "exit 0\n");
    EXPECT_TRUE(MicroStationProgramExists(folder));
    EXPECT_TRUE(MicroStationProgramExists(folder + "/"));
}

TEST_F(MicroStationRun, reportInOtherFolder_copiedOverOlderAndRemovedThere) {
    const std::string work = m_temp.path() + "/work";
    const std::string ms = m_temp.path() + "/ms";
    WriteTextFile(m_temp.file("work/msdebug.txt"), "fresh\n");
    WriteTextFile(m_temp.file("ms/msdebug.txt"), "older\n");

    EXPECT_TRUE(CollectFreshReport(m_prompter, work, ms));

    EXPECT_EQ(ReadAll(ms + "/msdebug.txt"), "fresh\n");
    EXPECT_FALSE(Exists(work + "/msdebug.txt"));
    EXPECT_TRUE(m_prompter.shown.empty());
}

TEST_F(MicroStationRun, noReportInOtherFolder_nothingMovedNothingSaid) {
    WriteTextFile(m_temp.file("ms/msdebug.txt"), "older\n");
    std::filesystem::create_directories(m_temp.path() + "/work");

    EXPECT_TRUE(CollectFreshReport(m_prompter, m_temp.path() + "/work", m_temp.path() + "/ms"));

    EXPECT_EQ(ReadAll(m_temp.path() + "/ms/msdebug.txt"), "older\n");
    EXPECT_TRUE(m_prompter.shown.empty());
}

TEST_F(MicroStationRun, sameFolderWithTrailingSeparator_reportLeftAlone) {
    WriteTextFile(m_temp.file("ms/msdebug.txt"), "fresh\n");

    EXPECT_TRUE(CollectFreshReport(m_prompter, m_temp.path() + "/ms", m_temp.path() + "/ms/"));

    EXPECT_EQ(ReadAll(m_temp.path() + "/ms/msdebug.txt"), "fresh\n");
}

TEST_F(MicroStationRun, copyFails_saysWhatFailedAndKeepsTheReport) {
    const std::string work = m_temp.path() + "/work";
    WriteTextFile(m_temp.file("work/msdebug.txt"), "fresh\n");
    // A folder where the report should go cannot be written over.
    std::filesystem::create_directories(m_temp.path() + "/ms/msdebug.txt");

    EXPECT_FALSE(CollectFreshReport(m_prompter, work, m_temp.path() + "/ms"));

    ASSERT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_EQ(m_prompter.shown[0].text.rfind(std::string(text::kCopyReportFailed), 0), 0u);
    EXPECT_NE(m_prompter.shown[0].text.find("msdebug.txt"), std::string::npos);
    EXPECT_EQ(m_prompter.shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(m_prompter.shown[0].title, text::kProgramTitle);
    EXPECT_EQ(ReadAll(work + "/msdebug.txt"), "fresh\n");
}

TEST_F(MicroStationRun, standInWritesReport_reportInFolderAndSourceEmptied) {
    const std::string ms = m_temp.path() + Native("/MicroStation V8");
    WriteStandIn(m_temp.file("MicroStation V8/ustation.exe"),
                 {StepWrite("msdebug.txt", "(user): A=1 [1]\n")});
    m_state.preferences.MicroStationFolder = ms + "/";
    m_state.report.ReportSource = LoadMode::Skip;

    EXPECT_TRUE(CreateDebugReport(m_state, m_prompter,
                                  BareCommandLine(m_state.preferences.MicroStationFolder)));

    EXPECT_TRUE(m_prompter.shown.empty());
    EXPECT_EQ(ReadAll(ms + "/msdebug.txt"), "(user): A=1 [1]\n");
    EXPECT_EQ(m_state.report.ReportSource, std::nullopt);
    EXPECT_TRUE(SameFolderPath(platform::CurrentFolder(), ms));
}

TEST_F(MicroStationRun, commandLine_reachesProgramWordByWord) {
    const std::string ms = m_temp.path() + "/ms";
    const std::string arguments = m_temp.path() + "/arguments.txt";
    WriteRecorder(m_temp.file("ms/ustation.exe"), arguments);
    m_state.preferences.MicroStationFolder = ms;

    ASSERT_TRUE(CreateDebugReport(m_state, m_prompter,
                                  FullCommandLine(ms, UserOptionFor("my"), ProjectOptionFor(""))));

    EXPECT_EQ(ReadLines(arguments), (std::vector<std::string>{"-debug", "-WUmy", "-WP"}));
}

TEST_F(MicroStationRun, standInExitsAtOnce_noReportNoMessage) {
    WriteStandIn(m_temp.file("ms/ustation.exe"), {StepExit(3)});
    m_state.preferences.MicroStationFolder = m_temp.path() + "/ms";
    m_state.report.ReportSource = LoadMode::Skip;

    EXPECT_TRUE(CreateDebugReport(m_state, m_prompter,
                                  BareCommandLine(m_state.preferences.MicroStationFolder)));

    EXPECT_TRUE(m_prompter.shown.empty());
    EXPECT_FALSE(Exists(m_temp.path() + "/ms/msdebug.txt"));
    EXPECT_EQ(m_state.report.ReportSource, std::nullopt);
}

TEST_F(MicroStationRun, programCannotStart_saysCouldNotStartAndKeepsSource) {
    std::filesystem::create_directories(m_temp.path() + "/ms");
    m_state.preferences.MicroStationFolder = m_temp.path() + "/ms";
    m_state.report.ReportSource = LoadMode::Skip;
    const std::string line = BareCommandLine(m_state.preferences.MicroStationFolder);

    EXPECT_FALSE(CreateDebugReport(m_state, m_prompter, line));

    ASSERT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_EQ(m_prompter.shown[0].text, std::string(text::kCouldNotStart) + line);
    EXPECT_EQ(m_prompter.shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(m_prompter.shown[0].title, "Varscope");
    EXPECT_EQ(m_state.report.ReportSource, LoadMode::Skip);
}

TEST_F(MicroStationRun, folderGone_saysSoAndRunsNothing) {
    const std::string marker = m_temp.path() + "/ran";
    WriteStandIn(m_temp.file("elsewhere/ustation.exe"), {StepWrite(marker)});
    m_state.preferences.MicroStationFolder = m_temp.path() + "/gone";

    EXPECT_FALSE(
        CreateDebugReport(m_state, m_prompter, BareCommandLine(m_temp.path() + "/elsewhere")));

    ASSERT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_EQ(m_prompter.shown[0].text, std::string(text::kCannotEnterMicroStationFolder) +
                                            m_state.preferences.MicroStationFolder);
    EXPECT_FALSE(Exists(marker));
}

TEST_F(MicroStationRun, folderThroughLink_sameFolderReportNotCopiedOntoItself) {
    const std::string real = m_temp.path() + "/real";
    if (platform::ProgramsHaveExeSuffix())
        GTEST_SKIP() << "folder links need extra rights on Windows";
    WriteStandIn(m_temp.file("real/ustation.exe"), {StepWrite("msdebug.txt", "fresh\n")});
    std::filesystem::create_directory_symlink(real, m_temp.path() + "/link");
    m_state.preferences.MicroStationFolder = m_temp.path() + "/link";

    EXPECT_TRUE(CreateDebugReport(m_state, m_prompter,
                                  BareCommandLine(m_state.preferences.MicroStationFolder)));

    EXPECT_TRUE(m_prompter.shown.empty());
    EXPECT_EQ(ReadAll(real + "/msdebug.txt"), "fresh\n");
}
