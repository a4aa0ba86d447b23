#pragma once

#include <string>
#include <string_view>

#include "files/EncodingLabels.h"

// The encodings other than UTF-8, UTF-16, Windows-1252 and ISO-8859-16, read and written as the
// browser does: ICU's converters, with the codes where the browser's tables differ from ICU's
// taken from the browser.
namespace quorlane::files {

// Decodes bytes in encoding. Gives false when a sequence is malformed or names no character, or
// for an encoding it does not know.
bool DecodeLegacy(Encoding encoding, std::string_view bytes, std::u16string& out);

// Whether this system can read encoding at all (every one can, but for code pages that a Windows
// system lacks).
bool CanDecodeLegacy(Encoding encoding);

// Appends text encoded in encoding to out; a character it cannot hold becomes "?".
void EncodeLegacy(Encoding encoding, std::u16string_view text, std::string& out);

} // namespace quorlane::files
