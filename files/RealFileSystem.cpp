#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <random>
#include <sstream>
#include <unordered_map>

#include "core/FileRecord.h"
#include "files/FileSystem.h"
#include "files/FolderNames.h"
#include "files/NameCase.h"
#include "files/Sha256.h"

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#endif

namespace quorlane::files {

namespace fs = std::filesystem;

namespace {

[[maybe_unused]] FileError fromErrno(int error, const PathString& path)
{
    return classify(std::error_code(error, std::generic_category()), path);
}

Status fromCode(const std::error_code& error, const PathString& path)
{
    if (!error) {
        return {};
    }
    return classify(error, path);
}

// The path without trailing separators, the root itself excepted.
PathString withoutTrailingSeparators(PathString path)
{
    while (path.size() > 1 && path.back() == core::pathSeparator) {
        path.pop_back();
    }
    return path;
}

std::u16string nameText(const fs::path& path)
{
    return core::TextFromPath(path.filename().native());
}

void sortByName(std::vector<PathString>& paths)
{
    std::sort(paths.begin(), paths.end(), [](const PathString& a, const PathString& b) {
        return NameOrder(nameText(a), nameText(b));
    });
}

#ifndef _WIN32
// A file descriptor that closes itself.
class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now, so that a failure to close can be told.
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A stream buffer that writes to a file descriptor, keeping the first error.
// Why file, just opened for reading, cannot be read as a page: the open or its status failed,
// or it is no regular file (a folder, a device, a pipe); nothing when it can. info is its status.
Status openedRegularFile(const Descriptor& file, struct stat& info, const PathString& path)
{
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0) {
        return fromErrno(errno, path);
    }
    if (!S_ISREG(info.st_mode)) {
        return S_ISDIR(info.st_mode) ? fromErrno(EISDIR, path) : NotRegularFileError(path);
    }
    return {};
}

class DescriptorBuffer : public std::streambuf
{
public:
    explicit DescriptorBuffer(int fd)
        : m_fd(fd)
    {
        setp(m_buffer, m_buffer + sizeof m_buffer);
    }
    int error() const { return m_error; }

protected:
    int_type overflow(int_type c) override
    {
        if (!drain()) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        if (n < static_cast<std::streamsize>(sizeof m_buffer)) {
            return std::streambuf::xsputn(s, n);
        }
        // Large pieces go straight to the file.
        if (!drain() || !writeAll(m_fd, std::string_view(s, static_cast<std::size_t>(n)))) {
            m_error = m_error != 0 ? m_error : errno;
            return 0;
        }
        return n;
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain()
    {
        const std::size_t held = static_cast<std::size_t>(pptr() - pbase());
        if (m_error != 0 || (held > 0 && !writeAll(m_fd, std::string_view(pbase(), held)))) {
            m_error = m_error != 0 ? m_error : errno;
            return false;
        }
        setp(m_buffer, m_buffer + sizeof m_buffer);
        return true;
    }

    int m_fd;
    int m_error = 0;
    char m_buffer[1 << 16];
};

constexpr std::string_view temporaryPrefix = ".quorlane-";
constexpr std::string_view temporarySuffix = ".tmp";

// The folder part of path, "." for a bare name, so that it can be opened.
PathString folderOf(const PathString& path)
{
    const PathString folder = core::getFilePathOnly(path);
    return folder.empty() ? PathString(".") : folder;
}

// ".quorlane-" + the writer's process id + "-" + a random number + ".tmp", beside path: the
// process id tells a later run whether the writer still lives.
PathString temporaryName(const PathString& path)
{
    static std::mt19937_64 random{std::random_device{}()};
    return core::getFilePathOnly(path) + std::string(temporaryPrefix) + std::to_string(::getpid()) +
           "-" + std::to_string(random()) + std::string(temporarySuffix);
}

// The process id in a temporary file's name, or 0 when name is not one.
pid_t writerOfTemporary(std::string_view name)
{
    if (!name.starts_with(temporaryPrefix) || !name.ends_with(temporarySuffix)) {
        return 0;
    }
    name.remove_prefix(temporaryPrefix.size());
    name.remove_suffix(temporarySuffix.size());
    const std::size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size()) {
        return 0;
    }
    const auto digits = [](std::string_view text) {
        return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(name.substr(0, dash)) || !digits(name.substr(dash + 1)) || dash > 9) {
        return 0;
    }
    return static_cast<pid_t>(std::stol(std::string(name.substr(0, dash))));
}

std::int64_t nanoseconds(const struct timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileStamp stampOf(const struct stat& info)
{
    return {{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)},
            static_cast<std::uint64_t>(info.st_size),
            nanoseconds(info.st_mtim),
            nanoseconds(info.st_ctim),
            static_cast<std::uint64_t>(info.st_nlink),
            (info.st_mode & S_IWUSR) == 0};
}

// Makes what was written to the folder (a new name, a rename) last through a power cut.
int syncFolder(const PathString& folder)
{
    Descriptor handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.get() < 0) {
        return 0; // a folder that may be written but not read: it cannot be synced
    }
    // EINVAL: a file system that cannot sync a folder, where there is nothing more to do.
    return ::fsync(handle.get()) == 0 || errno == EINVAL ? 0 : errno;
}

