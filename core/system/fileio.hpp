#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace varscope::core {

// folder + the system's separator + `name`, with one separator at the join also when the
// folder already ends with one. The one way a file name is put into a folder.
std::string JoinPath(std::string_view folder, std::string_view name);

struct ReadResult {
    std::optional<std::string> bytes;
    std::string error; // why it could not be read, when bytes is empty
};

// The whole file as bytes, in one read.
ReadResult ReadWholeFile(const std::string& path);
// All of standard input as bytes, unchanged, up to its end.
ReadResult ReadStandardInput();

// A file read front to back in blocks the caller places, for files larger than memory
// should hold.
class FileBlocks {
public:
    // Opens the file; error() tells why when it cannot be read.
    explicit FileBlocks(const std::string& path);
    ~FileBlocks();
    FileBlocks(const FileBlocks&) = delete;
    FileBlocks& operator=(const FileBlocks&) = delete;

    // Reads up to `size` bytes into `into`; fewer only at the end. 0 at the end of the file
    // or when reading failed.
    std::size_t read(char* into, std::size_t size);
    // Why the file could not be opened or read; empty while all is well.
    const std::string& error() const { return m_error; }

private:
    std::string m_path;
    std::FILE* m_file = nullptr;
    std::string m_error;
};

// Writes through a temporary file of a unique name in the same folder and renames it over
// `path`, so a crash or a full disk never leaves a half-written file. nullopt on success,
// else the reason; on failure the old file is left as it was. Bytes equal to the file's are
// not written at all; a symbolic link is written through to its target; where no new file
// can be made in the folder, an existing file is written in place.
std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes);

} // namespace varscope::core
