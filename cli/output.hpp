// Where varscope-cli's commands write.
#pragma once

#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace varscope::cli {

// The line ends written. The commands make CR LF lines, the export format; LF takes the CR
// out of each.
enum class LineEnds { CrLf, Lf };

// "lf" or "crlf", as --eol takes them.
inline std::optional<LineEnds> LineEndsFromText(std::string_view text) {
    if (text == "lf")
        return LineEnds::Lf;
    if (text == "crlf")
        return LineEnds::CrLf;
    return std::nullopt;
}

// "-" names standard output, as it does for the report.
inline bool IsStandardStream(const std::optional<std::string>& path) {
    return !path || *path == "-";
}

// Where the output goes: standard output, streamed, or the --out file, saved whole: it
// replaces the old file only when finish() is reached, so a read or write failure before
// leaves the old file as it was.
class Output {
public:
    // Without `eol`, a file named by the user keeps the format's CR LF, Windows tools read
    // it; standard output gets the line ends of the system's own text tools.
    Output(std::optional<std::string> path, std::optional<LineEnds> eol)
        : m_path(IsStandardStream(path) ? std::nullopt : std::move(path)),
          m_lf(eol ? *eol == LineEnds::Lf
                   : !m_path && core::platform::NativeLineEnd() == std::string_view("\n")) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    bool write(std::string_view bytes) {
        if (!m_lf)
            return put(bytes);
        // A CR at the end of a piece waits to see whether an LF follows it.
        std::string& lf = m_converted;
        lf.clear();
        if (m_heldCr && (bytes.empty() || bytes.front() != '\n'))
            lf += '\r';
        m_heldCr = false;
        while (!bytes.empty()) {
            const void* found = std::memchr(bytes.data(), '\r', bytes.size());
            if (found == nullptr) {
                lf.append(bytes);
                break;
            }
            const std::size_t at =
                static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
            lf.append(bytes.substr(0, at));
            if (at + 1 == bytes.size())
                m_heldCr = true;
            else if (bytes[at + 1] != '\n')
                lf += '\r';
            bytes.remove_prefix(at + 1);
        }
        return put(lf);
    }

    // Puts the output in place (also when nothing was written); false on failure.
    bool finish() {
        if (m_heldCr && !put("\r"))
            return false;
        m_heldCr = false;
        if (m_path) {
            m_failure = file().commit();
            return !m_failure;
        }
        if (std::fflush(stdout) != 0 && m_errno == 0)
            m_errno = errno;
        return m_errno == 0;
    }

    // The file named, or nothing for standard output.
    const std::optional<std::string>& path() const { return m_path; }

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
    bool put(std::string_view bytes) {
        if (m_path)
            return file().write(bytes);
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size())
            return true;
        m_errno = errno;
        return false;
    }

    // Made when the first lines are ready, so a report that cannot be read touches nothing.
    core::AtomicFileWriter& file() {
        if (!m_file)
            m_file.emplace(*m_path, core::NonRegularTarget::WriteThrough);
        return *m_file;
    }

    std::optional<std::string> m_path;
    bool m_lf = false;
    bool m_heldCr = false;
    std::string m_converted;
    std::optional<core::AtomicFileWriter> m_file;
    std::optional<std::string> m_failure;
    int m_errno = 0;
};

} // namespace varscope::cli
