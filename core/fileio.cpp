#include "fileio.hpp"

#include "platform/platform.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace varscope::core {

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
    // twice), on huge pages where the system has them.
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        if (size > 0) {
            bytes.reserve(static_cast<std::size_t>(size));
            platform::AdviseLargeBuffer(bytes.data(), bytes.capacity());
        }
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

FileBlocks::FileBlocks(const std::string& path, std::size_t blockSize, std::uint64_t offset,
                       std::uint64_t count)
    : m_path(path), m_left(count) {
    if (platform::FolderExists(path)) {
        m_error = path + ": is a folder";
        return;
    }
    m_file = std::fopen(path.c_str(), "rb");
    if (m_file == nullptr) {
        m_error = Reason(path);
        return;
    }
    // Blocks go from the system straight into our buffer.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    if (offset > 0 && !platform::SeekFile(m_file, offset)) {
        m_error = Reason(path);
        return;
    }
    m_buffer.resize(blockSize);
}

FileBlocks::~FileBlocks() {
    if (m_file != nullptr)
        std::fclose(m_file);
}

std::optional<std::string_view> FileBlocks::next() {
    if (m_file == nullptr || !m_error.empty())
        return std::nullopt;
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(m_buffer.size(), m_left));
    const std::size_t got = want > 0 ? std::fread(m_buffer.data(), 1, want, m_file) : 0;
    m_left -= got;
    if (got > 0)
        return std::string_view(m_buffer.data(), got);
    if (std::ferror(m_file) != 0)
        m_error = Reason(m_path);
    return std::nullopt;
}

std::optional<std::string> WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return Reason(path);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
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

std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes) {
    // Renaming over a read-only file succeeds on POSIX; Windows refuses, and so do we.
    if (platform::FileExists(path) && platform::IsReadOnly(path))
        return path + ": " + std::string(kReadOnly);
    const std::string temporary = path + ".tmp~";
    if (auto failure = WriteWholeFile(temporary, bytes)) {
        platform::DeleteFile(temporary);
        // The user knows the file, not the temporary one beside it.
        if (failure->starts_with(temporary))
            failure->replace(0, temporary.size(), path);
        return failure;
    }
    if (auto failure = platform::ReplaceFile(temporary, path)) {
        platform::DeleteFile(temporary);
        return failure;
    }
    return std::nullopt;
}

} // namespace varscope::core
