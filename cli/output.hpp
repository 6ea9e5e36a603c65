// Where varscope-cli's commands write.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace varscope::cli {

// Where the export goes: standard output, or the --out file, made when the first lines
// are ready so that a report that cannot be read leaves the file as it was.
class Output {
public:
    explicit Output(std::optional<std::string> path) : m_path(std::move(path)) {}
    ~Output() {
        if (m_file != nullptr && m_path)
            std::fclose(m_file);
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    bool write(std::string_view bytes) {
        if (!open())
            return false;
        if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size())
            return true;
        m_errno = errno;
        return false;
    }

    // Makes the output (also when nothing was written) and closes it; false on failure.
    bool finish() {
        if (!open())
            return false;
        const bool flushed = std::fflush(m_file) == 0;
        if (!flushed && m_errno == 0)
            m_errno = errno;
        bool closed = true;
        if (m_path) {
            closed = std::fclose(m_file) == 0;
            if (!closed && m_errno == 0)
                m_errno = errno;
            m_file = nullptr;
        }
        return flushed && closed && m_errno == 0;
    }

    std::string name() const { return m_path ? *m_path : "to standard output"; }
    const char* reason() const { return std::strerror(m_errno); }

private:
    bool open() {
        if (m_file != nullptr)
            return true;
        if (m_errno != 0)
            return false;
        m_file = m_path ? std::fopen(m_path->c_str(), "wb") : stdout;
        if (m_file == nullptr)
            m_errno = errno;
        return m_file != nullptr;
    }

    std::optional<std::string> m_path;
    std::FILE* m_file = nullptr;
    int m_errno = 0;
};

} // namespace varscope::cli
