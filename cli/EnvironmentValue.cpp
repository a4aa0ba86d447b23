#include "cli/EnvironmentValue.h"

#include <cstdlib>

#include "core/Utf8.h"

namespace quorlane::cli {

std::optional<std::string> EnvironmentValue(const std::string& name)
{
#ifdef _WIN32
    const std::u16string wideName = core::Utf8ToUtf16(name);
    const wchar_t* value = _wgetenv(reinterpret_cast<const wchar_t*>(wideName.c_str()));
    if (value == nullptr) {
        return std::nullopt;
    }
    return core::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(value)));
#else
    const char* value = std::getenv(name.c_str());
    return value == nullptr ? std::nullopt : std::optional<std::string>(value);
#endif
}

} // namespace quorlane::cli