// Gives the open file the permission bits of like and, where the process may, its owner and
// group. A file left in another group than like's loses its group bits: the members of that
// group could not read like. Gives 0 or the error number.
int takeModeOf(int fd, const struct stat& like)
{
    mode_t mode = like.st_mode & 0777;
    if (::fchown(fd, like.st_uid, like.st_gid) != 0) {
        struct stat own
        {
        };
        if (::fchown(fd, static_cast<uid_t>(-1), like.st_gid) != 0 &&
            (::fstat(fd, &own) != 0 || own.st_gid != like.st_gid)) {
            mode &= ~static_cast<mode_t>(0070);
        }
    }
    return ::fchmod(fd, mode) == 0 ? 0 : errno;
}
#endif

} // namespace

Status FileSystem::writeFileFrom(const PathString& path, const FileContent& content,
                                 Durability durability, const WriteCheck& check)
{
    std::ostringstream bytes;
    if (!content(bytes)) {
        return RejectedError(path);
    }
    return writeFile(path, std::move(bytes).str(), durability, check);
}

Result<PathString> FileSystem::writeTemporaryFrom(const PathString& beside,
                                                  const FileContent& content,
                                                  const WriteCheck& check)
{
    PathString written = TemporaryNameBeside(beside);
    if (Status failure = writeFileFrom(written, content, Durability::Renamed, check);
        failure.failed()) {
        FileError error = std::move(failure).error();
        error.path = beside;
        return error;
    }
    return written;
}

Status FileSystem::readFileInPieces(const PathString& path, const FilePieces& pieces)
{
    std::string bytes;
    if (Result<FileStamp> read = readFile(path, bytes); read.failed()) {
        return read.error();
    }
    pieces(bytes);
    return {};
}

Result<std::string> FileSystem::readPart(const PathString& path, std::uint64_t offset,
                                         std::size_t count)
{
    std::string bytes;
    if (Result<FileStamp> read = readFile(path, bytes); read.failed()) {
        return read.error();
    }
    return offset >= bytes.size() ? std::string() : bytes.substr(offset, count);
}

std::optional<PathString> FileSystem::resolvedPath(const PathString& path)
{
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    if (error) {
        return std::nullopt;
    }
    return resolved.native();
}

bool FileSystem::isSystemFolder(const PathString&)
{
    return false;
}

bool NameOrder(std::u16string_view a, std::u16string_view b)
{
    const auto fold = [](char16_t c) {
        return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
    };
    const auto folded =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                     [&](char16_t x, char16_t y) { return fold(x) < fold(y); });
    const auto foldedBack =
        std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                     [&](char16_t x, char16_t y) { return fold(x) < fold(y); });
    if (folded != foldedBack) {
        return folded;
    }
    return a < b;
}

