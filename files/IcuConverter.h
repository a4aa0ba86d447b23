#pragma once

#include <string>
#include <string_view>

// ICU's converters as they are, for the encodings the browser names. LegacyCodec mends the codes
// where they differ from the browser's tables.
namespace quorlane::files {

// Whether ICU has a converter for the encoding the browser calls encodingName.
bool HasIcuConverter(std::string_view encodingName);

// Decodes bytes in encodingName. Gives false when a sequence is malformed or names no
// character, or when there is no converter.
bool DecodeWithIcuOnly(std::string_view encodingName, std::string_view bytes, std::u16string& out);

// Appends text encoded in encodingName to out; a character it cannot hold becomes "?".
void EncodeWithIcuOnly(std::string_view encodingName, std::u16string_view text, std::string& out);

} // namespace quorlane::files
