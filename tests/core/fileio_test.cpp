// The one way every file the program saves is written: preferences, category files and
// the export file all go through WriteFileAtomically.
#include "core/category/catalogue_edits.hpp"
#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/preferences.hpp"
#include "core/system/profile.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#if __has_include(<sys/resource.h>) && __has_include(<unistd.h>)
#include "tests/support/small_disk.hpp"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

    // A chain whose end is missing: the end is made, every link stays.
    const std::string chain = folder.file("chain.txt");
    fs::create_symlink("mid.txt", chain);
    fs::create_symlink(fs::path("real") / "end.txt", folder.file("mid.txt"));
    EXPECT_EQ(WriteFileAtomically(chain, "end"), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(chain));
    EXPECT_TRUE(fs::is_symlink(folder.file("mid.txt")));
    EXPECT_EQ(ReadTextFile(folder.file("real/end.txt")), "end");
}

#ifdef VARSCOPE_TEST_POSIX

namespace {

// The folder refuses the user (as nobody when the tests run as root): nobody owns `files`.
void LockFolder(const std::string& folder, const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(file.c_str(), varscope::testing::kNobody, varscope::testing::kNobody),
                      0);
        }
    }
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
}

std::string SavedAsOtherUser(const std::string& path, const std::string& bytes) {
    return varscope::testing::AsOtherUser(
        [&] { return WriteFileAtomically(path, bytes).value_or("saved"); });
}

} // namespace

TEST(WriteFileAtomically, folderNotWritable_writableFileWrittenInPlaceOthersFail) {
    const TempFolder folder;
    const std::string writable = folder.file("locked/Dbgscope.Ini");
    const std::string readOnly = folder.file("locked/readonly.ini");
    const std::string missing = folder.file("locked/missing.ini");
    WriteTextFile(writable, "old content, longer than the new");
    WriteTextFile(readOnly, "old");
    fs::permissions(readOnly, kReadOnly);
    LockFolder(folder.file("locked"), {writable, readOnly});

    const std::string inPlace = SavedAsOtherUser(writable, "new");
    const std::string refused = SavedAsOtherUser(readOnly, "new");
    const std::string notMade = SavedAsOtherUser(missing, "new");
    fs::permissions(folder.file("locked"), fs::perms::owner_all);

    EXPECT_EQ(inPlace, "saved");
    EXPECT_EQ(ReadTextFile(writable), "new");
    EXPECT_EQ(refused.rfind(readOnly + ": ", 0), 0u) << refused;
    EXPECT_EQ(ReadTextFile(readOnly), "old");
    EXPECT_EQ(notMade.rfind(missing + ": ", 0), 0u) << notMade;
    EXPECT_EQ(Names(folder.file("locked")),
              (std::vector<std::string>{"Dbgscope.Ini", "readonly.ini"}));
}

// Nothing of the old file is lost to a full disk: not through the temporary file (no room,
// no free entry), not in place (no room to reserve).
TEST(WriteFileAtomically, fullDisk_oldFileKeptWholeAndReasonGiven) {
    struct Case {
        const char* what;
        const char* options; // of the small file system
        bool inPlace;        // the folder refuses new files
        bool fillEntries;    // every free entry taken, not the room
        std::size_t newSize;
    };
    const std::vector<Case> cases = {
        {"no room for the temporary file", "size=64k", false, false, 48 << 10},
        {"no free entry for the temporary file", "size=1m,nr_inodes=16", false, true, 10},
        {"no room to reserve in place", "size=64k", true, false, 48 << 10},
    };
    for (const Case& test : cases) {
        const TempFolder folder;
        const varscope::testing::SmallDisk disk(folder.file("disk"), test.options);
        if (!disk.error().empty())
            GTEST_SKIP() << disk.error();
        const std::string path = folder.file("disk/saved/DebugCategory.Txt");
        const std::string old = "[old]\r\n" + std::string(8 << 10, 'o');
        WriteTextFile(path, old);
        if (test.fillEntries) {
            std::FILE* entry = nullptr;
            for (int i = 0; i < 64; ++i) {
                entry = std::fopen(folder.file("disk/e" + std::to_string(i)).c_str(), "wb");
                if (entry == nullptr)
                    break;
                std::fclose(entry);
            }
            ASSERT_EQ(entry, nullptr) << test.what;
        } else {
            ASSERT_TRUE(disk.fill("filler")) << test.what;
        }
        if (test.inPlace)
            LockFolder(folder.file("disk/saved"), {path});

        const std::string bytes(test.newSize, 'n');
        const std::string reason = test.inPlace
                                       ? SavedAsOtherUser(path, bytes)
                                       : WriteFileAtomically(path, bytes).value_or("saved");
        fs::permissions(folder.file("disk/saved"), fs::perms::owner_all);

        EXPECT_EQ(reason, path + ": " + std::strerror(ENOSPC)) << test.what;
        EXPECT_TRUE(ReadTextFile(path) == old) << test.what;
        EXPECT_EQ(Names(folder.file("disk/saved")), std::vector<std::string>{"DebugCategory.Txt"})
            << test.what;
    }
}