#ifndef _WIN32

Result<FileStamp> RealFileSystem::readFile(const PathString& path, std::string& bytes)
{
    // Looked at before it is opened: opening a pipe waits for a writer, and opening a device
    // may act on it.
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0) {
        return fromErrno(errno, path);
    }
    if (S_ISDIR(info.st_mode)) {
        return fromErrno(EISDIR, path);
    }
    if (!S_ISREG(info.st_mode)) {
        return NotRegularFileError(path);
    }
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    // What was opened may have been put there since.
    if (Status opened = openedRegularFile(file, info, path); opened.failed()) {
        return opened.error();
    }
    FileStamp stamp = stampOf(info);
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fromErrno(errno, path);
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    // Written to while it was read: the stamp then tells the file from what was read.
    if (::fstat(file.get(), &info) == 0 && !(stampOf(info) == stamp)) {
        stamp = {};
    }
    return stamp;
}

std::optional<FileStamp> RealFileSystem::stamp(const PathString& path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return stampOf(info);
}

Status RealFileSystem::readFileInPieces(const PathString& path, const FilePieces& pieces)
{
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info
    {
    };
    if (Status opened = openedRegularFile(file, info, path); opened.failed()) {
        return opened;
    }
    // Pieces of at most 1 MiB; a small file is read in one piece, into a buffer of its size
    // (one byte more, to see the end in the same call) that nothing needs to clear first.
    const std::size_t size = std::min<std::size_t>(
        static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)) + 1, 1 << 20);
    const auto buffer = std::make_unique_for_overwrite<char[]>(size);
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer.get(), size);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fromErrno(errno, path);
        }
        if (got == 0) {
            return {};
        }
        pieces(std::string_view(buffer.get(), static_cast<std::size_t>(got)));
    }
}

namespace {

// What a fill gives when its content gave up: nothing is replaced (a Rejected failure).
constexpr int gaveUp = -1;

// Writes a new file at the free name temporary: fill writes its bytes (giving 0, the error
// number of what failed, or gaveUp), then check sees the complete file. like: the file whose
// permission bits and owner it takes, if any; else mode, if given. Nothing is left on a
// failure, which concerns reportAs: the file the caller asked for.
Status writeNewFile(const PathString& temporary, const PathString& reportAs,
                    const struct stat* like, std::optional<mode_t> mode,
                    const std::function<int(int fd)>& fill, Durability durability,
                    const WriteCheck& check)
{
    Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        return fromErrno(errno, reportAs);
    }
    const auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        return fromErrno(error, reportAs);
    };
    // Held while the file is written, so that no other run takes it for a stale one. A file
    // system without such locks has the writer's process id in the name to go by.
    ::flock(file.get(), LOCK_EX | LOCK_NB);
    // A file replaced keeps its permission bits and, where the process may, its owner.
    if (like != nullptr) {
        if (const int error = takeModeOf(file.get(), *like)) {
            return fail(error);
        }
    } else if (mode && ::fchmod(file.get(), *mode) != 0) {
        return fail(errno);
    }
    if (const int error = fill(file.get())) {
        if (error == gaveUp) {
            ::unlink(temporary.c_str());
            return RejectedError(reportAs);
        }
        return fail(error);
    }
    if (durability == Durability::Synced && ::fsync(file.get()) != 0 && errno != EINVAL) {
        return fail(errno);
    }
    // Closed before the check and the rename: some file systems tell a failed write only when
    // the file is closed.
    if (file.close() != 0) {
        return fail(errno);
    }
    if (check && !check(temporary)) {
        ::unlink(temporary.c_str());
        return RejectedError(reportAs);
    }
    return {};
}

