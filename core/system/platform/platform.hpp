#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What differs between Windows and POSIX. Paths are bytes in the system code page.
namespace varscope::core::platform {

// '\\' on Windows, '/' elsewhere.
char Separator();
// "C:\\" on Windows, "/" elsewhere: where the disk search starts.
std::string SystemRoot();

// True on Windows, where texts from reports and files are in the system code page; elsewhere
// they are shown as UTF-8 when valid, else as Windows-1252 (reports copied from Windows).
bool TextIsInSystemCodePage();

// True where the system's HTML Help viewer "hh" exists to open a compiled help file (Windows).
bool HasHtmlHelpViewer();

// Where the system keeps its font files, for a font database that reads a folder (Qt's
// offscreen platform on Windows): the Windows folder's Fonts. Empty where fonts are found
// otherwise (fontconfig on POSIX).
std::string SystemFontsFolder();

// The folder of the running executable, without a trailing separator.
std::string ExecutableFolder();

// This user's own folder for the program's files: $XDG_CONFIG_HOME/varscope
// (~/.config/varscope) or %APPDATA%\Varscope. Not made here: the first save makes it.
// Empty when the system names none.
std::string UserProgramFolder();

// Sets an environment variable of this process (an empty value removes it where the system
// allows, else leaves it empty); false when the system refused.
bool SetEnvironmentValue(const std::string& name, const std::string& value);

// Makes `folder` and the folders above it that are missing; the reason on failure.
std::optional<std::string> MakeFolders(const std::string& folder);

// Whether a new file can be made in `folder` (tried, since rights alone do not tell on
// Windows).
bool CanCreateFilesIn(const std::string& folder);

// A file (not a folder) that an ordinary directory search finds: on Windows hidden and
// system files do not count.
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Windows: the read-only attribute. POSIX: the user may not write the file.
bool IsReadOnly(const std::string& path);

std::string CurrentFolder();
bool SetCurrentFolder(const std::string& path);

// Copies over an existing file; an error text on failure.
std::optional<std::string> CopyFileOver(const std::string& from, const std::string& to);
std::optional<std::string> DeleteFile(const std::string& path);
// Renames over an existing file in one step, so readers see the old or the new file.
std::optional<std::string> ReplaceFile(const std::string& from, const std::string& to);
// Makes a new empty file, failing when something of that name exists already.
std::optional<std::string> CreateNewFile(const std::string& path);
// The file that writing to `path` should change: the end of a chain of symbolic links, also
// when that end does not exist yet, else `path` itself.
std::string WriteTarget(const std::string& path);

// What a path names, links followed.
enum class FileKind { Missing, Regular, Folder, Other };
FileKind KindOf(const std::string& path);

// A file open for writing, closed when it goes. Reasons are the system's words alone; the
// caller names the file the user knows.
class WriteHandle final {
public:
    WriteHandle() = default;
    ~WriteHandle();
    WriteHandle(WriteHandle&& other) noexcept;
    WriteHandle& operator=(WriteHandle&& other) noexcept;
    WriteHandle(const WriteHandle&) = delete;
    WriteHandle& operator=(const WriteHandle&) = delete;

