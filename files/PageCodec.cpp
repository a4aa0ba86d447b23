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

const SingleByteCodec* singleByteCodec(std::string_view encoding)
{
    if (encoding == "windows-1252") {
        return &Windows1252();
    }
    return encoding == "ISO-8859-16" ? &Iso885916() : nullptr;
}

// The encoding a declared label makes the browser use, or empty for one it ignores.
std::string_view declaredEncoding(std::string_view label)
{
    const std::string_view encoding = EncodingForLabel(label);
    if (encoding == "replacement") {
        return {};
    }
    if (encoding == "UTF-16LE" || encoding == "UTF-16BE") {
        return "UTF-8";
    }
    if (encoding == "x-user-defined") {
        return "windows-1252";
    }
    return encoding;
}

// Decodes bytes in encoding when they hold no malformed sequence.
bool decodeStrictly(std::string_view encoding, std::string_view bytes, std::u16string& text)
{
    if (encoding == "UTF-8") {
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
    const std::string_view declared = declaredEncoding(label);
    if (!declared.empty()) {
        page.declaredCharset = label;
        if (decodeStrictly(declared, bytes, page.text)) {
            page.encoding.name = declared;
            return;
        }
        page.text.clear();
    }
    if (core::IsValidUtf8(bytes)) {
        core::AppendUtf8AsUtf16(page.text, bytes);
        page.encoding.name = "UTF-8";
    } else {
        Windows1252().decode(page.text, bytes);
        page.encoding.name = "windows-1252";
    }
}

void appendEncoded(std::string& out, std::u16string_view text, const PageEncoding& encoding)
{
    if (encoding.name == "UTF-8") {
        core::AppendUtf16AsUtf8(out, text, "?");
    } else if (const SingleByteCodec* codec = singleByteCodec(encoding.name)) {
        codec->encode(out, text);
    } else if (encoding.name == "UTF-16LE" || encoding.name == "UTF-16BE") {
        appendAsUtf16Bytes(out, text, encoding.name == "UTF-16BE");
    } else {
        EncodeLegacy(encoding.name, text, out);
    }
}

std::string_view byteOrderMark(const PageEncoding& encoding)
{
    if (!encoding.byteOrderMark) {
        return {};
    }
    if (encoding.name == "UTF-16LE") {
        return utf16LeBom;
    }
    if (encoding.name == "UTF-16BE") {
        return utf16BeBom;
    }
    return encoding.name == "UTF-8" ? utf8Bom : std::string_view();
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
        page.encoding = {"UTF-8", true};
    } else if (bytes.starts_with(utf16LeBom) || bytes.starts_with(utf16BeBom)) {
        const bool bigEndian = bytes.starts_with(utf16BeBom);
        appendUtf16Bytes(page.text, bytes.substr(2), bigEndian);
        page.encoding = {bigEndian ? "UTF-16BE" : "UTF-16LE", true};
    } else {
        decodeWithoutBom(bytes, page);
    }
    std::erase(page.text, u'\0');
    return page;
}

std::string EncodePage(std::u16string_view text, const PageEncoding& encoding)
{
    std::string bytes(byteOrderMark(encoding));
    appendEncoded(bytes, text, encoding);
    return bytes;
}

void WritePage(std::ostream& out, std::u16string_view text, const PageEncoding& encoding)
{
    PageWriter writer(out, encoding);
    writer.append(text);
    writer.finish();
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
    m_out << byteOrderMark(m_encoding);
}

void PageWriter::write(std::u16string_view text)
{
    m_bytes.clear();
    appendEncoded(m_bytes, text, m_encoding);
    m_out.write(m_bytes.data(), static_cast<std::streamsize>(m_bytes.size()));
}

void PageWriter::append(std::u16string_view text)
{
    if (m_encoding.name == "ISO-2022-JP") {
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
