#include "core/system/platform/platform.hpp"

#include "core/strings.hpp"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <utility>

// <windows.h> maps these names to their ANSI or wide forms; here they are ours.
#undef DeleteFile
#undef ReplaceFile

namespace varscope::core::platform {

namespace {

constexpr DWORD kWaitSliceMs = 30;

std::string SystemErrorText(DWORD error) {
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (length != 0 && buffer != nullptr)
        text.assign(buffer, length);
    if (buffer != nullptr)
        ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (text.empty())
        text = "system error " + std::to_string(error);
    return text;
}

std::string Failure(const std::string& path, DWORD error) {
    return path + ": " + SystemErrorText(error);
}

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) > 127)
            return false;
    }
    return true;
}

// A name in the system code page as UTF-16; 0 when it does not fit or does not convert.
int ToWide(std::string_view text, wchar_t* out, int capacity) {
    if (text.empty() || text.size() > static_cast<std::size_t>(capacity))
        return 0;
    return ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out,
                                 capacity);
}

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

// RAII for a FindFirstFileA handle: closed on every way out.
class FindHandle final {
public:
    explicit FindHandle(HANDLE handle) : m_handle(handle) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() {
        if (valid())
            ::FindClose(m_handle);
    }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

} // namespace

char Separator() {
    return '\\';
}

std::string SystemRoot() {
    return "C:\\";
}

bool TextIsInSystemCodePage() {
    return true;
}

bool HasHtmlHelpViewer() {
    return true;
}

std::string SystemFontsFolder() {
    std::string buffer(MAX_PATH, '\0');
    const UINT length = ::GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0 || length >= buffer.size())
        return {};
    buffer.resize(length);
    if (buffer.back() != '\\')
        buffer += '\\';
    return buffer + "Fonts";
}

std::string ExecutableFolder() {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return CurrentFolder();
        // A full buffer may have cut the path short: try again with a larger one.
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const std::size_t slash = buffer.find_last_of("\\/");
    if (slash == std::string::npos)
        return CurrentFolder();
    // A drive's root keeps its separator: "C:" alone would mean the drive's current folder.
    if (slash > 0 && buffer[slash - 1] == ':')
        return buffer.substr(0, slash + 1);
    return buffer.substr(0, slash);
}

std::string UserProgramFolder() {
    const char* data = std::getenv("APPDATA");
    if (data == nullptr || data[0] == '\0')
        return {};
    return std::string(data) + "\\Varscope";
}

bool SetEnvironmentValue(const std::string& name, const std::string& value) {
    // The C runtime's copy, which getenv reads; an empty value removes the variable.
    return ::_putenv_s(name.c_str(), value.c_str()) == 0;
}

bool FileExists(const std::string& path) {
    // The directory search would take wildcards as patterns; a path never holds them.
    if (path.empty() || path.find_first_of("*?") != std::string::npos)
        return false;
    WIN32_FIND_DATAA found{};
    const FindHandle handle(::FindFirstFileA(path.c_str(), &found));
    if (!handle.valid())
        return false;
    constexpr DWORD kNotAFile =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return (found.dwFileAttributes & kNotAFile) == 0;
}

bool FolderExists(const std::string& path) {
    if (path.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsReadOnly(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    // What cannot be read cannot be written either.
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string CurrentFolder() {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            ::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0)
            return {};
        // Too small a buffer returns the size it needs, zero included.
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);
    }
}

bool SetCurrentFolder(const std::string& path) {
    return !path.empty() && ::SetCurrentDirectoryA(path.c_str()) != 0;
}

std::optional<std::string> CopyFileOver(const std::string& from, const std::string& to) {
    if (::CopyFileA(from.c_str(), to.c_str(), FALSE) != 0)
        return std::nullopt;
    const DWORD error = ::GetLastError();
    const bool sourceMissing = ::GetFileAttributesA(from.c_str()) == INVALID_FILE_ATTRIBUTES;
    return Failure(sourceMissing ? from : to, error);
}

std::optional<std::string> DeleteFile(const std::string& path) {
    if (::DeleteFileA(path.c_str()) != 0)
        return std::nullopt;
    return Failure(path, ::GetLastError());
}

