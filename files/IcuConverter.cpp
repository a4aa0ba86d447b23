#include "files/IcuConverter.h"

#include <memory>
#include <string>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <utility>

#include "files/EncodingLabels.h"

namespace quorlane::files {

namespace {

struct ConverterCloser
{
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter openConverter(Encoding encoding)
{
    const char* name = IcuConverterName(encoding);
    if (name == nullptr) {
        return nullptr;
    }
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &status));
    return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

} // namespace

bool HasIcuConverter(Encoding encoding)
{
    return IcuConverterName(encoding) != nullptr;
}

bool DecodeWithIcuOnly(Encoding encoding, std::string_view bytes, std::u16string& out)
{
    Converter converter = openConverter(encoding);
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

void EncodeWithIcuOnly(Encoding encoding, std::u16string_view text, std::string& out)
{
    Converter converter = openConverter(encoding);
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
