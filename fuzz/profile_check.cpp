// The profile reader and writer. What holds here holds for the Windows profile functions
// too (the Windows build compares the bytes with theirs): a value written reads back, a
// write leaves every other key alone, writing a key's value again changes nothing, a
// rewritten file is in the normal form (CR LF lines, none blank, blanks trimmed) and keeps
// its byte-order mark, and a read never gives more than the caller's buffer holds.
#include "checks.hpp"
#include "input.hpp"

#include "core/system/profile.hpp"

#include <array>
#include <set>
#include <utility>

namespace varscope::fuzz {

namespace {

using core::profile::FindValue;
using core::profile::GetValue;
using core::profile::SetValue;

// The blanks the profile functions trim around names and values.
constexpr bool IsProfileBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A';
}

constexpr std::array<std::string_view, 3> kMarks = {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};

std::string_view MarkOf(std::string_view file) {
    for (const std::string_view mark : kMarks) {
        if (file.starts_with(mark))
            return mark;
    }
    return {};
}

bool ValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xC2 && lead < 0xE0 ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = c << 6 | (next & 0x3F);
        }
        constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// Whether the file's text holds a NUL character: a zero byte, or in UTF-16 a zero unit.
bool HoldsNul(std::string_view file) {
    if (MarkOf(file).size() != 2)
        return file.find('\0') != std::string_view::npos;
    for (std::size_t at = 2; at + 1 < file.size(); at += 2) {
        if (file[at] == '\0' && file[at + 1] == '\0')
            return true;
    }
    return false;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsProfileBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string Folded(std::string_view text) {
    std::string out(Trimmed(text));
    for (char& c : out)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return out;
}

// The (section, key) names a file holds, read here line by line rather than by the
// profile's reader, keys without "=" among them. Keys under a section line without a name
// are left out: a rewrite drops that line, and they join the section before. Files in
// UTF-16, or marked UTF-8 but not valid UTF-8 (a rewrite mends them), give nullopt.
std::optional<std::set<std::pair<std::string, std::string>>> KeysOf(std::string_view file) {
    const std::size_t mark = MarkOf(file).size();
    file.remove_prefix(mark);
    if (mark == 2 || (mark == 3 && !ValidUtf8(file)))
        return std::nullopt;
    std::set<std::pair<std::string, std::string>> keys;
    std::optional<std::string> section = "";
    while (!file.empty()) {
        const std::size_t end = std::min(file.find_first_of("\r\n"), file.size());
        const std::string_view line = Trimmed(file.substr(0, end));
        file.remove_prefix(end == file.size() ? end : end + 1);
        if (line.empty())
            continue;
        if (line.front() == '[' && line.find(']') != std::string_view::npos) {
            const std::string name = Folded(line.substr(1, line.rfind(']') - 1));
            section = name.empty() ? std::nullopt : std::optional(name);
        } else if (section) {
            keys.emplace(*section, Folded(line.substr(0, line.find('='))));
        }
    }
    return keys;
}

struct Write {
    std::string_view section, key, value;
};

// Whether the file can hold the write so that it reads back: no line ends or NUL bytes
// (names and values are C strings on one line), a value without blanks at its ends or
// quotes around it (reading drops them), a key without "=" that does not read as a section
// line, and, in a Unicode file, texts the system converts without loss.
bool Representable(const Write& write, std::string_view file) {
    for (const std::string_view text : {write.section, write.key, write.value}) {
        if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
            return false;
        if (!MarkOf(file).empty() && !ValidUtf8(text))
            return false;
    }
    const std::string_view value = write.value;
    if (!value.empty() && (IsProfileBlank(value.front()) || IsProfileBlank(value.back())))
        return false;
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return false;
    std::string_view key = write.key;
    while (!key.empty() && IsProfileBlank(key.front()))
        key.remove_prefix(1);
    // "[" and a later "]" on a line make it a section line.
    if (key.find('=') != std::string_view::npos ||
        (key.starts_with('[') &&
         (key.find(']') != std::string_view::npos || value.find(']') != std::string_view::npos)))
        return false;
    return true;
}

bool SameKey(const Write& a, const Write& b) {
    return Folded(a.section) == Folded(b.section) && Folded(a.key) == Folded(b.key);
}

std::string Describe(std::string_view what, const Write& write, std::string_view file) {
    return std::string(what) + " [" + Shown(write.section) + "] \"" + Shown(write.key) + "\" = \"" +
           Shown(write.value) + "\" in \"" + Shown(file) + "\"";
}

Failure ReadsBack(const Write& write, std::string_view file) {
    const std::optional<std::string> read = FindValue(file, write.section, write.key);
    if (read != write.value)
        return Describe("reads back \"" + Shown(read.value_or("<none>")) + "\" after writing",
                        write, file);
    return std::nullopt;
}

// Every key the file held before the write is still in it.
Failure KeysSurvive(std::string_view before, std::string_view after, const Write& write) {
    const auto held = KeysOf(before);
    const auto kept = KeysOf(after);
    if (!held || !kept)
        return std::nullopt;
    for (const auto& key : *held) {
        if (!kept->contains(key))
            return Describe("the key [" + Shown(key.first) + "] \"" + Shown(key.second) +
                                "\" was lost writing",
                            write, before);
    }
    return std::nullopt;
}

// A rewritten file in the system code page: CR LF after every line, no blank line, no
// line that starts or ends with a blank.
Failure NormalForm(std::string_view file) {
    std::size_t at = 0;
    while (at < file.size()) {
        const std::size_t end = file.find("\r\n", at);
        if (end == std::string_view::npos)
            return "a rewritten file's last line has no CR LF: \"" + Shown(file) + "\"";
        const std::string_view line = file.substr(at, end - at);
        if (line.empty() || line.find_first_of("\r\n") != std::string_view::npos ||
            IsProfileBlank(line.front()) || IsProfileBlank(line.back()))
            return "a rewritten file is not in normal form at \"" + Shown(line) + "\": \"" +
                   Shown(file) + "\"";
        at = end + 2;
    }
    return std::nullopt;
}

Failure ReadFitsBuffer(std::string_view file, const Write& read, std::string_view fallback,
                       std::size_t bufferSize) {
    const std::string got = GetValue(file, read.section, read.key, fallback, bufferSize);
    if (got.size() + 1 > std::max<std::size_t>(bufferSize, 1))
        return Describe(
            "a read gave more than a buffer of " + std::to_string(bufferSize) + " holds:", read,
            file);
    // A value is cut, never changed otherwise; a buffer with room for it and its quotes
    // gets all of it.
    const std::optional<std::string> whole = FindValue(file, read.section, read.key);
    if (whole && (!whole->starts_with(got) || (bufferSize > whole->size() + 2 && got != *whole)))
        return Describe("a read through a buffer of " + std::to_string(bufferSize) + " gave \"" +
                            Shown(got) + "\" for",
                        read, file);
    return std::nullopt;
}

} // namespace

