#pragma once

#include <string>
#include <string_view>

// The encodings other than UTF-8, UTF-16 and Windows-1252, through ICU's converters, with the
// codes where a browser's table differs from ICU's mended to the browser's.
namespace quorlane::files {

// Decodes bytes in the encoding the browser calls encodingName. Gives false when a sequence is
// malformed or names no character, or when the encoding has no converter.
bool DecodeWithIcu(std::string_view encodingName, std::string_view bytes, std::u16string& out);

// Appends text encoded in encodingName to out; a character it cannot hold becomes "?".
void EncodeWithIcu(std::string_view encodingName, std::u16string_view text, std::string& out);

} // namespace quorlane::files
