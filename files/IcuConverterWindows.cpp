// The converters of IcuConverter.h on Windows: the system's code pages, through
// MultiByteToWideChar and WideCharToMultiByte. LegacyCodec mends them with the browser's codes
// where ICU's differ; an encoding whose code page the system lacks has no converter, so that a
// page in it is refused rather than read as the wrong text.
#include <windows.h>

#include "files/IcuConverter.h"

namespace quorlane::files {

namespace {

// The code page of each encoding that ICU converts elsewhere; 0 for none. ISO-8859-10 and
// ISO-8859-14 have no code page on Windows.
UINT codePageOf(Encoding encoding)
{
    switch (ReadAs(encoding)) {
    case Encoding::Ibm866:
        return 866;
    case Encoding::Iso8859_2:
        return 28592;
    case Encoding::Iso8859_3:
        return 28593;
    case Encoding::Iso8859_4:
        return 28594;
    case Encoding::Iso8859_5:
        return 28595;
    case Encoding::Iso8859_6:
        return 28596;
    case Encoding::Iso8859_7:
        return 28597;
    case Encoding::Iso8859_8:
        return 28598;
    case Encoding::Iso8859_8I:
        return 38598;
    case Encoding::Iso8859_13:
        return 28603;
    case Encoding::Iso8859_15:
        return 28605;
    case Encoding::Koi8R:
        return 20866;
    case Encoding::Koi8U:
        return 21866;
    case Encoding::Macintosh:
        return 10000;
    case Encoding::Windows874:
        return 874;
    case Encoding::Windows1250:
        return 1250;
    case Encoding::Windows1251:
        return 1251;
    case Encoding::Windows1252:
        return 1252;
    case Encoding::Windows1253:
        return 1253;
    case Encoding::Windows1254:
        return 1254;
    case Encoding::Windows1255:
        return 1255;
    case Encoding::Windows1256:
        return 1256;
    case Encoding::Windows1257:
        return 1257;
    case Encoding::Windows1258:
        return 1258;
    case Encoding::XMacCyrillic:
        return 10017;
    case Encoding::Gb18030:
        return 54936;
    case Encoding::Big5:
        return 950;
    case Encoding::EucJp:
        return 20932;
    case Encoding::Iso2022Jp:
        return 50222;
    case Encoding::ShiftJis:
        return 932;
    case Encoding::EucKr:
        return 949;
    default:
        return 0;
    }
}

// The code pages that take no flags at all: the stateful ones and gb18030.
bool takesNoFlags(UINT codePage)
{
    return (codePage >= 50220 && codePage <= 50229) || codePage == 54936;
}

UINT availableCodePage(Encoding encoding)
{
    const UINT codePage = IcuConverterName(encoding) == nullptr ? 0 : codePageOf(encoding);
    return codePage != 0 && IsValidCodePage(codePage) ? codePage : 0;
}

} // namespace

bool HasIcuConverter(Encoding encoding)
{
    return availableCodePage(encoding) != 0;
}

bool DecodeWithIcuOnly(Encoding encoding, std::string_view bytes, std::u16string& out)
{
    const UINT codePage = availableCodePage(encoding);
    if (codePage == 0 || bytes.size() > 0x3FFFFFFF) {
        return false;
    }
    if (bytes.empty()) {
        return true;
    }
    // Without the flag (the code pages that refuse it) a malformed sequence decodes to U+FFFD
    // or to a default character: that is a failure too.
    const DWORD flags = takesNoFlags(codePage) ? 0 : MB_ERR_INVALID_CHARS;
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    if (MultiByteToWideChar(codePage, flags, bytes.data(), size,
                            reinterpret_cast<wchar_t*>(text.data()), length) != length) {
        return false;
    }
    if (flags == 0 && text.find(u'\uFFFD') != std::u16string::npos) {
        return false;
    }
    out += text;
    return true;
}

void EncodeWithIcuOnly(Encoding encoding, std::u16string_view text, std::string& out)
{
    const UINT codePage = availableCodePage(encoding);
    if (codePage == 0 || text.size() > 0x3FFFFFFF) {
        out.append(text.size(), '?');
        return;
    }
    if (text.empty()) {
        return;
    }
    const bool noFlags = takesNoFlags(codePage);
    const DWORD flags = noFlags ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* unmappable = noFlags ? nullptr : "?";
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(codePage, flags, wide, size, nullptr, 0, unmappable, nullptr);
    if (length <= 0) {
        out.append(text.size(), '?');
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(length));
    WideCharToMultiByte(codePage, flags, wide, size, out.data() + at, length, unmappable, nullptr);
}

} // namespace quorlane::files
