#include "core/ProtectModes.h"

#include "core/ProtectModesSpans.h"
#include "core/TextSearch.h"

namespace quorlane::core {

namespace {

using modes::SpanEncoding;

constexpr RawTextScanner::Needle exactLink{u"<a ", false};
constexpr RawTextScanner::Needle anyLink{u"<a ", true};

// The loops of the link and body modes: each search goes on after the stretch it found, inside
// the encoding just made. What later searches can meet there: writer blocks hold none of the
// searched texts (their escapes are digits, capitals and "%u"), nor "</a>" or "</body>", so a
// stretch that begins in an encoding always ends in the page after it; kept script elements
// hold what the page held, "<a " and "<body" among it. So the page as it stands is: what is
// written, then the latest encoding, then the page from m_pageFrom on.
class ForwardLoop
{
public:
    ForwardLoop(std::u16string_view page, PageSink& out)
        : m_page(page)
        , m_out(out)
    {
    }

    void encodeLinks();
    void encodeBody();

private:
    // A place in the page as it stands: in a piece of the latest encoding, or in the page.
    struct Place
    {
        bool inEncoding;
        std::size_t piece;  // in the encoding
        std::size_t offset; // in that piece, or in the page
    };

    Place resumePlace() const;
    bool findLink(Place from, bool firstSearch, Place& found);
    bool findBody(Place from, bool firstSearch, Place& found);
    Place encode(Place begin, std::size_t end);
    void finish();

