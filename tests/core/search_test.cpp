#include "core/system/platform/platform.hpp"
#include "core/system/search.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using namespace varscope::core;
using varscope::testing::ScriptedPrompter;
using varscope::testing::TempFolder;
using varscope::testing::WriteTextFile;

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kProgram = "notepad.exe";

std::string Join(const std::string& folder, std::string_view name) {
    return folder + platform::Separator() + std::string(name);
}

void MakeFolder(const std::string& path) {
    fs::create_directories(path);
}

void MakeFile(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    WriteTextFile(path, "program");
}

// A file the system would start, as the search offers only those.
void MakeProgram(const std::string& path) {
    MakeFile(path);
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
}

// Subfolder names in the order the platform enumerates them, which need not be
// alphabetical: the search must follow this order, not a sorted one.
std::vector<std::string> FolderOrder(const std::string& folder) {
    std::vector<std::string> names;
    const auto entries = platform::ListFolder(folder);
    for (const platform::DirEntry& entry : entries.value()) {
        if (entry.isFolder)
            names.push_back(entry.name);
    }
    return names;
}

} // namespace

TEST(ListFolder, mixedEntries_reportsEachOnceWithItsKindAndNoDots) {
    TempFolder temp;
    MakeFolder(Join(temp.path(), "sub"));
    MakeFile(Join(temp.path(), "file.txt"));
    std::error_code linkError;
    fs::create_directory_symlink(Join(temp.path(), "sub"), Join(temp.path(), "link"), linkError);
    if (linkError)
        GTEST_SKIP() << "cannot create links here: " << linkError.message();

    const auto entries = platform::ListFolder(temp.path());
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 3u);
    for (const platform::DirEntry& entry : *entries) {
        if (entry.name == "sub") {
            EXPECT_TRUE(entry.isFolder);
            EXPECT_FALSE(entry.isFile);
            EXPECT_FALSE(entry.isLink);
        } else if (entry.name == "file.txt") {
            EXPECT_TRUE(entry.isFile);
            EXPECT_FALSE(entry.isFolder);
            EXPECT_FALSE(entry.isLink);
        } else {
            // A link to a folder is reported as a link only, so nobody walks through it.
            EXPECT_EQ(entry.name, "link");
            EXPECT_TRUE(entry.isLink);
            EXPECT_FALSE(entry.isFolder);
            EXPECT_FALSE(entry.isFile);
        }
    }
}

TEST(ListFolder, missingFolder_isNullopt) {
    TempFolder temp;
    EXPECT_FALSE(platform::ListFolder(Join(temp.path(), "absent")).has_value());
    EXPECT_FALSE(platform::ForEachInFolder(Join(temp.path(), "absent"),
                                           [](const platform::DirEntryView&) { return true; }));
}

TEST(ListFolder, forEachStoppedEarly_visitsNoMoreAndMatchesListOrder) {
    TempFolder temp;
    for (const char* name : {"a", "b", "c", "d"})
        MakeFile(Join(temp.path(), name));
    std::vector<std::string> listed;
    const auto entries = platform::ListFolder(temp.path());
    for (const platform::DirEntry& entry : entries.value())
        listed.push_back(entry.name);

    std::vector<std::string> visited;
    EXPECT_TRUE(platform::ForEachInFolder(temp.path(), [&](const platform::DirEntryView& entry) {
        visited.emplace_back(entry.name);
        return visited.size() < 2;
    }));
    ASSERT_EQ(visited.size(), 2u);
    EXPECT_EQ(visited[0], listed[0]);
    EXPECT_EQ(visited[1], listed[1]);
}

TEST(FindFileInTree, ownFileAndDeeperCopies_ownFileWins) {
    TempFolder temp;
    const std::string own = Join(temp.path(), kProgram);
    MakeFile(own);
    // Add folders with copies until one is enumerated before the folder's own file, so a
    // walk that descended as it met folders would return that copy.
    bool folderFirst = false;
    for (int i = 0; i < 64 && !folderFirst; ++i) {
        const std::string folder = Join(temp.path(), "d" + std::to_string(i));
        MakeFile(Join(Join(folder, "deep"), kProgram));
        MakeFile(Join(folder, kProgram));
        const auto entries = platform::ListFolder(temp.path());
        folderFirst = entries.value().front().isFolder;
    }
    ASSERT_TRUE(folderFirst);

    const SearchResult result = FindFileInTree(kProgram, temp.path());
    EXPECT_EQ(result.outcome, SearchOutcome::Found);
    EXPECT_EQ(result.path, own);
}