Failure CheckProfile(std::string_view input) {
    Input in(input);
    const char separator = static_cast<char>(in.byte());
    const Write first{in.piece(separator), in.piece(separator), in.piece(separator)};
    const Write second{in.piece(separator), in.piece(separator), in.piece(separator)};
    const std::size_t bufferSize = in.byte();
    const std::string_view file = in.rest();

    if (auto failure = ReadFitsBuffer(file, first, second.value, bufferSize))
        return failure;

    const std::string once = SetValue(file, first.section, first.key, first.value);
    // A file without a mark whose first written bytes look like one reads as Unicode
    // afterwards, with the system's functions as with ours: nothing more holds for it.
    if (MarkOf(file).empty() && !MarkOf(once).empty())
        return std::nullopt;
    if (MarkOf(once) != MarkOf(file))
        return Describe("the byte-order mark changed writing", first, file);
    if (MarkOf(file).size() == 2 && once != file && once.size() % 2 != 0)
        return Describe("a UTF-16 file got an odd size writing", first, file);
    // A NUL byte ends a name or value where it stands, so a rewrite drops what follows it
    // on its line and blanks before it are no longer trimmed, as with the system's own
    // functions: nothing more holds for such a file.
    if (!Representable(first, file) || HoldsNul(file))
        return std::nullopt;
    if (auto failure = ReadsBack(first, once))
        return failure;
    if (auto failure = KeysSurvive(file, once, first))
        return failure;
    if (SetValue(once, first.section, first.key, first.value) != once)
        return Describe("writing the same value again changed the file:", first, once);
    if (once != file && MarkOf(file).empty()) {
        if (auto failure = NormalForm(once))
            return failure;
    }

    const std::string twice = SetValue(once, second.section, second.key, second.value);
    if (!Representable(second, once) || MarkOf(twice) != MarkOf(once))
        return std::nullopt;
    if (auto failure = ReadsBack(second, twice))
        return failure;
    if (auto failure = KeysSurvive(once, twice, second))
        return failure;
    if (!SameKey(first, second) && FindValue(twice, first.section, first.key) != first.value)
        return Describe("another key's value changed writing", second, once);
    return ReadFitsBuffer(twice, second, first.value, bufferSize);
}

} // namespace varscope::fuzz
