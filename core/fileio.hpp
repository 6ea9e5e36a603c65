#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::core {

struct ReadResult {
    std::optional<std::string> bytes;
    std::string error; // why it could not be read, when bytes is empty
};

// The whole file as bytes, in one read.
ReadResult ReadWholeFile(const std::string& path);

// A file read front to back in blocks, for files larger than memory should hold: memory
// stays at one block however large the file.
class FileBlocks {
public:
    // Opens the file to read `count` bytes from `offset` on (all, by default); error() tells
    // why when it cannot be read.
    FileBlocks(const std::string& path, std::size_t blockSize, std::uint64_t offset = 0,
               std::uint64_t count = UINT64_MAX);
    ~FileBlocks();
    FileBlocks(const FileBlocks&) = delete;
    FileBlocks& operator=(const FileBlocks&) = delete;

    // The next block (the last one may be shorter), valid until the next call; nullopt at
    // the end of the file or when reading failed.
    std::optional<std::string_view> next();
    // Why the file could not be opened or read; empty while all is well.
    const std::string& error() const { return m_error; }

private:
    std::string m_path;
    std::FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    std::uint64_t m_left = 0;
    std::string m_error;
};

// Writes through a temporary file in the same folder and renames it over `path`, so a
// crash or a full disk never leaves a half-written file. nullopt on success, else the
// reason; on failure the old file is left as it was.
std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes);

// Writes (replacing) a file directly; nullopt on success, else the reason.
std::optional<std::string> WriteWholeFile(const std::string& path, std::string_view bytes);

} // namespace varscope::core