TEST(FindFileInTree, copiesInSeveralFolders_firstFolderInEnumerationOrderSearchedCompletely) {
    TempFolder temp;
    for (const char* name : {"setup", "windows", "backup", "apps", "zz", "mm"})
        MakeFolder(Join(temp.path(), name));
    const std::vector<std::string> order = FolderOrder(temp.path());
    ASSERT_EQ(order.size(), 6u);
    // The first folder holds its copy deep down, every later one just inside: depth first
    // means the deep copy is still found first.
    const std::string first = Join(temp.path(), order[0]);
    const std::string expected = Join(Join(Join(first, "one"), "two"), kProgram);
    MakeFile(expected);
    for (std::size_t i = 1; i < order.size(); ++i)
        MakeFile(Join(Join(temp.path(), order[i]), kProgram));

    const SearchResult result = FindFileInTree(kProgram, temp.path());
    EXPECT_EQ(result.outcome, SearchOutcome::Found);
    EXPECT_EQ(result.path, expected);
}

TEST(FindFileInTree, folderNamedLikeProgram_descendedIntoButNeverTaken) {
    TempFolder temp;
    const std::string decoy = Join(temp.path(), kProgram);
    MakeFolder(decoy);
    EXPECT_EQ(FindFileInTree(kProgram, temp.path()).outcome, SearchOutcome::NotFound);

    MakeFile(Join(decoy, kProgram));
    const SearchResult result = FindFileInTree(kProgram, temp.path());
    EXPECT_EQ(result.outcome, SearchOutcome::Found);
    EXPECT_EQ(result.path, Join(decoy, kProgram));
}

TEST(FindFileInTree, linksToFoldersAndFiles_neverFollowedNorTaken) {
    TempFolder temp;
    TempFolder outside;
    MakeFile(Join(outside.path(), kProgram));
    const std::string tree = Join(temp.path(), "tree");
    MakeFolder(Join(tree, "a"));
    // A loop back to the top and a way out of the tree: neither may be walked.
    std::error_code linkError;
    fs::create_directory_symlink(tree, Join(Join(tree, "a"), "loop"), linkError);
    if (linkError)
        GTEST_SKIP() << "cannot create links here: " << linkError.message();
    fs::create_directory_symlink(outside.path(), Join(tree, "out"));
    fs::create_symlink(Join(outside.path(), kProgram), Join(tree, kProgram));

    std::vector<std::string> entered;
    const SearchResult result = FindFileInTree(kProgram, tree, [&](const std::string& folder) {
        entered.push_back(folder);
        return true;
    });
    EXPECT_EQ(result.outcome, SearchOutcome::NotFound);
    EXPECT_TRUE(result.path.empty());
    const std::vector<std::string> expected{tree + platform::Separator(),
                                            Join(tree, "a") + platform::Separator()};
    EXPECT_EQ(entered, expected);
}

TEST(FindFileInTree, nothingMatches_notFoundWithEmptyPath) {
    TempFolder temp;
    MakeFile(Join(Join(temp.path(), "x"), "wordpad.exe"));
    MakeFile(Join(temp.path(), "notepad.exe.bak"));
    const SearchResult result = FindFileInTree(kProgram, temp.path());
    EXPECT_EQ(result.outcome, SearchOutcome::NotFound);
    EXPECT_TRUE(result.path.empty());
}

TEST(FindFileInTree, emptyFolderOrName_notFoundWithoutWalking) {
    TempFolder temp;
    MakeFile(Join(temp.path(), kProgram));
    int calls = 0;
    const auto count = [&calls](const std::string&) {
        ++calls;
        return true;
    };
    EXPECT_EQ(FindFileInTree(kProgram, "", count).outcome, SearchOutcome::NotFound);
    EXPECT_EQ(FindFileInTree("", temp.path(), count).outcome, SearchOutcome::NotFound);
    EXPECT_EQ(calls, 0);
}

TEST(FindFileInTree, folderWithOrWithoutSeparator_sameSinglySeparatedPath) {
    TempFolder temp;
    MakeFile(Join(Join(temp.path(), "sub"), kProgram));
    const std::string expected = Join(Join(temp.path(), "sub"), kProgram);
    EXPECT_EQ(FindFileInTree(kProgram, temp.path()).path, expected);
    EXPECT_EQ(FindFileInTree(kProgram, temp.path() + platform::Separator()).path, expected);
}

TEST(FindFileInTree, progress_seesEveryFolderDepthFirstInEnumerationOrder) {
    TempFolder temp;
    for (const char* name : {"p", "q", "r"}) {
        MakeFolder(Join(Join(temp.path(), name), "inner"));
        MakeFile(Join(Join(temp.path(), name), "data.txt"));
    }
    const char sep = platform::Separator();
    std::vector<std::string> expected{temp.path() + sep};
    for (const std::string& name : FolderOrder(temp.path())) {
        expected.push_back(Join(temp.path(), name) + sep);
        expected.push_back(Join(Join(temp.path(), name), "inner") + sep);
    }

    std::vector<std::string> entered;
    FindFileInTree(kProgram, temp.path(), [&](const std::string& folder) {
        entered.push_back(folder);
        return true;
    });
    EXPECT_EQ(entered, expected);
}

