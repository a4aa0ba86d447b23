#include "tests/support/PageDecoding.h"

#include "core/PageEncoder.h"
#include "core/PageTransformer.h"
#include "core/Utf8.h"
#include "files/PageCodec.h"

namespace quorlane::test {

namespace {

// The value of the hex number of digits digits at text[at]; -1 when there is none.
long hexAt(std::u16string_view text, std::size_t at, std::size_t digits)
{
    if (at + digits > text.size()) {
        return -1;
    }
    long value = 0;
    for (const char16_t c : text.substr(at, digits)) {
        const std::size_t digit = std::u16string_view(u"0123456789ABCDEF0123456789abcdef").find(c);
        if (digit == std::u16string_view::npos) {
            return -1;
        }
        value = value * 16 + static_cast<long>(digit % 16);
    }
    return value;
}

} // namespace

std::u16string Unescape(std::u16string_view escaped)
{
    std::u16string out;
    for (std::size_t i = 0; i < escaped.size();) {
        const bool percent = escaped[i] == u'%';
        const long wide =
            percent && escaped.substr(i + 1, 1) == u"u" ? hexAt(escaped, i + 2, 4) : -1;
        const long value = wide >= 0 ? wide : percent ? hexAt(escaped, i + 1, 2) : -1;
        out.push_back(value >= 0 ? static_cast<char16_t>(value) : escaped[i]);
        i += value < 0 ? 1 : wide >= 0 ? 6 : 3;
    }
    return out;
}

DecodedPage DecodeWriterBlocks(std::u16string_view text)
{
    DecodedPage decoded;
    for (std::size_t pos = 0;;) {
        const std::size_t start = text.find(core::writerBlockStart, pos);
        const std::size_t escapedAt = start + core::writerBlockStart.size();
        const std::size_t end =
            start == std::u16string_view::npos ? start : text.find(core::writerBlockEnd, escapedAt);
        if (end == std::u16string_view::npos) {
            decoded.complete = start == std::u16string_view::npos;
            decoded.plain += text.substr(pos);
            return decoded;
        }
        std::u16string written = Unescape(text.substr(escapedAt, end - escapedAt));
        decoded.plain += text.substr(pos, start - pos);
        // A block may write blocks of its own, which then write theirs.
        const DecodedPage inner = DecodeWriterBlocks(written);
        decoded.plain += inner.plain;
        decoded.complete = decoded.complete && inner.complete;
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

std::string ProtectedFileBytes(const std::string& bytes, const core::ProtectionSettings& settings)
{
    files::DecodedPage page = files::DecodePage(bytes);
    core::ProtectPage(page.text, settings, page.declaredCharset);
    page.text += core::protectedPageMarker;
    return files::EncodePage(page.text, page.encoding);
}

} // namespace quorlane::test
