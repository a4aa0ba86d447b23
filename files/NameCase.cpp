// Names on file systems that tell case apart: every spelling is a name of its own.
#include "files/NameCase.h"

namespace quorlane::files {

bool NamesIgnoreCase()
{
    return false;
}

std::u16string NameCaseKey(std::u16string_view name)
{
    return std::u16string(name);
}

PathString PathCaseKey(const PathString& path)
{
    return path;
}

} // namespace quorlane::files
