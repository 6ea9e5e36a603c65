#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Initialisation files read and written the way the Windows profile functions do:
// sections and keys compared ignoring case, the file's own order kept, new keys appended
// to their section, new sections to the file, CR LF line ends.
namespace varscope::core::profile {

// The value of `key` in `section`, or `fallback`; at most bufferSize - 1 bytes, as a
// caller's buffer of that size would hold.
std::string GetString(std::string_view section, std::string_view key, std::string_view fallback,
                      const std::string& path, std::size_t bufferSize);

// Sets `key` in `section`, creating the file, section or key as needed. The file is
// replaced atomically. nullopt on success, else the reason.
std::optional<std::string> WriteString(std::string_view section, std::string_view key,
                                       std::string_view value, const std::string& path);

// Pure forms of the two, on the file's bytes. SetValue gives the bytes back unchanged when
// the key already holds the value, as the file is then left alone.
std::string GetValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                     std::string_view fallback, std::size_t bufferSize);
// The value as a large enough buffer would receive it; nullopt when the key is missing.
std::optional<std::string> FindValue(std::string_view fileBytes, std::string_view section,
                                     std::string_view key);
std::string SetValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                     std::string_view value);

} // namespace varscope::core::profile
