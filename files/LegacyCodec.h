#pragma once

#include <string>
#include <string_view>

// The encodings other than UTF-8, UTF-16, Windows-1252 and ISO-8859-16, read and written as the
// browser does: ICU's converters, with the codes where the browser's tables differ from ICU's
// taken from the browser.
namespace quorlane::files {

// Decodes bytes in the encoding the browser calls encodingName. Gives false when a sequence is
// malformed or names no character, or for an encoding it does not know.
bool DecodeLegacy(std::string_view encodingName, std::string_view bytes, std::u16string& out);

// Appends text encoded in encodingName to out; a character it cannot hold becomes "?".
void EncodeLegacy(std::string_view encodingName, std::u16string_view text, std::string& out);

} // namespace quorlane::files
