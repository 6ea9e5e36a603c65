#include "core/system/profile.hpp"
#include "tests/support/stand_in_programs.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#if __has_include(<sys/resource.h>) && __has_include(<unistd.h>)
#include <sys/resource.h>
#include <unistd.h>
#define VARSCOPE_TEST_POSIX 1
#endif

using namespace varscope::core;
namespace fs = std::filesystem;

namespace {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        std::random_device seed;
        m_path = fs::temp_directory_path() / ("varscope-profile-" + std::to_string(seed()));
        fs::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

std::string ReadBytes(const std::string& path) {
    return varscope::testing::ReadTextFile(path);
}

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// No blank lines, so the expectations do not depend on whether a rewrite keeps them.
constexpr std::string_view kIni = "; settings\r\n"
                                  "[Window]\r\n"
                                  "left=10\r\n"
                                  "[Preferences]\r\n"
                                  "Editor=wordpad\r\n"
                                  "outFile=C:\\a=b.txt\r\n"
                                  "; editor=commented\r\n"
                                  "quoted=\"  spaced  \"\r\n"
                                  "[Other]\r\n"
                                  "editor=other\r\n";

} // namespace

TEST(ProfileFind, sectionAndKey_matchIgnoringCaseWithBlanksTrimmed) {
    EXPECT_EQ(
        profile::FindValue("[ Preferences ]\r\n  Editor =  wordpad  \r\n", "preferences", "EDITOR"),
        "wordpad");
    EXPECT_EQ(profile::FindValue(kIni, "preferences", "EDITOR"), "wordpad");
    EXPECT_EQ(profile::FindValue(kIni, "PREFERENCES", "editor"), "wordpad");
    EXPECT_EQ(profile::FindValue(kIni, "other", "Editor"), "other");
}

TEST(ProfileFind, valueWithEquals_keepsEverythingAfterTheFirst) {
    EXPECT_EQ(profile::FindValue(kIni, "preferences", "outFile"), "C:\\a=b.txt");
}

TEST(ProfileFind, quotedValue_givenWithoutQuotesBlanksKept) {
    EXPECT_EQ(profile::FindValue(kIni, "preferences", "quoted"), "  spaced  ");
}

TEST(ProfileFind, missingKeySectionOrKeyOfOtherSection_notFound) {
    EXPECT_FALSE(profile::FindValue(kIni, "preferences", "left").has_value());
    EXPECT_FALSE(profile::FindValue(kIni, "preferences", "missing").has_value());
    EXPECT_FALSE(profile::FindValue(kIni, "nowhere", "editor").has_value());
    EXPECT_FALSE(profile::FindValue("", "preferences", "editor").has_value());
    // A commented-out key is not a key.
    EXPECT_FALSE(profile::FindValue("[s]\r\n;k=1\r\n", "s", "k").has_value());
}

TEST(ProfileFind, lfAndLoneCrLineEnds_readLikeCrLf) {
    EXPECT_EQ(profile::FindValue("[s]\nk=lf\n", "s", "k"), "lf");
    EXPECT_EQ(profile::FindValue("[s]\rk=cr\r[t]\rk=no", "s", "k"), "cr");
    EXPECT_EQ(profile::FindValue("[s]\r\nk=last", "s", "k"), "last");
}

TEST(ProfileSet, existingKey_replacedInPlaceRestOfFileByteIdentical) {
    const std::string out = profile::SetValue(kIni, "PREFERENCES", "editor", "notepad");
    std::string expected(kIni);
    expected.replace(expected.find("Editor=wordpad"), 14, "Editor=notepad");
    EXPECT_EQ(out, expected);
}

TEST(ProfileSet, newKey_appendedAtEndOfItsSection) {
    const std::string out = profile::SetValue(kIni, "window", "top", "5");
    EXPECT_EQ(out.substr(0, out.find("[Preferences]")),
              "; settings\r\n[Window]\r\nleft=10\r\ntop=5\r\n");
    EXPECT_EQ(out.substr(out.find("[Preferences]")),
              std::string(kIni).substr(std::string(kIni).find("[Preferences]")));
}

