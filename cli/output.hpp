// Where varscope-cli's commands write.
#pragma once

#include "core/system/fileio.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace varscope::cli {

// Where the output goes: standard output, streamed, or the --out file, saved whole: it
// replaces the old file only when finish() is reached, so a read or write failure before
// leaves the old file as it was.
class Output {
public:
    explicit Output(std::optional<std::string> path) : m_path(std::move(path)) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    bool write(std::string_view bytes) {
        if (m_path)
            return file().write(bytes);
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size())
            return true;
        m_errno = errno;
        return false;
    }

    // Puts the output in place (also when nothing was written); false on failure.
    bool finish() {
        if (m_path) {
            m_failure = file().commit();
            return !m_failure;
        }
        if (std::fflush(stdout) != 0 && m_errno == 0)
            m_errno = errno;
        return m_errno == 0;
    }

    // What could not be written and why, for "cannot write ...".
    std::string failure() const {
        if (m_path) {
            if (m_failure)
                return *m_failure;
            if (m_file && m_file->failure())
                return *m_file->failure();
            return *m_path;
        }
        return std::string("to standard output: ") + std::strerror(m_errno);
    }

private:
    // Made when the first lines are ready, so a report that cannot be read touches nothing.
    core::AtomicFileWriter& file() {
        if (!m_file)
            m_file.emplace(*m_path, core::NonRegularTarget::WriteThrough);
        return *m_file;
    }

    std::optional<std::string> m_path;
    std::optional<core::AtomicFileWriter> m_file;
    std::optional<std::string> m_failure;
    int m_errno = 0;
};

} // namespace varscope::cli
