#include "core/report/pending_report.hpp"
#include "core/session.hpp"
#include "core/system/platform/platform.hpp"
#include "tests/support/scripted_prompter.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace varscope::core;
using varscope::testing::ScriptedPrompter;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kNotFound =
    "MsDebug.Txt not found with current settings. Confirm location and regenerate "
    "MSDEBUG.Txt from the Options->MicroStation pulldown menu";

constexpr std::string_view kFirstReport = "Processing macro file [C:\\cfg\\site.cfg]\r\n"
                                          "(site): MS_DEF=a/ [c:/a/]\r\n"
                                          "(user): _USTN_USER=u/ [c:/users/]\r\n"
                                          "(project): _USTN_PROJECT=p/ [c:/projects/]\r\n"
                                          "Processing macro file [C:\\cfg\\user.ucf]\r\n"
                                          "(user): MS_DEF=b/ [c:/b/]\r\n"
                                          "(user): ms_def=c/\r\n"
                                          "Processing macro file [C:\\cfg\\site.cfg]\r\n"
                                          "(system env): TEMP=t/\r\n"
                                          "Configuration Variable Summary\r\n"
                                          "MS_DEF : user = c:/b/\r\n";

constexpr std::string_view kSecondReport = "Processing macro file [C:\\other\\only.cfg]\r\n"
                                           "(appl): ONLY=1\r\n";

// Tests that load in a mode other than LoadMode::Skip change the process's current directory;
// this puts it back.
class CurrentFolderGuard {
public:
    CurrentFolderGuard() : m_saved(fs::current_path()) {}
    ~CurrentFolderGuard() {
        std::error_code ignored;
        fs::current_path(m_saved, ignored);
    }
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;
    const fs::path& saved() const { return m_saved; }

private:
    fs::path m_saved;
};

class LoadReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        m_root = fs::temp_directory_path() / ("varscope-session-" + std::to_string(seed()));
        fs::create_directories(m_root / "MicroStation");
        fs::create_directories(m_root / "elsewhere");
        // Canonical, so comparing with the current directory is not fooled by links.
        m_root = fs::canonical(m_root);
    }
    void TearDown() override {
        // A folder that is the current directory cannot be removed on every system.
        std::error_code ignored;
        fs::current_path(m_folderGuard.saved(), ignored);
        fs::remove_all(m_root, ignored);
    }

    std::string microStation() const { return (m_root / "MicroStation").string(); }
    std::string elsewhere() const { return (m_root / "elsewhere").string(); }
    // Where a load looks for the report in `folder`.
    static std::string ReportIn(const std::string& folder) {
        return folder + platform::Separator() + "msdebug.txt";
    }

    static void Write(const std::string& path, std::string_view bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    // A state that has loaded kFirstReport from the MicroStation folder.
    AppState Loaded() {
        AppState state;
        state.preferences.MicroStationFolder = microStation();
        Write(ReportIn(microStation()), kFirstReport);
        ScriptedPrompter prompter;
        EXPECT_EQ(LoadDebugReport(state, prompter, LoadMode::New), LoadOutcome::Loaded);
        EXPECT_TRUE(prompter.shown.empty());
        state.report.ReportSource = LoadMode::New;
        return state;
    }

    fs::path m_root;
    CurrentFolderGuard m_folderGuard;
};

std::vector<std::string_view> Names(const AppState& state) {
    std::vector<std::string_view> names;
    for (const ConfigVariable& record : state.report.VariableTable())
        names.push_back(record.Name);
    return names;
}

} // namespace

