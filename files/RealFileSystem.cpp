#include <algorithm>
#include <filesystem>
#include <random>

#include "core/FileRecord.h"
#include "files/FileSystem.h"

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <fstream>
#endif

namespace quorlane::files {

namespace fs = std::filesystem;

namespace {

FileResult fromErrno(int error)
{
    return classify(std::error_code(error, std::generic_category()));
}

FileResult fromCode(const std::error_code& error)
{
    if (!error) {
        return std::nullopt;
    }
    return classify(error);
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

PathString temporaryNameBeside(const PathString& path)
{
    static std::mt19937_64 random{std::random_device{}()};
    const PathString folder = core::getFilePathOnly(path);
    return folder + ".quorlane-" + std::to_string(random()) + ".tmp";
}
#endif

} // namespace

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

FileResult RealFileSystem::readFile(const PathString& path, std::string& bytes)
{
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return fromErrno(errno);
    }
    struct stat info
    {
    };
    if (::fstat(file.get(), &info) != 0) {
        return fromErrno(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return fromErrno(EISDIR);
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fromErrno(errno);
        }
        if (got == 0) {
            return std::nullopt;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

FileResult RealFileSystem::writeFile(const PathString& path, std::string_view bytes)
{
    struct stat old
    {
    };
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        return fromErrno(EISDIR);
    }
    // Read-only means read-only, as on Windows, even to a user who could replace the file.
    if (exists && (old.st_mode & S_IWUSR) == 0) {
        return fromErrno(EACCES);
    }
    const PathString temporary = temporaryNameBeside(path);
    Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        return fromErrno(errno);
    }
    const auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        return fromErrno(error);
    };
    if (exists && ::fchmod(file.get(), old.st_mode & 07777) != 0) {
        return fail(errno);
    }
    // No fsync: the rename is what makes the replacement whole for every reader, and a killed
    // process cannot leave a half-written page behind it. Syncing every page would make a
    // large site take many times as long.
    if (!writeAll(file.get(), bytes)) {
        return fail(errno);
    }
    if (file.close() != 0) {
        return fail(errno);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        return fail(errno);
    }
    return std::nullopt;
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

#else

FileResult RealFileSystem::readFile(const PathString& path, std::string& bytes)
{
    std::error_code error;
    if (fs::is_directory(path, error)) {
        return classify(std::make_error_code(std::errc::is_a_directory));
    }
    std::ifstream file(fs::path(path), std::ios::binary);
    if (!file) {
        return classify(std::make_error_code(std::errc::permission_denied));
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return std::nullopt;
}

FileResult RealFileSystem::writeFile(const PathString& path, std::string_view bytes)
{
    std::error_code error;
    if (fs::exists(path, error) &&
        (fs::status(path, error).permissions() & fs::perms::owner_write) == fs::perms::none) {
        return classify(std::make_error_code(std::errc::permission_denied));
    }
    const fs::path temporary = fs::path(path).concat(L".quorlane.tmp");
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            fs::remove(temporary, error);
            return classify(std::make_error_code(std::errc::io_error));
        }
    }
    fs::rename(temporary, path, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return classify(error);
    }
    return std::nullopt;
}

std::optional<FileIdentity> RealFileSystem::identity(const PathString&)
{
    return std::nullopt;
}

#endif

FileResult RealFileSystem::fileSize(const PathString& path, std::uint64_t& size)
{
    std::error_code error;
    if (fs::is_directory(path, error)) {
        return classify(std::make_error_code(std::errc::is_a_directory));
    }
    size = fs::file_size(path, error);
    return fromCode(error);
}

FileResult RealFileSystem::copyFile(const PathString& from, const PathString& to)
{
    std::error_code error;
    if (fs::is_directory(from, error)) {
        return classify(std::make_error_code(std::errc::is_a_directory));
    }
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    return fromCode(error);
}

FileResult RealFileSystem::removeFile(const PathString& path)
{
    std::error_code error;
    if (!fs::remove(path, error) && !error) {
        return classify(std::make_error_code(std::errc::no_such_file_or_directory));
    }
    return fromCode(error);
}

FileResult RealFileSystem::createFolder(const PathString& path)
{
    std::error_code error;
    if (fs::exists(path, error)) {
        return classify(std::make_error_code(std::errc::permission_denied));
    }
    fs::create_directory(path, error);
    return fromCode(error);
}

FileResult RealFileSystem::listFolder(const PathString& path, FolderListing& listing)
{
    listing = {};
    listing.path = withoutTrailingSeparators(path);
    std::error_code error;
    fs::directory_iterator entries(path, error);
    if (error) {
        return classify(error);
    }
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        if (error) {
            return classify(error);
        }
        const fs::directory_entry& entry = *entries;
        const PathString full =
            listing.path == PathString(1, core::pathSeparator)
                ? listing.path + entry.path().filename().native()
                : listing.path + core::pathSeparator + entry.path().filename().native();
        std::error_code kindError;
        if (entry.is_directory(kindError)) {
            listing.subfolders.push_back(full);
        } else {
            listing.files.push_back(full);
        }
    }
    if (error) {
        return classify(error);
    }
    sortByName(listing.subfolders);
    sortByName(listing.files);
    return std::nullopt;
}

bool RealFileSystem::isFolder(const PathString& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

} // namespace quorlane::files
