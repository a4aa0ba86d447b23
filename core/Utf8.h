#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 <-> UTF-16 for page bytes, paths and command-line texts.
namespace quorlane::core {

// Whether bytes is well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);
// The length of the longest start of bytes that is well-formed UTF-8.
std::size_t ValidUtf8Prefix(std::string_view bytes);

// Appends the UTF-16 form of bytes to out; each malformed sequence becomes U+FFFD, as a
// browser decodes it.
void AppendUtf8AsUtf16(std::u16string& out, std::string_view bytes);
std::u16string Utf8ToUtf16(std::string_view bytes);

// Appends the UTF-8 form of text to out; a lone surrogate becomes replacement.
void AppendUtf16AsUtf8(std::string& out, std::u16string_view text, std::string_view replacement);
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace quorlane::core
