#include "core/system/platform/platform.hpp"

#include "core/strings.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace varscope::core::platform {

namespace {

std::string ErrnoText(int error) {
    return std::strerror(error);
}

} // namespace

char Separator() {
    return '/';
}

std::string SystemRoot() {
    return "/";
}

bool TextIsInSystemCodePage() {
    return false;
}

bool HasHtmlHelpViewer() {
    return false;
}

std::string SystemFontsFolder() {
    return {};
}

std::string ExecutableFolder() {
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0)
        return CurrentFolder();
    buffer.resize(static_cast<std::size_t>(length));
    const std::size_t slash = buffer.rfind('/');
    return slash == 0 ? std::string("/") : buffer.substr(0, slash);
}

std::string UserProgramFolder() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return std::string(config) + "/varscope";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return {};
    return std::string(home) + "/.config/varscope";
}

bool SetEnvironmentValue(const std::string& name, const std::string& value) {
    if (value.empty())
        return ::unsetenv(name.c_str()) == 0;
    return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Root may write any file, so access() alone would call nothing read-only for it; a file
// without a single write permission bit is what its owner meant as read-only.
bool IsReadOnly(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return true;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    return ::access(path.c_str(), W_OK) != 0;
}

std::string CurrentFolder() {
    std::string buffer(PATH_MAX, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr)
        return {};
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

bool SetCurrentFolder(const std::string& path) {
    return ::chdir(path.c_str()) == 0;
}

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

std::optional<std::string> CreateNewFile(const std::string& path) {
    // Made as any new file is, with the rights the user's umask leaves.
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0)
        return path + ": " + ErrnoText(errno);
    ::close(file);
    return std::nullopt;
}

std::string WriteTarget(const std::string& path) {
    std::string current = path;
    // As many links as the system follows before it gives up on a loop.
    constexpr int kMostLinks = 40;
    for (int link = 0; link < kMostLinks; ++link) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length <= 0)
            return current;
        target.resize(static_cast<std::size_t>(length));
        // A relative link points from its own folder.
        const std::size_t slash = current.rfind('/');
        if (target.front() != '/' && slash != std::string::npos)
            target.insert(0, current, 0, slash + 1);
        current = std::move(target);
    }
    return current;
}

FileKind KindOf(const std::string& path) {
    struct stat info {};
    if (path.empty())
        return FileKind::Missing;
    if (::stat(path.c_str(), &info) != 0)
        return errno == ELOOP ? FileKind::Other : FileKind::Missing;
    if (S_ISREG(info.st_mode))
        return FileKind::Regular;
    return S_ISDIR(info.st_mode) ? FileKind::Folder : FileKind::Other;
}

struct WriteHandleAccess {
    static WriteHandle make(int fd, const std::string& path) {
        WriteHandle handle;
        handle.m_handle = fd;
        handle.m_path = path;
        return handle;
    }
    static int fd(const WriteHandle& handle) { return static_cast<int>(handle.m_handle); }
};

WriteHandle::~WriteHandle() {
    close();
}

WriteHandle::WriteHandle(WriteHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, kClosed)), m_path(std::move(other.m_path)) {}

WriteHandle& WriteHandle::operator=(WriteHandle&& other) noexcept {
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, kClosed);
        m_path = std::move(other.m_path);
    }
    return *this;
}

