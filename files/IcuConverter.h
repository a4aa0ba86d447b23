#pragma once

#include <string>
#include <string_view>

#include "files/EncodingLabels.h"

// ICU's converters as they are, for the encodings the browser names. LegacyCodec mends the codes
// where they differ from the browser's tables.
namespace quorlane::files {

// Whether ICU has a converter for the encoding.
bool HasIcuConverter(Encoding encoding);

// Decodes bytes in encoding. Gives false when a sequence is malformed or names no character, or
// when there is no converter.
bool DecodeWithIcuOnly(Encoding encoding, std::string_view bytes, std::u16string& out);

// Appends text encoded in encoding to out; a character it cannot hold becomes "?".
void EncodeWithIcuOnly(Encoding encoding, std::u16string_view text, std::string& out);

} // namespace quorlane::files
