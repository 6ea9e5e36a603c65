#include "platform.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varscope::core::platform {

namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

} // namespace

char Separator() { return '/'; }

std::string SystemRoot() { return "/"; }

bool TextIsInSystemCodePage() { return false; }

std::string ExecutableFolder() {
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0)
        return CurrentFolder();
    buffer.resize(static_cast<std::size_t>(length));
    const std::size_t slash = buffer.rfind('/');
    return slash == 0 ? std::string("/") : buffer.substr(0, slash);
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsReadOnly(const std::string& path) { return ::access(path.c_str(), W_OK) != 0; }

std::string CurrentFolder() {
    std::string buffer(PATH_MAX, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr)
        return {};
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

bool SetCurrentFolder(const std::string& path) { return ::chdir(path.c_str()) == 0; }

std::optional<std::string> CopyFileOver(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return from + ": " + ErrnoText(errno);
    struct stat info {};
    ::fstat(in, &info);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                           info.st_mode & 0777 ? info.st_mode & 0777 : 0644);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return to + ": " + ErrnoText(error);
    }
    std::optional<std::string> failure;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failure = from + ": " + ErrnoText(errno);
            break;
        }
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                failure = to + ": " + ErrnoText(errno);
                break;
            }
            done += put;
        }
        if (failure)
            break;
    }
    ::close(in);
    if (::close(out) != 0 && !failure)
        failure = to + ": " + ErrnoText(errno);
    return failure;
}

std::optional<std::string> DeleteFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0)
        return path + ": " + ErrnoText(errno);
    return std::nullopt;
}

std::optional<std::string> ReplaceFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0)
        return to + ": " + ErrnoText(errno);
    return std::nullopt;
}

} // namespace varscope::core::platform
