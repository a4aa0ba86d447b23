// Folder listings on Windows, by FindFirstFileExW, for paths of any length.
#include <windows.h>

#include "files/FolderNames.h"

namespace quorlane::files {

namespace {

FileError lastError(const PathString& folder)
{
    return classify(std::error_code(static_cast<int>(GetLastError()), std::system_category()),
                    folder);
}

bool isDotOrDotDot(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// A folder, or a link that leads to one.
bool leadsToFolder(const PathString& path, const WIN32_FIND_DATAW& found)
{
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

Result<std::vector<FolderName>> ListFolderNames(const PathString& folder)
{
    std::vector<FolderName> names;
    PathString base = folder.empty() ? PathString(L".") : folder;
    if (base.back() != L'\\' && base.back() != L'/') {
        base.push_back(L'\\');
    }
    WIN32_FIND_DATAW found;
    const HANDLE search =
        FindFirstFileExW((base + L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        return lastError(folder);
    }
    do {
        if (!isDotOrDotDot(found.cFileName)) {
            names.push_back({found.cFileName, leadsToFolder(base + found.cFileName, found)});
        }
    } while (FindNextFileW(search, &found));
    const DWORD ended = GetLastError();
    FindClose(search);
    if (ended != ERROR_NO_MORE_FILES) {
        SetLastError(ended);
        return lastError(folder);
    }
    return names;
}

} // namespace quorlane::files