    std::u16string_view m_page;
    PageSink& m_out;
    std::unique_ptr<SpanEncoding> m_encoding; // the latest encoding, not yet written
    std::size_t m_pageFrom = 0;               // the page goes on here after it
    RawTextScanner m_scanner;
};

// One past the end of the stretch just replaced, in the page it left: inside its encoding,
// which is always longer than the stretch.
ForwardLoop::Place ForwardLoop::resumePlace() const
{
    const std::size_t pos = m_encoding->spanSize() + 1;
    const std::size_t piece = m_encoding->pieceAt(pos);
    return {true, piece, pos - m_encoding->pieces[piece].start};
}

// Replaces the page as it stands from begin to end (a page offset) by its encoding, writes
// what comes before it, and gives where the search goes on.
ForwardLoop::Place ForwardLoop::encode(Place begin, std::size_t end)
{
    if (!begin.inEncoding) {
        if (m_encoding) {
            modes::WritePieces(m_out, *m_encoding, 0, m_encoding->pieces.size());
        }
        m_out.append(m_page.substr(m_pageFrom, begin.offset - m_pageFrom));
        m_encoding =
            std::make_unique<SpanEncoding>(m_page.substr(begin.offset, end - begin.offset));
    } else {
        modes::WritePieces(m_out, *m_encoding, 0, begin.piece);
        std::u16string gathered;
        std::size_t next = begin.piece;
        const SpanEncoding::Piece& piece = m_encoding->pieces[next];
        if (piece.kept) {
            // A stretch begins inside a kept element, whose head stays as it stands; or at the
            // start of a piece.
            m_out.append(piece.text.substr(0, begin.offset));
            gathered = piece.text.substr(begin.offset);
            ++next;
        }
        modes::GatherPieces(gathered, *m_encoding, next);
        gathered += m_page.substr(m_pageFrom, end - m_pageFrom);
        m_encoding = std::make_unique<SpanEncoding>(std::move(gathered));
    }
    m_pageFrom = end;
    return resumePlace();
}

void ForwardLoop::finish()
{
    if (m_encoding) {
        modes::WritePieces(m_out, *m_encoding, 0, m_encoding->pieces.size());
    }
    m_out.append(m_page.substr(m_pageFrom));
}

// The next "<a " outside raw text from `from` on. The raw text is that of the page as it
// stands: the scanner stands at the start of the latest encoding (which begins outside raw
// text, where a link began) and has not yet read the pieces from `from` on.
bool ForwardLoop::findLink(Place from, bool firstSearch, Place& found)
{
    const RawTextScanner::Needle needle = firstSearch ? anyLink : exactLink;
    if (from.inEncoding) {
        for (std::size_t i = 0; i < m_encoding->pieces.size(); ++i) {
            const SpanEncoding::Piece& piece = m_encoding->pieces[i];
            if (!piece.kept) {
                modes::ScanWriterBlock(m_scanner);
                continue;
            }
            const std::size_t start = i < from.piece    ? piece.text.size()
                                      : i == from.piece ? from.offset
                                                        : 0;
            const RawTextScanner::Hit hit = m_scanner.find(piece.text, start, {needle});
            m_scanner.nextPiece();
            if (hit.at != npos) {
                found = {true, i, hit.at};
                return true;
            }
        }
        from = {false, 0, m_pageFrom};
    }
    const std::u16string_view rest = m_page.substr(m_pageFrom);
    const RawTextScanner::Hit hit = m_scanner.find(rest, from.offset - m_pageFrom, {needle});
    found = {false, 0, m_pageFrom + hit.at};
    return hit.at != npos;
}

void ForwardLoop::encodeLinks()
{
    Place from{false, 0, 0};
    bool firstSearch = true;
    Place link{};
    while (findLink(from, firstSearch, link)) {
        firstSearch = false;
        // No "</a>" stands in an encoding.
        const std::size_t close =
            FindIgnoreCase(m_page, u"</a>", link.inEncoding ? m_pageFrom : link.offset);
        if (close == npos) {
            break;
        }
        from = encode(link, close + 4);
        // The raw text of the page as it now stands is read again from the new encoding on.
        m_scanner = RawTextScanner();
    }
    finish();
}

bool ForwardLoop::findBody(Place from, bool firstSearch, Place& found)
{
    if (from.inEncoding) {
        for (std::size_t i = from.piece; i < m_encoding->pieces.size(); ++i) {
            const SpanEncoding::Piece& piece = m_encoding->pieces[i];
            const std::size_t at =
                piece.kept ? FindExact(piece.text, u"<body", i == from.piece ? from.offset : 0)
                           : npos;
            if (at != npos) {
                found = {true, i, at};
                return true;
            }
        }
        from = {false, 0, m_pageFrom};
    }
    const std::size_t at = firstSearch ? FindIgnoreCase(m_page, u"<body", from.offset)
                                       : FindExact(m_page, u"<body", from.offset);
    found = {false, 0, at};
    return at != npos;
}

void ForwardLoop::encodeBody()
{
    Place from{false, 0, 0};
    bool firstSearch = true;
    Place tag{};
    while (findBody(from, firstSearch, tag)) {
        firstSearch = false;
        Place content{};
        if (tag.inEncoding) {
            // A kept element ends with ">", so the tag's ">" stands in the same piece.
            const SpanEncoding::Piece& piece = m_encoding->pieces[tag.piece];
            const std::size_t gt = FindUnit(piece.text, u'>', tag.offset);
            content = gt + 1 < piece.text.size() ? Place{true, tag.piece, gt + 1}
                                                 : Place{true, tag.piece + 1, 0};
        } else {
            const std::size_t gt = FindUnit(m_page, u'>', tag.offset);
            if (gt == npos) {
                break;
            }
            content = {false, 0, gt + 1};
        }
        // No "</body>" stands in an encoding. Without one the page changes no more.
        const std::size_t end =
            FindIgnoreCase(m_page, u"</body>", content.inEncoding ? m_pageFrom : content.offset);
        if (end == npos) {
            break;
        }
        from = encode(content, end);
    }
    finish();
}

} // namespace

void WriteProtectedPart(std::u16string_view page, ProtectMode mode, PageSink& out)
{
    switch (mode) {
    case ProtectMode::EmailLinksOnly:
        modes::WriteEmailLinks(page, out);
        return;
    case ProtectMode::AllLinks:
        ForwardLoop(page, out).encodeLinks();
        return;
    case ProtectMode::BodyOnly:
        ForwardLoop(page, out).encodeBody();
        return;
    case ProtectMode::WholePage:
        break;
    }
    const SpanEncoding whole(page);
    modes::WritePieces(out, whole, 0, whole.pieces.size());
}

std::u16string EncodeProtectedPart(std::u16string_view page, ProtectMode mode)
{
    std::u16string out;
    StringSink sink(out);
    WriteProtectedPart(page, mode, sink);
    return out;
}

} // namespace quorlane::core
