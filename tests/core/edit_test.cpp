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
using varscope::testing::ScriptedPrompter;
using varscope::testing::TempFolder;
using varscope::testing::WriteRecorder;
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
    EXPECT_EQ(ReadLines(m_arguments), std::vector<std::string>{m_file});
    EXPECT_EQ(m_state.report.FileOpened, (std::vector<bool>{true, false, true}));
    EXPECT_GE(changes, 1);
}

TEST_F(OpenFileForEditTest, whileWaiting_passedToTheEditorRun) {
    varscope::testing::WriteStandIn(m_state.preferences.EditorPath,
                                    {varscope::testing::StepWaitFor(m_arguments)});
    int calls = 0;

    EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file,
                              [&] {
                                  if (calls++ == 0)
                                      WriteTextFile(m_arguments, "");
                              }),
              EditOutcome::Edited);

    EXPECT_GE(calls, 1);
}

TEST_F(OpenFileForEditTest, notifyTrueAndYes_askedThenEdited) {
    m_state.preferences.setConfirmBeforeEdit(true);
    m_prompter.answers = {true};

    EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file), EditOutcome::Edited);

    ASSERT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_EQ(m_prompter.shown[0].kind, "ask");
    EXPECT_EQ(m_prompter.shown[0].text, "Edit file: " + m_file);
    EXPECT_EQ(m_prompter.shown[0].title, "Verify File Open/Edit");
    EXPECT_TRUE(EditorRan());
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
    EXPECT_TRUE(EditorRan());
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
        EXPECT_EQ(ReadLines(m_arguments), std::vector<std::string>{m_file}) << setting;
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

TEST_F(OpenFileForEditTest, editorCannotStart_toldWithCommandLineNothingMarked) {
    const std::string editor = m_folder.file("no editor here");
    m_state.preferences.EditorPath = editor;

    EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file), EditOutcome::CouldNotStart);

    ASSERT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_EQ(m_prompter.shown[0].kind, "message");
    EXPECT_EQ(m_prompter.shown[0].text, "Could not start: " + editor + " \"" + m_file + "\"");
    EXPECT_EQ(m_prompter.shown[0].title, "Varscope");
    EXPECT_EQ(m_prompter.shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(m_state.report.FileOpened, (std::vector<bool>{false, false, false}));
}

// With no editor there is nothing to start: the caller that offered the editor dialog stays
// silent, any other says where to choose one.
TEST_F(OpenFileForEditTest, noEditorChosen_nothingStartedToldOnlyWhereNoDialogWasOffered) {
    m_state.preferences.EditorPath.clear();
    for (const NoEditorNotice notice : {NoEditorNotice::Tell, NoEditorNotice::Silent}) {
        m_prompter.shown.clear();
        EXPECT_EQ(OpenFileForEdit(m_state, m_prompter, m_file, {}, notice), EditOutcome::NoEditor);
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
    EXPECT_EQ(m_prompter.shown[1].text,
              "Could not start: " + EditorCommandLine(m_state.preferences.EditorPath, m_file));
}
