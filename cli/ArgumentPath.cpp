#include "cli/ArgumentPath.h"

#include "core/Utf8.h"

namespace quorlane::cli {

core::PathString ArgumentPath(const std::string& argument)
{
#ifdef _WIN32
    // "/" is taken for "\", and becomes it, so that every path of the run has one separator.
    return core::PathFromAddress(core::Utf8ToUtf16(argument));
#else
    return argument;
#endif
}

} // namespace quorlane::cli