// Only the file's owner may read what is written for a 0600 file, from the first byte; a
// new file gets the usual rights once it is whole.
TEST(AtomicFileWriter, temporaryFile_hasTheTargetsRightsFromItsFirstByte) {
    const mode_t umask = ::umask(022);
    ::umask(umask);
    struct Case {
        std::optional<fs::perms> target; // none: a new file
        fs::perms whileWritten;
        fs::perms saved;
    };
    using fs::perms;
    const std::vector<Case> cases = {
        {perms::owner_read | perms::owner_write, perms::owner_read | perms::owner_write,
         perms::owner_read | perms::owner_write},
        {perms(0640), perms(0640), perms(0640)},
        {perms(0664), perms(0664), perms(0664)},
        {std::nullopt, perms(0600), perms(0666 & ~umask)},
    };
    for (const Case& test : cases) {
        const TempFolder folder;
        const std::string path = folder.file("secret.ini");
        if (test.target) {
            WriteTextFile(path, "old");
            fs::permissions(path, *test.target);
        }
        AtomicFileWriter writer(path);
        ASSERT_TRUE(writer.write("new"));
        std::vector<std::string> names = Names(folder.path());
        std::erase(names, "secret.ini");
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(fs::status(folder.file(names[0])).permissions(), test.whileWritten) << names[0];
        EXPECT_EQ(writer.commit(), std::nullopt);
        EXPECT_EQ(fs::status(path).permissions(), test.saved);
        EXPECT_EQ(ReadTextFile(path), "new");
    }
}

// A category or preferences file that is a FIFO (no writer: opening it waits) or a socket
// reads as empty at once, and no save replaces it.
TEST(ReadRegularFile, notRegularFiles_readAsEmptyAndNeverWrittenOver) {
    // A wait at open fails the test instead of hanging it.
    ::alarm(60);
    const auto makeFifo = [](const std::string& path) {
        return ::mkfifo(path.c_str(), 0600) == 0;
    };
    const auto makeSocket = [](const std::string& path) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        const bool made = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return made;
    };
    for (const auto& make : {std::function<bool(const std::string&)>(makeFifo),
                             std::function<bool(const std::string&)>(makeSocket)}) {
        const TempFolder folder;
        const std::string categories = folder.file("DebugCategory.Txt");
        const std::string ini = folder.file("Dbgscope.Ini");
        ASSERT_TRUE(make(categories) && make(ini));
        const auto kind = fs::status(ini).type();
        const std::string notRegular = ": is not a regular file, so it is not written over";

        const ReadResult read = ReadRegularFile(ini);
        EXPECT_EQ(read.bytes, std::string());
        EXPECT_TRUE(LoadCatalogue(categories).catalogue.categories.empty());
        Preferences preferences;
        preferences.ProgramFolder = folder.path();
        SetPreferencesFile(preferences);
        ReadPreferences(preferences);
        EXPECT_EQ(preferences.EditorChoice, "notepad");
        EXPECT_EQ(profile::GetString("s", "k", "fallback", ini, 512), "fallback");

        EXPECT_EQ(WriteFileAtomically(ini, "x"), ini + notRegular);
        EXPECT_EQ(WritePreferences(preferences), ini + notRegular);
        EXPECT_EQ(profile::WriteString("s", "k", "v", ini), ini + notRegular);
        Catalogue catalogue;
        AddCategory(catalogue, "Civil");
        EXPECT_EQ(SaveCatalogue(catalogue, categories),
                  "Could not save " + categories + notRegular);
        EXPECT_EQ(fs::status(ini).type(), kind);
        EXPECT_EQ(fs::status(categories).type(), kind);
        EXPECT_EQ(Names(folder.path()),
                  (std::vector<std::string>{"Dbgscope.Ini", "DebugCategory.Txt"}));
    }
    ::alarm(0);
}

#endif

// A save killed midway leaves its temporary file; the next save of that file removes it,
// never another file's, never one a save is still writing.
TEST(AtomicFileWriter, leftoversOfKilledSaves_removedByTheNextSaveOfThatFile) {
    std::vector<std::string> names = {"Dbgscope.Ini"};
    // Windows paths end at 260 bytes.
    if (platform::Separator() == '/')
        names.push_back(std::string(240, 'L') + ".ini");
    for (const std::string& name : names) {
        const TempFolder folder;
        const std::string path = folder.file(name);
        WriteTextFile(path, "old");
        const std::string head = "." + name.substr(0, 64) + "~";
        const std::vector<std::string> leftovers = {head + "0123abcd.tmp", head + "ffffffff.tmp"};
        const std::vector<std::string> kept = {".Other.ini~0123abcd.tmp", head + "0123abc.tmp",
                                               head + "0123abcd.tmp.txt", "Dbgscope.Ini.tmp"};
        AtomicFileWriter stillWriting(path);
        ASSERT_TRUE(stillWriting.write("the other save"));
        for (const std::string& file : leftovers)
            WriteTextFile(folder.file(file), "cut off");
        for (const std::string& file : kept)
            WriteTextFile(folder.file(file), "someone else's");

        EXPECT_EQ(WriteFileAtomically(path, "new"), std::nullopt);
        EXPECT_EQ(ReadTextFile(path), "new");
        EXPECT_EQ(stillWriting.commit(), std::nullopt);
        EXPECT_EQ(ReadTextFile(path), "the other save");

        std::vector<std::string> expected = kept;
        expected.push_back(name);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Names(folder.path()), expected) << name.size();
    }
}

