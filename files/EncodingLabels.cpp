#include "files/EncodingLabels.h"

#include <algorithm>
#include <cassert>
#include <string>
#include <unordered_map>

namespace quorlane::files {

namespace {

struct Row
{
    Encoding encoding;
    std::string_view name;
    const char* icu; // ICU's converter, or nullptr
    Encoding readAs; // the encoding whose decoder reads it
    bool multiByte;  // two-byte sequences with a lead byte 0x81-0xFE
    std::initializer_list<std::string_view> labels;
};

// The browser's table of encodings and their labels, in the order of the enumeration.
const Row rows[] = {
    {Encoding::Utf8,
     "UTF-8",
     nullptr,
     Encoding::Utf8,
     false,
     {"unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "utf-8", "utf8", "x-unicode20utf8"}},
    {Encoding::Ibm866,
     "IBM866",
     "ibm-866_P100-1995",
     Encoding::Ibm866,
     false,
     {"866", "cp866", "csibm866", "ibm866"}},
    {Encoding::Iso8859_2,
     "ISO-8859-2",
     "ISO-8859-2",
     Encoding::Iso8859_2,
     false,
     {"csisolatin2", "iso-8859-2", "iso-ir-101", "iso8859-2", "iso88592", "iso_8859-2",
      "iso_8859-2:1987", "l2", "latin2"}},
    {Encoding::Iso8859_3,
     "ISO-8859-3",
     "ISO-8859-3",
     Encoding::Iso8859_3,
     false,
     {"csisolatin3", "iso-8859-3", "iso-ir-109", "iso8859-3", "iso88593", "iso_8859-3",
      "iso_8859-3:1988", "l3", "latin3"}},
    {Encoding::Iso8859_4,
     "ISO-8859-4",
     "ISO-8859-4",
     Encoding::Iso8859_4,
     false,
     {"csisolatin4", "iso-8859-4", "iso-ir-110", "iso8859-4", "iso88594", "iso_8859-4",
      "iso_8859-4:1988", "l4", "latin4"}},
    {Encoding::Iso8859_5,
     "ISO-8859-5",
     "ISO-8859-5",
     Encoding::Iso8859_5,
     false,
     {"csisolatincyrillic", "cyrillic", "iso-8859-5", "iso-ir-144", "iso8859-5", "iso88595",
      "iso_8859-5", "iso_8859-5:1988"}},
    {Encoding::Iso8859_6,
     "ISO-8859-6",
     "ISO-8859-6",
     Encoding::Iso8859_6,
     false,
     {"arabic", "asmo-708", "csiso88596e", "csiso88596i", "csisolatinarabic", "ecma-114",
      "iso-8859-6", "iso-8859-6-e", "iso-8859-6-i", "iso-ir-127", "iso8859-6", "iso88596",
      "iso_8859-6", "iso_8859-6:1987"}},
    {Encoding::Iso8859_7,
     "ISO-8859-7",
     "ISO-8859-7",
     Encoding::Iso8859_7,
     false,
     {"csisolatingreek", "ecma-118", "elot_928", "greek", "greek8", "iso-8859-7", "iso-ir-126",
      "iso8859-7", "iso88597", "iso_8859-7", "iso_8859-7:1987", "sun_eu_greek"}},
    {Encoding::Iso8859_8,
     "ISO-8859-8",
     "ISO-8859-8",
     Encoding::Iso8859_8,
     false,
     {"csiso88598e", "csisolatinhebrew", "hebrew", "iso-8859-8", "iso-8859-8-e", "iso-ir-138",
      "iso8859-8", "iso88598", "iso_8859-8", "iso_8859-8:1988", "visual"}},
    {Encoding::Iso8859_8I,
     "ISO-8859-8-I",
     "ISO-8859-8",
     Encoding::Iso8859_8I,
     false,
     {"csiso88598i", "iso-8859-8-i", "logical"}},
    {Encoding::Iso8859_10,
     "ISO-8859-10",
     "ISO-8859-10",
     Encoding::Iso8859_10,
     false,
     {"csisolatin6", "iso-8859-10", "iso-ir-157", "iso8859-10", "iso885910", "l6", "latin6"}},
    {Encoding::Iso8859_13,
     "ISO-8859-13",
     "ISO-8859-13",
     Encoding::Iso8859_13,
     false,
     {"iso-8859-13", "iso8859-13", "iso885913"}},
    {Encoding::Iso8859_14,
     "ISO-8859-14",
     "ISO-8859-14",
     Encoding::Iso8859_14,
     false,
     {"iso-8859-14", "iso8859-14", "iso885914"}},
    {Encoding::Iso8859_15,
     "ISO-8859-15",
     "ISO-8859-15",
     Encoding::Iso8859_15,
     false,
     {"csisolatin9", "iso-8859-15", "iso8859-15", "iso885915", "iso_8859-15", "l9"}},
    {Encoding::Iso8859_16, "ISO-8859-16", nullptr, Encoding::Iso8859_16, false, {"iso-8859-16"}},
    {Encoding::Koi8R,
     "KOI8-R",
     "KOI8-R",
     Encoding::Koi8R,
     false,
     {"cskoi8r", "koi", "koi8", "koi8-r", "koi8_r"}},
    {Encoding::Koi8U, "KOI8-U", "KOI8-U", Encoding::Koi8U, false, {"koi8-ru", "koi8-u"}},
    {Encoding::Macintosh,
     "macintosh",
     "macintosh",
     Encoding::Macintosh,
     false,
     {"csmacintosh", "mac", "macintosh", "x-mac-roman"}},
    {Encoding::Windows874,
     "windows-874",
     "windows-874",
     Encoding::Windows874,
     false,
     {"dos-874", "iso-8859-11", "iso8859-11", "iso885911", "tis-620", "windows-874"}},
    {Encoding::Windows1250,
     "windows-1250",
     "windows-1250",
     Encoding::Windows1250,
     false,
     {"cp1250", "windows-1250", "x-cp1250"}},
    {Encoding::Windows1251,
     "windows-1251",
     "windows-1251",
     Encoding::Windows1251,
     false,
     {"cp1251", "windows-1251", "x-cp1251"}},
    {Encoding::Windows1252,
     "windows-1252",
     nullptr,
     Encoding::Windows1252,
     false,
     {"ansi_x3.4-1968", "ascii", "cp1252", "cp819", "csisolatin1", "ibm819", "iso-8859-1",
      "iso-ir-100", "iso8859-1", "iso88591", "iso_8859-1", "iso_8859-1:1987", "l1", "latin1",
      "us-ascii", "windows-1252", "x-cp1252"}},
    {Encoding::Windows1253,
     "windows-1253",
     "windows-1253",
     Encoding::Windows1253,
     false,
     {"cp1253", "windows-1253", "x-cp1253"}},
    {Encoding::Windows1254,
     "windows-1254",
     "windows-1254",
     Encoding::Windows1254,
     false,
     {"cp1254", "csisolatin5", "iso-8859-9", "iso-ir-148", "iso8859-9", "iso88599", "iso_8859-9",
      "iso_8859-9:1989", "l5", "latin5", "windows-1254", "x-cp1254"}},
    {Encoding::Windows1255,
     "windows-1255",
     "windows-1255",
     Encoding::Windows1255,
     false,
     {"cp1255", "windows-1255", "x-cp1255"}},
    {Encoding::Windows1256,
     "windows-1256",
     "windows-1256",
     Encoding::Windows1256,
     false,
     {"cp1256", "windows-1256", "x-cp1256"}},
    {Encoding::Windows1257,
     "windows-1257",
     "windows-1257",
     Encoding::Windows1257,
     false,
     {"cp1257", "windows-1257", "x-cp1257"}},
    {Encoding::Windows1258,
     "windows-1258",
     "windows-1258",
     Encoding::Windows1258,
     false,
     {"cp1258", "windows-1258", "x-cp1258"}},
    {Encoding::XMacCyrillic,
     "x-mac-cyrillic",
     "x-mac-cyrillic",
     Encoding::XMacCyrillic,
     false,
     {"x-mac-cyrillic", "x-mac-ukrainian"}},
    {Encoding::Gbk,
     "GBK",
     nullptr,
     Encoding::Gb18030,
     false,
     {"chinese", "csgb2312", "csiso58gb231280", "gb2312", "gb_2312", "gb_2312-80", "gbk",
      "iso-ir-58", "x-gbk"}},
    {Encoding::Gb18030, "gb18030", "gb18030", Encoding::Gb18030, true, {"gb18030"}},
    {Encoding::Big5,
     "Big5",
     "Big5-HKSCS",
     Encoding::Big5,
     true,
     {"big5", "big5-hkscs", "cn-big5", "csbig5", "x-x-big5"}},
    {Encoding::EucJp,
     "EUC-JP",
     "EUC-JP",
     Encoding::EucJp,
     true,
     {"cseucpkdfmtjapanese", "euc-jp", "x-euc-jp"}},
    {Encoding::Iso2022Jp,
     "ISO-2022-JP",
     "ISO-2022-JP",
     Encoding::Iso2022Jp,
     false,
     {"csiso2022jp", "iso-2022-jp"}},
    {Encoding::ShiftJis,
     "Shift_JIS",
     "windows-31j",
     Encoding::ShiftJis,
     true,
     {"csshiftjis", "ms932", "ms_kanji", "shift-jis", "shift_jis", "sjis", "windows-31j",
      "x-sjis"}},
    {Encoding::EucKr,
     "EUC-KR",
     "windows-949",
     Encoding::EucKr,
     true,
     {"cseuckr", "csksc56011987", "euc-kr", "iso-ir-149", "korean", "ks_c_5601-1987",
      "ks_c_5601-1989", "ksc5601", "ksc_5601", "windows-949"}},
    {Encoding::Replacement,
     "replacement",
     nullptr,
     Encoding::Replacement,
     false,
     {"csiso2022kr", "hz-gb-2312", "iso-2022-cn", "iso-2022-cn-ext", "iso-2022-kr", "replacement"}},
    {Encoding::Utf16Be, "UTF-16BE", nullptr, Encoding::Utf16Be, false, {"unicodefffe", "utf-16be"}},
    {Encoding::Utf16Le,
     "UTF-16LE",
     nullptr,
     Encoding::Utf16Le,
     false,
     {"csunicode", "iso-10646-ucs-2", "ucs-2", "unicode", "unicodefeff", "utf-16", "utf-16le"}},
    {Encoding::XUserDefined,
     "x-user-defined",
     nullptr,
     Encoding::XUserDefined,
     false,
     {"x-user-defined"}},
};

const Row& rowOf(Encoding encoding)
{
    const Row& row = rows[static_cast<std::size_t>(encoding)];
    assert(row.encoding == encoding); // one row per encoding, in the order of the enumeration
    return row;
}

const std::unordered_map<std::string_view, Encoding>& labelTable()
{
    static const auto table = [] {
        std::unordered_map<std::string_view, Encoding> byLabel;
        for (const Row& row : rows) {
            for (std::string_view label : row.labels) {
                byLabel.emplace(label, row.encoding);
            }
        }
        return byLabel;
    }();
    return table;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t findIgnoreCase(std::string_view text, std::string_view needle, std::size_t from)
{
    const auto it =
        std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), needle.begin(),
                    needle.end(), [](char a, char b) { return lowerAscii(a) == lowerAscii(b); });
    return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

std::string labelAt(std::string_view tag, std::size_t at)
{
    if (at < tag.size() && (tag[at] == '\'' || tag[at] == '"')) {
        ++at;
    }
    const std::size_t end = std::min(tag.find_first_of("'\" ;/>", at), tag.size());
    std::string_view label = tag.substr(at, end - at);
    while (!label.empty() && isSpace(label.front())) {
        label.remove_prefix(1);
    }
    while (!label.empty() && isSpace(label.back())) {
        label.remove_suffix(1);
    }
    std::string lower(label);
    std::transform(lower.begin(), lower.end(), lower.begin(), lowerAscii);
    return lower;
}

} // namespace

std::string_view EncodingName(Encoding encoding)
{
    return rowOf(encoding).name;
}

std::optional<Encoding> EncodingNamed(std::string_view name)
{
    for (const Row& row : rows) {
        if (row.name == name) {
            return row.encoding;
        }
    }
    return std::nullopt;
}

Encoding ReadAs(Encoding encoding)
{
    return rowOf(encoding).readAs;
}

const char* IcuConverterName(Encoding encoding)
{
    return rowOf(ReadAs(encoding)).icu;
}

bool IsMultiByte(Encoding encoding)
{
    return rowOf(ReadAs(encoding)).multiByte;
}

std::optional<Encoding> EncodingForLabel(std::string_view label)
{
    const auto& table = labelTable();
    const auto it = table.find(label);
    return it == table.end() ? std::nullopt : std::optional<Encoding>(it->second);
}

std::optional<Encoding> DeclaredEncoding(std::string_view label)
{
    const std::optional<Encoding> encoding = EncodingForLabel(label);
    if (!encoding || *encoding == Encoding::Replacement) {
        return std::nullopt;
    }
    if (*encoding == Encoding::Utf16Le || *encoding == Encoding::Utf16Be) {
        return Encoding::Utf8;
    }
    return *encoding == Encoding::XUserDefined ? Encoding::Windows1252 : *encoding;
}

std::string DeclaredCharsetLabel(std::string_view pageBytes)
{
    const std::string_view head = pageBytes.substr(0, 1024);
    std::size_t from = 0;
    for (;;) {
        const std::size_t meta = findIgnoreCase(head, "<meta", from);
        // A tag counts only when it ends within the bytes looked at.
        const std::size_t end = meta == std::string_view::npos ? meta : head.find('>', meta);
        if (end == std::string_view::npos) {
            return {};
        }
        const std::string_view tag = head.substr(meta, end - meta);
        const std::size_t charset = findIgnoreCase(tag, "charset=", 0);
        if (charset != std::string_view::npos) {
            return labelAt(tag, charset + 8);
        }
        from = end + 1;
    }
}

} // namespace quorlane::files
