// The one way every file the program saves is written: preferences, category files and
// the export file all go through WriteFileAtomically.
#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#if __has_include(<sys/resource.h>) && __has_include(<unistd.h>)
#include <unistd.h>
#define VARSCOPE_TEST_POSIX 1
#endif

using namespace varscope::core;
using varscope::testing::ReadTextFile;
using varscope::testing::TempFolder;
using varscope::testing::WriteTextFile;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read;

} // namespace

TEST(WriteFileAtomically, sameBytes_nothingWrittenNothingReported) {
    for (const bool readOnly : {false, true}) {
        const TempFolder folder;
        const std::string path = folder.file("same.ini");
        WriteTextFile(path, "[s]\r\nk=v\r\n");
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(48));
        // As the file system keeps it, at its own resolution.
        const auto old = fs::last_write_time(path);
        if (readOnly)
            fs::permissions(path, kReadOnly);

        EXPECT_EQ(WriteFileAtomically(path, "[s]\r\nk=v\r\n"), std::nullopt) << readOnly;
        EXPECT_EQ(fs::last_write_time(path), old) << readOnly;
        // Other bytes are still refused by a read-only file.
        EXPECT_EQ(WriteFileAtomically(path, "[s]\r\nk=w\r\n").has_value(), readOnly);
        fs::permissions(path, fs::perms::owner_all);
        EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"same.ini"});
    }
}

TEST(WriteFileAtomically, temporaryNames_uniqueSoWritersNeverMeet) {
    const TempFolder folder;
    const std::string path = folder.file("shared.ini");
    // The name a fixed temporary would have is taken.
    fs::create_directory(path + ".tmp~");
    EXPECT_EQ(WriteFileAtomically(path, "first"), std::nullopt);
    EXPECT_EQ(ReadTextFile(path), "first");

    // Instances quitting at once each save, and the file is one of theirs, whole.
    std::vector<std::string> contents;
    for (int i = 0; i < 6; ++i)
        contents.push_back("instance " + std::to_string(i) + std::string(4096, 'x'));
    std::vector<int> failures(contents.size(), 0);
    std::vector<std::thread> writers;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        writers.emplace_back([&, i] {
            for (int round = 0; round < 20; ++round)
                failures[i] +=
                    WriteFileAtomically(path, contents[i] + std::to_string(round)) ? 1 : 0;
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_EQ(failures, std::vector<int>(contents.size(), 0));
    const std::string last = ReadTextFile(path);
    EXPECT_TRUE(std::any_of(contents.begin(), contents.end(), [&](const std::string& content) {
        return last.starts_with(content) && last.size() - content.size() <= 2;
    }));
    EXPECT_EQ(Names(folder.path()), (std::vector<std::string>{"shared.ini", "shared.ini.tmp~"}));
}

TEST(WriteFileAtomically, symbolicLinks_targetWrittenLinksKept) {
    const TempFolder folder;
    const std::string target = folder.file("real/Dbgscope.Ini");
    WriteTextFile(target, "old");
    struct Case {
        std::string link;
        fs::path pointsTo;
    };
    const std::vector<Case> cases = {
        {folder.file("absolute.ini"), target},
        {folder.file("relative.ini"), fs::path("real") / "Dbgscope.Ini"},
        {folder.file("chain.ini"), "absolute.ini"},
    };
    for (const Case& test : cases) {
        std::error_code linkError;
        fs::create_symlink(test.pointsTo, test.link, linkError);
        if (linkError)
            GTEST_SKIP() << "cannot create links here: " << linkError.message();
    }
    for (const Case& test : cases) {
        const std::string bytes = "through " + test.link;
        EXPECT_EQ(WriteFileAtomically(test.link, bytes), std::nullopt) << test.link;
        EXPECT_TRUE(fs::is_symlink(test.link)) << test.link;
        EXPECT_EQ(fs::read_symlink(test.link), test.pointsTo);
        EXPECT_EQ(ReadTextFile(target), bytes) << test.link;
    }
    // A link to a file not made yet makes it where the link points.
    const std::string dangling = folder.file("dangling.ini");
    fs::create_symlink(fs::path("real") / "new.ini", dangling);
    EXPECT_EQ(WriteFileAtomically(dangling, "new"), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(ReadTextFile(folder.file("real/new.ini")), "new");
    EXPECT_EQ(Names(folder.file("real")), (std::vector<std::string>{"Dbgscope.Ini", "new.ini"}));
}

#ifdef VARSCOPE_TEST_POSIX

TEST(WriteFileAtomically, folderNotWritable_writableFileWrittenInPlaceOthersFail) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders, so nothing refuses a temporary";
    const TempFolder folder;
    const std::string writable = folder.file("locked/Dbgscope.Ini");
    const std::string readOnly = folder.file("locked/readonly.ini");
    const std::string missing = folder.file("locked/missing.ini");
    WriteTextFile(writable, "old");
    WriteTextFile(readOnly, "old");
    fs::permissions(readOnly, kReadOnly);
    fs::permissions(folder.file("locked"), fs::perms::owner_read | fs::perms::owner_exec);

    const auto inPlace = WriteFileAtomically(writable, "new");
    const auto refused = WriteFileAtomically(readOnly, "new");
    const auto notMade = WriteFileAtomically(missing, "new");
    fs::permissions(folder.file("locked"), fs::perms::owner_all);

    EXPECT_EQ(inPlace, std::nullopt);
    EXPECT_EQ(ReadTextFile(writable), "new");
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->rfind(readOnly + ": ", 0), 0u) << *refused;
    EXPECT_EQ(ReadTextFile(readOnly), "old");
    ASSERT_TRUE(notMade.has_value());
    EXPECT_EQ(notMade->rfind(missing + ": ", 0), 0u) << *notMade;
    EXPECT_EQ(Names(folder.file("locked")),
              (std::vector<std::string>{"Dbgscope.Ini", "readonly.ini"}));
}

#endif

// An installed copy keeps its files in the user's own folder when its own cannot take them.
TEST(ProgramFolder, filesCanBeMadeOnlyInAnExistingWritableFolder) {
    const TempFolder folder;
    WriteTextFile(folder.file("file"), "");
    EXPECT_TRUE(platform::CanCreateFilesIn(folder.path()));
    EXPECT_FALSE(platform::CanCreateFilesIn(folder.file("missing")));
    EXPECT_FALSE(platform::CanCreateFilesIn(folder.file("file")));
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"file"}); // the probe is gone

    const std::string own = platform::UserProgramFolder();
    ASSERT_FALSE(own.empty());
    EXPECT_TRUE(platform::CanCreateFilesIn(own));
}