// Puts a new file at path in one step: written to a temporary file beside path (see
// writeNewFile), which then replaces the regular file that path names, if any. mode: the new
// file's permissions; none keeps those of the file replaced.
Status replaceFile(const PathString& path, std::optional<mode_t> mode,
                   const std::function<int(int fd)>& fill, Durability durability,
                   const WriteCheck& check)
{
    struct stat old
    {
    };
    const bool exists = ::lstat(path.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        return fromErrno(EISDIR, path);
    }
    if (exists && !S_ISREG(old.st_mode)) {
        return NotRegularFileError(path);
    }
    // Read-only means read-only, as on Windows, even to a user who could replace the file.
    if (exists && (old.st_mode & S_IWUSR) == 0) {
        return fromErrno(EACCES, path);
    }
    // Renamed only: the rename is what makes the replacement whole for every reader, and a
    // killed process cannot leave a half-written file behind it. Syncing every page would make
    // a large site take many times as long, so only what must outlive a power cut (a backup,
    // the only copy of a page that is about to be replaced) is synced.
    const PathString temporary = temporaryName(path);
    if (Status written = writeNewFile(temporary, path, !mode && exists ? &old : nullptr, mode, fill,
                                      durability, check);
        written.failed()) {
        return written;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return fromErrno(error, path);
    }
    if (durability == Durability::Synced) {
        if (const int error = syncFolder(folderOf(path))) {
            return fromErrno(error, path);
        }
    }
    return {};
}

// The bytes of content, written to the open file: 0, the error number of what failed, or
// gaveUp when content gave up.
int fillFrom(int fd, const FileContent& content)
{
    DescriptorBuffer buffer(fd);
    std::ostream out(&buffer);
    const bool made = content(out);
    if (!out.flush() || buffer.error() != 0) {
        return buffer.error() != 0 ? buffer.error() : EIO;
    }
    return made ? 0 : gaveUp;
}

} // namespace

Status RealFileSystem::writeFile(const PathString& path, std::string_view bytes,
                                 Durability durability, const WriteCheck& check)
{
    const auto fill = [bytes](int fd) { return writeAll(fd, bytes) ? 0 : errno; };
    return replaceFile(path, std::nullopt, fill, durability, check);
}

Status RealFileSystem::writeFileFrom(const PathString& path, const FileContent& content,
                                     Durability durability, const WriteCheck& check)
{
    const auto fill = [&content](int fd) { return fillFrom(fd, content); };
    return replaceFile(path, std::nullopt, fill, durability, check);
}

Result<PathString> RealFileSystem::writeTemporaryFrom(const PathString& beside,
                                                      const FileContent& content,
                                                      const WriteCheck& check)
{
    PathString written = temporaryName(beside);
    const auto fill = [&content](int fd) { return fillFrom(fd, content); };
    if (Status made =
            writeNewFile(written, beside, nullptr, std::nullopt, fill, Durability::Renamed, check);
        made.failed()) {
        return made.error();
    }
    return written;
}