std::optional<std::string> ReplaceFile(const std::string& from, const std::string& to) {
    // A file open elsewhere without leave to delete it (under Wine: open at all) cannot be
    // replaced; another program reading it, or this one comparing it in another save, holds
    // it only for a while, so the replacing is tried again for a generous while, as a loaded
    // machine may keep it longer.
    constexpr ULONGLONG kGiveUpAfterMs = 10'000;
    constexpr DWORD kPauseMs = 10;
    const ULONGLONG start = ::GetTickCount64();
    DWORD error = 0;
    for (;;) {
        if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0)
            return std::nullopt;
        error = ::GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) ||
            FolderExists(to) || ::GetTickCount64() - start > kGiveUpAfterMs)
            break;
        ::Sleep(kPauseMs);
    }
    return Failure(to, error);
}

std::optional<std::string> CreateNewFile(const std::string& path) {
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Failure(path, ::GetLastError());
    ::CloseHandle(file);
    return std::nullopt;
}

std::string WriteTarget(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return path;
    const HANDLE file =
        ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return path;
    char buffer[MAX_PATH * 4];
    const DWORD length =
        ::GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    ::CloseHandle(file);
    if (length == 0 || length >= sizeof buffer)
        return path;
    const std::string target(buffer, length);
    // The system names it "\\?\C:\..." or "\\?\UNC\server\share\...".
    if (target.starts_with("\\\\?\\UNC\\"))
        return "\\\\" + target.substr(8);
    if (target.starts_with("\\\\?\\"))
        return target.substr(4);
    return target;
}

FileKind KindOf(const std::string& path) {
    if (path.empty())
        return FileKind::Missing;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return FileKind::Missing;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return FileKind::Folder;
    return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? FileKind::Other : FileKind::Regular;
}

struct WriteHandleAccess {
    static WriteHandle make(HANDLE file, const std::string& path) {
        WriteHandle handle;
        handle.m_handle = reinterpret_cast<std::intptr_t>(file);
        handle.m_path = path;
        return handle;
    }
    static HANDLE get(const WriteHandle& handle) {
        return reinterpret_cast<HANDLE>(handle.m_handle);
    }
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
    const HANDLE file = WriteHandleAccess::get(*this);
    while (!bytes.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD put = 0;
        if (::WriteFile(file, bytes.data(), piece, &put, nullptr) == 0)
            return SystemErrorText(::GetLastError());
        bytes.remove_prefix(put);
    }
    return std::nullopt;
}

namespace {

bool MoveTo(HANDLE file, LONGLONG offset) {
    LARGE_INTEGER to{};
    to.QuadPart = offset;
    return ::SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != 0;
}

} // namespace

// Written as zeros, which every file system must find room for at once (growing the end
// alone may leave a sparse file), then the old end is put back on failure.
std::optional<std::string> WriteHandle::reserve(std::uint64_t size) {
    const HANDLE file = WriteHandleAccess::get(*this);
    LARGE_INTEGER length{};
    LARGE_INTEGER position{};
    if (::GetFileSizeEx(file, &length) == 0 ||
        ::SetFilePointerEx(file, LARGE_INTEGER{}, &position, FILE_CURRENT) == 0)
        return SystemErrorText(::GetLastError());
    const auto wanted = static_cast<LONGLONG>(size);
    if (wanted <= length.QuadPart)
        return std::nullopt;
    static constexpr char kZeros[1 << 16] = {};
    std::optional<std::string> failure;
    if (!MoveTo(file, length.QuadPart))
        failure = SystemErrorText(::GetLastError());
    for (LONGLONG at = length.QuadPart; !failure && at < wanted;) {
        const DWORD piece = static_cast<DWORD>(std::min<LONGLONG>(wanted - at, sizeof kZeros));
        DWORD put = 0;
        if (::WriteFile(file, kZeros, piece, &put, nullptr) == 0)
            failure = SystemErrorText(::GetLastError());
        at += put;
    }
    if (failure && MoveTo(file, length.QuadPart))
        ::SetEndOfFile(file);
    MoveTo(file, position.QuadPart);
    return failure;
}

std::optional<std::string> WriteHandle::cutTo(std::uint64_t size) {
    const HANDLE file = WriteHandleAccess::get(*this);
    if (!MoveTo(file, static_cast<LONGLONG>(size)) || ::SetEndOfFile(file) == 0)
        return SystemErrorText(::GetLastError());
    return std::nullopt;
}

std::optional<std::string> WriteHandle::sync() {
    if (::FlushFileBuffers(WriteHandleAccess::get(*this)) == 0)
        return SystemErrorText(::GetLastError());
    return std::nullopt;
}

