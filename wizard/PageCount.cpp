#include "wizard/PageCount.h"

#include <algorithm>

#include "files/FileSystem.h"
#include "files/modAll.h"

namespace quorlane::wizard {

bool LeftOut(const core::PathString& folder, const core::PathString& addedFolder,
             const files::ExcludePatterns& exclude)
{
    if (exclude.empty() || folder.size() <= addedFolder.size()) {
        return false;
    }
    std::u16string relative = core::TextFromPath(folder.substr(addedFolder.size()));
    std::replace(relative.begin(), relative.end(), static_cast<char16_t>(core::pathSeparator),
                 u'/');
    relative.erase(0, relative.find_first_not_of(u'/'));
    for (std::size_t end = 0; end != std::u16string::npos;) {
        end = relative.find(u'/', end + 1);
        if (exclude.excludes(std::u16string_view(relative).substr(0, end), true)) {
            return true;
        }
    }
    return false;
}

std::size_t CountPages(const core::PathString& folder, const core::PathString& addedFolder,
                       const files::ExcludePatterns& exclude)
{
    if (LeftOut(folder, addedFolder, exclude)) {
        return 0;
    }
    files::RealFileSystem fileSystem;
    files::clsFiles pages;
    files::ScanOptions options;
    options.exclude = &exclude;
    core::PathString root = addedFolder;
    files::ScanFolder(fileSystem, folder, root, pages, options);
    return static_cast<std::size_t>(pages.Count());
}

} // namespace quorlane::wizard
