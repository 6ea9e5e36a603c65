#include "core/report/report.hpp"
#include "core/session.hpp"
#include "core/system/edit.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/process.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace varscope::core;
using varscope::testing::Exists;
using varscope::testing::ReadLines;
using varscope::testing::ReadLinesWhenWritten;
using varscope::testing::ScriptedPrompter;
using varscope::testing::StepWaitFor;
using varscope::testing::StepWrite;
using varscope::testing::TempFolder;
using varscope::testing::WaitForFile;
using varscope::testing::WriteRecorder;
using varscope::testing::WriteStandIn;
using varscope::testing::WriteTextFile;

namespace {

void MakeReadOnly(const std::string& path) {
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_read | perms::group_read | perms::others_read);
}

} // namespace

TEST(IsReadOnly, permissionBits_decideEvenForRoot) {
    TempFolder folder;
    const std::string file = folder.file("a.cfg");
    WriteTextFile(file, "x");
    EXPECT_FALSE(platform::IsReadOnly(file));

    MakeReadOnly(file);

    EXPECT_TRUE(platform::IsReadOnly(file));
}

class OpenFileForEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_state.preferences.EditorPath = m_folder.file("my editor/ed.sh");
        WriteRecorder(m_state.preferences.EditorPath, m_arguments);
        WriteTextFile(m_file, "MS_DEF = x\n");
        WriteTextFile(m_other, "MS_CELL = y\n");
        // The same file processed twice, another one between.
        ApplyReport(m_state, ParseReport("Processing macro file [" + m_file +
                                         "]\r\n"
                                         "Processing macro file [" +
                                         m_other +
                                         "]\r\n"
                                         "Processing macro file [" +
                                         m_file + "]\r\n"));
    }

    bool EditorRan() const { return Exists(m_arguments); }

    TempFolder m_folder;
    const std::string m_arguments = m_folder.file("arguments.txt");
    const std::string m_file = m_folder.file("config files/my file.cfg");
    const std::string m_other = m_folder.file("other.cfg");
    AppState m_state;
    ScriptedPrompter m_prompter;
};

TEST_F(OpenFileForEditTest, writableFile_editorGetsQuotedPathAndBothRowsMarked) {
    int changes = 0;
    m_state.Subscribe([&] { ++changes; });

    EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file), EditOutcome::Edited);

    EXPECT_TRUE(m_prompter.shown.empty());
    EXPECT_EQ(ReadLinesWhenWritten(m_arguments, 1), std::vector<std::string>{m_file});
    EXPECT_EQ(m_state.report.FileOpened, (std::vector<bool>{true, false, true}));
    EXPECT_GE(changes, 1);
}

// The editor is started, not waited for: the call is back while the editor still runs (it
// cannot end before the test releases it), and the file is marked already.
TEST_F(OpenFileForEditTest, editorStillRunning_returnsAndFileMarked) {
    const std::string started = m_folder.file("started");
    const std::string release = m_folder.file("release");
    const std::string ended = m_folder.file("ended");
    WriteStandIn(m_state.preferences.EditorPath,
                 {StepWrite(started), StepWaitFor(release), StepWrite(ended)});

    EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file), EditOutcome::Edited);

    EXPECT_EQ(m_state.report.FileOpened, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(m_prompter.shown.empty());
    EXPECT_TRUE(WaitForFile(started));
    EXPECT_FALSE(Exists(ended));
    WriteTextFile(release, "");
    EXPECT_TRUE(WaitForFile(ended));
}

TEST_F(OpenFileForEditTest, notifyTrueAndYes_askedThenEdited) {
    m_state.preferences.setConfirmBeforeEdit(true);
    m_prompter.answers = {true};

    EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file), EditOutcome::Edited);

    ASSERT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_EQ(m_prompter.shown[0].kind, "ask");
    EXPECT_EQ(m_prompter.shown[0].text, "Edit file: " + m_file);
    EXPECT_EQ(m_prompter.shown[0].title, "Verify File Open/Edit");
    EXPECT_TRUE(WaitForFile(m_arguments));
    EXPECT_EQ(m_state.report.FileOpened, (std::vector<bool>{true, false, true}));
}

TEST_F(OpenFileForEditTest, notifyTrueAndNo_nothingStartsNothingMarked) {
    m_state.preferences.setConfirmBeforeEdit(true);
    m_prompter.answers = {false};

    EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file), EditOutcome::Declined);

    EXPECT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_FALSE(EditorRan());
    EXPECT_EQ(m_state.report.FileOpened, (std::vector<bool>{false, false, false}));
}

TEST_F(OpenFileForEditTest, notifyOtherThanExactTrue_noQuestion) {
    for (const char* setting : {"true", "TRUE", "True ", "1", ""}) {
        m_state.preferences.NotifyOnEdit = setting;
        m_prompter.shown.clear();

        EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file), EditOutcome::Edited) << setting;

        EXPECT_TRUE(m_prompter.shown.empty()) << setting;
    }
    EXPECT_TRUE(WaitForFile(m_arguments));
}

