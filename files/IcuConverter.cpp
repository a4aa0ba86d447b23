#include "files/IcuConverter.h"

#include <memory>
#include <string>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <utility>

namespace quorlane::files {

namespace {

// ICU's converter for each browser encoding. A browser reads GBK with its gb18030 decoder,
// ISO-8859-8-I as ISO-8859-8, Shift_JIS as Windows code page 932 and EUC-KR as 949.
const char* converterName(std::string_view encodingName)
{
    static const std::pair<std::string_view, const char*> names[] = {
        {"IBM866", "ibm-866_P100-1995"},
        {"ISO-8859-2", "ISO-8859-2"},
        {"ISO-8859-3", "ISO-8859-3"},
        {"ISO-8859-4", "ISO-8859-4"},
        {"ISO-8859-5", "ISO-8859-5"},
        {"ISO-8859-6", "ISO-8859-6"},
        {"ISO-8859-7", "ISO-8859-7"},
        {"ISO-8859-8", "ISO-8859-8"},
        {"ISO-8859-8-I", "ISO-8859-8"},
        {"ISO-8859-10", "ISO-8859-10"},
        {"ISO-8859-13", "ISO-8859-13"},
        {"ISO-8859-14", "ISO-8859-14"},
        {"ISO-8859-15", "ISO-8859-15"},
        {"KOI8-R", "KOI8-R"},
        {"KOI8-U", "KOI8-U"},
        {"macintosh", "macintosh"},
        {"windows-874", "windows-874"},
        {"windows-1250", "windows-1250"},
        {"windows-1251", "windows-1251"},
        {"windows-1253", "windows-1253"},
        {"windows-1254", "windows-1254"},
        {"windows-1255", "windows-1255"},
        {"windows-1256", "windows-1256"},
        {"windows-1257", "windows-1257"},
        {"windows-1258", "windows-1258"},
        {"x-mac-cyrillic", "x-mac-cyrillic"},
        {"GBK", "gb18030"},
        {"gb18030", "gb18030"},
        {"Big5", "Big5-HKSCS"},
        {"EUC-JP", "EUC-JP"},
        {"ISO-2022-JP", "ISO-2022-JP"},
        {"Shift_JIS", "windows-31j"},
        {"EUC-KR", "windows-949"},
    };
    for (const auto& [browserName, icuName] : names) {
        if (browserName == encodingName) {
            return icuName;
        }
    }
    return nullptr;
}

struct ConverterCloser
{
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter openConverter(std::string_view encodingName)
{
    const char* name = converterName(encodingName);
    if (name == nullptr) {
        return nullptr;
    }
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &status));
    return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

} // namespace

bool HasIcuConverter(std::string_view encodingName)
{
    return converterName(encodingName) != nullptr;
}

bool DecodeWithIcuOnly(std::string_view encodingName, std::string_view bytes, std::u16string& out)
{
    Converter converter = openConverter(encodingName);
    if (!converter) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    std::u16string text(bytes.size() + 16, u'\0');
    const char* source = bytes.data();
    const char* sourceEnd = bytes.data() + bytes.size();
    std::size_t written = 0;
    for (;;) {
        UChar* target = reinterpret_cast<UChar*>(text.data()) + written;
        UChar* targetEnd = reinterpret_cast<UChar*>(text.data()) + text.size();
        status = U_ZERO_ERROR;
        ucnv_toUnicode(converter.get(), &target, targetEnd, &source, sourceEnd, nullptr, true,
                       &status);
        written = static_cast<std::size_t>(target - reinterpret_cast<UChar*>(text.data()));
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            text.resize(text.size() * 2);
            continue;
        }
        if (U_FAILURE(status)) {
            return false;
        }
        break;
    }
    text.resize(written);
    out += text;
    return true;
}

void EncodeWithIcuOnly(std::string_view encodingName, std::u16string_view text, std::string& out)
{
    Converter converter = openConverter(encodingName);
    if (!converter) {
        out.append(text.size(), '?');
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr,
                          nullptr, &status);
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    const UChar* source = reinterpret_cast<const UChar*>(text.data());
    const UChar* sourceEnd = source + text.size();
    char buffer[16384];
    for (;;) {
        char* target = buffer;
        status = U_ZERO_ERROR;
        ucnv_fromUnicode(converter.get(), &target, buffer + sizeof buffer, &source, sourceEnd,
                         nullptr, true, &status);
        out.append(buffer, static_cast<std::size_t>(target - buffer));
        if (status != U_BUFFER_OVERFLOW_ERROR) {
            return;
        }
    }
}

} // namespace quorlane::files