Status RealFileSystem::copyFile(const PathString& from, const PathString& to, CopiedFile& copied,
                                const WriteCheck& check)
{
    struct stat info
    {
    };
    if (::stat(from.c_str(), &info) != 0) {
        return fromErrno(errno, from);
    }
    if (S_ISDIR(info.st_mode)) {
        return fromErrno(EISDIR, from);
    }
    if (!S_ISREG(info.st_mode)) {
        return NotRegularFileError(from);
    }
    Descriptor source(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (source.get() < 0) {
        return fromErrno(errno, from);
    }
    if (::fstat(source.get(), &info) != 0) {
        return fromErrno(errno, from);
    }
    if (!S_ISREG(info.st_mode)) {
        return NotRegularFileError(from);
    }
    // In pieces: a large picture or film is never held whole.
    Sha256 digest;
    std::uint64_t size = 0;
    const auto fill = [&](int fd) {
        char buffer[1 << 16];
        for (;;) {
            const ssize_t got = ::read(source.get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return got == 0 ? 0 : errno;
            }
            const std::string_view piece(buffer, static_cast<std::size_t>(got));
            digest.add(piece);
            size += piece.size();
            if (!writeAll(fd, piece)) {
                return errno;
            }
        }
    };
    const mode_t mode = (info.st_mode & 0777) | S_IWUSR;
    const WriteCheck measured = [&](const PathString& temporary) {
        copied = {size, digest.hex()};
        return !check || check(temporary);
    };
    return replaceFile(to, mode, fill, Durability::Renamed, measured);
}

Status RealFileSystem::createFile(const PathString& path, std::string_view bytes,
                                  const PathString& modeOf)
{
    struct stat like
    {
    };
    if (!modeOf.empty() && ::stat(modeOf.c_str(), &like) != 0) {
        return fromErrno(errno, path);
    }
    const PathString temporary = temporaryName(path);
    // Never readable by others while it is written, when it is to have another file's bits.
    Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                           modeOf.empty() ? 0666 : 0600));
    if (file.get() < 0) {
        return fromErrno(errno, path);
    }
    const auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        return fromErrno(error, path);
    };
    ::flock(file.get(), LOCK_EX | LOCK_NB);
    if (!modeOf.empty()) {
        if (const int error = takeModeOf(file.get(), like)) {
            return fail(error);
        }
    }
    if (!writeAll(file.get(), bytes)) {
        return fail(errno);
    }
    if (file.close() != 0) {
        return fail(errno);
    }
    // Put in place only under a free name.
    if (Status moved = moveToFreeName(temporary, path); moved.failed()) {
        ::unlink(temporary.c_str());
        return moved;
    }
    return {};
}

Status RealFileSystem::appendToFile(const PathString& path, std::string_view bytes,
                                    std::optional<std::uint64_t> cutAt)
{
    Descriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC));
    struct stat info
    {
    };
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0) {
        return fromErrno(errno, path);
    }
    if (!S_ISREG(info.st_mode)) {
        return NotRegularFileError(path);
    }
    if (cutAt && static_cast<std::uint64_t>(info.st_size) > *cutAt) {
        if (::ftruncate(file.get(), static_cast<off_t>(*cutAt)) != 0) {
            return fromErrno(errno, path);
        }
        info.st_size = static_cast<off_t>(*cutAt);
    }
    if (!writeAll(file.get(), bytes)) {
        const int error = errno;
        // Taken back, so that what is added next does not follow a torn piece.
        const int truncated = ::ftruncate(file.get(), info.st_size);
        static_cast<void>(truncated);
        return fromErrno(error, path);
    }
    if (file.close() != 0) {
        return fromErrno(errno, path);
    }
    return {};
}