TEST(ProfileSet, newKeyInLastSection_appendedAtEndOfFile) {
    const std::string out = profile::SetValue(kIni, "other", "wordpad", "w.exe");
    EXPECT_EQ(out, std::string(kIni) + "wordpad=w.exe\r\n");
}

TEST(ProfileSet, newSection_appendedToFileWithItsKey) {
    const std::string out = profile::SetValue(kIni, "added", "k", "v");
    EXPECT_EQ(out, std::string(kIni) + "[added]\r\nk=v\r\n");
    EXPECT_EQ(profile::SetValue("", "preferences", "editor", ""), "[preferences]\r\neditor=\r\n");
}

TEST(ProfileSet, lfOrUnterminatedFile_rewrittenWithCrLf) {
    EXPECT_EQ(profile::SetValue("[s]\na=1\nb=2", "s", "c", "3"), "[s]\r\na=1\r\nb=2\r\nc=3\r\n");
}

TEST(ProfileSet, valueWithEqualsAndBlanks_readBackUnchanged) {
    const std::string out = profile::SetValue("", "s", "k", "x = y=z");
    EXPECT_EQ(profile::FindValue(out, "S", "K"), "x = y=z");
}

TEST(ProfileGetString, missingFileOrKey_givesFallback) {
    const TempFolder folder;
    const std::string missing = folder.file("absent.ini");
    EXPECT_EQ(profile::GetString("s", "k", "fallback", missing, 512), "fallback");
    WriteBytes(folder.file("a.ini"), "[s]\r\nother=1\r\n");
    EXPECT_EQ(profile::GetString("s", "k", "fallback", folder.file("a.ini"), 512), "fallback");
    EXPECT_EQ(profile::GetString("S", "OTHER", "fallback", folder.file("a.ini"), 512), "1");
}

TEST(ProfileGetString, longValue_cutToBufferSizeLessOne) {
    const TempFolder folder;
    const std::string path = folder.file("long.ini");
    const std::string value(600, 'v');
    WriteBytes(path, "[s]\r\nk=" + value + "\r\n");
    EXPECT_EQ(profile::GetString("s", "k", "", path, 512), std::string(511, 'v'));
    EXPECT_EQ(profile::GetString("s", "missing", value, path, 512), std::string(511, 'v'));
    EXPECT_EQ(profile::GetString("s", "k", "", path, 1), "");
}

TEST(ProfileGetString, valueWithNul_endsAtTheNul) {
    const TempFolder folder;
    const std::string path = folder.file("zero-byte.ini");
    WriteBytes(path, std::string_view("[s]\r\nk=ab\0cd\r\n", 14));
    EXPECT_EQ(profile::GetString("s", "k", "", path, 512), "ab");
}

TEST(ProfileWriteString, newFile_createdWithSectionAndKey) {
    const TempFolder folder;
    const std::string path = folder.file("new.ini");
    EXPECT_EQ(profile::WriteString("preferences", "editor", "notepad", path), std::nullopt);
    EXPECT_EQ(ReadBytes(path), "[preferences]\r\neditor=notepad\r\n");
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"new.ini"});
}

TEST(ProfileWriteString, existingFile_keepsOrderAndOtherSections) {
    const TempFolder folder;
    const std::string path = folder.file("keep.ini");
    WriteBytes(path, kIni);
    ASSERT_EQ(profile::WriteString("Window", "LEFT", "20", path), std::nullopt);
    ASSERT_EQ(profile::WriteString("preferences", "notepad", "n.exe", path), std::nullopt);
    std::string expected(kIni);
    expected.replace(expected.find("left=10"), 7, "left=20");
    expected.insert(expected.find("[Other]"), "notepad=n.exe\r\n");
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"keep.ini"});
}