    bool isOpen() const { return m_handle != kClosed; }
    const std::string& path() const { return m_path; }
    // All of `bytes` after what was written before.
    std::optional<std::string> write(std::string_view bytes);
    // Room on the disk for the file's first `size` bytes, its content kept; the file may
    // grow to `size`. On failure the file is as it was.
    std::optional<std::string> reserve(std::uint64_t size);
    // Makes the file `size` bytes long.
    std::optional<std::string> cutTo(std::uint64_t size);
    // Makes what was written reach the disk.
    std::optional<std::string> sync();
    std::optional<std::string> close();

private:
    friend struct WriteHandleAccess;
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t m_handle = kClosed;
    std::string m_path;
};

struct OpenedForWriting {
    WriteHandle file;
    std::string error;    // why it is not open
    bool exists = false;  // the name was taken
    bool refused = false; // the user may not write there (POSIX EACCES, EPERM, EROFS)
};
// Makes `path` as a new file open for writing, failing when the name is taken. It is made
// with the access rights (and, where allowed, the owner) of `like`, or readable by its owner
// alone when `like` is empty, so no byte of it is ever readable by more users than the file
// it replaces; while it is open, DeleteLeftover leaves it alone.
OpenedForWriting CreateTemporary(const std::string& path, const std::string& like);
// The existing file `path` open for writing from its start, nothing cut.
OpenedForWriting OpenInPlace(const std::string& path);
// Gives a file made by CreateTemporary the rights any new file gets (POSIX: 0666 less the
// umask).
void GiveNewFileRights(WriteHandle& file);
// Renames `temporary` over `to` in one step, so readers see the old or the new file, and
// closes it; a reason naming `to` on failure.
std::optional<std::string> CommitTemporary(WriteHandle& temporary, const std::string& to);
// Deletes a temporary file that a killed save left behind; one that a save still has open
// stays.
void DeleteLeftover(const std::string& path);

struct OpenedForReading {
    std::FILE* file = nullptr;
    std::string error;       // why it is not open, the file named
    bool notRegular = false; // refused as not a regular file
};
// Opens `path` for reading. With `regularOnly` anything but a regular file is refused, and
// without waiting at open (a FIFO with no writer). Saves may replace the file while it is
// open (Windows too).
OpenedForReading OpenForReading(const std::string& path, bool regularOnly);

struct DirEntry {
    std::string name;
    bool isFolder = false;
    bool isFile = false; // a regular file
    bool isLink = false; // symbolic link, junction or other reparse point: never followed
};
// Entries of a folder in the platform's enumeration order, without "." and "..";
// nullopt when the folder cannot be listed.
std::optional<std::vector<DirEntry>> ListFolder(const std::string& folder);

// One entry as ForEachInFolder sees it; `name` is valid only during the call.
struct DirEntryView {
    std::string_view name;
    bool isFolder = false;
    bool isFile = false;
    bool isLink = false;
};
// Calls `visit` for each entry of `folder` in the same order and with the same rules as
// ListFolder, without copying names, until it returns false. Returns false only when the
// folder cannot be opened. Walks of whole disks use this, so it must not allocate per entry
// and should take the entry's type from the enumeration itself where the system gives it.
bool ForEachInFolder(const std::string& folder,
                     const std::function<bool(const DirEntryView&)>& visit);

// Whether two file names name the same entry of a folder: ignoring letter case on Windows,
// exactly elsewhere.
bool SameFileName(std::string_view a, std::string_view b);

// Folders the disk search never enters, given with a trailing separator: the kernel's
// pseudo file systems /proc/, /sys/ and /dev/ on POSIX; none on Windows.
bool SkipInDiskSearch(std::string_view folder);

// Where other file systems are mounted below `folder`: paths relative to it, each with a
// trailing separator, sorted. Read from the system's mount table, so that the disk search
// can stay on the file system it started on without touching a mount that may hang (none
// on Windows, where the search stays on its drive as a mounted volume is a reparse point).
std::vector<std::string> MountPointsBelow(const std::string& folder);

// Where programs are installed and how they are picked: "C:\program files" and "*.Exe" on
// Windows; "/usr/bin" and any executable file elsewhere.
std::string ProgramsFolder();
bool ProgramsHaveExeSuffix();
// A file the system can start as a program: on Windows an existing file; elsewhere a
// regular file (links followed) that the user may execute.
bool IsProgramFile(const std::string& path);

// Starts a command line and waits until the program has ended. Returns false when it
// could not be started. Everything outside this layer calls core::RunProgram instead. While
// waiting, `whileWaiting` (when set) is called every few milliseconds so a window can repaint.
bool RunProgram(const std::string& commandLine, const std::function<void()>& whileWaiting = {});

// A program started without waiting for it; the owner asks now and then whether it has
// ended, so a window stays usable meanwhile.
class StartedProgram final {
public:
    StartedProgram() = default;
    // One that has not ended yet is let go: it runs on (on POSIX its exit status is then
    // collected only when Varscope itself ends, so owners poll until hasEnded()).
    ~StartedProgram();
    StartedProgram(StartedProgram&& other) noexcept;
    StartedProgram& operator=(StartedProgram&& other) noexcept;
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool isStarted() const { return m_handle != kNone; }
    // Never blocks; true also for a program that never started.
    bool hasEnded();

private:
    friend struct StartedProgramAccess;
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t m_handle = kNone; // the process id on POSIX, its handle on Windows
    bool m_ended = false;
};

struct ProgramStart {
    StartedProgram program;
    std::string error; // why it could not start, in the system's words; empty when it did
};
// Starts a command line (found and split as RunProgram does) without waiting.
ProgramStart StartProgram(const std::string& commandLine);

// Starts a command line and returns as soon as the program runs, keeping nothing of it: the
// program outlives the caller and leaves nothing to collect. The reason, in the system's
// words, when it could not start.
std::optional<std::string> StartDetachedProgram(const std::string& commandLine);

// Where `name` (a bare program name) is found on the search path; nullopt when nowhere.
std::optional<std::string> FindOnSearchPath(const std::string& name);

// The folders of the search path, in order, empty entries left out.
std::vector<std::string> SearchPathFolders();

// Whether files are opened with the desktop's own editor when the user has chosen none
// ($VISUAL, $EDITOR, xdg-open): POSIX desktops; not Windows, where the user picks one.
bool HasDesktopEditor();

// The caption of the editor dialog's search button, named for what it searches here.
std::string_view LocateEditorsCaption();

// The words of a command line, split the way Windows splits them (double quotes group).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// `word` in double quotes, its quotes and the backslashes before them and at its end
// escaped, so that SplitCommandLine gives it back exactly, whatever bytes it holds.
std::string QuoteCommandWord(std::string_view word);

// Makes standard output carry bytes unchanged; Windows would write "\r\n" for each "\n".
void UseBinaryStandardOutput();
// Makes standard input give bytes unchanged; Windows would drop the "\r" of each "\r\n".
void UseBinaryStandardInput();
// The line end the system's own text tools expect: "\r\n" on Windows, "\n" elsewhere.
std::string_view NativeLineEnd();

// Texts between the system code page and UTF-8, converted as the system converts them: a
// character the code page lacks becomes its nearest look-alike or '?', a byte sequence that
// is not UTF-8 becomes U+FFFD. Where texts are UTF-8 already (POSIX) all three return the
// text unchanged.
std::string Utf8ToSystemText(std::string_view utf8);
std::string SystemTextToUtf8(std::string_view text);
std::string ValidUtf8(std::string_view utf8);

} // namespace varscope::core::platform
