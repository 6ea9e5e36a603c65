#pragma once

#include "core/system/platform/platform.hpp"

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
// The whole of a file the program keeps its own settings in (preferences, profiles, the
// category file): a FIFO, a device or anything else that is not a regular file reads as
// empty, at once, and a save never writes over it.
ReadResult ReadRegularFile(const std::string& path);
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

// What a save does with a target that is not a regular file (a FIFO, a device).
enum class NonRegularTarget {
    Refuse,      // never writes over it: the save says so
    WriteThrough // writes straight to it, as to a device the user names for output
};

// A save made in pieces, the one way every file the program writes is saved. The bytes go to
// a temporary file beside the file, which replaces the file only at commit(), so the old file
// stays whole until the new one is complete, whatever happens before: a full disk, a failed
// read of what is written, a process killed.
// - Bytes equal to the file's are noticed as they come, block by block, and then nothing is
//   replaced (so a read-only file raises no complaint); comparing stops at the first
//   difference.
// - A symbolic link stays a link: the end of its chain is written, made when missing.
// - The temporary file has the file's access rights from its first byte (owner only for a
//   new file, which gets the usual rights at commit); leftovers of killed saves of the same
//   file are removed, never one that a save still writes.
// - Only where the folder refuses new files to the user (permission, read-only system) is an
//   existing file written in place, and only after room for the new content is reserved:
//   without room it is left as it was.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path,
                              NonRegularTarget nonRegular = NonRegularTarget::Refuse);
    // Without commit() the file stays as it was and the temporary file goes.
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Adds bytes to the new content; false once the save has failed (commit() says why).
    bool write(std::string_view bytes);
    // Puts the new content in place of the file. nullopt on success, else the reason, which
    // begins with the file the user knows; the old file is then as it was.
    std::optional<std::string> commit();
    // Why the save failed, once it has: what commit() gives then.
    std::optional<std::string> failure() const {
        return m_mode == Mode::Failed || m_committed ? m_failure : std::nullopt;
    }

private:
    enum class Mode { Temporary, InPlace, CompareOnly, Through, Failed };
    void fail(std::string_view why);
    void compare(std::string_view bytes);
    void stopComparing();
    void dropTemporary();
    void deleteLeftovers(const std::string& folder, std::string_view head) const;
    std::optional<std::string> writeInPlace();

    std::string m_target;
    Mode m_mode = Mode::Failed;
    bool m_exists = false;
    bool m_committed = false;
    std::optional<std::string> m_failure;
    platform::WriteHandle m_file; // the temporary file, or the device written through
    std::string m_inPlace;        // the new content, for a file written in place
    std::FILE* m_old = nullptr;   // the old file, while the new bytes still equal it
    std::string m_block;          // one block of the old file, compared
};

// The whole of `bytes` saved through AtomicFileWriter. nullopt on success, else the reason,
// which begins with the file.
std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes);

} // namespace varscope::core
