#include "tests/support/TempFolder.h"

#include <random>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quorlane::test {

TempFolder::TempFolder()
{
    static std::mt19937_64 random{std::random_device{}()};
    m_path = fs::temp_directory_path() / ("quorlane-test-" + std::to_string(random()));
    fs::create_directories(m_path);
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    // Give back write permission first, so that read-only leftovers go too.
    for (auto it = fs::recursive_directory_iterator(m_path, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_path, ignored);
}

fs::path TempFolder::write(const std::string& relative, const std::string& bytes) const
{
    const fs::path file = m_path / fs::u8path(relative);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

std::string TempFolder::read(const std::string& relative) const
{
    return ReadBytes(m_path / fs::u8path(relative));
}

std::string ManifestIn(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with(".quorlane-run-")) {
            return entry.path().string();
        }
    }
    return {};
}

std::string SitePageName(int i)
{
    return "p" + std::to_string(i) + ".htm";
}

std::string SitePage(int i)
{
    return "<html><body><p>page " + std::to_string(i) + " " + std::string(20000, 'k') +
           "</p></body></html>";
}

void WriteSite(const TempFolder& site, int pages)
{
    for (int i = 0; i < pages; ++i) {
        site.write(SitePageName(i), SitePage(i));
    }
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::map<std::string, std::string> TreeOf(const fs::path& root)
{
    std::map<std::string, std::string> tree;
    if (!fs::exists(root)) {
        return tree;
    }
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        tree[relative] = entry.is_directory() ? "<folder>" : ReadBytes(entry.path());
    }
    return tree;
}

files::Status FaultyFileSystem::writeFile(const core::PathString& path, std::string_view bytes,
                                          files::Durability durability,
                                          const files::WriteCheck& check)
{
    return unlessFault(Operation::Write, path, [&] {
        if (!m_damage) {
            return RealFileSystem::writeFile(path, bytes, durability, check);
        }
        std::string damaged(bytes);
        m_damage(path, damaged);
        return RealFileSystem::writeFile(path, damaged, durability, check);
    });
}

files::FileError Failure(files::FileError::Kind kind)
{
    using Kind = files::FileError::Kind;
    if (kind == Kind::NotRegularFile || kind == Kind::Rejected) {
        return kind == Kind::Rejected ? files::RejectedError({}) : files::NotRegularFileError({});
    }
    const std::errc code = kind == Kind::Missing           ? std::errc::no_such_file_or_directory
                           : kind == Kind::InvalidArgument ? std::errc::invalid_argument
                           : kind == Kind::Access          ? std::errc::permission_denied
                                                           : std::errc::no_space_on_device;
    return files::classify(std::make_error_code(code), {});
}

#ifdef _WIN32
// Windows has no user to become for a while: the tests that need one are not run there.
int RunAsNobody(const std::function<int()>&)
{
    return -1;
}
#else
int RunAsNobody(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(126);
        }
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}
#endif

std::size_t MarkerCount(const std::string& bytes)
{
    std::size_t count = 0;
    for (std::size_t at = bytes.find(marker); at != std::string::npos;
         at = bytes.find(marker, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace quorlane::test