std::optional<std::string> WriteHandle::close() {
    if (!isOpen())
        return std::nullopt;
    const HANDLE file = WriteHandleAccess::get(*this);
    m_handle = kClosed;
    if (::CloseHandle(file) == 0)
        return SystemErrorText(::GetLastError());
    return std::nullopt;
}

namespace {

OpenedForWriting OpenForWriting(const std::string& path, DWORD disposition, DWORD sharing) {
    OpenedForWriting opened;
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, sharing, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        opened.error = SystemErrorText(error);
        opened.exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        opened.refused = error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT;
        return opened;
    }
    opened.file = WriteHandleAccess::make(file, path);
    return opened;
}

} // namespace

// The new file takes its rights from its folder, as every new file on Windows does.
// Open until it is renamed, which its sharing allows, so that DeleteLeftover, which wants
// the file for itself alone, never takes it.
OpenedForWriting CreateTemporary(const std::string& path, const std::string&) {
    return OpenForWriting(path, CREATE_NEW, FILE_SHARE_READ | FILE_SHARE_DELETE);
}

OpenedForWriting OpenInPlace(const std::string& path) {
    return OpenForWriting(path, OPEN_EXISTING, FILE_SHARE_READ);
}

void GiveNewFileRights(WriteHandle&) {}

std::optional<std::string> CommitTemporary(WriteHandle& temporary, const std::string& to) {
    auto failure = ReplaceFile(temporary.path(), to);
    temporary.close();
    return failure;
}

// Opened for itself alone, which fails while a save has the file open.
void DeleteLeftover(const std::string& path) {
    const HANDLE file = ::CreateFileA(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        ::CloseHandle(file);
}

OpenedForReading OpenForReading(const std::string& path, bool regularOnly) {
    OpenedForReading opened;
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // The C runtime names the reason in the words the rest of the program uses.
        opened.file = std::fopen(path.c_str(), "rb");
        if (opened.file == nullptr)
            opened.error = path + ": " + std::strerror(errno);
        return opened;
    }
    if (regularOnly && ::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        opened.notRegular = true;
        opened.error = path + ": is not a regular file";
        return opened;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(file);
        opened.error = path + ": " + std::strerror(errno);
        return opened;
    }
    opened.file = ::_fdopen(fd, "rb");
    if (opened.file == nullptr) {
        opened.error = path + ": " + std::strerror(errno);
        ::_close(fd);
    }
    return opened;
}

bool ForEachInFolder(const std::string& folder,
                     const std::function<bool(const DirEntryView&)>& visit) {
    if (folder.empty())
        return false;
    const std::string pattern = folder + (EndsWithSeparator(folder) ? "" : "\\") + "*.*";
    WIN32_FIND_DATAA found{};
    const FindHandle handle(::FindFirstFileA(pattern.c_str(), &found));
    if (!handle.valid()) {
        // A drive's root has no "." or "..": when it is empty, nothing matches at all.
        return ::GetLastError() == ERROR_FILE_NOT_FOUND && FolderExists(folder);
    }
    do {
        const std::string_view name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        const DWORD attributes = found.dwFileAttributes;
        const bool isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        DirEntryView entry;
        entry.name = name;
        entry.isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entry.isFolder = isDirectory && !entry.isLink;
        entry.isFile = !isDirectory && !entry.isLink && (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
        if (!visit(entry))
            break;
    } while (::FindNextFileA(handle.get(), &found) != 0);
    return true;
}

bool SameFileName(std::string_view a, std::string_view b) {
    if (a.size() != b.size() && (IsAscii(a) || IsAscii(b)))
        return false;
    if (IsAscii(a) && IsAscii(b)) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
                return false;
        }
        return true;
    }
    // Other letters fold the way the file system folds them: by the ordinal upper-case
    // table, on the names in UTF-16.
    wchar_t wideA[MAX_PATH];
    wchar_t wideB[MAX_PATH];
    const int lengthA = ToWide(a, wideA, MAX_PATH);
    const int lengthB = ToWide(b, wideB, MAX_PATH);
    if (lengthA == 0 || lengthB == 0)
        return a == b;
    return ::CompareStringOrdinal(wideA, lengthA, wideB, lengthB, TRUE) == CSTR_EQUAL;
}

bool SkipInDiskSearch(std::string_view) {
    return false;
}

std::vector<std::string> MountPointsBelow(const std::string&) {
    return {};
}