namespace {

// Many files at once: each file system they lie on is made to last as a whole, in one go. One
// flush of the disk then serves every file, where each file's own would flush it again.
std::optional<Status> syncFileSystems(const std::vector<PathString>& paths)
{
    std::unordered_map<dev_t, const PathString*> systems;
    for (const PathString& path : paths) {
        struct stat info
        {
        };
        if (::lstat(path.c_str(), &info) != 0) {
            return fromErrno(errno, path);
        }
        systems.emplace(info.st_dev, &path);
    }
    for (const auto& [device, path] : systems) {
        Descriptor file(::open(path->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (file.get() < 0) {
            return fromErrno(errno, *path);
        }
        if (::syncfs(file.get()) != 0) {
            // A system that cannot: each file on its own.
            return errno == ENOSYS || errno == EINVAL
                       ? std::nullopt
                       : std::optional<Status>(fromErrno(errno, *path));
        }
    }
    return Status();
}

} // namespace

// The writing of every file is started first, so that the disk takes them together; then each
// is waited for, most of them done by then.
Status RealFileSystem::syncFiles(const std::vector<PathString>& paths)
{
    constexpr std::size_t manyFiles = 8;
    if (paths.size() >= manyFiles) {
        if (std::optional<Status> synced = syncFileSystems(paths)) {
            return *synced;
        }
    }
    std::vector<std::unique_ptr<Descriptor>> files;
    files.reserve(paths.size());
    for (const PathString& path : paths) {
        files.push_back(std::make_unique<Descriptor>(
            ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)));
        if (files.back()->get() < 0) {
            return fromErrno(errno, path);
        }
        ::sync_file_range(files.back()->get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        // EINVAL: a file system that cannot sync, where there is nothing more to do.
        if (::fdatasync(files[i]->get()) != 0 && errno != EINVAL) {
            return fromErrno(errno, paths[i]);
        }
    }
    return {};
}

void RealFileSystem::removeStaleTemporaries(const PathString& folder)
{
    DIR* entries = ::opendir(folder.empty() ? "." : folder.c_str());
    if (entries == nullptr) {
        return;
    }
    PathString base = folder;
    if (!base.empty() && base.back() != core::pathSeparator) {
        base.push_back(core::pathSeparator);
    }
    while (const dirent* entry = ::readdir(entries)) {
        const pid_t writer = writerOfTemporary(entry->d_name);
        // A writer that lives, or this process itself, may still be at work on it.
        if (writer <= 0 || writer == ::getpid() || ::kill(writer, 0) == 0 || errno != ESRCH) {
            continue;
        }
        const PathString path = base + entry->d_name;
        Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
        struct stat info
        {
        };
        if (file.get() >= 0 && ::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::flock(file.get(), LOCK_EX | LOCK_NB) == 0) {
            ::unlink(path.c_str());
        }
    }
    ::closedir(entries);
}

Result<std::string> RealFileSystem::readPart(const PathString& path, std::uint64_t offset,
                                             std::size_t count)
{
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info
    {
    };
    if (Status opened = openedRegularFile(file, info, path); opened.failed()) {
        return opened.error();
    }
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        const ssize_t part =
            ::pread(file.get(), bytes.data() + got, count - got, static_cast<off_t>(offset + got));
        if (part < 0 && errno == EINTR) {
            continue;
        }
        if (part < 0) {
            return fromErrno(errno, path);
        }
        if (part == 0) {
            break;
        }
        got += static_cast<std::size_t>(part);
    }
    bytes.resize(got);
    return bytes;
}

// The file systems that hold the kernel's view of processes, devices and drivers.
bool RealFileSystem::isSystemFolder(const PathString& path)
{
    struct statfs info
    {
    };
    if (::statfs(path.c_str(), &info) != 0) {
        return false;
    }
    constexpr unsigned long kinds[] = {
        0x9fa0,     // proc
        0x62656572, // sysfs
        0x1cd1,     // devpts
        0x64626720, // debugfs
        0x74726163, // tracefs
        0x73636673, // securityfs
        0x27e0eb,   // cgroup
        0x63677270, // cgroup2
        0xcafe4a11, // bpf
        0x42494e4d, // binfmt_misc
        0x6e736673, // nsfs
    };
    const auto kind = static_cast<unsigned long>(info.f_type);
    return std::find(std::begin(kinds), std::end(kinds), kind) != std::end(kinds);
}

PathString RealFileSystem::linkTarget(const PathString& path)
{
    PathString current = path;
    // As many links as the system itself follows before it gives up.
    for (int hops = 0; hops < 40; ++hops) {
        char target[4096];
        const ssize_t length = ::readlink(current.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) {
            return current;
        }
        const PathString next(target, static_cast<std::size_t>(length));
        current =
            next.front() == core::pathSeparator ? next : core::getFilePathOnly(current) + next;
    }
    return current;
}

std::optional<FileIdentity> RealFileSystem::identity(const PathString& path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

#endif

Result<std::uint64_t> RealFileSystem::fileSize(const PathString& path)
{
#ifndef _WIN32
    // One look at the file, where the library's two functions take two.
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0) {
        return fromErrno(errno, path);
    }
    if (!S_ISREG(info.st_mode)) {
        return S_ISDIR(info.st_mode) ? fromErrno(EISDIR, path) : NotRegularFileError(path);
    }
    return static_cast<std::uint64_t>(info.st_size);
#else
    std::error_code error;
    if (fs::is_directory(path, error)) {
        return classify(std::make_error_code(std::errc::is_a_directory), path);
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        return classify(error, path);
    }
    return static_cast<std::uint64_t>(size);
#endif
}

Status RealFileSystem::createFolder(const PathString& path)
{
    std::error_code error;
    if (fs::exists(path, error)) {
        return classify(std::make_error_code(std::errc::permission_denied), path);
    }
    fs::create_directory(path, error);
    return fromCode(error, path);
}

Result<FolderListing> RealFileSystem::listFolder(const PathString& path)
{
    FolderListing listing;
    listing.path = withoutTrailingSeparators(path);
    const Result<std::vector<FolderName>> names = ListFolderNames(path);
    if (names.failed()) {
        return names.error();
    }
    for (const FolderName& entry : names.value()) {
        const PathString full = listing.path == PathString(1, core::pathSeparator)
                                    ? listing.path + entry.name
                                    : listing.path + core::pathSeparator + entry.name;
        (entry.isFolder ? listing.subfolders : listing.files).push_back(full);
    }
    sortByName(listing.subfolders);
    sortByName(listing.files);
    return listing;
}

#ifndef _WIN32

// The file's mode does not matter: removing a name is a change to its folder.
Status RealFileSystem::removeFile(const PathString& path)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (error) {
        return classify(error, path);
    }
    if (fs::is_directory(status)) {
        return classify(std::make_error_code(std::errc::is_a_directory), path);
    }
    fs::remove(path, error);
    return fromCode(error, path);
}

