#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

// Page bytes <-> page text. A page is read in the encoding the browser would read it in, and
// written back in that same encoding, so that every character survives the round trip.
namespace quorlane::files {

struct PageEncoding
{
    // The browser's name of the encoding: "UTF-8", "windows-1252", "UTF-16LE", "Shift_JIS", ...
    std::string name = "UTF-8";
    // Whether the file began with a byte-order mark; it is written again on the way out.
    bool byteOrderMark = false;

    bool operator==(const PageEncoding&) const = default;
};

struct DecodedPage
{
    std::u16string text; // without the byte-order mark and without NUL characters
    PageEncoding encoding;
    // The charset the page declares in a meta tag, trimmed and in lower case, when the label
    // names an encoding; empty otherwise.
    std::string declaredCharset;
};

// A byte-order mark decides; else a charset declared in the first 1024 bytes, when the page
// decodes in it without error; else UTF-8 when the bytes are valid UTF-8; else Windows-1252.
DecodedPage DecodePage(std::string_view bytes);

// The bytes of text in encoding, the byte-order mark first when there was one. A character the
// encoding cannot hold is written as "?".
std::string EncodePage(std::u16string_view text, const PageEncoding& encoding);

// The same, written to out piece by piece, so that no second copy of a large page is made.
void WritePage(std::ostream& out, std::u16string_view text, const PageEncoding& encoding);

} // namespace quorlane::files
