#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/PageEncoder.h"
#include "core/PageSink.h"
#include "core/RawText.h"

// What the protect modes share: the encoding of one stretch they replace, read as the page
// that later searches see.
namespace quorlane::core::modes {

// The encoding of a stretch of the page: writer blocks and the external script elements kept
// between them. The stretch is a view of the page, or text gathered from the page as it stood
// when it was encoded (when it reaches into encodings made before).
class SpanEncoding
{
public:
    struct Piece
    {
        std::u16string_view text;
        bool kept;
        std::size_t start; // where the piece begins in the encoded text
        std::size_t size;  // its size there
    };

    explicit SpanEncoding(std::u16string_view span);
    explicit SpanEncoding(std::u16string&& gathered);
    SpanEncoding(const SpanEncoding&) = delete;
    SpanEncoding& operator=(const SpanEncoding&) = delete;

    // The size of the stretch replaced.
    std::size_t spanSize() const { return m_span.size(); }
    std::size_t size() const { return m_size; }
    // The piece that holds position pos of the encoded text (pos < size()).
    std::size_t pieceAt(std::size_t pos) const;

    std::vector<Piece> pieces;

private:
    void split();

    std::u16string m_gathered;
    std::u16string_view m_span;
    std::size_t m_size = 0;
};

// Writes pieces [first, last) as they stand in the page.
void WritePieces(PageSink& out, const SpanEncoding& encoding, std::size_t first, std::size_t last);
// Appends pieces [first, end) to text as they stand in the page.
void GatherPieces(std::u16string& text, const SpanEncoding& encoding, std::size_t first);

// Moves the scanner over a writer block: its escapes hold no "<", "-" or ">", so only the
// fixed text around them counts.
void ScanWriterBlock(RawTextScanner& scanner);

// The e-mail links mode (its own file: links met again and again).
void WriteEmailLinks(std::u16string_view page, PageSink& out);

} // namespace quorlane::core::modes