TEST_F(LoadReportTest, newAndUpdateModes_readMsdebugFromMicroStationFolder) {
    for (const LoadMode mode : {LoadMode::New, LoadMode::Update}) {
        AppState state;
        state.preferences.MicroStationFolder = microStation();
        state.report.ReportSource = LoadMode::Skip;
        Write(ReportIn(microStation()), kFirstReport);
        ScriptedPrompter prompter;
        int notified = 0;
        state.Subscribe([&notified] { ++notified; });

        EXPECT_EQ(LoadDebugReport(state, prompter, mode), LoadOutcome::Loaded)
            << static_cast<int>(mode);
        EXPECT_TRUE(prompter.shown.empty());
        EXPECT_EQ(state.report.ReportPath, ReportIn(microStation()));
        EXPECT_EQ(state.report.WindowTitle, "Varscope    Viewing: " + ReportIn(microStation()));
        EXPECT_EQ(state.report.ReportSource, std::nullopt);
        EXPECT_EQ(fs::current_path(), fs::path(microStation()));
        EXPECT_EQ(state.report.VariableCount(), 6u);
        EXPECT_EQ(state.report.Contents.ConfigFilesUsed.size(), 3u);
        EXPECT_EQ(state.report.FileOpened, std::vector<bool>(3, false));
        EXPECT_EQ(state.report.Contents.SummaryLines.size(), 1u);
        EXPECT_EQ(state.report.UserConfigFolder, "c:/users/");
        EXPECT_EQ(state.report.ProjectConfigFolder, "c:/projects/");
        EXPECT_EQ(notified, 1);
        fs::current_path(m_folderGuard.saved());
    }
}

TEST_F(LoadReportTest, doubledSeparators_singleInReportPathButALeadingPairKept) {
    AppState state;
    state.preferences.MicroStationFolder = microStation() + platform::Separator();
    Write(ReportIn(microStation()), kFirstReport);
    ScriptedPrompter prompter;
    EXPECT_EQ(LoadDebugReport(state, prompter, LoadMode::Update), LoadOutcome::Loaded);
    EXPECT_EQ(state.report.ReportPath, ReportIn(microStation()));

    // A network folder (\\server\share) keeps its leading doubled separator; a POSIX path
    // may begin with "//" too and names the same folder.
    if (platform::Separator() == '\\')
        GTEST_SKIP() << "no network share to read from here";
    state.preferences.MicroStationFolder = platform::Separator() + microStation();
    EXPECT_EQ(LoadDebugReport(state, prompter, LoadMode::Update), LoadOutcome::Loaded);
    EXPECT_EQ(state.report.ReportPath, platform::Separator() + ReportIn(microStation()));
}

TEST_F(LoadReportTest, emptyMicroStationFolder_toldNotFoundAndStateUnchanged) {
    AppState state = Loaded();
    fs::current_path(m_folderGuard.saved());
    state.preferences.MicroStationFolder.clear();
    const std::string path = state.report.ReportPath;
    const std::string title = state.report.WindowTitle;
    const auto bytes = state.report.Contents.Bytes;
    ScriptedPrompter prompter;

    EXPECT_EQ(LoadDebugReport(state, prompter, LoadMode::New), LoadOutcome::NotFound);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, "message");
    EXPECT_EQ(prompter.shown[0].text, kNotFound);
    EXPECT_EQ(prompter.shown[0].title, "Varscope");
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(state.report.ReportPath, path);
    EXPECT_EQ(state.report.WindowTitle, title);
    EXPECT_EQ(state.report.Contents.Bytes, bytes);
    EXPECT_EQ(state.report.VariableCount(), 6u);
    EXPECT_EQ(state.report.ReportSource, LoadMode::New);
    EXPECT_EQ(fs::current_path(), m_folderGuard.saved());
}

TEST_F(LoadReportTest, noMsdebugInFolder_toldNotFoundPathNamesMissingFileFolderIsCurrent) {
    AppState state = Loaded();
    fs::current_path(m_folderGuard.saved());
    state.preferences.MicroStationFolder = elsewhere();
    const std::string title = state.report.WindowTitle;
    ScriptedPrompter prompter;

    EXPECT_EQ(LoadDebugReport(state, prompter, LoadMode::Update), LoadOutcome::NotFound);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, kNotFound);
    EXPECT_EQ(prompter.shown[0].title, "Varscope");
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(state.report.ReportPath, ReportIn(elsewhere()));
    EXPECT_EQ(fs::current_path(), fs::path(elsewhere()));
    EXPECT_EQ(state.report.WindowTitle, title);
    EXPECT_EQ(Names(state).front(), "MS_DEF");
    EXPECT_EQ(state.report.VariableCount(), 6u);
    EXPECT_EQ(state.report.ReportSource, LoadMode::New);
}