// Any name a folder holds can be saved: the temporary name stays short.
TEST(WriteFileAtomically, longestNames_savedWithoutLeftovers) {
    if (platform::Separator() != '/')
        GTEST_SKIP() << "Windows paths end at 260 bytes, whatever the name";
    for (const std::size_t size : {std::size_t{200}, std::size_t{234}, std::size_t{255}}) {
        const TempFolder folder;
        const std::string name = std::string(size - 4, 'n') + ".txt";
        const std::string path = folder.file(name);
        EXPECT_EQ(WriteFileAtomically(path, "first"), std::nullopt) << size;
        EXPECT_EQ(WriteFileAtomically(path, "second"), std::nullopt) << size;
        EXPECT_EQ(ReadTextFile(path), "second");
        EXPECT_EQ(Names(folder.path()), std::vector<std::string>{name});
    }
}

// Saving bytes equal to the file's replaces nothing, found block by block as the bytes
// come; any difference, wherever it is, is saved.
TEST(AtomicFileWriter, equalBytes_nothingReplacedAnyDifferenceSaved) {
    std::string old(300'000, '\0');
    for (std::size_t i = 0; i < old.size(); ++i)
        old[i] = static_cast<char>('a' + i % 23);
    const auto changedAt = [&old](std::size_t at) {
        std::string bytes = old;
        bytes[at] = '#';
        return bytes;
    };
    struct Case {
        const char* what;
        std::string oldBytes;
        std::string newBytes;
    };
    const std::vector<Case> cases = {
        {"same", old, old},
        {"both empty", "", ""},
        {"first byte", old, changedAt(0)},
        {"in the second block", old, changedAt(70'000)},
        {"last byte", old, changedAt(old.size() - 1)},
        {"one more", old, old + "z"},
        {"one less", old, old.substr(0, old.size() - 1)},
        {"empty", old, ""},
        {"from empty", "", old},
    };
    for (const Case& test : cases) {
        for (const std::size_t piece :
             {std::size_t{1} << 20, std::size_t{65'536}, std::size_t{4093}}) {
            const TempFolder folder;
            const std::string path = folder.file("out.txt");
            WriteTextFile(path, test.oldBytes);
            fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(48));
            const auto before = fs::last_write_time(path);

            AtomicFileWriter writer(path);
            for (std::size_t at = 0; at < test.newBytes.size(); at += piece)
                ASSERT_TRUE(writer.write(std::string_view(test.newBytes).substr(at, piece)));
            EXPECT_EQ(writer.commit(), std::nullopt);

            const bool same = test.oldBytes == test.newBytes;
            EXPECT_EQ(fs::last_write_time(path) == before, same) << test.what << " " << piece;
            EXPECT_TRUE(ReadTextFile(path) == test.newBytes) << test.what << " " << piece;
            EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"out.txt"});
        }
    }
}

// A save that is never committed (the caller's reading failed) leaves the old file whole.
TEST(AtomicFileWriter, notCommitted_oldFileWholeNothingLeft) {
    const TempFolder folder;
    const std::string path = folder.file("export.txt");
    WriteTextFile(path, "old export");
    {
        AtomicFileWriter writer(path);
        ASSERT_TRUE(writer.write(std::string(3 << 20, 'x')));
    }
    EXPECT_EQ(ReadTextFile(path), "old export");
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"export.txt"});
}

// A copy keeps its files in the user's own folder when its own folder cannot take them.
TEST(ProgramFolder, filesCanBeMadeOnlyInAnExistingWritableFolder) {
    const TempFolder folder;
    WriteTextFile(folder.file("file"), "");
    EXPECT_TRUE(platform::CanCreateFilesIn(folder.path()));
    EXPECT_FALSE(platform::CanCreateFilesIn(folder.file("missing")));
    EXPECT_FALSE(platform::CanCreateFilesIn(folder.file("file")));
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"file"}); // the probe is gone

    // The user's own folder is made, parents and all, by the first save there.
    const std::string deep = folder.file("a") + platform::Separator() + "b";
    EXPECT_EQ(platform::MakeFolders(deep), std::nullopt);
    EXPECT_TRUE(platform::CanCreateFilesIn(deep));
    EXPECT_EQ(platform::MakeFolders(deep), std::nullopt); // there already
    const auto underFile = platform::MakeFolders(folder.file("file") + platform::Separator() + "x");
    ASSERT_TRUE(underFile.has_value());
    EXPECT_NE(underFile->find("x"), std::string::npos) << *underFile;
}