TEST(FindFileInTree, progressSaysStop_cancelledAtOnceWithEmptyPath) {
    TempFolder temp;
    MakeFolder(Join(temp.path(), "first"));
    MakeFolder(Join(temp.path(), "second"));
    MakeFile(Join(Join(temp.path(), FolderOrder(temp.path()).back()), kProgram));

    int calls = 0;
    const SearchResult result = FindFileInTree(kProgram, temp.path(), [&](const std::string&) {
        ++calls;
        return calls < 2;
    });
    EXPECT_EQ(result.outcome, SearchOutcome::Cancelled);
    EXPECT_TRUE(result.path.empty());
    EXPECT_EQ(calls, 2);
}

TEST(FindFileInTree, kernelPseudoFolders_neverEntered) {
    if (!platform::SkipInDiskSearch("/proc/"))
        GTEST_SKIP() << "no kernel pseudo file systems here";
    ASSERT_TRUE(fs::exists("/proc/self/status"));
    EXPECT_EQ(FindFileInTree("status", "/proc").outcome, SearchOutcome::NotFound);
    EXPECT_TRUE(platform::SkipInDiskSearch("/sys/"));
    EXPECT_TRUE(platform::SkipInDiskSearch("/dev/"));
    EXPECT_FALSE(platform::SkipInDiskSearch("/usr/"));
}

TEST(FindFileInTree, otherFileSystems_neverEntered) {
    // Linux mounts a file system of its own at /dev/shm; "/dev/." is /dev without being the
    // "/dev/" the search leaves out.
    const std::string mount = "/dev/shm";
    const std::vector<std::string> mounted = platform::MountPointsBelow("/dev");
    if (!fs::is_directory(mount) ||
        std::find(mounted.begin(), mounted.end(), "shm/") == mounted.end())
        GTEST_SKIP() << "no file system mounted at " << mount;
    const std::string name = "varscope-search-" + std::to_string(std::random_device{}());
    const std::string path = Join(mount, name);
    MakeProgram(path);

    std::vector<std::string> entered;
    const SearchResult below = FindFileInTree(name, "/dev/.", [&](const std::string& folder) {
        entered.push_back(folder);
        return true;
    });
    const SearchResult within = FindFileInTree(name, mount);
    fs::remove(path);

    EXPECT_EQ(below.outcome, SearchOutcome::NotFound);
    for (const std::string& folder : entered)
        EXPECT_FALSE(folder.starts_with("/dev/./shm/")) << folder;
    // The file system the walk starts on is searched, whatever it is.
    EXPECT_EQ(within.path, path);
}

TEST(FindProgram, filesThatCannotRun_passedOverForOneThatCan) {
    if (platform::ProgramsHaveExeSuffix())
        GTEST_SKIP() << "every file may be started here";
    TempFolder temp;
    const std::string first = Join(Join(temp.path(), "a"), kProgram);
    const std::string second = Join(Join(temp.path(), "b"), kProgram);
    MakeFile(first);
    MakeFile(second);
    ScriptedPrompter prompter;
    EXPECT_EQ(FindProgram(kProgram, temp.path(), prompter).outcome, SearchOutcome::NotFound);

    // Whichever comes first in enumeration order, only the runnable one is taken.
    for (const std::string& runnable : {first, second}) {
        fs::permissions(first, fs::perms::owner_read | fs::perms::owner_write);
        fs::permissions(second, fs::perms::owner_read | fs::perms::owner_write);
        MakeProgram(runnable);
        EXPECT_EQ(FindProgram(kProgram, temp.path(), prompter).path, runnable);
    }
}

TEST(FindProgram, found_tellsWhereWithoutIconUnderProgramTitle) {
    TempFolder temp;
    const std::string path = Join(Join(temp.path(), "Windows"), kProgram);
    MakeProgram(path);
    ScriptedPrompter prompter;

    const SearchResult result = FindProgram(kProgram, temp.path(), prompter);
    EXPECT_EQ(result.path, path);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, "message");
    EXPECT_EQ(prompter.shown[0].text, "Found:  " + path);
    EXPECT_EQ(prompter.shown[0].title, "Varscope");
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::None);
}

TEST(FindProgram, notFoundOrCancelled_saysNothing) {
    TempFolder temp;
    MakeProgram(Join(Join(temp.path(), "sub"), kProgram));
    ScriptedPrompter prompter;

    EXPECT_EQ(FindProgram("wordpad.exe", temp.path(), prompter).outcome, SearchOutcome::NotFound);
    EXPECT_EQ(FindProgram(kProgram, temp.path(), prompter, [](const std::string&) { return false; })
                  .outcome,
              SearchOutcome::Cancelled);
    EXPECT_TRUE(prompter.shown.empty());
}
