#include "cli/WideText.h"

#include "core/Utf8.h"

namespace quorlane::cli {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide text is UTF-16 on Windows only");

std::string Utf8FromWide(std::wstring_view text)
{
    return core::Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

std::vector<std::string> Utf8Arguments(int argc, const wchar_t* const* argv)
{
    std::vector<std::string> args;
    args.reserve(argc > 1 ? static_cast<std::size_t>(argc - 1) : 0);
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8FromWide(argv[i]));
    }
    return args;
}

} // namespace quorlane::cli
