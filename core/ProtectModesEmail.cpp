// The e-mail links mode. Each "mailto:" outside raw text encodes the nearest link before it that
// is not yet encoded, and the search goes on inside the writer blocks just made: after a link
// that ends before the "mailto:", the same "mailto:" is met again and encodes the next nearest
// link, and so on back through the page. So a replacement may land anywhere behind the
// search, and the raw text after it may read differently from then on.
//
// The page as it stands is kept as a list of blocks: stretches of the page and encodings. For
// each, the scan of its raw text from the state the block before leaves gives its events: the
// links ("<a ", any case) and "mailto:" that lie outside raw text. The links met and not yet
// encoded wait on a stack, nearest on top. A replacement changes the blocks from the link on;
// the blocks after it are scanned again only while the raw-text state they are entered in
// differs from before. Blocks behind every waiting link and behind the search are written out.
#include <algorithm>
#include <list>
#include <memory>
#include <vector>

#include "core/ProtectModesSpans.h"
#include "core/TextSearch.h"

namespace quorlane::core::modes {

namespace {

constexpr RawTextScanner::Needle anyLink{u"<a ", true};
constexpr RawTextScanner::Needle exactMail{u"mailto:", false};
constexpr RawTextScanner::Needle anyMail{u"mailto:", true};

struct Event
{
    std::size_t pos; // in the page for a stretch, in the encoded text for an encoding
    bool link;       // "<a ", else "mailto:"
};

struct Block
{
    // A stretch [begin, end) of the page, or an encoding. The last block is a stretch open to
    // the end of the page and scanned as far as end.
    std::size_t begin = 0;
    std::size_t end = 0;
    std::unique_ptr<SpanEncoding> encoding;
    RawTextScanner entry; // the state the block is entered in
    RawTextScanner state; // after it (for the open stretch: as far as it is scanned)
    std::vector<Event> events;
    std::list<Block>::iterator skip; // no block strictly between this and skip has events
};

using BlockIt = std::list<Block>::iterator;

struct Place
{
    BlockIt block;
    std::size_t pos;
};

class EmailLinks
{
public:
    EmailLinks(std::u16string_view page, PageSink& out);
    void run();

private:
    bool isOpen(BlockIt block) const { return std::next(block) == m_blocks.end(); }
    bool walk(Place from, Place& mail);
    bool scanOpen(Place& mail);
    BlockIt nextWithEvents(BlockIt block);
    bool findClose(Place link, Place& close) const;
    Place replace(Place link, Place end);
    std::u16string gather(Place link, Place end) const;
    void cutAt(Place link);
    void scanClosed(Block& block) const;
    void rescanFrom(BlockIt block, const RawTextScanner& entry);
    void writeBlock(const Block& block);
    void writeFinished(BlockIt keep);