TEST(ProfileWriteString, existingFile_keepsItsAccessRights) {
    const TempFolder folder;
    const std::string path = folder.file("shared.ini");
    WriteBytes(path, kIni);
    const auto rights = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, rights);
    const fs::perms before = fs::status(path).permissions();
    ASSERT_EQ(profile::WriteString("Window", "left", "30", path), std::nullopt);
    EXPECT_EQ(fs::status(path).permissions(), before);
}

TEST(ProfileWriteString, pathIsAFolder_failsWithReasonAndLeavesNoTemporary) {
    const TempFolder folder;
    const std::string path = folder.file("dir.ini");
    fs::create_directory(path);
    const auto failure = profile::WriteString("s", "k", "v", path);
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("dir.ini"), std::string::npos) << *failure;
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"dir.ini"});
}

TEST(ProfileWriteString, folderMissing_failsWithReason) {
    const TempFolder folder;
    const std::string path = folder.file("absent/p.ini");
    const auto failure = profile::WriteString("s", "k", "v", path);
    ASSERT_TRUE(failure.has_value());
    EXPECT_FALSE(failure->empty());
    EXPECT_FALSE(fs::exists(folder.path() / "absent"));
}

TEST(ProfileWriteString, existingFileUnreadable_notClobbered) {
    // Reading /proc/self/mem at offset 0 fails even for root, unlike a file without
    // read permission.
    if (!fs::exists("/proc/self/mem"))
        GTEST_SKIP() << "needs /proc/self/mem for a file that exists but cannot be read";
    const TempFolder folder;
    const std::string path = folder.file("unreadable.ini");
    std::error_code linkError;
    fs::create_symlink("/proc/self/mem", path, linkError);
    if (linkError)
        GTEST_SKIP() << "cannot link to /proc/self/mem: " << linkError.message();
    const auto failure = profile::WriteString("s", "k", "v", path);
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("unreadable.ini"), std::string::npos) << *failure;
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(fs::read_symlink(path), "/proc/self/mem");
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"unreadable.ini"});
}

TEST(ProfileWriteString, readOnlyFile_failsAndFileByteIdentical) {
    const TempFolder folder;
    const std::string path = folder.file("readonly.ini");
    WriteBytes(path, kIni);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto failure = profile::WriteString("preferences", "editor", "x", path);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("readonly.ini"), std::string::npos) << *failure;
    EXPECT_EQ(ReadBytes(path), kIni);
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"readonly.ini"});
}

#ifdef VARSCOPE_TEST_POSIX

TEST(ProfileWriteString, folderNotWritable_writableFileWrittenInPlace) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const TempFolder folder;
    const std::string path = folder.file("locked.ini");
    WriteBytes(path, kIni);
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const auto failure = profile::WriteString("preferences", "editor", "x", path);
    fs::permissions(folder.path(), fs::perms::owner_all);
    EXPECT_EQ(failure, std::nullopt);
    EXPECT_EQ(ReadBytes(path), profile::SetValue(kIni, "preferences", "editor", "x"));
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"locked.ini"});
}

TEST(ProfileWriteString, diskFullDuringWrite_failsAndOldFileByteIdentical) {
    const TempFolder folder;
    const std::string path = folder.file("full.ini");
    WriteBytes(path, kIni);
    const std::string big(4096, 'x');

    // A file-size limit makes writes fail the way a full disk does, also for root.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto failure = profile::WriteString("preferences", "editor", big, path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_TRUE(failure.has_value());
    // The reason names the file the caller asked for, not a temporary one.
    EXPECT_EQ(failure->rfind(path + ": ", 0), 0u) << *failure;
    EXPECT_EQ(failure->find(".tmp"), std::string::npos) << *failure;
    EXPECT_EQ(ReadBytes(path), kIni);
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"full.ini"});
}

#endif
