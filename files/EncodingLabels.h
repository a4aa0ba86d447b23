#pragma once

#include <string>
#include <string_view>

namespace quorlane::files {

// The encoding a label names in the browser's table of labels ("latin1" -> "windows-1252",
// "sjis" -> "Shift_JIS", ...), or an empty view for a label the browser does not know.
// label must already be trimmed and in lower case. The labels of "replacement" resolve to
// "replacement".
std::string_view EncodingForLabel(std::string_view label);

// The first charset declared by a meta tag within the first 1024 bytes of a page: the first
// "charset=" inside a "<meta" ... ">" tag, its value trimmed and in lower case. Empty when
// there is none.
std::string DeclaredCharsetLabel(std::string_view pageBytes);

} // namespace quorlane::files
