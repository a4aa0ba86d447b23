#pragma once

#include <functional>
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

// The same for bytes that come in pieces: each piece's text is handed on as soon as it can be
// read, so that neither the bytes nor the text are ever held whole.
class ReadBackDecoder
{
public:
    using TextPieces = std::function<void(std::u16string_view text)>;
    ReadBackDecoder(PageEncoding encoding, TextPieces pieces);
    // False once the bytes are not what a page written in encoding can be.
    bool add(std::string_view bytes);
    bool finish();

private:
    PageEncoding m_encoding;
    TextPieces m_pieces;
    std::string m_held; // bytes that wait for the end of their character
    std::u16string m_text;
    bool m_markRead = false;
    bool m_failed = false;
};

} // namespace quorlane::files
