#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The encodings a browser reads pages in, and the labels a page names them by.
namespace quorlane::files {

enum class Encoding : std::uint8_t
{
    Utf8,
    Ibm866,
    Iso8859_2,
    Iso8859_3,
    Iso8859_4,
    Iso8859_5,
    Iso8859_6,
    Iso8859_7,
    Iso8859_8,
    Iso8859_8I,
    Iso8859_10,
    Iso8859_13,
    Iso8859_14,
    Iso8859_15,
    Iso8859_16,
    Koi8R,
    Koi8U,
    Macintosh,
    Windows874,
    Windows1250,
    Windows1251,
    Windows1252,
    Windows1253,
    Windows1254,
    Windows1255,
    Windows1256,
    Windows1257,
    Windows1258,
    XMacCyrillic,
    Gbk,
    Gb18030,
    Big5,
    EucJp,
    Iso2022Jp,
    ShiftJis,
    EucKr,
    Replacement,
    Utf16Be,
    Utf16Le,
    XUserDefined,
};

// The browser's name of the encoding: "UTF-8", "windows-1252", "Shift_JIS", ...
std::string_view EncodingName(Encoding encoding);

// The encoding of a browser's name, as EncodingName gives it.
std::optional<Encoding> EncodingNamed(std::string_view name);

// The encoding whose decoder a browser reads encoding with (GBK is read as gb18030); encoding
// itself for all others.
Encoding ReadAs(Encoding encoding);

// ICU's converter for the encoding (after ReadAs), or nullptr for one that is read without ICU.
const char* IcuConverterName(Encoding encoding);

// Whether the encoding (after ReadAs) has two-byte sequences with a lead byte 0x81-0xFE.
bool IsMultiByte(Encoding encoding);

// The encoding a label names in the browser's table of labels ("latin1" -> windows-1252,
// "sjis" -> Shift_JIS, ...), or nothing for a label the browser does not know. label must
// already be trimmed and in lower case. The labels of "replacement" resolve to Replacement.
std::optional<Encoding> EncodingForLabel(std::string_view label);

// The encoding a browser reads a page in that declares label: nothing for a label it passes
// over (unknown, or "replacement"); a UTF-16 label means UTF-8 and x-user-defined windows-1252.
std::optional<Encoding> DeclaredEncoding(std::string_view label);

// The first charset declared by a meta tag within the first 1024 bytes of a page: the first
// "charset=" inside a "<meta" ... ">" tag, its value trimmed and in lower case. Empty when
// there is none.
std::string DeclaredCharsetLabel(std::string_view pageBytes);

} // namespace quorlane::files
