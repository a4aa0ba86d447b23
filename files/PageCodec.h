#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "core/PageSink.h"
#include "files/EncodingLabels.h"

// Page bytes <-> page text. A page is read in the encoding the browser would read it in, and
// written back in that same encoding, so that every character survives the round trip.
namespace quorlane::files {

struct PageEncoding
{
    Encoding kind = Encoding::Utf8;
    // Whether the file began with a byte-order mark; it is written again on the way out.
    bool byteOrderMark = false;

    // The browser's name of the encoding, for the messages that name it.
    std::string_view name() const { return EncodingName(kind); }
    bool operator==(const PageEncoding&) const = default;
};

struct DecodedPage
{
    std::u16string text; // without the byte-order mark and without NUL characters
    PageEncoding encoding;
    // The charset the page declares in a meta tag, trimmed and in lower case, when the label
    // names an encoding; empty otherwise.
    std::string declaredCharset;
    // The declared charset names an encoding that this system cannot read at all: the text was
    // read as if the page declared none, and is not what the browser shows.
    bool encodingUnavailable = false;
};

// A byte-order mark decides; else a charset declared in the first 1024 bytes, when the page
// decodes in it without error; else UTF-8 when the bytes are valid UTF-8; else Windows-1252.
DecodedPage DecodePage(std::string_view bytes);

// The byte-order mark a page written in encoding begins with, or nothing.
std::string_view ByteOrderMark(const PageEncoding& encoding);

// The bytes of text in encoding, the byte-order mark first when there was one. A character the
// encoding cannot hold is written as "?".
std::string EncodePage(std::u16string_view text, const PageEncoding& encoding);

// Writes a page to out while it is being made: the text handed over is encoded and written in
// slices, so that neither the whole text nor its bytes are ever held. (ISO-2022-JP carries its
// state from one character to the next, and is encoded in one piece at the end.)
class PageWriter final : public core::PageSink
{
public:
    PageWriter(std::ostream& out, PageEncoding encoding);

    void append(std::u16string_view text) override;
    // Writes what is held back; gives whether every byte reached out.
    bool finish();

private:
    void write(std::u16string_view text);

    std::ostream& m_out;
    PageEncoding m_encoding;
    std::u16string m_held; // what is not yet written: a short slice, or a split surrogate pair
    std::string m_bytes;
};

} // namespace quorlane::files
