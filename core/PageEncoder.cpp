#include "core/PageEncoder.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/TextSearch.h"

namespace quorlane::core {

namespace {

constexpr char16_t hexDigits[] = u"0123456789ABCDEF";

// "%XX" for each code unit below 0x100, and the two hex digits of each byte value.
struct EscapeTables
{
    std::array<std::array<char16_t, 3>, 256> byteEscape{};
    std::array<std::array<char16_t, 2>, 256> byteHex{};

    constexpr EscapeTables()
    {
        for (unsigned b = 0; b < 256; ++b) {
            byteHex[b] = {hexDigits[b >> 4], hexDigits[b & 15]};
            byteEscape[b] = {u'%', hexDigits[b >> 4], hexDigits[b & 15]};
        }
    }
};
constexpr EscapeTables tables;

// Escapes in slices through a small buffer that stays in cache; out must already have room.
void escapeInto(std::u16string& out, std::u16string_view text)
{
    constexpr std::size_t sliceUnits = 1024;
    char16_t buffer[sliceUnits * 6];
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = std::min(text.size(), i + sliceUnits);
        char16_t* dst = buffer;
        for (; i < end; ++i) {
            const char16_t c = text[i];
            if (c < 0x100) {
                std::memcpy(dst, tables.byteEscape[c].data(), 3 * sizeof(char16_t));
                dst += 3;
            } else {
                dst[0] = u'%';
                dst[1] = u'u';
                std::memcpy(dst + 2, tables.byteHex[c >> 8].data(), 2 * sizeof(char16_t));
                std::memcpy(dst + 4, tables.byteHex[c & 0xFF].data(), 2 * sizeof(char16_t));
                dst += 6;
            }
        }
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
    }
}

} // namespace

std::size_t EscapedSize(std::u16string_view text)
{
    std::size_t wide = 0;
    for (char16_t c : text) {
        wide += c >= 0x100 ? 1 : 0;
    }
    return 3 * text.size() + 3 * wide;
}

void AppendEscaped(std::u16string& out, std::u16string_view text)
{
    out.reserve(out.size() + EscapedSize(text));
    escapeInto(out, text);
}

std::u16string EscapeText(std::u16string_view text)
{
    std::u16string out;
    AppendEscaped(out, text);
    return out;
}

std::u16string MakeWriterBlock(std::u16string_view text)
{
    std::u16string block;
    block.reserve(writerBlockStart.size() + EscapedSize(text) + writerBlockEnd.size());
    block += writerBlockStart;
    escapeInto(block, text);
    block += writerBlockEnd;
    return block;
}

std::u16string WriterFunctionText()
{
    return u"\r\nvar qv_ok=true;\r\nfunction qv_d00(s)\r\n{\r\n   if(!qv_ok)\r\n       "
           u"return;\r\n   document.write(s)\r\n}\r\n";
}

MarkupEncoding::MarkupEncoding(std::u16string_view markup)
{
    std::size_t rest = 0;
    for (;;) {
        const std::size_t p = FindIgnoreCase(markup, u"<script ", rest);
        const std::size_t e = p == npos ? npos : FindIgnoreCase(markup, u"</script>", p);
        if (e == npos) {
            // No script element left, or one that never ends: the rest is plain markup.
            add(markup.substr(rest), true);
            return;
        }
        const std::size_t g = FindUnit(markup, u'>', p);
        const std::size_t elementEnd = e + 9;
        if (ContainsIgnoreCase(markup.substr(p, g - p), u"src=")) {
            add(markup.substr(rest, p - rest), true);
            add(markup.substr(p, elementEnd - p), false);
        } else {
            add(markup.substr(rest, elementEnd - rest), true);
        }
        rest = elementEnd;
    }
}

void MarkupEncoding::add(std::u16string_view text, bool escaped)
{
    m_pieces.push_back({text, escaped});
    m_size +=
        escaped ? writerBlockStart.size() + EscapedSize(text) + writerBlockEnd.size() : text.size();
}

void MarkupEncoding::appendTo(std::u16string& out) const
{
    out.reserve(out.size() + m_size);
    for (const Piece& piece : m_pieces) {
        if (piece.escaped) {
            out += writerBlockStart;
            escapeInto(out, piece.text);
            out += writerBlockEnd;
        } else {
            out += piece.text;
        }
    }
}

std::vector<std::u16string_view> MarkupEncoding::keptElements() const
{
    std::vector<std::u16string_view> kept;
    for (const Piece& piece : m_pieces) {
        if (!piece.escaped) {
            kept.push_back(piece.text);
        }
    }
    return kept;
}

std::u16string EncodeMarkup(std::u16string_view markup)
{
    const MarkupEncoding encoding(markup);
    std::u16string out;
    encoding.appendTo(out);
    return out;
}

} // namespace quorlane::core