std::optional<std::string> WriteHandle::write(std::string_view bytes) {
    const int fd = WriteHandleAccess::fd(*this);
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return ErrnoText(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return std::nullopt;
}

namespace {

// Zeros from `from` to `size`, where the file system cannot reserve without writing.
int WriteZeros(int fd, off_t from, off_t size) {
    static constexpr char kZeros[1 << 16] = {};
    while (from < size) {
        const std::size_t piece =
            static_cast<std::size_t>(std::min<off_t>(size - from, off_t{sizeof kZeros}));
        const ssize_t put = ::pwrite(fd, kZeros, piece, from);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        from += put;
    }
    return 0;
}

} // namespace

std::optional<std::string> WriteHandle::reserve(std::uint64_t size) {
    const int fd = WriteHandleAccess::fd(*this);
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return ErrnoText(errno);
    const off_t wanted = static_cast<off_t>(size);
    if (wanted <= info.st_size)
        return std::nullopt;
    int error = ::posix_fallocate(fd, 0, wanted);
    if (error == EOPNOTSUPP || error == EINVAL)
        error = WriteZeros(fd, info.st_size, wanted);
    if (error == 0)
        return std::nullopt;
    // What was reserved before the space ran out is given back.
    while (::ftruncate(fd, info.st_size) != 0 && errno == EINTR) {
    }
    return ErrnoText(error);
}

std::optional<std::string> WriteHandle::cutTo(std::uint64_t size) {
    if (::ftruncate(WriteHandleAccess::fd(*this), static_cast<off_t>(size)) != 0)
        return ErrnoText(errno);
    return std::nullopt;
}

std::optional<std::string> WriteHandle::sync() {
    if (::fsync(WriteHandleAccess::fd(*this)) != 0)
        return ErrnoText(errno);
    return std::nullopt;
}

std::optional<std::string> WriteHandle::close() {
    if (!isOpen())
        return std::nullopt;
    const int fd = WriteHandleAccess::fd(*this);
    m_handle = kClosed;
    if (::close(fd) != 0)
        return ErrnoText(errno);
    return std::nullopt;
}

namespace {

OpenedForWriting OpenFailure(int error) {
    OpenedForWriting opened;
    opened.error = ErrnoText(error);
    opened.exists = error == EEXIST;
    opened.refused = error == EACCES || error == EPERM || error == EROFS;
    return opened;
}

// The process's umask, read without changing it where the system tells it.
mode_t Umask() {
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr)
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace

OpenedForWriting CreateTemporary(const std::string& path, const std::string& like) {
    struct stat likeInfo {};
    const bool hasLike = !like.empty() && ::stat(like.c_str(), &likeInfo) == 0;
    const mode_t rights = hasLike ? likeInfo.st_mode & 07777 : S_IRUSR | S_IWUSR;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, rights & 0777);
    if (fd < 0)
        return OpenFailure(errno);
    // The lock tells DeleteLeftover the file is in use. One that took the lock first has
    // removed the name: the caller then tries another.
    struct stat own {};
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    if (::fstat(fd, &own) != 0 || own.st_nlink == 0) {
        ::close(fd);
        return OpenFailure(EEXIST);
    }
    if (hasLike) {
        // Only root may give a file away; others keep their own, as any new file.
        if (own.st_uid != likeInfo.st_uid || own.st_gid != likeInfo.st_gid)
            static_cast<void>(::fchown(fd, likeInfo.st_uid, likeInfo.st_gid));
        // The umask took bits the file had.
        ::fchmod(fd, rights);
    }
    OpenedForWriting opened;
    opened.file = WriteHandleAccess::make(fd, path);
    return opened;
}

OpenedForWriting OpenInPlace(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return OpenFailure(errno);
    OpenedForWriting opened;
    opened.file = WriteHandleAccess::make(fd, path);
    return opened;
}

void GiveNewFileRights(WriteHandle& file) {
    ::fchmod(WriteHandleAccess::fd(file), 0666 & ~Umask());
}

std::optional<std::string> CommitTemporary(WriteHandle& temporary, const std::string& to) {
    // Renamed while still locked, so no cleaner takes it between.
    if (::rename(temporary.path().c_str(), to.c_str()) != 0)
        return to + ": " + ErrnoText(errno);
    temporary.close();
    return std::nullopt;
}

void DeleteLeftover(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return;
    struct stat opened {};
    struct stat named {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
        S_ISREG(opened.st_mode) && ::lstat(path.c_str(), &named) == 0 &&
        named.st_ino == opened.st_ino && named.st_dev == opened.st_dev)
        ::unlink(path.c_str());
    ::close(fd);
}

OpenedForReading OpenForReading(const std::string& path, bool regularOnly) {
    OpenedForReading opened;
    const int flags = O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0);
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        const int error = errno;
        // A socket cannot be opened at all.
        struct stat info {};
        opened.notRegular =
            regularOnly && ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
        opened.error =
            path + ": " + (opened.notRegular ? "is not a regular file" : ErrnoText(error));
        return opened;
    }
    if (regularOnly) {
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            opened.notRegular = true;
            opened.error = path + ": is not a regular file";
            return opened;
        }
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    opened.file = ::fdopen(fd, "rb");
    if (opened.file == nullptr) {
        opened.error = path + ": " + ErrnoText(errno);
        ::close(fd);
    }
    return opened;
}

