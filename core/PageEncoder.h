#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/HiddenPartSealer.h"

// Writer blocks: markup percent-escaped into small scripts that hand it back to the page's
// writer qv_d00 while the page is parsed.
namespace quorlane::core {

inline constexpr std::u16string_view writerBlockStart =
    u"<script type=\"text/javascript\">\r\n<!--\r\nqv_d00(unescape(\"";
inline constexpr std::u16string_view writerBlockEnd = u"\"));\r\n//-->\r\n</script>";

// Every code unit escaped: "%XX" below 0x100, "%uXXXX" above, capital hex digits. The result
// holds only "%", "u", digits and A to F, and unescape() turns it back into the input.
std::u16string EscapeText(std::u16string_view text);

// Appends EscapeText(text) to out, growing out once.
void AppendEscaped(std::u16string& out, std::u16string_view text);

// The number of code units EscapeText(text) gives.
std::size_t EscapedSize(std::u16string_view text);

// A script element that writes text back through qv_d00. No line break before or after it, so
// it adds no white space where it stands.
std::u16string MakeWriterBlock(std::u16string_view text);

// The definition of qv_ok and qv_d00 that every protected page carries.
std::u16string WriterFunctionText();

// How one piece of markup is encoded: runs of writer blocks, with every script element that
// loads an external file kept as it stands between them. Holds views into the markup, which
// must outlive it.
class MarkupEncoding
{
public:
    struct Piece
    {
        std::u16string_view text;
        bool kept;            // an external script element, as it stands; else writer block text
        std::size_t size = 0; // once encoded
    };

    explicit MarkupEncoding(std::u16string_view markup);

    // The size of the encoded markup in code units, its writer blocks escaped.
    std::size_t size() const { return m_size; }
    const std::vector<Piece>& pieces() const { return m_pieces; }
    // Appends the encoded markup; with a sealer its writer blocks are sealed.
    void appendTo(std::u16string& out, HiddenPartSealer* sealer = nullptr) const;

private:
    void add(std::u16string_view text, bool kept);

    std::vector<Piece> m_pieces;
    std::size_t m_size = 0;
};

// The markup as writer blocks with the external script elements between them. Always at least
// one writer block.
std::u16string EncodeMarkup(std::u16string_view markup);

} // namespace quorlane::core
