#include "core/system/profile.hpp"

#include "core/strings.hpp"
#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"

#include <vector>

namespace varscope::core::profile {

namespace {

// Every call of the profile functions reads the whole file into sections and keys and, when
// something changed, writes all of it back in one normal form. Matching them byte for byte
// means doing the same.

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";
constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 code units (an odd last byte is ignored) as UTF-8; a lone surrogate is U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    const std::size_t units = bytes.size() / 2;
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        return bigEndian ? (char32_t{first} << 8 | second) : (char32_t{second} << 8 | first);
    };
    std::string out;
    for (std::size_t i = 0; i < units;) {
        char32_t c = unit(i++);
        if (c >= 0xD800 && c <= 0xDBFF && i < units && unit(i) >= 0xDC00 && unit(i) <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i++) - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = kReplacement;
        AppendUtf8(out, c);
    }
    return out;
}

// UTF-8 as UTF-16 code units; a byte that starts no valid sequence is U+FFFD.
std::string Utf8ToUtf16(std::string_view text, bool bigEndian) {
    std::string out;
    const auto put = [&](char32_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                   : lead >= 0xE0                ? 3
                                   : lead >= 0xC2 && lead < 0xE0 ? 2
                                                                 : 0;
        char32_t c = length == 1   ? lead
                     : length == 2 ? lead & 0x1F
                     : length == 3 ? lead & 0x0F
                                   : lead & 0x07;
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!valid || c < smallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            put(kReplacement);
            ++i;
            continue;
        }
        i += length;
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

// The blanks the profile functions trim: the C "space" characters and ^Z, the DOS end of
// file found in old files.
constexpr bool IsProfileBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A';
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

// Names and values are C strings once read: they end at a zero byte.
std::string_view UpToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

struct Key {
    std::string name;
    std::optional<std::string> value; // none for a line without "="
};

struct Section {
    std::string name; // empty for the lines above the first section line
    std::vector<Key> keys;
};

// A file that starts with a byte-order mark is kept in its Unicode form, and worked on in
// UTF-8; the callers' texts are in the system code page and are converted on the way in and
// out.
enum class Encoding { SystemCodePage, Utf8, Utf16LittleEndian, Utf16BigEndian };

struct Document {
    Encoding encoding = Encoding::SystemCodePage;
    std::vector<Section> sections; // the first one is always the nameless one

    bool unicode() const { return encoding != Encoding::SystemCodePage; }
    std::string toFile(std::string_view text) const {
        text = UpToZero(text);
        return unicode() ? platform::SystemTextToUtf8(text) : std::string(text);
    }
    std::string fromFile(std::string_view text) const {
        return unicode() ? platform::Utf8ToSystemText(text) : std::string(text);
    }
};

Document Parse(std::string_view bytes) {
    Document document;
    std::string converted;
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        document.encoding = Encoding::Utf8;
        converted = platform::ValidUtf8(bytes.substr(kUtf8Mark.size()));
        bytes = converted;
    } else if (bytes.substr(0, 2) == kUtf16LittleEndianMark ||
               bytes.substr(0, 2) == kUtf16BigEndianMark) {
        const bool bigEndian = bytes.substr(0, 2) == kUtf16BigEndianMark;
        document.encoding = bigEndian ? Encoding::Utf16BigEndian : Encoding::Utf16LittleEndian;
        converted = Utf16ToUtf8(bytes.substr(2), bigEndian);
        bytes = converted;
    }
    document.sections.emplace_back();
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t start = at;
        while (at < bytes.size() && bytes[at] != '\r' && bytes[at] != '\n')
            ++at;
        const std::string_view line = Trim(bytes.substr(start, at - start));
        // A run of line ends is one: blank lines are dropped.
        while (at < bytes.size() && (bytes[at] == '\r' || bytes[at] == '\n'))
            ++at;
        if (line.empty())
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                Section section;
                section.name = std::string(UpToZero(Trim(line.substr(1, close - 1))));
                document.sections.push_back(std::move(section));
                continue;
            }
        }
        Key key;
        const std::size_t equals = line.find('=');
        const std::string_view name =
            equals == std::string_view::npos ? line : TrimRight(line.substr(0, equals));
        std::vector<Key>& keys = document.sections.back().keys;
        // Of several nameless keys in a row only the first is kept.
        if (name.empty() && !keys.empty() && keys.back().name.empty())
            continue;
        key.name = std::string(UpToZero(name));
        if (equals != std::string_view::npos)
            key.value = std::string(UpToZero(TrimLeft(line.substr(equals + 1))));
        keys.push_back(std::move(key));
    }
    return document;
}