namespace {

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

bool ForEachInFolder(const std::string& folder,
                     const std::function<bool(const DirEntryView&)>& visit) {
    DIR* const dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    const int fd = ::dirfd(dir);
    while (const dirent* const entry = ::readdir(dir)) {
        if (IsDotOrDotDot(entry->d_name))
            continue;
        unsigned char type = entry->d_type;
        // Some file systems leave the type open; only then is the entry itself examined.
        if (type == DT_UNKNOWN) {
            struct stat info {};
            if (::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
                if (S_ISLNK(info.st_mode))
                    type = DT_LNK;
                else if (S_ISDIR(info.st_mode))
                    type = DT_DIR;
                else if (S_ISREG(info.st_mode))
                    type = DT_REG;
            }
        }
        DirEntryView view;
        view.name = entry->d_name;
        view.isFolder = type == DT_DIR;
        view.isFile = type == DT_REG;
        view.isLink = type == DT_LNK;
        if (!visit(view))
            break;
    }
    ::closedir(dir);
    return true;
}

bool SameFileName(std::string_view a, std::string_view b) {
    return a == b;
}

bool SkipInDiskSearch(std::string_view folder) {
    return folder == "/proc/" || folder == "/sys/" || folder == "/dev/";
}

namespace {

// The mount table writes a blank, a TAB, a line end and a backslash as \ and three octal
// digits.
std::string UnescapeMountPath(std::string_view field) {
    const auto octal = [field](std::size_t at) {
        return field[at] >= '0' && field[at] <= '7';
    };
    std::string path;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) &&
            octal(i + 3)) {
            path += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            path += field[i];
        }
    }
    return path;
}

} // namespace

std::vector<std::string> MountPointsBelow(const std::string& folder) {
    std::vector<std::string> below;
    std::string root(PATH_MAX, '\0');
    if (::realpath(folder.c_str(), root.data()) == nullptr)
        return below;
    root.resize(std::strlen(root.c_str()));
    if (root.back() != '/')
        root += '/';
    std::FILE* const table = std::fopen("/proc/self/mountinfo", "re");
    if (table == nullptr)
        return below;
    std::string line;
    for (int c = 0; c != EOF;) {
        line.clear();
        while ((c = std::fgetc(table)) != EOF && c != '\n')
            line += static_cast<char>(c);
        // The mount point is the fifth field.
        std::size_t start = 0;
        for (int field = 0; field < 4 && start != std::string::npos; ++field) {
            start = line.find(' ', start);
            if (start != std::string::npos)
                ++start;
        }
        if (start == std::string::npos)
            continue;
        const std::size_t end = line.find(' ', start);
        std::string point = UnescapeMountPath(std::string_view(line).substr(
            start, end == std::string::npos ? std::string::npos : end - start));
        if (point.empty() || point.back() != '/')
            point += '/';
        if (point.size() > root.size() && point.starts_with(root))
            below.push_back(point.substr(root.size()));
    }
    std::fclose(table);
    std::sort(below.begin(), below.end());
    below.erase(std::unique(below.begin(), below.end()), below.end());
    return below;
}

std::string ProgramsFolder() {
    return "/usr/bin";
}

bool ProgramsHaveExeSuffix() {
    return false;
}

bool IsProgramFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