TEST_F(LoadReportTest, skipMode_readsReportPathElsewhereAndLeavesCurrentFolder) {
    AppState state = Loaded();
    fs::current_path(m_folderGuard.saved());
    const std::string chosen = elsewhere() + "/chosen report.txt";
    Write(chosen, kSecondReport);
    state.report.ReportPath = chosen;
    ScriptedPrompter prompter;

    EXPECT_EQ(LoadDebugReport(state, prompter, LoadMode::Skip), LoadOutcome::Loaded);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(fs::current_path(), m_folderGuard.saved());
    EXPECT_EQ(state.report.ReportPath, chosen);
    EXPECT_EQ(state.report.WindowTitle, "Varscope    Viewing: " + chosen);
    EXPECT_EQ(Names(state), std::vector<std::string_view>{"ONLY"});
    EXPECT_EQ(state.report.ReportSource, std::nullopt);
}

TEST_F(LoadReportTest, skipModeUnreadable_stopMessageNamesFilePreviousReportKept) {
    AppState state = Loaded();
    const std::string title = state.report.WindowTitle;
    // A missing file, a folder where the file should be, and a report saved as UTF-16.
    const std::string utf16 = elsewhere() + "/unicode.txt";
    Write(utf16, std::string("\xFF\xFE(\0u\0s\0e\0r\0)\0:\0 \0A\0=\0\x31\0", 24));
    const struct {
        std::string path;
        std::string_view says;
    } cases[] = {{elsewhere() + "/gone.txt", ""},
                 {elsewhere(), "is a folder"},
                 {utf16, "is UTF-16 and is not a report as MicroStation writes it"}};
    for (const auto& [path, says] : cases) {
        state.report.ReportPath = path;
        ScriptedPrompter prompter;
        EXPECT_EQ(LoadDebugReport(state, prompter, LoadMode::Skip), LoadOutcome::Unreadable)
            << path;
        ASSERT_EQ(prompter.shown.size(), 1u) << path;
        EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Stop);
        EXPECT_EQ(prompter.shown[0].title, "Varscope");
        EXPECT_NE(prompter.shown[0].text.find(path), std::string::npos) << prompter.shown[0].text;
        EXPECT_NE(prompter.shown[0].text.find(says), std::string::npos) << prompter.shown[0].text;
        EXPECT_EQ(state.report.WindowTitle, title);
        EXPECT_EQ(state.report.VariableCount(), 6u);
        EXPECT_EQ(state.report.ReportSource, LoadMode::New);
    }
}

TEST_F(LoadReportTest, pendingReport_usedOnceForItsOwnFile_laterLoadsReadTheFileAgain) {
    AppState state = Loaded();
    const std::string chosen = elsewhere() + "/chosen.txt";
    const std::string other = elsewhere() + "/other.txt";
    Write(chosen, kSecondReport);
    Write(other, "(user): OTHER=1\r\n");
    PendingReport pending(chosen);
    ScriptedPrompter prompter;

    // Another file: the pending reading is not for it.
    state.report.ReportPath = other;
    ASSERT_EQ(LoadDebugReport(state, prompter, LoadMode::Skip, &pending), LoadOutcome::Loaded);
    EXPECT_EQ(Names(state), std::vector<std::string_view>{"OTHER"});

    state.report.ReportPath = chosen;
    ASSERT_EQ(LoadDebugReport(state, prompter, LoadMode::Skip, &pending), LoadOutcome::Loaded);
    EXPECT_EQ(Names(state), std::vector<std::string_view>{"ONLY"});
    EXPECT_EQ(state.report.WindowTitle, "Varscope    Viewing: " + chosen);

    // A reload reads what the file holds now, not what was read at start-up.
    Write(chosen, "(site): CHANGED=2\r\n");
    ASSERT_EQ(LoadDebugReport(state, prompter, LoadMode::Skip, &pending), LoadOutcome::Loaded);
    EXPECT_EQ(Names(state), std::vector<std::string_view>{"CHANGED"});
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(LoadReportTest, pendingReportOfMissingFile_stopMessageNamesItPreviousReportKept) {
    AppState state = Loaded();
    const std::string gone = elsewhere() + "/gone.txt";
    PendingReport pending(gone);
    state.report.ReportPath = gone;
    ScriptedPrompter prompter;
    EXPECT_EQ(LoadDebugReport(state, prompter, LoadMode::Skip, &pending), LoadOutcome::Unreadable);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Stop);
    EXPECT_NE(prompter.shown[0].text.find(gone), std::string::npos) << prompter.shown[0].text;
    EXPECT_EQ(state.report.VariableCount(), 6u);
}

