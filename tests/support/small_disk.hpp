// A full disk and a user other than root, for the tests of saves (POSIX only).
#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace varscope::testing {

// A small file system of its own (tmpfs) at `folder`, made when the test runs as root (as CI
// does); error() says why not otherwise, for the test to skip with.
class SmallDisk final {
public:
    SmallDisk(const std::string& folder, const std::string& options) : m_folder(folder) {
        std::filesystem::create_directories(folder);
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
            m_error = "cannot mount a small file system to fill (" +
                      std::string(std::strerror(errno)) + "); run the tests as root for it";
        else
            m_mounted = true;
    }
    ~SmallDisk() {
        if (m_mounted)
            ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    const std::string& error() const { return m_error; }

    // Fills what room is left with one file; false when the disk never filled.
    bool fill(const std::string& name) const {
        std::FILE* file = std::fopen((m_folder + "/" + name).c_str(), "wb");
        if (file == nullptr)
            return errno == ENOSPC;
        std::setvbuf(file, nullptr, _IONBF, 0);
        const std::string block(512, 'f');
        bool full = false;
        for (int i = 0; i < 1'000'000 && !full; ++i)
            full = std::fwrite(block.data(), 1, block.size(), file) != block.size();
        std::fclose(file);
        return full;
    }

private:
    std::string m_folder;
    std::string m_error;
    bool m_mounted = false;
};

inline constexpr uid_t kNobody = 65534;

// Runs `action` as the user nobody when the test runs as root, in a child process, so that
// a folder's missing write permission refuses it as it refuses any other user; otherwise
// runs it here. Returns what it returned; "child failed" when the child did not finish.
inline std::string AsOtherUser(const std::function<std::string()>& action) {
    if (::geteuid() != 0)
        return action();
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "child failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        int status = 1;
        if (::setgid(kNobody) == 0 && ::setuid(kNobody) == 0) {
            const std::string result = action();
            status = ::write(pipeEnds[1], result.data(), result.size()) ==
                             static_cast<ssize_t>(result.size())
                         ? 0
                         : 1;
        }
        ::_exit(status);
    }
    ::close(pipeEnds[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t got = 0; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? result : "child failed";
}

} // namespace varscope::testing