namespace {

// Windows takes the first candidate that exists and is not a folder; whether it can run
// is found out only when it is started.
bool IsFileCandidate(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// A bare name is looked for on PATH only, as the exec family does (an empty entry is the
// current folder); a name with a slash is taken as it stands.
std::optional<std::string> LocateProgram(const std::string& name) {
    if (name.empty())
        return std::nullopt;
    if (name.find('/') != std::string::npos) {
        if (IsFileCandidate(name))
            return name;
        return std::nullopt;
    }
    const char* const pathVariable = std::getenv("PATH");
    const std::string searchPath = pathVariable != nullptr ? pathVariable : "/bin:/usr/bin";
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = searchPath.find(':', start);
        const std::string folder = searchPath.substr(
            start, colon == std::string::npos ? std::string::npos : colon - start);
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + '/' + name;
        if (IsFileCandidate(candidate))
            return candidate;
        if (colon == std::string::npos)
            return std::nullopt;
        start = colon + 1;
    }
}

struct ResolvedCommand {
    std::string program;   // the file to start
    std::string shownName; // argv[0]: the program as the command line wrote it
    std::string arguments; // the rest of the line, still to be split
};

// The program of a command line, found as CreateProcess finds it without an application
// name: a quoted first word is the program; an unquoted one may contain blanks, so every
// prefix that ends before a blank is tried, shortest first, then the whole line.
std::optional<ResolvedCommand> ResolveCommandLine(const std::string& line) {
    // A line that starts with a blank names no program (an empty editor path does that).
    if (line.empty() || IsBlank(line.front()))
        return std::nullopt;
    if (line.front() == '"') {
        const std::size_t close = line.find('"', 1);
        const std::string name =
            line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        const std::optional<std::string> found = LocateProgram(name);
        if (!found)
            return std::nullopt;
        return ResolvedCommand{*found, name,
                               close == std::string::npos ? std::string() : line.substr(close + 1)};
    }
    std::size_t blank = 0;
    for (;;) {
        blank = line.find_first_of(" \t", blank);
        const std::string prefix = line.substr(0, blank);
        if (const std::optional<std::string> found = LocateProgram(prefix))
            return ResolvedCommand{*found, prefix,
                                   blank == std::string::npos ? std::string() : line.substr(blank)};
        if (blank == std::string::npos)
            return std::nullopt;
        ++blank;
    }
}

void WaitForExit(pid_t child, const std::function<void()>& whileWaiting) {
    int status = 0;
    if (!whileWaiting) {
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return;
    }
    constexpr timespec kPollInterval{0, 25'000'000};
    for (;;) {
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child)
            return;
        // Anything but an interruption means there is no child left to wait for.
        if (ended < 0 && errno != EINTR)
            return;
        whileWaiting();
        ::nanosleep(&kPollInterval, nullptr);
    }
}

} // namespace

namespace {

// A command line made ready for the exec family: the program's file and its argv, which
// points into `words`.
struct PreparedCommand {
    std::string program;
    std::vector<std::string> words;
    std::vector<char*> argv;
};

// The reason, in the system's words, when the line names no program that can run.
std::optional<std::string> Prepare(const std::string& commandLine, PreparedCommand& prepared) {
    const std::optional<ResolvedCommand> command = ResolveCommandLine(commandLine);
    if (!command)
        return ErrnoText(ENOENT);
    // posix_spawn reports most exec failures through its result, but a program that cannot
    // run must never pass as started, so the file is checked before.
    if (!IsProgramFile(command->program)) {
        struct stat info {};
        const bool regular = ::stat(command->program.c_str(), &info) == 0 && S_ISREG(info.st_mode);
        return ErrnoText(regular ? EACCES : EISDIR);
    }
    prepared.program = command->program;
    prepared.words = SplitCommandLine(command->arguments);
    prepared.words.insert(prepared.words.begin(), command->shownName);
    prepared.argv.clear();
    prepared.argv.reserve(prepared.words.size() + 1);
    for (std::string& word : prepared.words)
        prepared.argv.push_back(word.data());
    prepared.argv.push_back(nullptr);
    return std::nullopt;
}

std::optional<std::string> Spawn(const std::string& commandLine, pid_t& child) {
    PreparedCommand prepared;
    if (std::optional<std::string> error = Prepare(commandLine, prepared))
        return error;
    const int result = ::posix_spawn(&child, prepared.program.c_str(), nullptr, nullptr,
                                     prepared.argv.data(), environ);
    if (result != 0)
        return ErrnoText(result);
    return std::nullopt;
}

} // namespace

bool RunProgram(const std::string& commandLine, const std::function<void()>& whileWaiting) {
    pid_t child = 0;
    if (Spawn(commandLine, child))
        return false;
    WaitForExit(child, whileWaiting);
    return true;
}

