#include "core/system/fileio.hpp"

#include "core/system/platform/platform.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace varscope::core {

std::string JoinPath(std::string_view folder, std::string_view name) {
    const char separator = platform::Separator();
    std::string path(folder);
    if (path.empty() || path.back() != separator)
        path += separator;
    path += name;
    return path;
}

namespace {

std::string Reason(const std::string& path) {
    return path + ": " + std::strerror(errno);
}

constexpr std::string_view kReadOnly = "the file is read-only";

} // namespace

namespace {

ReadResult ReadWhole(const std::string& path, bool regularOnly) {
    ReadResult result;
    if (platform::FolderExists(path)) {
        result.error = path + ": is a folder";
        return result;
    }
    const platform::OpenedForReading opened = platform::OpenForReading(path, regularOnly);
    if (opened.notRegular) {
        result.bytes.emplace();
        return result;
    }
    std::FILE* const file = opened.file;
    if (file == nullptr) {
        result.error = opened.error;
        return result;
    }
    std::string bytes;
    // Reports reach hundreds of MB: the buffer is made once at the file's size and written
    // once, through a small chunk that stays in the cache (resizing first would write it
    // twice).
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        if (size > 0)
            bytes.reserve(static_cast<std::size_t>(size));
    }
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        result.error = Reason(path);
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

} // namespace

ReadResult ReadWholeFile(const std::string& path) {
    return ReadWhole(path, false);
}

ReadResult ReadRegularFile(const std::string& path) {
    return ReadWhole(path, true);
}

