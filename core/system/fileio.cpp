#include "core/system/fileio.hpp"

#include "core/system/platform/platform.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace varscope::core {

std::string JoinPath(std::string_view folder, std::string_view name) {
    const char separator = platform::Separator();
    std::string path(folder);
    if (path.empty() || path.back() != separator)
        path += separator;
    path += name;
    return path;
}

namespace {

std::string Reason(const std::string& path) {
    return path + ": " + std::strerror(errno);
}

constexpr std::string_view kReadOnly = "the file is read-only";

} // namespace

ReadResult ReadWholeFile(const std::string& path) {
    ReadResult result;
    if (platform::FolderExists(path)) {
        result.error = path + ": is a folder";
        return result;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        result.error = Reason(path);
        return result;
    }
    std::string bytes;
    // Reports reach hundreds of MB: the buffer is made once at the file's size and written
    // once, through a small chunk that stays in the cache (resizing first would write it
    // twice).
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        if (size > 0)
            bytes.reserve(static_cast<std::size_t>(size));
    }
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        result.error = Reason(path);
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

ReadResult ReadStandardInput() {
    platform::UseBinaryStandardInput();
    ReadResult result;
    std::string bytes;
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0)
        bytes.append(chunk, got);
    if (std::ferror(stdin) != 0) {
        result.error = Reason("standard input");
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

FileBlocks::FileBlocks(const std::string& path) : m_path(path) {
    if (platform::FolderExists(path)) {
        m_error = path + ": is a folder";
        return;
    }
    m_file = std::fopen(path.c_str(), "rb");
    if (m_file == nullptr) {
        m_error = Reason(path);
        return;
    }
    // Pieces go from the system straight into the caller's memory.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
}

FileBlocks::~FileBlocks() {
    if (m_file != nullptr)
        std::fclose(m_file);
}

std::size_t FileBlocks::read(char* into, std::size_t size) {
    if (m_file == nullptr || !m_error.empty())
        return 0;
    const std::size_t got = std::fread(into, 1, size, m_file);
    if (got < size && std::ferror(m_file) != 0)
        m_error = Reason(m_path);
    return m_error.empty() ? got : 0;
}

namespace {

// Writes the file and makes its bytes reach the disk.
std::optional<std::string> WriteToDisk(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return Reason(path);
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (written)
        written = std::fflush(file) == 0 && platform::SyncToDisk(file);
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written) {
        errno = writeErrno;
        return Reason(path);
    }
    if (!closed)
        return Reason(path);
    return std::nullopt;
}

} // namespace

namespace {

// A name beside `path` that no other writer, this program started twice among them, picks.
std::optional<std::string> MakeTemporaryBeside(const std::string& path) {
    std::random_device random;
    // A name taken already is tried again; a folder that refuses new files refuses them all.
    for (int attempt = 0; attempt < 4; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x%08x.tmp~", random(), random());
        std::string temporary = path + suffix;
        if (!platform::CreateNewFile(temporary))
            return temporary;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes) {
    // A link stays a link: its target is the file the user keeps.
    const std::string target = platform::WriteTarget(path);
    const bool exists = platform::FileExists(target);
    if (exists) {
        // Rewriting the same bytes would only risk the file, or fail on a read-only one.
        const ReadResult current = ReadWholeFile(target);
        if (current.bytes && *current.bytes == bytes)
            return std::nullopt;
    }
    // Renaming over a read-only file succeeds on POSIX; Windows refuses, and so do we.
    if (exists && platform::IsReadOnly(target))
        return target + ": " + std::string(kReadOnly);
    const std::optional<std::string> temporary = MakeTemporaryBeside(target);
    // A folder the user may not write may still hold a file the user may: it is written in
    // place, as the Windows profile functions do. Where there is none, trying to make it
    // names the reason.
    if (!temporary)
        return WriteToDisk(target, bytes);
    // On disk before the rename, so a power cut leaves the old file or the new one whole.
    if (auto failure = WriteToDisk(*temporary, bytes)) {
        platform::DeleteFile(*temporary);
        // The user knows the file, not the temporary one beside it.
        if (failure->starts_with(*temporary))
            failure->replace(0, temporary->size(), target);
        return failure;
    }
    if (exists)
        platform::CopyAccessRights(target, *temporary);
    if (auto failure = platform::ReplaceFile(*temporary, target)) {
        platform::DeleteFile(*temporary);
        return failure;
    }
    return std::nullopt;
}

} // namespace varscope::core
