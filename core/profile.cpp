#include "profile.hpp"

#include "fileio.hpp"
#include "platform/platform.hpp"
#include "text.hpp"

#include <vector>

namespace varscope::core::profile {

namespace {

// Every call of the profile functions reads the whole file into sections and keys and, when
// something changed, writes all of it back in one normal form. Matching them byte for byte
// means doing the same.

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

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

struct Document {
    // A file that starts with the UTF-8 mark is kept in UTF-8; the callers' texts are in the
    // system code page and are converted on the way in and out.
    bool utf8 = false;
    std::vector<Section> sections; // the first one is always the nameless one

    std::string toFile(std::string_view text) const {
        text = UpToZero(text);
        return utf8 ? platform::SystemTextToUtf8(text) : std::string(text);
    }
    std::string fromFile(std::string_view text) const {
        return utf8 ? platform::Utf8ToSystemText(text) : std::string(text);
    }
};

Document Parse(std::string_view bytes) {
    Document document;
    std::string converted;
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        document.utf8 = true;
        converted = platform::ValidUtf8(bytes.substr(kUtf8Mark.size()));
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
    if (document.utf8)
        out += kUtf8Mark;
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
    const ReadResult read = ReadWholeFile(path);
    return GetValue(read.bytes ? std::string_view(*read.bytes) : std::string_view{}, section, key,
                    fallback, bufferSize);
}

std::optional<std::string> WriteString(std::string_view section, std::string_view key,
                                       std::string_view value, const std::string& path) {
    const ReadResult read = ReadWholeFile(path);
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
