#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varscope::core {

struct ReadResult {
    std::optional<std::string> bytes;
    std::string error; // why it could not be read, when bytes is empty
};

// The whole file as bytes, in one read.
ReadResult ReadWholeFile(const std::string& path);

// Writes through a temporary file in the same folder and renames it over `path`, so a
// crash or a full disk never leaves a half-written file. nullopt on success, else the
// reason; on failure the old file is left as it was.
std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes);

// Writes (replacing) a file directly; nullopt on success, else the reason.
std::optional<std::string> WriteWholeFile(const std::string& path, std::string_view bytes);

} // namespace varscope::core
