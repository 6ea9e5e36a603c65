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
    if (const auto failure = WriteFileAtomically(path, bytes)) {
        // The writer names the file in its reason; the message names it once.
        std::string_view reason = *failure;
        const std::string named = path + ": ";
        if (reason.starts_with(named))
            reason.remove_prefix(named.size());
        return couldNotWrite(reason);
    }
    return std::nullopt;
}

} // namespace varscope::core