std::string Serialize(const Document& document) {
    std::string out;
    for (const Section& section : document.sections) {
        if (!section.name.empty()) {
            out += '[';
            out += section.name;
            out += "]\r\n";
        }
        for (const Key& key : section.keys) {
            out += key.name;
            if (key.value) {
                out += '=';
                out += *key.value;
            }
            out += "\r\n";
        }
    }
    switch (document.encoding) {
    case Encoding::SystemCodePage:
        return out;
    case Encoding::Utf8:
        return std::string(kUtf8Mark) + out;
    case Encoding::Utf16LittleEndian:
        return std::string(kUtf16LittleEndianMark) + Utf8ToUtf16(out, false);
    case Encoding::Utf16BigEndian:
        return std::string(kUtf16BigEndianMark) + Utf8ToUtf16(out, true);
    }
    return out;
}

// Only the first section of a name counts, and within it the first key of a name.
Section* FindSection(Document& document, std::string_view name) {
    const std::string inFile = document.toFile(name);
    const std::string_view wanted = Trim(inFile);
    for (Section& section : document.sections) {
        if (EqualsIgnoreCase(section.name, wanted))
            return &section;
    }
    return nullptr;
}

// `name` as the file spells it.
Key* FindKey(Section& section, std::string_view name) {
    const std::string_view wanted = Trim(name);
    for (Key& key : section.keys) {
        if (EqualsIgnoreCase(key.name, wanted))
            return &key;
    }
    return nullptr;
}

const Key* FindKey(Document& document, std::string_view section, std::string_view key) {
    Section* const found = FindSection(document, section);
    return found != nullptr ? FindKey(*found, document.toFile(key)) : nullptr;
}

// What a caller's buffer of `bufferSize` bytes receives: a value in matching single or
// double quotes loses them, and a value that only just fits loses one byte more, as the
// profile functions do it.
std::string CopyToBuffer(std::string_view value, std::size_t bufferSize) {
    if (bufferSize == 0)
        return {};
    bool quoted = false;
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        quoted = true;
        value.remove_prefix(1);
    }
    std::string out(value.substr(0, bufferSize - 1));
    if (quoted && bufferSize >= value.size() && !out.empty())
        out.pop_back();
    return out;
}

// A default loses its trailing blanks (only ' '), but never its first character.
std::string_view TrimDefault(std::string_view fallback) {
    std::size_t length = fallback.size();
    while (length > 1 && fallback[length - 1] == ' ')
        --length;
    return fallback.substr(0, length);
}

} // namespace

std::string GetValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                     std::string_view fallback, std::size_t bufferSize) {
    Document document = Parse(fileBytes);
    const Key* const found = FindKey(document, section, key);
    if (found != nullptr && found->value)
        return CopyToBuffer(document.fromFile(*found->value), bufferSize);
    return CopyToBuffer(TrimDefault(UpToZero(fallback)), bufferSize);
}

std::optional<std::string> FindValue(std::string_view fileBytes, std::string_view section,
                                     std::string_view key) {
    Document document = Parse(fileBytes);
    const Key* const found = FindKey(document, section, key);
    if (found == nullptr || !found->value)
        return std::nullopt;
    const std::string value = document.fromFile(*found->value);
    return CopyToBuffer(value, value.size() + 2);
}

std::string SetValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                     std::string_view value) {
    Document document = Parse(fileBytes);
    const std::string valueInFile = document.toFile(value);
    const std::string_view newValue = TrimLeft(valueInFile);
    const std::string keyInFile = document.toFile(key);
    Section* target = FindSection(document, section);
    if (target == nullptr) {
        Section added;
        added.name = std::string(TrimLeft(document.toFile(section)));
        document.sections.push_back(std::move(added));
        target = &document.sections.back();
    }
    if (Key* const existing = FindKey(*target, keyInFile)) {
        // An unchanged value leaves the file untouched, in whatever form it has.
        if (existing->value && *existing->value == newValue)
            return std::string(fileBytes);
        existing->value = std::string(newValue);
    } else {
        target->keys.push_back(Key{std::string(TrimLeft(keyInFile)), std::string(newValue)});
    }
    return Serialize(document);
}

std::string GetString(std::string_view section, std::string_view key, std::string_view fallback,
                      const std::string& path, std::size_t bufferSize) {
    const ReadResult read = ReadRegularFile(path);
    return GetValue(read.bytes ? std::string_view(*read.bytes) : std::string_view{}, section, key,
                    fallback, bufferSize);
}

std::optional<std::string> WriteString(std::string_view section, std::string_view key,
                                       std::string_view value, const std::string& path) {
    const ReadResult read = ReadRegularFile(path);
    // A file that exists but cannot be read must not be replaced by one holding one key.
    if (!read.bytes && platform::FileExists(path))
        return read.error;
    const std::string_view current =
        read.bytes ? std::string_view(*read.bytes) : std::string_view{};
    const std::string updated = SetValue(current, section, key, value);
    if (read.bytes && updated == current)
        return std::nullopt;
    return WriteFileAtomically(path, updated);
}

} // namespace varscope::core::profile
