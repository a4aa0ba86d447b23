#include "tests/support/PageDecoding.h"

#include "core/PageEncoder.h"
#include "core/Utf8.h"

namespace quorlane::test {

namespace {

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    return -1;
}

bool readHex(std::u16string_view text, std::size_t at, std::size_t digits, unsigned& value)
{
    if (at + digits > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t k = 0; k < digits; ++k) {
        const int v = hexValue(text[at + k]);
        if (v < 0) {
            return false;
        }
        value = value * 16 + static_cast<unsigned>(v);
    }
    return true;
}

} // namespace

std::u16string Unescape(std::u16string_view escaped)
{
    std::u16string out;
    for (std::size_t i = 0; i < escaped.size();) {
        unsigned value = 0;
        if (escaped[i] == u'%' && i + 1 < escaped.size() && escaped[i + 1] == u'u' &&
            readHex(escaped, i + 2, 4, value)) {
            out.push_back(static_cast<char16_t>(value));
            i += 6;
        } else if (escaped[i] == u'%' && readHex(escaped, i + 1, 2, value)) {
            out.push_back(static_cast<char16_t>(value));
            i += 3;
        } else {
            out.push_back(escaped[i]);
            ++i;
        }
    }
    return out;
}

DecodedPage DecodeWriterBlocks(std::u16string_view text)
{
    DecodedPage decoded;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t start = text.find(core::writerBlockStart, pos);
        if (start == std::u16string_view::npos) {
            decoded.plain += text.substr(pos);
            return decoded;
        }
        const std::size_t escapedAt = start + core::writerBlockStart.size();
        const std::size_t end = text.find(core::writerBlockEnd, escapedAt);
        if (end == std::u16string_view::npos) {
            decoded.complete = false;
            decoded.plain += text.substr(pos);
            return decoded;
        }
        std::u16string written = Unescape(text.substr(escapedAt, end - escapedAt));
        decoded.plain += text.substr(pos, start - pos);
        decoded.plain += written;
        decoded.writtenParts.push_back(std::move(written));
        pos = end + core::writerBlockEnd.size();
    }
}

std::u16string PageScriptOf(std::u16string_view protectedPage)
{
    constexpr std::u16string_view start = u"eval(unescape(\"";
    const std::size_t at = protectedPage.find(start);
    if (at == std::u16string_view::npos) {
        return {};
    }
    const std::size_t end = protectedPage.find(u'"', at + start.size());
    return Unescape(protectedPage.substr(at + start.size(), end - at - start.size()));
}

std::string PageScriptOf(const std::string& utf8Page)
{
    return U8(PageScriptOf(U16(utf8Page)));
}

std::u16string U16(std::string_view utf8)
{
    return core::Utf8ToUtf16(utf8);
}

std::string U8(std::u16string_view text)
{
    return core::Utf16ToUtf8(text);
}

} // namespace quorlane::test