std::string ProgramsFolder() {
    return "C:\\program files";
}

bool ProgramsHaveExeSuffix() {
    return true;
}

bool IsProgramFile(const std::string& path) {
    if (path.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool RunProgram(const std::string& commandLine, const std::function<void()>& whileWaiting) {
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::string mutableLine = commandLine;
    mutableLine.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                         &startup, &process) == 0)
        return false;
    if (whileWaiting) {
        while (::WaitForSingleObject(process.hProcess, kWaitSliceMs) == WAIT_TIMEOUT)
            whileWaiting();
    } else {
        ::WaitForSingleObject(process.hProcess, INFINITE);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

namespace {

// CreateProcessA as RunProgram starts a line; the reason when it could not.
std::optional<std::string> CreateFromLine(const std::string& commandLine,
                                          PROCESS_INFORMATION& process) {
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::string mutableLine = commandLine;
    mutableLine.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                         &startup, &process) == 0)
        return SystemErrorText(::GetLastError());
    // The thread handle is never used.
    ::CloseHandle(process.hThread);
    return std::nullopt;
}

} // namespace

StartedProgram::~StartedProgram() {
    if (m_handle != kNone)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

StartedProgram::StartedProgram(StartedProgram&& other) noexcept
    : m_handle(std::exchange(other.m_handle, kNone)), m_ended(other.m_ended) {}

StartedProgram& StartedProgram::operator=(StartedProgram&& other) noexcept {
    if (this != &other) {
        if (m_handle != kNone)
            ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
        m_handle = std::exchange(other.m_handle, kNone);
        m_ended = other.m_ended;
    }
    return *this;
}

bool StartedProgram::hasEnded() {
    if (m_handle == kNone || m_ended)
        return true;
    m_ended = ::WaitForSingleObject(reinterpret_cast<HANDLE>(m_handle), 0) != WAIT_TIMEOUT;
    return m_ended;
}

struct StartedProgramAccess {
    static void set(StartedProgram& program, HANDLE process) {
        program.m_handle = reinterpret_cast<std::intptr_t>(process);
    }
};

ProgramStart StartProgram(const std::string& commandLine) {
    ProgramStart start;
    PROCESS_INFORMATION process{};
    if (std::optional<std::string> error = CreateFromLine(commandLine, process))
        start.error = std::move(*error);
    else
        StartedProgramAccess::set(start.program, process.hProcess);
    return start;
}

std::optional<std::string> StartDetachedProgram(const std::string& commandLine) {
    PROCESS_INFORMATION process{};
    if (std::optional<std::string> error = CreateFromLine(commandLine, process))
        return error;
    ::CloseHandle(process.hProcess);
    return std::nullopt;
}

std::optional<std::string> FindOnSearchPath(const std::string& name) {
    char found[MAX_PATH];
    const DWORD length = ::SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return std::nullopt;
    return std::string(found, length);
}

std::vector<std::string> SearchPathFolders() {
    const char* const variable = std::getenv("PATH");
    return variable != nullptr ? SplitNonEmpty(variable, ';') : std::vector<std::string>{};
}

bool HasDesktopEditor() {
    return false;
}

std::string_view LocateEditorsCaption() {
    return "Locate Windows Editors";
}

void UseBinaryStandardOutput() {
    std::fflush(stdout);
    ::_setmode(::_fileno(stdout), _O_BINARY);
}

void UseBinaryStandardInput() {
    ::_setmode(::_fileno(stdin), _O_BINARY);
}

std::string_view NativeLineEnd() {
    return "\r\n";
}

namespace {

std::string Convert(std::string_view text, UINT from, UINT to) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int wideLength = ::MultiByteToWideChar(from, 0, text.data(), size, nullptr, 0);
    if (wideLength <= 0)
        return std::string(text);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(from, 0, text.data(), size, wide.data(), wideLength);
    const int length =
        ::WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string(text);
    std::string out(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), length, nullptr, nullptr);
    return out;
}

} // namespace

std::string Utf8ToSystemText(std::string_view utf8) {
    return Convert(utf8, CP_UTF8, CP_ACP);
}

std::string SystemTextToUtf8(std::string_view text) {
    return Convert(text, CP_ACP, CP_UTF8);
}

std::string ValidUtf8(std::string_view utf8) {
    return Convert(utf8, CP_UTF8, CP_UTF8);
}

} // namespace varscope::core::platform