TEST_F(LoadReportTest, reportWithoutConfigFolders_keepsPreviousFolders) {
    AppState state = Loaded();
    Write(elsewhere() + "/second.txt", kSecondReport);
    state.report.ReportPath = elsewhere() + "/second.txt";
    ScriptedPrompter prompter;
    ASSERT_EQ(LoadDebugReport(state, prompter, LoadMode::Skip), LoadOutcome::Loaded);
    EXPECT_EQ(state.report.UserConfigFolder, "c:/users/");
    EXPECT_EQ(state.report.ProjectConfigFolder, "c:/projects/");
    EXPECT_EQ(Names(state), std::vector<std::string_view>{"ONLY"});
}

TEST_F(LoadReportTest, reload_resetsOpenedMarksAndIsolateRows) {
    AppState state = Loaded();
    MarkFileOpened(state, "C:\\cfg\\site.cfg");
    state.isolate.IsolateRows = IsolateByName(state.report.Contents, "MS_DEF");
    ASSERT_EQ(state.isolate.IsolateCount(), 2u);
    ScriptedPrompter prompter;
    ASSERT_EQ(LoadDebugReport(state, prompter, LoadMode::Update), LoadOutcome::Loaded);
    EXPECT_EQ(state.report.FileOpened, std::vector<bool>(3, false));
    EXPECT_EQ(state.isolate.IsolateCount(), 0u);
}

TEST_F(LoadReportTest, markFileOpened_marksEveryEqualEntryExactly) {
    AppState state = Loaded();
    int notified = 0;
    state.Subscribe([&notified] { ++notified; });

    MarkFileOpened(state, "c:\\cfg\\site.cfg"); // letter case counts
    MarkFileOpened(state, "C:\\cfg\\site");
    EXPECT_EQ(state.report.FileOpened, std::vector<bool>(3, false));
    EXPECT_EQ(notified, 0);

    MarkFileOpened(state, "C:\\cfg\\site.cfg");
    EXPECT_EQ(state.report.FileOpened, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(notified, 1);
    MarkFileOpened(state, "C:\\cfg\\user.ucf");
    EXPECT_EQ(state.report.FileOpened, (std::vector<bool>{true, true, true}));
}

TEST_F(LoadReportTest, isolateByName_exactNameInReportOrder) {
    const AppState state = Loaded();
    EXPECT_EQ(IsolateByName(state.report.Contents, "MS_DEF"), (std::vector<std::size_t>{1, 4}));
    EXPECT_EQ(IsolateByName(state.report.Contents, "ms_def"), (std::vector<std::size_t>{5}));
    EXPECT_TRUE(IsolateByName(state.report.Contents, "MS_DE").empty());
    EXPECT_TRUE(IsolateByName(state.report.Contents, "MS_DEF ").empty());
}

TEST_F(LoadReportTest, filterByLevel_recordsOfThatLevelInReportOrder) {
    const AppState state = Loaded();
    EXPECT_EQ(FilterByLevel(state.report.Contents, LevelUser), (std::vector<std::size_t>{2, 4, 5}));
    EXPECT_EQ(FilterByLevel(state.report.Contents, LevelSite), (std::vector<std::size_t>{1}));
    EXPECT_EQ(FilterByLevel(state.report.Contents, LevelProject), (std::vector<std::size_t>{3}));
    EXPECT_EQ(FilterByLevel(state.report.Contents, LevelNone), (std::vector<std::size_t>{6}));
    EXPECT_TRUE(FilterByLevel(state.report.Contents, LevelApplication).empty());
}

TEST(AppStateListeners, unsubscribed_notCalled) {
    AppState state;
    int first = 0;
    int second = 0;
    const int token = state.Subscribe([&first] { ++first; });
    state.Subscribe([&second] { ++second; });
    state.NotifyChanged();
    state.Unsubscribe(token);
    state.NotifyChanged();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
}
