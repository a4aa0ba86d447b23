#include "core/ProtectModesSpans.h"

#include <algorithm>

namespace quorlane::core::modes {

SpanEncoding::SpanEncoding(std::u16string_view span)
    : m_span(span)
{
    split();
}

SpanEncoding::SpanEncoding(std::u16string&& gathered)
    : m_gathered(std::move(gathered))
    , m_span(m_gathered)
{
    split();
}

void SpanEncoding::split()
{
    const MarkupEncoding encoding(m_span);
    pieces.reserve(encoding.pieces().size());
    for (const MarkupEncoding::Piece& piece : encoding.pieces()) {
        pieces.push_back({piece.text, piece.kept, m_size, piece.size});
        m_size += piece.size;
    }
}

std::size_t SpanEncoding::pieceAt(std::size_t pos) const
{
    const auto after = std::upper_bound(pieces.begin(), pieces.end(), pos,
                                        [](std::size_t p, const Piece& q) { return p < q.start; });
    return static_cast<std::size_t>(after - pieces.begin()) - 1;
}

void WritePieces(PageSink& out, const SpanEncoding& encoding, std::size_t first, std::size_t last)
{
    for (std::size_t i = first; i < last; ++i) {
        const SpanEncoding::Piece& piece = encoding.pieces[i];
        if (piece.kept) {
            out.append(piece.text);
        } else {
            WriteWriterBlock(out, piece.text);
        }
    }
}

void GatherPieces(std::u16string& text, const SpanEncoding& encoding, std::size_t first)
{
    StringSink sink(text);
    WritePieces(sink, encoding, first, encoding.pieces.size());
}

void ScanWriterBlock(RawTextScanner& scanner)
{
    scanner.finish(writerBlockStart);
    scanner.nextPiece();
    scanner.finish(writerBlockEnd);
    scanner.nextPiece();
}

} // namespace quorlane::core::modes
