// Our profile reader and writer against the system's own profile functions, on the same
// random sequences. Built for Windows only (run under Wine on Linux).
#include "core/system/profile.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

using namespace varscope::core;
namespace fs = std::filesystem;

namespace {

class TempFolder final {
public:
    TempFolder() {
        std::random_device random;
        for (;;) {
            m_path =
                fs::temp_directory_path() / ("varscope-profile-win-" + std::to_string(random()));
            if (fs::create_directory(m_path))
                break;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<no file>";
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Control characters and bytes above 127 shown as escapes, so a failure reads clearly.
std::string Shown(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 32 || byte > 126 || c == '\\') {
            constexpr std::string_view kHex = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

// The pieces the sequences are made of: names that differ only in letter case or blanks,
// empty names and values, quotes, equals signs, long and non-ASCII values.
const std::vector<std::string> kSections = {
    "s",          "S",          "Section", "SECTION", "sec tion",    " s ",
    "\ts",        "x ",         "",        " ",       "preferences", "Preferences",
    "node=Cat A", "NODE=cat a", "[b]",     "a]b",     "caf\xE9",     "CAF\xC9"};
const std::vector<std::string> kKeys = {"k",   "K",   "key", "KEY",  "Key",    "",
                                        " ",   "  k", "k  ", "a b",  "editor", "Editor",
                                        "x=y", ";c",  "[q]", "d e ", "caf\xE9"};
const std::vector<std::string> kValues = {"",
                                          "v",
                                          "V",
                                          "value with blanks",
                                          "  lead",
                                          "trail  ",
                                          "  both  ",
                                          "\ttab\t",
                                          "\"quoted\"",
                                          "'single'",
                                          "\"",
                                          "\"\"",
                                          "\"half'",
                                          "a=b",
                                          ";c",
                                          "C:\\Bentley\\Program\\MicroStation\\",
                                          "caf\xE9 \xC0 \xFF",
                                          std::string(600, 'x'),
                                          "one\r\ntwo=2",
                                          "end\x1A"};
const std::vector<std::string> kDefaults = {"", "dflt", "dflt  ", "   ", "\"q\"", "'ab'", " a "};
constexpr std::array<DWORD, 10> kBufferSizes = {1, 2, 3, 4, 5, 7, 8, 16, 512, 1024};

// Lines for files written by hand: comments, blank lines, odd spacing, lines without "=",
// sections in other letter case, a nameless section, ^Z, lone CR or LF line ends.
const std::vector<std::string> kHandLines = {"[s]",
                                             "[ S ]",
                                             "[Section]",
                                             "[x ]",
                                             "[]",
                                             "[unclosed",
                                             "[a]b]",
                                             "[s] trailing",
                                             "k=v",
                                             "K = V",
                                             "  key =  value  ",
                                             "k",
                                             "=v",
                                             ";c=comment",
                                             "; note",
                                             "",
                                             "\t",
                                             "\x1A",
                                             "k=\"q\"",
                                             "k='q",
                                             "a b=c d",
                                             "x=y=z",
                                             "editor=notepad",
                                             "caf\xE9=1",
                                             "\xC3\xA9t\xC3\xA9=\xE2\x82\xAC \xCE\xA9"};
const std::vector<std::string> kLineEnds = {"\r\n", "\r\n", "\r\n", "\n", "\r", "\r\n\r\n"};

template <typename T> const T& Pick(std::mt19937& random, const std::vector<T>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
}

// The system's text as UTF-16 with its byte-order mark.
std::string Utf16File(const std::string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    if (text.empty())
        return out;
    const int length =
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          length);
    for (const wchar_t unit : wide) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

std::string HandWrittenFile(std::mt19937& random) {
    std::string text;
    const int form = std::uniform_int_distribution<int>(0, 19)(random);
    const int lines = std::uniform_int_distribution<int>(0, 14)(random);
    for (int i = 0; i < lines; ++i)
        text += Pick(random, kHandLines) + Pick(random, kLineEnds);
    // Sometimes the last line has no line end.
    if (std::uniform_int_distribution<int>(0, 3)(random) == 0)
        text += Pick(random, kHandLines);
    // Now and then a file in Unicode, marked as such; its non-ASCII bytes are not always
    // valid UTF-8.
    if (form < 2)
        return "\xEF\xBB\xBF" + text;
    if (form == 2)
        return Utf16File(text, false);
    if (form == 3)
        return Utf16File(text, true);
    return text;
}

struct Write {
    std::string section;
    std::string key;
    std::string value;
};

std::string Describe(const std::vector<Write>& writes, std::string_view start) {
    std::ostringstream out;
    out << "starting from \"" << Shown(start) << "\"\n";
    for (const Write& write : writes)
        out << "  write [" << Shown(write.section) << "] \"" << Shown(write.key) << "\" = \""
            << Shown(write.value.size() > 40 ? write.value.substr(0, 40) + "..." : write.value)
            << "\"\n";
    return out.str();
}

std::string SystemRead(const std::string& section, const std::string& key,
                       const std::string& fallback, DWORD size, const std::string& path) {
    std::vector<char> buffer(size + 16, '#');
    const DWORD copied = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(),
                                                    buffer.data(), size, path.c_str());
    return std::string(buffer.data(), copied);
}

// Runs `writes` through both writers from `start` and compares the files after each
// write; then compares random reads of the final file.
void Compare(const TempFolder& folder, int sequence, const std::string& start,
             const std::vector<Write>& writes, std::mt19937& random) {
    const std::string theirs = folder.file("system-" + std::to_string(sequence) + ".ini");
    const std::string ours = folder.file("ours-" + std::to_string(sequence) + ".ini");
    if (!start.empty()) {
        WriteBytes(theirs, start);
        WriteBytes(ours, start);
    }
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const Write& write = writes[i];
        ASSERT_NE(::WritePrivateProfileStringA(write.section.c_str(), write.key.c_str(),
                                               write.value.c_str(), theirs.c_str()),
                  0);
        ASSERT_EQ(profile::WriteString(write.section, write.key, write.value, ours), std::nullopt);
        const std::vector<Write> done(writes.begin(),
                                      writes.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        ASSERT_EQ(Shown(ReadBytes(ours)), Shown(ReadBytes(theirs)))
            << "sequence " << sequence << "\n"
            << Describe(done, start);
    }
    // Let the system forget the file before reading it back.
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, theirs.c_str());
    for (int i = 0; i < 30; ++i) {
        const std::string& section = Pick(random, kSections);
        const std::string& key = Pick(random, kKeys);
        const std::string& fallback = Pick(random, kDefaults);
        const DWORD size = kBufferSizes[std::uniform_int_distribution<std::size_t>(
            0, kBufferSizes.size() - 1)(random)];
        ASSERT_EQ(Shown(profile::GetString(section, key, fallback, theirs, size)),
                  Shown(SystemRead(section, key, fallback, size, theirs)))
            << "sequence " << sequence << ": read [" << Shown(section) << "] \"" << Shown(key)
            << "\" default \"" << Shown(fallback) << "\" buffer " << size << " from \""
            << Shown(ReadBytes(theirs)) << "\"";
    }
}

std::vector<Write> RandomWrites(std::mt19937& random) {
    std::vector<Write> writes;
    const int count = std::uniform_int_distribution<int>(1, 25)(random);
    for (int i = 0; i < count; ++i) {
        // Often the section or key of an earlier write again, so keys get replaced and
        // existing sections grow.
        if (!writes.empty() && std::uniform_int_distribution<int>(0, 2)(random) == 0) {
            Write again = Pick(random, writes);
            again.value = Pick(random, kValues);
            if (std::uniform_int_distribution<int>(0, 1)(random) == 0)
                again.key = Pick(random, kKeys);
            writes.push_back(std::move(again));
            continue;
        }
        writes.push_back({Pick(random, kSections), Pick(random, kKeys), Pick(random, kValues)});
    }
    return writes;
}

constexpr int kSequences = 100;

} // namespace

TEST(ProfileMatchesWindows, randomWritesFromNoFile_fileBytesAndReadsIdentical) {
    const TempFolder folder;
    for (int sequence = 0; sequence < kSequences; ++sequence) {
        std::mt19937 random(static_cast<std::mt19937::result_type>(sequence));
        Compare(folder, sequence, "", RandomWrites(random), random);
        if (HasFatalFailure())
            return;
    }
}

TEST(ProfileMatchesWindows, randomWritesToHandWrittenFiles_fileBytesAndReadsIdentical) {
    const TempFolder folder;
    for (int sequence = 0; sequence < kSequences; ++sequence) {
        std::mt19937 random(static_cast<std::mt19937::result_type>(100000 + sequence));
        const std::string start = HandWrittenFile(random);
        Compare(folder, sequence, start, RandomWrites(random), random);
        if (HasFatalFailure())
            return;
    }
}

TEST(ProfileMatchesWindows, quotedValueAcrossBufferSizes_sameAsSystem) {
    const TempFolder folder;
    const std::string path = folder.file("quoted.ini");
    WriteBytes(path, "[s]\r\nq=\"quoted\"\r\nr='a'\r\ne=\"\"\r\nlone=\"\r\n");
    for (const char* key : {"q", "r", "e", "lone"}) {
        for (DWORD size = 1; size <= 10; ++size)
            EXPECT_EQ(profile::GetString("s", key, "d", path, size),
                      SystemRead("s", key, "d", size, path))
                << key << " buffer " << size;
    }
}

TEST(ProfileMatchesWindows, unchangedValue_fileLeftAsItWas) {
    const TempFolder folder;
    const std::string theirs = folder.file("system.ini");
    const std::string ours = folder.file("ours.ini");
    const std::string start = "\r\n[S]\n\n  k = v  \n; note\n";
    WriteBytes(theirs, start);
    WriteBytes(ours, start);
    ASSERT_NE(::WritePrivateProfileStringA("s", "K", "  v", theirs.c_str()), 0);
    ASSERT_EQ(profile::WriteString("s", "K", "  v", ours), std::nullopt);
    EXPECT_EQ(ReadBytes(theirs), start);
    EXPECT_EQ(ReadBytes(ours), start);
}