ReadResult ReadStandardInput() {
    platform::UseBinaryStandardInput();
    ReadResult result;
    std::string bytes;
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0)
        bytes.append(chunk, got);
    if (std::ferror(stdin) != 0) {
        result.error = Reason("standard input");
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

FileBlocks::FileBlocks(const std::string& path) : m_path(path) {
    if (platform::FolderExists(path)) {
        m_error = path + ": is a folder";
        return;
    }
    const platform::OpenedForReading opened = platform::OpenForReading(path, false);
    m_file = opened.file;
    if (m_file == nullptr) {
        m_error = opened.error;
        return;
    }
    // Pieces go from the system straight into the caller's memory.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
}

FileBlocks::~FileBlocks() {
    if (m_file != nullptr)
        std::fclose(m_file);
}

std::size_t FileBlocks::read(char* into, std::size_t size) {
    if (m_file == nullptr || !m_error.empty())
        return 0;
    const std::size_t got = std::fread(into, 1, size, m_file);
    if (got < size && std::ferror(m_file) != 0)
        m_error = Reason(m_path);
    return m_error.empty() ? got : 0;
}

namespace {

// A temporary file is named "." + the file's name (its first bytes, for a long one) + "~" +
// eight hex digits + ".tmp": short whatever the name, and telling whose it is.
constexpr std::size_t kNameBytesKept = 64;
constexpr std::size_t kRandomDigits = 8;
constexpr std::string_view kTemporaryEnd = ".tmp";
// Compared against the old file in these; small, so memory stays flat.
constexpr std::size_t kCompareBlock = std::size_t{1} << 16;

std::string TemporaryHead(std::string_view name) {
    std::string head = ".";
    head += name.substr(0, kNameBytesKept);
    // A name cut short never ends inside a character of several bytes.
    if (name.size() > kNameBytesKept) {
        while (static_cast<unsigned char>(head.back()) >= 0x80)
            head.pop_back();
    }
    head += '~';
    return head;
}

bool IsTemporaryOf(std::string_view entry, std::string_view head) {
    if (entry.size() != head.size() + kRandomDigits + kTemporaryEnd.size() ||
        !entry.starts_with(head) || !entry.ends_with(kTemporaryEnd))
        return false;
    for (const char c : entry.substr(head.size(), kRandomDigits)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

} // namespace

AtomicFileWriter::AtomicFileWriter(const std::string& path, NonRegularTarget nonRegular)
    : m_target(platform::WriteTarget(path)) {
    if (m_target.empty()) {
        m_failure = "no file name was given";
        return;
    }
    switch (platform::KindOf(m_target)) {
    case platform::FileKind::Folder:
        fail("is a folder");
        return;
    case platform::FileKind::Other: {
        if (nonRegular == NonRegularTarget::Refuse) {
            fail("is not a regular file, so it is not written over");
            return;
        }
        platform::OpenedForWriting device = platform::OpenInPlace(m_target);
        if (!device.file.isOpen()) {
            fail(device.error);
            return;
        }
        m_file = std::move(device.file);
        m_mode = Mode::Through;
        return;
    }
    case platform::FileKind::Regular:
        m_exists = true;
        break;
    case platform::FileKind::Missing:
        break;
    }
    if (m_exists) {
        // A file that cannot be read is taken as different.
        m_old = platform::OpenForReading(m_target, true).file;
        // Renaming over a read-only file succeeds on POSIX; Windows refuses, and so do we,
        // unless nothing changes.
        if (platform::IsReadOnly(m_target)) {
            fail(kReadOnly);
            if (m_old != nullptr)
                m_mode = Mode::CompareOnly;
            return;
        }
    }
    const std::size_t slash = m_target.find_last_of(std::string("/") + platform::Separator());
    const std::string folder =
        slash == std::string::npos ? std::string() : m_target.substr(0, slash + 1);
    const std::string head = TemporaryHead(
        std::string_view(m_target).substr(slash == std::string::npos ? 0 : slash + 1));
    deleteLeftovers(folder, head);

    std::random_device random;
    platform::OpenedForWriting temporary;
    // A name taken already is tried again; a folder that refuses new files refuses them all.
    for (int attempt = 0; attempt < 8; ++attempt) {
        char digits[kRandomDigits + 1];
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(random()));
        temporary = platform::CreateTemporary(folder + head + digits + std::string(kTemporaryEnd),
                                              m_exists ? m_target : std::string());
        if (temporary.file.isOpen()) {
            m_file = std::move(temporary.file);
            m_mode = Mode::Temporary;
            return;
        }
        if (!temporary.exists)
            break;
    }
    // A folder the user may not write may still hold a file the user may: it is written in
    // place, as the Windows profile functions do. Any other failure (a full disk, no free
    // entry) keeps the old file.
    if (temporary.refused && m_exists) {
        m_mode = Mode::InPlace;
        return;
    }
    fail(temporary.error);
}

AtomicFileWriter::~AtomicFileWriter() {
    stopComparing();
    dropTemporary();
}

void AtomicFileWriter::fail(std::string_view why) {
    if (!m_failure)
        m_failure = m_target + ": " + std::string(why);
    dropTemporary();
    m_inPlace = std::string();
    // Equal bytes save nothing, so they still succeed.
    m_mode = m_old != nullptr ? Mode::CompareOnly : Mode::Failed;
}

void AtomicFileWriter::stopComparing() {
    if (m_old != nullptr)
        std::fclose(m_old);
    m_old = nullptr;
    m_block = std::string();
    if (m_mode == Mode::CompareOnly)
        m_mode = Mode::Failed;
}

void AtomicFileWriter::compare(std::string_view bytes) {
    while (m_old != nullptr && !bytes.empty()) {
        const std::size_t piece = std::min(bytes.size(), kCompareBlock);
        m_block.resize(kCompareBlock);
        if (std::fread(m_block.data(), 1, piece, m_old) != piece ||
            std::memcmp(m_block.data(), bytes.data(), piece) != 0) {
            stopComparing();
            return;
        }
        bytes.remove_prefix(piece);
    }
}

void AtomicFileWriter::dropTemporary() {
    if (m_mode != Mode::Temporary || !m_file.isOpen())
        return;
    const std::string temporary = m_file.path();
    m_file.close();
    platform::DeleteFile(temporary);
}

void AtomicFileWriter::deleteLeftovers(const std::string& folder, std::string_view head) const {
    std::vector<std::string> leftovers;
    platform::ForEachInFolder(folder.empty() ? std::string(".") : folder,
                              [&](const platform::DirEntryView& entry) {
                                  if (entry.isFile && IsTemporaryOf(entry.name, head))
                                      leftovers.emplace_back(entry.name);
                                  return true;
                              });
    for (const std::string& name : leftovers)
        platform::DeleteLeftover(folder + name);
}

bool AtomicFileWriter::write(std::string_view bytes) {
    if (m_mode == Mode::Failed || m_committed)
        return false;
    if (m_mode != Mode::Through)
        compare(bytes);
    switch (m_mode) {
    case Mode::Temporary:
    case Mode::Through:
        if (const auto why = m_file.write(bytes))
            fail(*why);
        break;
    case Mode::InPlace:
        m_inPlace.append(bytes);
        break;
    case Mode::CompareOnly:
    case Mode::Failed:
        break;
    }
    return m_mode != Mode::Failed;
}

std::optional<std::string> AtomicFileWriter::commit() {
    if (m_committed)
        return m_failure;
    m_committed = true;
    char beyond = 0;
    const bool same =
        m_old != nullptr && std::fread(&beyond, 1, 1, m_old) == 0 && std::ferror(m_old) == 0;
    stopComparing();
    if (same) {
        dropTemporary();
        m_failure.reset();
        return std::nullopt;
    }
    switch (m_mode) {
    case Mode::Temporary: {
        // On disk before the rename, so a power cut leaves the old file or the new one whole.
        if (const auto why = m_file.sync()) {
            fail(*why);
            break;
        }
        if (!m_exists)
            platform::GiveNewFileRights(m_file);
        const std::string temporary = m_file.path();
        if (auto failure = platform::CommitTemporary(m_file, m_target)) {
            m_file.close();
            platform::DeleteFile(temporary);
            m_failure = std::move(failure);
        }
        break;
    }
    case Mode::InPlace:
        m_failure = writeInPlace();
        break;
    case Mode::Through:
        if (const auto why = m_file.close())
            fail(*why);
        break;
    case Mode::CompareOnly:
    case Mode::Failed:
        break;
    }
    return m_failure;
}

std::optional<std::string> AtomicFileWriter::writeInPlace() {
    const auto named = [this](std::string_view why) {
        return std::optional<std::string>(m_target + ": " + std::string(why));
    };
    platform::OpenedForWriting opened = platform::OpenInPlace(m_target);
    if (!opened.file.isOpen())
        return named(opened.error);
    platform::WriteHandle& file = opened.file;
    // The room first: without it nothing of the old file is touched.
    if (const auto why = file.reserve(m_inPlace.size()))
        return named(*why);
    std::optional<std::string> why = file.write(m_inPlace);
    if (!why)
        why = file.cutTo(m_inPlace.size());
    if (!why)
        why = file.sync();
    const auto closed = file.close();
    if (!why)
        why = closed;
    return why ? named(*why) : std::nullopt;
}

std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes) {
    AtomicFileWriter file(path);
    file.write(bytes);
    return file.commit();
}

} // namespace varscope::core
