#include "core/export/export_file.hpp"

#include "core/system/fileio.hpp"

namespace varscope::core {

std::string DefaultOutputFile(std::string_view programFolder) {
    return JoinPath(programFolder, text::kOutputFileName);
}

std::optional<std::string> WriteExportFile(const std::string& path, std::string_view bytes) {
    const auto couldNotWrite = [&path](std::string_view reason) {
        return std::string(text::kCouldNotWrite) + path + ": " + std::string(reason);
    };
    if (path.empty())
        return couldNotWrite("no file name was given");
    // The reason names the file, the end of a link's chain when it is one.
    if (const auto failure = WriteFileAtomically(path, bytes))
        return std::string(text::kCouldNotWrite) + *failure;
    return std::nullopt;
}

} // namespace varscope::core
