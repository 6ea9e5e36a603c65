#include "core/session.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/preferences.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace varscope::core;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDefaultMicroStation = "c:\\bentley\\program\\microstation\\";

// A private program folder, so no test reads or writes the preferences next to the binary.
class ProgramFolder {
public:
    ProgramFolder() {
        std::random_device seed;
        m_path = fs::temp_directory_path() / ("varscope-prefs-" + std::to_string(seed()));
        fs::create_directories(m_path);
    }
    ~ProgramFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    std::string path() const { return m_path.string(); }
    std::string inside(std::string_view name) const {
        return path() + platform::Separator() + std::string(name);
    }
    std::string iniPath() const { return inside("Dbgscope.Ini"); }

    // A state whose program folder is this one, with PreferencesFile set.
    Preferences state() const {
        Preferences state;
        state.ProgramFolder = path();
        SetPreferencesFile(state);
        return state;
    }
    Preferences read() const {
        Preferences fresh = state();
        ReadPreferences(fresh);
        return fresh;
    }
    void writeIni(std::string_view bytes) const {
        std::ofstream out(iniPath(), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string iniBytes() const {
        std::ifstream in(iniPath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    fs::path m_path;
};

} // namespace

TEST(PreferencesFile, setFromProgramFolder) {
    const ProgramFolder folder;
    EXPECT_EQ(folder.state().PreferencesFile, folder.iniPath());
}

TEST(PreferencesRead, firstRunWithoutFile_givesDefaults) {
    const ProgramFolder folder;
    const Preferences state = folder.read();
    EXPECT_EQ(state.editor(), Editor::Notepad);
    EXPECT_EQ(state.MicroStationFolder, kDefaultMicroStation);
    EXPECT_FALSE(state.confirmBeforeEdit());
    EXPECT_EQ(state.CategoryFilePath, folder.inside("DebugCategory.Txt"));
    EXPECT_EQ(state.NotepadPath, "");
    EXPECT_EQ(state.WordpadPath, "");
    EXPECT_EQ(state.OtherEditorPath, "");
    EXPECT_EQ(state.OutputFile, "");
    EXPECT_EQ(state.EditorPath, "");
    EXPECT_FALSE(fs::exists(folder.iniPath()));
}

TEST(PreferencesWrite, firstRun_createsFileWithAllEightKeysInWriteOrder) {
    const ProgramFolder folder;
    Preferences state = folder.read();
    ASSERT_EQ(WritePreferences(state), std::nullopt);
    EXPECT_EQ(folder.iniBytes(), "[preferences]\r\n"
                                 "editor=notepad\r\n"
                                 "wordpad=\r\n"
                                 "notepad=\r\n"
                                 "microstation=c:\\bentley\\program\\microstation\\\r\n"
                                 "other=\r\n"
                                 "categoryFile=" +
                                     folder.inside("DebugCategory.Txt") +
                                     "\r\n"
                                     "notifyOnEdit=False\r\n"
                                     "outFile=\r\n");
}

TEST(PreferencesWrite, setsPreferencesFileAgainFromProgramFolder) {
    const ProgramFolder folder;
    Preferences state = folder.read();
    state.PreferencesFile = folder.inside("elsewhere.ini");
    ASSERT_EQ(WritePreferences(state), std::nullopt);
    EXPECT_EQ(state.PreferencesFile, folder.iniPath());
    EXPECT_TRUE(fs::exists(folder.iniPath()));
    EXPECT_FALSE(fs::exists(folder.inside("elsewhere.ini")));
}

TEST(PreferencesWrite, nothingChanged_fileLeftAloneAndNothingReportedEvenWhenReadOnly) {
    for (const bool readOnly : {false, true}) {
        const ProgramFolder folder;
        Preferences state = folder.read();
        ASSERT_EQ(WritePreferences(state), std::nullopt);
        fs::last_write_time(folder.iniPath(),
                            fs::file_time_type::clock::now() - std::chrono::hours(48));
        // As the file system keeps it, at its own resolution.
        const auto old = fs::last_write_time(folder.iniPath());
        if (readOnly)
            fs::permissions(folder.iniPath(), fs::perms::owner_read | fs::perms::group_read);

        Preferences quitting = folder.read();
        EXPECT_EQ(WritePreferences(quitting), std::nullopt) << readOnly;
        EXPECT_EQ(fs::last_write_time(folder.iniPath()), old) << readOnly;
        fs::permissions(folder.iniPath(), fs::perms::owner_all);
    }
}

TEST(PreferencesRoundTrip, everySetting_readBackAsWritten) {
    const ProgramFolder folder;
    Preferences state = folder.state();
    state.EditorChoice = "other";
    state.NotepadPath = "C:\\Windows\\notepad.exe";
    state.WordpadPath = "C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe";
    state.OtherEditorPath = "C:\\Tools\\ed=it.exe";
    state.MicroStationFolder = "D:\\Bentley\\\xC9tude\\";
    state.CategoryFilePath = "E:\\cat\\mine.txt";
    state.NotifyOnEdit = "True";
    state.OutputFile = "F:\\out put.txt";
    ASSERT_EQ(WritePreferences(state), std::nullopt);

    const Preferences read = folder.read();
    EXPECT_EQ(read.EditorChoice, state.EditorChoice);
    EXPECT_EQ(read.NotepadPath, state.NotepadPath);
    EXPECT_EQ(read.WordpadPath, state.WordpadPath);
    EXPECT_EQ(read.OtherEditorPath, state.OtherEditorPath);
    EXPECT_EQ(read.MicroStationFolder, state.MicroStationFolder);
    EXPECT_EQ(read.CategoryFilePath, state.CategoryFilePath);
    EXPECT_EQ(read.NotifyOnEdit, state.NotifyOnEdit);
    EXPECT_EQ(read.OutputFile, state.OutputFile);
    EXPECT_EQ(read.EditorPath, state.OtherEditorPath);

    // Writing again with nothing changed leaves the file as it was.
    const std::string first = folder.iniBytes();
    Preferences again = read;
    ASSERT_EQ(WritePreferences(again), std::nullopt);
    EXPECT_EQ(folder.iniBytes(), first);
}

TEST(PreferencesRead, editorChoice_derivesEditorPath) {
    const ProgramFolder folder;
    const std::string paths = "notepad=n.exe\r\nwordpad=w.exe\r\nother=o.exe\r\n";
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"notepad", "n.exe"}, {"wordpad", "w.exe"}, {"other", "o.exe"}};
    for (const auto& [choice, path] : cases) {
        folder.writeIni("[preferences]\r\neditor=" + std::string(choice) + "\r\n" + paths);
        EXPECT_EQ(folder.read().EditorPath, path) << choice;
    }
}

TEST(PreferencesRead, unknownEditorChoice_leavesEditorPathAsItWas) {
    const ProgramFolder folder;
    folder.writeIni("[preferences]\r\neditor=vim\r\nnotepad=n.exe\r\n");
    const Preferences fresh = folder.read();
    EXPECT_EQ(fresh.EditorChoice, "vim");
    EXPECT_EQ(fresh.EditorPath, "");

    Preferences running = folder.state();
    running.EditorPath = "kept.exe";
    ReadPreferences(running);
    EXPECT_EQ(running.EditorPath, "kept.exe");
}

TEST(PreferencesRead, storedEmptyCategoryFile_givesDefault) {
    const ProgramFolder folder;
    folder.writeIni("[preferences]\r\ncategoryFile=\r\n");
    EXPECT_EQ(folder.read().CategoryFilePath, folder.inside("DebugCategory.Txt"));
}

TEST(PreferencesRead, notifyOnEditLowerCaseTrue_keptAsText) {
    const ProgramFolder folder;
    folder.writeIni("[preferences]\r\nnotifyOnEdit=true\r\n");
    EXPECT_EQ(folder.read().NotifyOnEdit, "true");
}

TEST(PreferencesRoundTrip, wordsTheProgramDoesNotKnow_meanNoEditorNoConfirmAndAreWrittenBack) {
    const ProgramFolder folder;
    folder.writeIni("[preferences]\r\neditor=Vim\r\nnotifyOnEdit=true\r\n");
    Preferences state = folder.read();
    EXPECT_EQ(state.editor(), std::nullopt);
    EXPECT_FALSE(state.confirmBeforeEdit());

    ASSERT_EQ(WritePreferences(state), std::nullopt);
    const std::string bytes = folder.iniBytes();
    EXPECT_NE(bytes.find("editor=Vim\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("notifyOnEdit=true\r\n"), std::string::npos) << bytes;
}

TEST(PreferencesRead, valueLongerThan511_cutTo511) {
    const ProgramFolder folder;
    folder.writeIni("[preferences]\r\noutFile=" + std::string(600, 'o') + "\r\n");
    EXPECT_EQ(folder.read().OutputFile, std::string(511, 'o'));
}

TEST(PreferencesRead, missingKeys_eachGetsItsOwnDefault) {
    const ProgramFolder folder;
    folder.writeIni("[preferences]\r\nwordpad=w.exe\r\n[other]\r\neditor=wordpad\r\n");
    const Preferences state = folder.read();
    EXPECT_EQ(state.WordpadPath, "w.exe");
    EXPECT_EQ(state.EditorChoice, "notepad");
    EXPECT_EQ(state.MicroStationFolder, kDefaultMicroStation);
    EXPECT_EQ(state.NotifyOnEdit, "False");
}

TEST(PreferencesRead, preferencesPathIsAFolder_givesDefaults) {
    const ProgramFolder folder;
    fs::create_directory(folder.iniPath());
    const Preferences state = folder.read();
    EXPECT_EQ(state.EditorChoice, "notepad");
    EXPECT_EQ(state.MicroStationFolder, kDefaultMicroStation);
}

TEST(PreferencesExistingFile, readIgnoringCaseAndWrittenKeepingItsOrder) {
    const ProgramFolder folder;
    fs::copy_file(VARSCOPE_FIXTURES "/existing_preferences.ini", folder.iniPath());
    Preferences state = folder.read();
    EXPECT_EQ(state.EditorChoice, "wordpad");
    EXPECT_EQ(state.EditorPath, "C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe");
    EXPECT_EQ(state.MicroStationFolder, "D:\\Bentley\\MicroStation\\");
    EXPECT_EQ(state.NotifyOnEdit, "True");

    ASSERT_EQ(WritePreferences(state), std::nullopt);
    // Keys already there stay where they are; missing ones follow in write order, inside
    // the section; other sections and comments are untouched.
    EXPECT_EQ(folder.iniBytes(),
              "; Varscope settings\r\n"
              "[Window]\r\n"
              "left=10\r\n"
              "[PREFERENCES]\r\n"
              "NotifyOnEdit=True\r\n"
              "EDITOR=wordpad\r\n"
              "wordpad=C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe\r\n"
              "microstation=D:\\Bentley\\MicroStation\\\r\n"
              "notepad=\r\n"
              "other=\r\n"
              "categoryFile=" +
                  folder.inside("DebugCategory.Txt") +
                  "\r\n"
                  "outFile=\r\n"
                  "[Other]\r\n"
                  "editor=other\r\n");
}

TEST(PreferencesWrite, preferencesPathIsAFolder_failsWithReason) {
    const ProgramFolder folder;
    fs::create_directory(folder.iniPath());
    Preferences state = folder.read();
    const auto failure = WritePreferences(state);
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("Dbgscope.Ini"), std::string::npos) << *failure;
    EXPECT_TRUE(fs::is_directory(folder.iniPath()));
}

TEST(PreferencesWrite, existingFileUnreadable_notClobbered) {
    if (!fs::exists("/proc/self/mem"))
        GTEST_SKIP() << "needs /proc/self/mem for a file that exists but cannot be read";
    const ProgramFolder folder;
    std::error_code linkError;
    fs::create_symlink("/proc/self/mem", folder.iniPath(), linkError);
    if (linkError)
        GTEST_SKIP() << "cannot link to /proc/self/mem: " << linkError.message();
    Preferences state = folder.read();
    EXPECT_EQ(state.EditorChoice, "notepad");
    ASSERT_TRUE(WritePreferences(state).has_value());
    EXPECT_TRUE(fs::is_symlink(folder.iniPath()));
}

TEST(PreferencesRecentReports, latestFirstOnceEachAtMostEightKeptWholeOverWriteAndRead) {
    const ProgramFolder folder;
    Preferences preferences = folder.state();
    const std::string deep = "/" + std::string(3000, 'd') + "/msdebug.txt"; // past 511 bytes
    const struct {
        std::string opened;
        std::vector<std::string> expected;
    } steps[] = {
        {"/a.txt", {"/a.txt"}},
        {"/b.txt", {"/b.txt", "/a.txt"}},
        {"/a.txt", {"/a.txt", "/b.txt"}},
        {"/A.txt", {"/A.txt", "/a.txt", "/b.txt"}}, // whole bytes: letter case counts
        {"", {"/A.txt", "/a.txt", "/b.txt"}},
        {deep, {deep, "/A.txt", "/a.txt", "/b.txt"}},
    };
    for (const auto& step : steps) {
        preferences.addRecentReport(step.opened);
        EXPECT_EQ(preferences.RecentReports, step.expected) << step.opened;
        ASSERT_FALSE(WritePreferences(preferences).has_value());
        EXPECT_EQ(folder.read().RecentReports, step.expected) << step.opened;
    }
    for (int i = 0; i < 10; ++i)
        preferences.addRecentReport("/r" + std::to_string(i));
    ASSERT_EQ(preferences.RecentReports.size(), preference::kRecentReportCount);
    EXPECT_EQ(preferences.RecentReports.front(), "/r9");
    EXPECT_EQ(preferences.RecentReports.back(), "/r2");
    ASSERT_FALSE(WritePreferences(preferences).has_value());
    EXPECT_EQ(folder.read().RecentReports, preferences.RecentReports);
    // A shorter list leaves no stale entries behind.
    preferences.RecentReports = {"/only"};
    ASSERT_FALSE(WritePreferences(preferences).has_value());
    EXPECT_EQ(folder.read().RecentReports, std::vector<std::string>{"/only"});
}

namespace {

WindowLayout LayoutRead(const ProgramFolder& folder, std::string_view lines) {
    folder.writeIni("[preferences]\r\n" + std::string(lines) + "\r\n");
    return folder.read().Layout;
}

WindowLayout WithGeometry(int x, int y, int width, int height) {
    WindowLayout layout;
    layout.Geometry = WindowRect{x, y, width, height};
    return layout;
}

} // namespace

TEST(PreferencesWindowLayout, readWhenWellFormed_elseDefaults) {
    const ProgramFolder folder;
    WindowLayout maximised;
    maximised.Maximized = true;
    WindowLayout onPage3;
    onPage3.Page = 3;
    WindowLayout derivation;
    derivation.DerivationShown = true;
    WindowLayout columns;
    columns.ColumnWidths["allVariables"] = {120, 80, 95, 400};
    const WindowLayout defaults;
    const struct {
        std::string_view line;
        WindowLayout expected;
    } cases[] = {
        {"windowGeometry=10,20,800,600", WithGeometry(10, 20, 800, 600)},
        {"windowGeometry=-1500,-8,800,600", WithGeometry(-1500, -8, 800, 600)}, // a left screen
        {"WINDOWGEOMETRY=1,2,3,4", WithGeometry(1, 2, 3, 4)},                   // keys ignore case
        {"windowGeometry=10,20,800", defaults},
        {"windowGeometry=10,20,800,600,7", defaults},
        {"windowGeometry=10,20,0,600", defaults},
        {"windowGeometry=10,20,-800,600", defaults},
        {"windowGeometry=10, 20,800,600", defaults},
        {"windowGeometry=10,,800,600", defaults},
        {"windowGeometry=a,b,c,d", defaults},
        {"windowGeometry=10,20,99999999999,600", defaults},
        {"windowGeometry=", defaults},
        {"windowMaximized=True", maximised},
        {"windowMaximized=true", defaults},
        {"windowMaximized=1", defaults},
        {"page=3", onPage3},
        {"page=-1", defaults},
        {"page=3x", defaults},
        {"page=3,4", defaults},
        {"page=100", defaults},
        {"derivationPane=True", derivation},
        {"derivationPane=yes", defaults},
        {"columns.allVariables=120,80,95,400", columns},
        {"columns.allVariables=120,0,95,400", defaults},
        {"columns.allVariables=120,80,", defaults},
        {"columns.allVariables=wide", defaults},
        {"columns.someOtherList=1,2", defaults},
    };
    for (const auto& test : cases)
        EXPECT_EQ(LayoutRead(folder, test.line), test.expected) << test.line;
}

TEST(PreferencesWindowLayout, survivesWriteAndRead_unknownKeysKept) {
    const ProgramFolder folder;
    folder.writeIni("[preferences]\r\nfutureKey=kept\r\ncolumns.futureList=5,6\r\n"
                    "windowGeometry=garbled\r\n");
    Preferences preferences = folder.read();
    EXPECT_EQ(preferences.Layout, WindowLayout{});
    // A file no window has written keeps what it holds.
    ASSERT_EQ(WritePreferences(preferences), std::nullopt);
    EXPECT_NE(folder.iniBytes().find("windowGeometry=garbled\r\n"), std::string::npos);

    WindowLayout& layout = preferences.Layout;
    layout = WithGeometry(-30, 40, 1100, 700);
    layout.Maximized = true;
    layout.Page = 5;
    layout.DerivationShown = true;
    layout.ColumnWidths["isolate"] = {10, 20, 30, 40};
    layout.ColumnWidths["summary"] = {2400};
    ASSERT_EQ(WritePreferences(preferences), std::nullopt);
    EXPECT_EQ(folder.read().Layout, layout);
    const std::string bytes = folder.iniBytes();
    for (const std::string_view line :
         {"futureKey=kept\r\n", "columns.futureList=5,6\r\n", "windowGeometry=-30,40,1100,700\r\n",
          "windowMaximized=True\r\n", "page=5\r\n", "derivationPane=True\r\n",
          "columns.isolate=10,20,30,40\r\n", "columns.summary=2400\r\n"})
        EXPECT_NE(bytes.find(line), std::string::npos) << line << " in\n" << bytes;
}

namespace {

// Sets an environment variable for one test and puts the old value back.
class EnvironmentVariable {
public:
    EnvironmentVariable(std::string name, const std::string& value) : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str()))
            m_old = old;
        EXPECT_TRUE(platform::SetEnvironmentValue(m_name, value)) << m_name;
    }
    ~EnvironmentVariable() { platform::SetEnvironmentValue(m_name, m_old.value_or("")); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(ProgramFolder, installedCopyKeepsItsFilesInTheUsersFolder_builtCopyInItsOwn) {
    const ProgramFolder root;
    const bool posix = platform::Separator() == '/';
    const std::string config = root.inside("config");
    const EnvironmentVariable userFolder(posix ? "XDG_CONFIG_HOME" : "APPDATA", config);
    const std::string own = config + platform::Separator() + (posix ? "varscope" : "Varscope");
    const fs::path prefix = fs::path(root.path()) / "prefix";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "varscope");
    std::ofstream(prefix / "share" / "varscope" / std::string(preference::kInstalledMarker));
    const fs::path built = fs::path(root.path()) / "build" / "ui";
    fs::create_directories(built);
    fs::create_directories(fs::path(root.path()) / "build" / "share" / "varscope"); // no marker

    EXPECT_EQ(ProgramFolderFor((prefix / "bin").string()), own);
    EXPECT_EQ(ProgramFolderFor(built.string()), built.string());
    EXPECT_FALSE(fs::exists(own)); // made by the first save, not by looking

    Preferences preferences;
    preferences.ProgramFolder = ProgramFolderFor((prefix / "bin").string());
    ASSERT_EQ(WritePreferences(preferences), std::nullopt);
    EXPECT_TRUE(fs::is_regular_file(fs::path(own) / "Dbgscope.Ini"));
    EXPECT_FALSE(fs::exists(prefix / "bin" / "Dbgscope.Ini"));

    // Any other missing folder is not made: the save says so.
    preferences.ProgramFolder = root.inside("missing");
    EXPECT_TRUE(WritePreferences(preferences).has_value());
    EXPECT_FALSE(fs::exists(root.inside("missing")));

    if (posix) {
        // A relative XDG_CONFIG_HOME does not count.
        const EnvironmentVariable relative("XDG_CONFIG_HOME", "relative/config");
        const EnvironmentVariable home("HOME", root.inside("home"));
        EXPECT_EQ(platform::UserProgramFolder(), root.inside("home") + "/.config/varscope");
    }
}