TEST_F(OpenFileForEditTest, readOnlyAndYes_askedFirstWhateverNotifyViewedNotMarked) {
    MakeReadOnly(m_file);
    for (const char* setting : {"True", ""}) {
        m_state.preferences.NotifyOnEdit = setting;
        m_prompter.shown.clear();
        m_prompter.answers = {true, true};
        std::filesystem::remove(m_arguments);

        EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file), EditOutcome::Viewed) << setting;

        ASSERT_EQ(m_prompter.shown.size(), 1u) << setting;
        EXPECT_EQ(m_prompter.shown[0].kind, "ask");
        EXPECT_EQ(m_prompter.shown[0].text, m_file + " Is Read Only, Open For View??");
        EXPECT_EQ(m_prompter.shown[0].title, "File Is Read Only");
        EXPECT_EQ(ReadLinesWhenWritten(m_arguments, 1), std::vector<std::string>{m_file})
            << setting;
        EXPECT_EQ(m_state.report.FileOpened, (std::vector<bool>{false, false, false})) << setting;
    }
}

TEST_F(OpenFileForEditTest, readOnlyAndNo_nothingStarts) {
    MakeReadOnly(m_file);
    m_state.preferences.setConfirmBeforeEdit(true);
    m_prompter.answers = {false, true};

    EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file), EditOutcome::Declined);

    EXPECT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_FALSE(EditorRan());
    EXPECT_EQ(m_state.report.FileOpened, (std::vector<bool>{false, false, false}));
}

TEST_F(OpenFileForEditTest, missingFile_toldWithStopIconNothingStarts) {
    const std::string missing = m_folder.file("gone.cfg");

    EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, missing), EditOutcome::NotFound);

    ASSERT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_EQ(m_prompter.shown[0].kind, "message");
    EXPECT_EQ(m_prompter.shown[0].text, "File:" + missing + " not found.");
    EXPECT_EQ(m_prompter.shown[0].title, "Varscope");
    EXPECT_EQ(m_prompter.shown[0].icon, MessageIcon::Stop);
    EXPECT_FALSE(EditorRan());
}

TEST_F(OpenFileForEditTest, folderOrPathCutShortByNulByte_notFoundNothingAsked) {
    // A report's path may hold a NUL byte: the file before it exists, the path does not.
    for (const std::string& path : {m_folder.path(), m_file + std::string(1, '\0') + "x.cfg"}) {
        m_prompter.shown.clear();
        EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, path), EditOutcome::NotFound);
        ASSERT_EQ(m_prompter.shown.size(), 1u);
        EXPECT_EQ(m_prompter.shown[0].kind, "message");
    }
    EXPECT_FALSE(EditorRan());
}

// The message names the editor and gives the system's reason.
TEST_F(OpenFileForEditTest, editorCannotStart_toldWithEditorAndReasonNothingMarked) {
    const std::string editor = m_folder.file("no editor here");
    m_state.preferences.EditorPath = editor;

    EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file), EditOutcome::CouldNotStart);

    ASSERT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_EQ(m_prompter.shown[0].kind, "message");
    const std::string prefix = "Could not start the editor " + editor + ": ";
    const std::string suffix = ". Choose another under Options > Editing Options.";
    const std::string& text = m_prompter.shown[0].text;
    EXPECT_TRUE(text.starts_with(prefix)) << text;
    EXPECT_TRUE(text.ends_with(suffix)) << text;
    EXPECT_GT(text.size(), prefix.size() + suffix.size()) << "a reason: " << text;
    EXPECT_EQ(m_prompter.shown[0].title, "Varscope");
    EXPECT_EQ(m_prompter.shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(m_state.report.FileOpened, (std::vector<bool>{false, false, false}));
}

// With no editor there is nothing to start: the caller that offered the editor dialog stays
// silent, any other says where to choose one.
TEST_F(OpenFileForEditTest, noEditorChosen_nothingStartedToldOnlyWhereNoDialogWasOffered) {
    // Where the desktop has an editor, its tests clear the environment for this case.
    if (platform::HasDesktopEditor())
        GTEST_SKIP() << "the desktop's editor would open the file";
    m_state.preferences.EditorPath.clear();
    for (const NoEditorNotice notice : {NoEditorNotice::Tell, NoEditorNotice::Silent}) {
        m_prompter.shown.clear();
        EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file, notice), EditOutcome::NoEditor);
        EXPECT_EQ(m_state.report.FileOpened, (std::vector<bool>{false, false, false}));
        if (notice == NoEditorNotice::Silent) {
            EXPECT_TRUE(m_prompter.shown.empty());
            continue;
        }
        ASSERT_EQ(m_prompter.shown.size(), 1u);
        EXPECT_EQ(m_prompter.shown[0].text,
                  "No editor is chosen: choose one under Options > Editing Options.");
        EXPECT_EQ(m_prompter.shown[0].icon, MessageIcon::Exclamation);
    }
}

TEST_F(OpenFileForEditTest, readOnlyAndEditorCannotStart_toldAfterQuestion) {
    MakeReadOnly(m_file);
    m_state.preferences.EditorPath = m_folder.file("no editor here");
    m_prompter.answers = {true};

    EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file), EditOutcome::CouldNotStart);

    ASSERT_EQ(m_prompter.shown.size(), 2u);
    EXPECT_EQ(m_prompter.shown[0].kind, "ask");
    EXPECT_TRUE(m_prompter.shown[1].text.starts_with("Could not start the editor " +
                                                     m_state.preferences.EditorPath + ": "));
}
