#include "core/system/platform/platform.hpp"

#include "core/strings.hpp"

#include <filesystem>
#include <random>
#include <system_error>

// The parts of the platform layer that are the same on every system, built on the
// system-specific ones.
namespace varscope::core::platform {

std::optional<std::vector<DirEntry>> ListFolder(const std::string& folder) {
    std::vector<DirEntry> entries;
    const bool opened = ForEachInFolder(folder, [&entries](const DirEntryView& entry) {
        entries.push_back({std::string(entry.name), entry.isFolder, entry.isFile, entry.isLink});
        return true;
    });
    if (!opened)
        return std::nullopt;
    return entries;
}

// Split the same way on every system, so that a line composed for Windows reaches a
// program on POSIX with the same arguments.
std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    // The Microsoft C runtime's argv rules: 2n backslashes before a quote give n and the
    // quote toggles quoting, 2n+1 give n and a literal quote, other backslashes are
    // literal; "" inside quotes is a literal quote and quoting goes on.
    std::vector<std::string> words;
    const std::size_t size = commandLine.size();
    std::size_t at = 0;
    for (;;) {
        while (at < size && IsBlank(commandLine[at]))
            ++at;
        if (at == size)
            return words;
        std::string word;
        bool quoted = false;
        while (at < size) {
            std::size_t backslashes = 0;
            while (at < size && commandLine[at] == '\\') {
                ++backslashes;
                ++at;
            }
            if (at < size && commandLine[at] == '"') {
                word.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    word += '"';
                } else if (quoted && at + 1 < size && commandLine[at + 1] == '"') {
                    word += '"';
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
                continue;
            }
            word.append(backslashes, '\\');
            if (at == size || (!quoted && IsBlank(commandLine[at])))
                break;
            word += commandLine[at];
            ++at;
        }
        words.push_back(std::move(word));
    }
}

std::string QuoteCommandWord(std::string_view word) {
    std::string quoted;
    quoted.reserve(word.size() + 2);
    quoted += '"';
    std::size_t backslashes = 0;
    for (const char c : word) {
        if (c == '\\') {
            ++backslashes;
        } else {
            // Backslashes before a quote are doubled and one more escapes the quote.
            if (c == '"')
                quoted.append(backslashes + 1, '\\');
            backslashes = 0;
        }
        quoted += c;
    }
    // Those before the closing quote are doubled so that it closes.
    quoted.append(backslashes, '\\');
    quoted += '"';
    return quoted;
}

std::optional<std::string> MakeFolders(const std::string& folder) {
    std::error_code failed;
    std::filesystem::create_directories(folder, failed);
    if (FolderExists(folder))
        return std::nullopt;
    return folder + ": " + (failed ? failed.message() : std::string("not a folder"));
}

bool CanCreateFilesIn(const std::string& folder) {
    if (!FolderExists(folder))
        return false;
    std::string probe = folder;
    if (probe.back() != Separator())
        probe += Separator();
    // A name of its own, so that a probe left by a crash never stands in the way.
    probe += ".varscope-probe-" + std::to_string(std::random_device{}());
    if (CreateNewFile(probe))
        return false;
    DeleteFile(probe);
    return true;
}

} // namespace varscope::core::platform