StartedProgram::~StartedProgram() {
    hasEnded();
}

StartedProgram::StartedProgram(StartedProgram&& other) noexcept
    : m_handle(std::exchange(other.m_handle, kNone)), m_ended(other.m_ended) {}

StartedProgram& StartedProgram::operator=(StartedProgram&& other) noexcept {
    if (this != &other) {
        hasEnded();
        m_handle = std::exchange(other.m_handle, kNone);
        m_ended = other.m_ended;
    }
    return *this;
}

bool StartedProgram::hasEnded() {
    if (m_handle == kNone || m_ended)
        return true;
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(static_cast<pid_t>(m_handle), &status, WNOHANG)) < 0 &&
           errno == EINTR) {
    }
    // Anything but "still running" means there is no child left to wait for.
    m_ended = ended != 0;
    return m_ended;
}

struct StartedProgramAccess {
    static void set(StartedProgram& program, pid_t child) { program.m_handle = child; }
};

ProgramStart StartProgram(const std::string& commandLine) {
    ProgramStart start;
    pid_t child = 0;
    if (std::optional<std::string> error = Spawn(commandLine, child))
        start.error = std::move(*error);
    else
        StartedProgramAccess::set(start.program, child);
    return start;
}

// Double fork: the program becomes the child of a short-lived middle process that ends at
// once, so the system (init or the session's reaper) collects it when it ends, and nothing
// here has to remember or poll it. Between fork and exec only async-signal-safe calls are
// made (the window's threads may hold locks); everything is prepared before. A pipe closed
// on exec tells whether the exec succeeded, and why not.
std::optional<std::string> StartDetachedProgram(const std::string& commandLine) {
    PreparedCommand prepared;
    if (std::optional<std::string> error = Prepare(commandLine, prepared))
        return error;
    int ends[2] = {-1, -1};
    // No other thread of ours starts programs, so the ends cannot leak into one before they
    // are marked.
    if (::pipe(ends) != 0)
        return ErrnoText(errno);
    ::fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(ends[1], F_SETFD, FD_CLOEXEC);
    const pid_t middle = ::fork();
    if (middle < 0) {
        const int error = errno;
        ::close(ends[0]);
        ::close(ends[1]);
        return ErrnoText(error);
    }
    if (middle == 0) {
        const pid_t program = ::fork();
        if (program == 0) {
            // Its own session, so closing the terminal Varscope was started from spares it.
            ::setsid();
            // The editor starts with the signals as a program started from a shell has them.
            sigset_t none;
            ::sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::signal(SIGPIPE, SIG_DFL);
            ::execve(prepared.program.c_str(), prepared.argv.data(), environ);
        } else if (program > 0) {
            ::_exit(0);
        }
        // The exec or the second fork failed.
        const int error = errno;
        ssize_t written = 0;
        do {
            written = ::write(ends[1], &error, sizeof error);
        } while (written < 0 && errno == EINTR);
        ::_exit(127);
    }
    ::close(ends[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    while ((got = ::read(ends[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(ends[0]);
    if (got == static_cast<ssize_t>(sizeof error))
        return ErrnoText(error);
    return std::nullopt;
}

std::optional<std::string> FindOnSearchPath(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos)
        return std::nullopt;
    for (const std::string& folder : SearchPathFolders()) {
        const std::string candidate = folder + '/' + name;
        if (IsProgramFile(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::vector<std::string> SearchPathFolders() {
    const char* const variable = std::getenv("PATH");
    return SplitNonEmpty(variable != nullptr ? variable : "/bin:/usr/bin", ':');
}

bool HasDesktopEditor() {
    return true;
}

std::string_view LocateEditorsCaption() {
    return "Locate Editors";
}

void UseBinaryStandardOutput() {}

void UseBinaryStandardInput() {}

std::string_view NativeLineEnd() {
    return "\n";
}

std::string Utf8ToSystemText(std::string_view utf8) {
    return std::string(utf8);
}

std::string SystemTextToUtf8(std::string_view text) {
    return std::string(text);
}

std::string ValidUtf8(std::string_view utf8) {
    return std::string(utf8);
}

} // namespace varscope::core::platform
