#include "files/PageCodec.h"

#include <algorithm>
#include <ostream>

#include "core/Utf8.h"
#include "files/EncodingLabels.h"
#include "files/LegacyCodec.h"
#include "files/SingleByteCodec.h"

namespace quorlane::files {

namespace {

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view utf16LeBom = "\xFF\xFE";
constexpr std::string_view utf16BeBom = "\xFE\xFF";

// UTF-16 as the browser reads it: a lone surrogate or an odd last byte becomes U+FFFD.
void appendUtf16Bytes(std::u16string& out, std::string_view bytes, bool bigEndian)
{
    out.reserve(out.size() + bytes.size() / 2 + 1);
    const auto unitAt = [&](std::size_t i) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    };
    const std::size_t units = bytes.size() / 2;
    for (std::size_t k = 0; k < units; ++k) {
        const char16_t unit = unitAt(2 * k);
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && k + 1 < units && unitAt(2 * k + 2) >= 0xDC00 && unitAt(2 * k + 2) <= 0xDFFF) {
            out.push_back(unit);
            out.push_back(unitAt(2 * k + 2));
            ++k;
        } else {
            out.push_back(high || low ? char16_t(0xFFFD) : unit);
        }
    }
    if (bytes.size() % 2 != 0) {
        out.push_back(0xFFFD);
    }
}

void appendAsUtf16Bytes(std::string& out, std::u16string_view text, bool bigEndian)
{
    out.reserve(out.size() + 2 * text.size());
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    }
}

const SingleByteCodec* singleByteCodec(Encoding encoding)
{
    if (encoding == Encoding::Windows1252) {
        return &Windows1252();
    }
    return encoding == Encoding::Iso8859_16 ? &Iso885916() : nullptr;
}

// Decodes bytes in encoding when they hold no malformed sequence.
bool decodeStrictly(Encoding encoding, std::string_view bytes, std::u16string& text)
{
    if (encoding == Encoding::Utf8) {
        if (!core::IsValidUtf8(bytes)) {
            return false;
        }
        core::AppendUtf8AsUtf16(text, bytes);
        return true;
    }
    if (const SingleByteCodec* codec = singleByteCodec(encoding)) {
        codec->decode(text, bytes);
        return true;
    }
    return DecodeLegacy(encoding, bytes, text);
}

void decodeWithoutBom(std::string_view bytes, DecodedPage& page)
{
    const std::string label = DeclaredCharsetLabel(bytes);
    if (const std::optional<Encoding> declared = DeclaredEncoding(label)) {
        page.declaredCharset = label;
        if (decodeStrictly(*declared, bytes, page.text)) {
            page.encoding.kind = *declared;
            return;
        }
        page.text.clear();
        page.encodingUnavailable = *declared != Encoding::Utf8 && !singleByteCodec(*declared) &&
                                   !CanDecodeLegacy(*declared);
    }
    if (core::IsValidUtf8(bytes)) {
        core::AppendUtf8AsUtf16(page.text, bytes);
        page.encoding.kind = Encoding::Utf8;
    } else {
        Windows1252().decode(page.text, bytes);
        page.encoding.kind = Encoding::Windows1252;
    }
}

void appendEncoded(std::string& out, std::u16string_view text, const PageEncoding& encoding)
{
    if (encoding.kind == Encoding::Utf8) {
        core::AppendUtf16AsUtf8(out, text, "?");
    } else if (const SingleByteCodec* codec = singleByteCodec(encoding.kind)) {
        codec->encode(out, text);
    } else if (encoding.kind == Encoding::Utf16Le || encoding.kind == Encoding::Utf16Be) {
        appendAsUtf16Bytes(out, text, encoding.kind == Encoding::Utf16Be);
    } else {
        EncodeLegacy(encoding.kind, text, out);
    }
}

} // namespace

DecodedPage DecodePage(std::string_view bytes)
{
    DecodedPage page;
    // Room for the markup that protection puts into a page, so that a large page is not moved
    // to a new buffer for it.
    constexpr std::size_t roomToGrow = 1 << 14;
    page.text.reserve(bytes.size() + roomToGrow);
    if (bytes.starts_with(utf8Bom)) {
        core::AppendUtf8AsUtf16(page.text, bytes.substr(3));
        page.encoding = {Encoding::Utf8, true};
    } else if (bytes.starts_with(utf16LeBom) || bytes.starts_with(utf16BeBom)) {
        const bool bigEndian = bytes.starts_with(utf16BeBom);
        appendUtf16Bytes(page.text, bytes.substr(2), bigEndian);
        page.encoding = {bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le, true};
    } else {
        decodeWithoutBom(bytes, page);
    }
    std::erase(page.text, u'\0');
    return page;
}

std::string_view ByteOrderMark(const PageEncoding& encoding)
{
    if (!encoding.byteOrderMark) {
        return {};
    }
    switch (encoding.kind) {
    case Encoding::Utf16Le:
        return utf16LeBom;
    case Encoding::Utf16Be:
        return utf16BeBom;
    case Encoding::Utf8:
        return utf8Bom;
    default:
        return {};
    }
}

std::string EncodePage(std::u16string_view text, const PageEncoding& encoding)
{
    std::string bytes(ByteOrderMark(encoding));
    appendEncoded(bytes, text, encoding);
    return bytes;
}

namespace {

constexpr std::size_t sliceUnits = 1 << 16;

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

PageWriter::PageWriter(std::ostream& out, PageEncoding encoding)
    : m_out(out)
    , m_encoding(std::move(encoding))
{
    m_out << ByteOrderMark(m_encoding);
}

void PageWriter::write(std::u16string_view text)
{
    m_bytes.clear();
    appendEncoded(m_bytes, text, m_encoding);
    m_out.write(m_bytes.data(), static_cast<std::streamsize>(m_bytes.size()));
}

void PageWriter::append(std::u16string_view text)
{
    if (m_encoding.kind == Encoding::Iso2022Jp) {
        m_held += text;
        return;
    }
    while (!text.empty()) {
        if (m_held.empty() && text.size() > sliceUnits) {
            // Large text is encoded where it stands, slice by slice, keeping a surrogate pair
            // in one slice.
            std::size_t take = sliceUnits;
            if (isHighSurrogate(text[take - 1])) {
                --take;
            }
            write(text.substr(0, take));
            text.remove_prefix(take);
            continue;
        }
        const std::size_t take = std::min(text.size(), sliceUnits - m_held.size());
        m_held += text.substr(0, take);
        text.remove_prefix(take);
        if (m_held.size() == sliceUnits) {
            const bool split = isHighSurrogate(m_held.back());
            write(std::u16string_view(m_held).substr(0, m_held.size() - (split ? 1 : 0)));
            m_held.erase(0, m_held.size() - (split ? 1 : 0));
        }
    }
}

bool PageWriter::finish()
{
    write(m_held);
    m_held.clear();
    m_out.flush();
    return static_cast<bool>(m_out);
}

} // namespace quorlane::files
