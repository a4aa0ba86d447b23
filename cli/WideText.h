#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorlane::cli {

// Text as Windows gives it (UTF-16 in wchar_t) as UTF-8, the text of every command; a lone
// surrogate, which no file name or password typed can hold, becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

// The arguments of a wide main without the program's name, each as UTF-8.
std::vector<std::string> Utf8Arguments(int argc, const wchar_t* const* argv);

} // namespace quorlane::cli