    std::u16string_view m_page;
    PageSink& m_out;
    std::list<Block> m_blocks;
    std::vector<Place> m_links; // waiting, nearest last
    bool m_firstSearch = true;
};

EmailLinks::EmailLinks(std::u16string_view page, PageSink& out)
    : m_page(page)
    , m_out(out)
{
    m_blocks.emplace_back();
    m_blocks.back().skip = m_blocks.end();
}

// Scans the open stretch further: its links, up to its next "mailto:". Gives false at the end
// of the page.
bool EmailLinks::scanOpen(Place& mail)
{
    Block& open = m_blocks.back();
    const std::u16string_view piece = m_page.substr(open.begin);
    for (;;) {
        const RawTextScanner::Hit hit = open.state.find(
            piece, open.end - open.begin, {anyLink, m_firstSearch ? anyMail : exactMail});
        if (hit.at == npos) {
            open.end = m_page.size();
            return false;
        }
        const std::size_t pos = open.begin + hit.at;
        open.end = pos + 1;
        if (hit.needle == 0) {
            open.events.push_back({pos, true});
            m_links.push_back({std::prev(m_blocks.end()), pos});
            continue;
        }
        if (m_firstSearch) {
            m_firstSearch = false;
            // Every later search is case-sensitive and does not meet this one again.
            if (m_page.compare(pos, 7, exactMail.text) != 0) {
                mail = {std::prev(m_blocks.end()), pos};
                return true;
            }
        }
        open.events.push_back({pos, false});
        mail = {std::prev(m_blocks.end()), pos};
        return true;
    }
}

BlockIt EmailLinks::nextWithEvents(BlockIt block)
{
    const BlockIt last = std::prev(m_blocks.end());
    BlockIt target = block->skip;
    while (target != last && target->events.empty()) {
        target = target->skip;
    }
    while (block != target) {
        const BlockIt next = block->skip;
        block->skip = target;
        block = next;
    }
    return target;
}

// Goes on from `from` to the next "mailto:", and puts the links it passes on the stack.
bool EmailLinks::walk(Place from, Place& mail)
{
    BlockIt block = from.block;
    auto event = std::lower_bound(block->events.begin(), block->events.end(), from.pos,
                                  [](const Event& e, std::size_t pos) { return e.pos < pos; });
    for (;;) {
        for (; event != block->events.end(); ++event) {
            if (!event->link) {
                mail = {block, event->pos};
                return true;
            }
            m_links.push_back({block, event->pos});
        }
        if (isOpen(block)) {
            return scanOpen(mail);
        }
        block = nextWithEvents(block);
        event = block->events.begin();
    }
}

// The first "</a>" at or after the link; an encoding holds none.
bool EmailLinks::findClose(Place link, Place& close) const
{
    std::size_t from = link.pos;
    for (BlockIt block = link.block; block != m_blocks.end(); ++block) {
        if (block->encoding) {
            continue;
        }
        if (block != link.block) {
            from = block->begin;
        }
        const std::size_t end = isOpen(block) ? m_page.size() : block->end;
        const std::size_t at = FindIgnoreCase(m_page.substr(0, end), u"</a>", from);
        if (at != npos) {
            close = {block, at};
            return true;
        }
    }
    return false;
}

// The page as it stands from the link to the end, when it is not one stretch of the page.
std::u16string EmailLinks::gather(Place link, Place end) const
{
    std::u16string text;
    StringSink sink(text);
    for (BlockIt block = link.block;; ++block) {
        const std::size_t from = block == link.block ? link.pos : 0;
        if (block == end.block) {
            text +=
                m_page.substr(std::max(from, block->begin), end.pos - std::max(from, block->begin));
            return text;
        }
        if (!block->encoding) {
            text += m_page.substr(std::max(from, block->begin),
                                  block->end - std::max(from, block->begin));
            continue;
        }
        std::size_t piece = 0;
        if (block == link.block) {
            // A link in an encoding stands in a kept element.
            piece = block->encoding->pieceAt(from);
            const SpanEncoding::Piece& kept = block->encoding->pieces[piece];
            text += kept.text.substr(from - kept.start);
            ++piece;
        }
        WritePieces(sink, *block->encoding, piece, block->encoding->pieces.size());
    }
}

// What stays of the link's block: everything before the link, which ends outside raw text.
void EmailLinks::cutAt(Place link)
{
    Block& block = *link.block;
    if (block.encoding) {
        std::vector<SpanEncoding::Piece>& pieces = block.encoding->pieces;
        const std::size_t piece = block.encoding->pieceAt(link.pos);
        pieces[piece].text = pieces[piece].text.substr(0, link.pos - pieces[piece].start);
        pieces[piece].size = pieces[piece].text.size();
        pieces.resize(piece + 1);
    } else {
        block.end = link.pos;
    }
    while (!block.events.empty() && block.events.back().pos >= link.pos) {
        block.events.pop_back();
    }
    block.state = RawTextScanner();
}

void EmailLinks::scanClosed(Block& block) const
{
    RawTextScanner scanner = block.entry;
    block.events.clear();
    const auto scanPiece = [&](std::u16string_view piece, std::size_t offset) {
        for (std::size_t from = 0;;) {
            const RawTextScanner::Hit hit = scanner.find(piece, from, {anyLink, exactMail});
            if (hit.at == npos) {
                break;
            }
            block.events.push_back({offset + hit.at, hit.needle == 0});
            from = hit.at + 1;
        }
        scanner.nextPiece();
    };
    if (block.encoding) {
        for (const SpanEncoding::Piece& piece : block.encoding->pieces) {
            if (piece.kept) {
                scanPiece(piece.text, piece.start);
            } else {
                ScanWriterBlock(scanner);
            }
        }
    } else {
        scanPiece(m_page.substr(block.begin, block.end - block.begin), block.begin);
    }
    block.state = scanner;
}

// Scans block and those after it again, entered in a new state, until one leaves the state it
// left before; the open stretch is only reset, to be scanned when the search gets there.
void EmailLinks::rescanFrom(BlockIt block, const RawTextScanner& entry)
{
    RawTextScanner state = entry;
    for (;; ++block) {
        block->entry = state;
        block->skip = std::next(block);
        if (isOpen(block)) {
            block->state = state;
            block->end = block->begin;
            block->events.clear();
            return;
        }
        const RawTextScanner before = block->state;
        scanClosed(*block);
        if (block->state.sameState(before)) {
            return;
        }
        state = block->state;
    }
}

// Replaces the page as it stands from the link up to end by its encoding, and gives where
// the search goes on.
Place EmailLinks::replace(Place link, Place end)
{
    std::unique_ptr<SpanEncoding> encoding =
        link.block == end.block && !link.block->encoding
            ? std::make_unique<SpanEncoding>(m_page.substr(link.pos, end.pos - link.pos))
            : std::make_unique<SpanEncoding>(gather(link, end));
    BlockIt after = end.block;
    if (link.block == end.block) {
        // Cut in two: the part after the link's end becomes a block of its own.
        Block rest;
        rest.begin = end.pos;
        rest.end = link.block->end;
        rest.state = link.block->state; // what the blocks after it were entered in
        after = m_blocks.insert(std::next(link.block), std::move(rest));
    } else {
        m_blocks.erase(std::next(link.block), end.block);
        after->begin = end.pos;
    }
    cutAt(link);
    Block made;
    made.encoding = std::move(encoding);
    const BlockIt block = m_blocks.insert(after, std::move(made));
    scanClosed(*block);
    link.block->skip = block;
    block->skip = after;
    rescanFrom(after, block->state);

    const std::size_t resume = block->encoding->spanSize() + 1;
    for (const Event& event : block->events) {
        if (event.pos < resume && event.link) {
            m_links.push_back({block, event.pos});
        }
    }
    return {block, resume};
}

void EmailLinks::writeBlock(const Block& block)
{
    if (block.encoding) {
        WritePieces(m_out, *block.encoding, 0, block.encoding->pieces.size());
    } else {
        m_out.append(m_page.substr(block.begin, block.end - block.begin));
    }
}

void EmailLinks::writeFinished(BlockIt keep)
{
    while (m_blocks.begin() != keep && !isOpen(m_blocks.begin())) {
        writeBlock(m_blocks.front());
        m_blocks.pop_front();
    }
}

void EmailLinks::run()
{
    Place mail{};
    bool found = scanOpen(mail);
    while (found) {
        writeFinished(m_links.empty() ? mail.block : m_links.front().block);
        if (m_links.empty()) {
            found = walk({mail.block, mail.pos + 1}, mail);
            continue;
        }
        const Place link = m_links.back();
        m_links.pop_back();
        Place close{};
        if (!findClose(link, close)) {
            // Nothing changes from here on: no link at or after this one has an end.
            break;
        }
        found = walk(replace(link, {close.block, close.pos + 4}), mail);
    }
    for (const Block& block : m_blocks) {
        if (&block != &m_blocks.back()) {
            writeBlock(block);
        }
    }
    m_out.append(m_page.substr(m_blocks.back().begin));
}

} // namespace

void WriteEmailLinks(std::u16string_view page, PageSink& out)
{
    EmailLinks(page, out).run();
}

} // namespace quorlane::core::modes
