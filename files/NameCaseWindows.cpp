// Names on Windows: the file system compares them ignoring case, by the system's upper case of
// each UTF-16 unit, as CompareStringOrdinal does.
#include <windows.h>

#include "files/NameCase.h"

namespace quorlane::files {

namespace {

void upperInPlace(wchar_t* units, std::size_t size)
{
    if (size == 0) {
        return;
    }
    const int length = static_cast<int>(size);
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, units, length, units, length, nullptr,
                  nullptr, 0);
}

} // namespace

bool NamesIgnoreCase()
{
    return true;
}

std::u16string NameCaseKey(std::u16string_view name)
{
    std::u16string key(name);
    upperInPlace(reinterpret_cast<wchar_t*>(key.data()), key.size());
    return key;
}

PathString PathCaseKey(const PathString& path)
{
    PathString key = path;
    upperInPlace(key.data(), key.size());
    return key;
}

} // namespace quorlane::files
