#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "files/PageCodec.h"

namespace quorlane::files {

// The text of bytes written in encoding, read back without any guessing into text, whose memory
// is used again (a caller that reads many pages back keeps one buffer): the byte-order mark must
// stand where the encoding has one, and a sequence the encoding cannot read is no text at all.
// False when the bytes are not what a page written in encoding can be.
bool ReadBackInto(std::string_view bytes, const PageEncoding& encoding, std::u16string& text);

} // namespace quorlane::files