Status RealFileSystem::removeEmptyFolder(const PathString& path)
{
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(path, error))) {
        return classify(error ? error : std::make_error_code(std::errc::not_a_directory), path);
    }
    if (!fs::is_empty(path, error)) {
        return classify(error ? error : std::make_error_code(std::errc::directory_not_empty), path);
    }
    fs::remove(path, error);
    return fromCode(error, path);
}

Status RealFileSystem::moveOver(const PathString& from, const PathString& to)
{
    struct stat target
    {
    };
    struct stat moved
    {
    };
    // A new file made by the owner of the one it replaces, with its mode, has nothing to take.
    if (::stat(to.c_str(), &target) == 0 &&
        (::lstat(from.c_str(), &moved) != 0 || moved.st_uid != target.st_uid ||
         moved.st_gid != target.st_gid || (moved.st_mode & 07777) != (target.st_mode & 0777))) {
        Descriptor file(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (file.get() < 0) {
            return fromErrno(errno, from);
        }
        if (const int error = takeModeOf(file.get(), target)) {
            return fromErrno(error, from);
        }
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return fromErrno(errno, to);
    }
    return {};
}

// Where the file system cannot rename under a free name only, a second name is made and the
// first removed: the name is taken the same way.
Status RealFileSystem::moveToFreeName(const PathString& from, const PathString& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return fromErrno(errno, to);
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        return fromErrno(errno, to);
    }
    ::unlink(from.c_str());
    return {};
}

Status RealFileSystem::linkFile(const PathString& from, const PathString& to)
{
    if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 0) != 0) {
        return fromErrno(errno, to);
    }
    return {};
}
PathString TemporaryNameBeside(const PathString& path)
{
    return temporaryName(path);
}

#endif

bool LiesWithin(const PathString& path, const PathString& folder)
{
    return CanonicalFolder(folder).holds(path);
}

CanonicalFolder::CanonicalFolder(const PathString& folder)
{
    std::error_code error;
    const fs::path top = fs::weakly_canonical(fs::path(withoutTrailingSeparators(folder)), error);
    if (!error) {
        m_top = top.native();
    }
}

bool CanonicalFolder::holds(const PathString& path) const
{
    if (!m_top) {
        return false;
    }
    std::error_code error;
    const fs::path real = fs::weakly_canonical(fs::path(path), error);
    if (error) {
        return false;
    }
    // Names as the file system compares them: on Windows a frame in SITE\page.html lies in the
    // added folder site. Both are normal now, so no ".." is left to lead out.
    return PathLiesIn(real.native(), *m_top);
}

bool RealFileSystem::isFolder(const PathString& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

} // namespace quorlane::files
