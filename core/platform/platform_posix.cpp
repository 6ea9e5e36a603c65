#include "platform.hpp"

#include "core/text.hpp"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

bool SyncToDisk(std::FILE* file) {
    return ::fsync(::fileno(file)) == 0;
}

void CopyAccessRights(const std::string& from, const std::string& to) {
    struct stat info {};
    if (::stat(from.c_str(), &info) == 0)
        ::chmod(to.c_str(), info.st_mode & 07777);
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

bool RunProgram(const std::string& commandLine, const std::function<void()>& whileWaiting) {
    const std::optional<ResolvedCommand> command = ResolveCommandLine(commandLine);
    // posix_spawn reports most exec failures through its result, but a program that cannot
    // run must never pass as started, so the file is checked before.
    if (!command || !IsProgramFile(command->program))
        return false;

    std::vector<std::string> words = SplitCommandLine(command->arguments);
    words.insert(words.begin(), command->shownName);
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t child = 0;
    if (::posix_spawn(&child, command->program.c_str(), nullptr, nullptr, argv.data(), environ) !=
        0)
        return false;
    WaitForExit(child, whileWaiting);
    return true;
}

void UseBinaryStandardOutput() {}

std::string Utf8ToSystemText(std::string_view utf8) {
    return std::string(utf8);
}

std::string SystemTextToUtf8(std::string_view text) {
    return std::string(text);
}

std::string ValidUtf8(std::string_view utf8) {
    return std::string(utf8);
}

void AdviseLargeBuffer(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
    // Only whole huge pages inside the buffer: its edges may share pages with other data.
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (start + size) & ~(kHugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

namespace {

// Reading a mapped file beyond its end raises SIGBUS, and another program may cut the file
// short at any time. The handler puts zeros where the file's pages were, from the page that
// failed to the mapping's end, and lets the reading go on; the mapping then says it was cut
// short. A signal handler has no object
// to ask, so the mapped ranges are the one table of process-wide state this layer keeps.
struct GuardedRange {
    std::atomic<bool> taken{false};
    std::atomic<std::uintptr_t> begin{0}; // 0 while the slot holds no range
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> cut{false};
};
constexpr std::size_t kGuardedRanges = 64;
GuardedRange g_guarded[kGuardedRanges];
struct sigaction g_previousBusAction;
std::uintptr_t g_pageSize = 0;
std::once_flag g_guardInstalled;
bool g_guardWorks = false;

void OnBusError(int signal, siginfo_t* info, void*) {
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (info->si_code > 0) { // raised by the system, not sent by a program
        for (GuardedRange& range : g_guarded) {
            const std::uintptr_t begin = range.begin.load(std::memory_order_acquire);
            const std::uintptr_t end = range.end.load(std::memory_order_acquire);
            if (begin == 0 || at < begin || at >= end)
                continue;
            // The file is gone from here on: zeros up to the mapping's end, in one go.
            const std::uintptr_t page = at & ~(g_pageSize - 1);
            const std::uintptr_t last = (end + g_pageSize - 1) & ~(g_pageSize - 1);
            if (mmap(reinterpret_cast<void*>(page), last - page, PROT_READ,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
                range.cut.store(true, std::memory_order_relaxed);
                return;
            }
            break;
        }
    }
    // Not a mapped file's: as if this handler had never been there. A fault happens again
    // on return and meets the previous action; a sent signal is sent again.
    sigaction(SIGBUS, &g_previousBusAction, nullptr);
    if (info->si_code <= 0)
        raise(signal);
}

void InstallGuard() {
    g_pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    g_guardWorks = g_pageSize != 0 && sigaction(SIGBUS, &action, &g_previousBusAction) == 0;
}

class PosixMappedFile final : public MappedFile {
public:
    PosixMappedFile(const char* data, std::size_t size, GuardedRange& range)
        : m_data(data), m_size(size), m_range(range) {}
    ~PosixMappedFile() override {
        m_range.begin.store(0, std::memory_order_release);
        m_range.end.store(0, std::memory_order_release);
        munmap(const_cast<char*>(m_data), m_size);
        m_range.cut.store(false, std::memory_order_relaxed);
        m_range.taken.store(false, std::memory_order_release);
    }
    PosixMappedFile(const PosixMappedFile&) = delete;
    PosixMappedFile& operator=(const PosixMappedFile&) = delete;

    std::string_view bytes() const override { return {m_data, m_size}; }
    bool cutShort() const override { return m_range.cut.load(std::memory_order_relaxed); }

private:
    const char* m_data;
    std::size_t m_size;
    GuardedRange& m_range;
};

} // namespace

std::unique_ptr<MappedFile> MapFileForReading(const std::string& path) {
    std::call_once(g_guardInstalled, InstallGuard);
    if (!g_guardWorks)
        return nullptr;
    // Only regular files: opening a pipe would wait for its writer, and then take bytes
    // from it that the reading in blocks would miss.
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return nullptr;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    void* data = MAP_FAILED;
    std::size_t size = 0;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        size = static_cast<std::size_t>(status.st_size);
        data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    }
    close(fd); // the mapping keeps the file
    if (data == MAP_FAILED)
        return nullptr;
    for (GuardedRange& range : g_guarded) {
        bool expected = false;
        if (!range.taken.compare_exchange_strong(expected, true, std::memory_order_acq_rel))
            continue;
        const auto begin = reinterpret_cast<std::uintptr_t>(data);
        range.cut.store(false, std::memory_order_relaxed);
        range.end.store(begin + size, std::memory_order_release);
        range.begin.store(begin, std::memory_order_release);
        return std::make_unique<PosixMappedFile>(static_cast<const char*>(data), size, range);
    }
    munmap(data, size); // every range is in use
    return nullptr;
}

} // namespace varscope::core::platform
