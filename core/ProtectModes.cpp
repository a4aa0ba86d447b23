#include "core/ProtectModes.h"

#include "core/PageEncoder.h"
#include "core/ProtectModesEmail.h"
#include "core/RawText.h"
#include "core/TextSearch.h"

namespace quorlane::core {

namespace {

// Every stretch replaced lies after the encoding made before it, so the loops run in the page
// as it was given: what comes before a stretch is written as it stands, the stretch encoded.
class ForwardLoop
{
public:
    ForwardLoop(std::u16string_view page, PageSink& out, HiddenPartSealer* sealer)
        : m_page(page)
        , m_out(out)
        , m_sealer(sealer)
    {
    }

    void encodeLinks();
    void encodeBody();

private:
    void encode(std::size_t begin, std::size_t end);
    void finish() { m_out.append(m_page.substr(m_written)); }

    std::u16string_view m_page;
    PageSink& m_out;
    HiddenPartSealer* m_sealer;
    std::size_t m_written = 0;
};

void ForwardLoop::encode(std::size_t begin, std::size_t end)
{
    m_out.append(m_page.substr(m_written, begin - m_written));
    WriteEncoded(m_page.substr(begin, end - begin), m_out, m_sealer);
    m_written = end;
}

// A search that goes on inside the encoding just made finds nothing there, it being raw text,
// and reads the page after it on its own.
void ForwardLoop::encodeLinks()
{
    bool firstSearch = true;
    while (m_written < m_page.size()) {
        RawTextScanner scanner(m_page.substr(m_written));
        const RawTextScanner::Hit hit = scanner.find(0, {{u"<a ", firstSearch}});
        firstSearch = false;
        if (hit.at == npos) {
            break;
        }
        const std::size_t link = m_written + hit.at;
        const std::size_t close = FindIgnoreCase(m_page, u"</a>", link);
        if (close == npos) {
            break;
        }
        encode(link, close + 4);
    }
    finish();
}

// A further "<body" is looked for from the "</body>" that ended the stretch just encoded. Once
// a body has no "</body>" after it, none after it has.
void ForwardLoop::encodeBody()
{
    for (std::size_t tag = FindIgnoreCase(m_page, u"<body"); tag != npos;
         tag = FindExact(m_page, u"<body", m_written)) {
        const std::size_t gt = FindUnit(m_page, u'>', tag);
        const std::size_t end = gt == npos ? npos : FindIgnoreCase(m_page, u"</body>", gt + 1);
        if (end == npos) {
            break;
        }
        encode(gt + 1, end);
    }
    finish();
}

} // namespace

void WriteEncoded(std::u16string_view markup, PageSink& out, HiddenPartSealer* sealer)
{
    const MarkupEncoding encoding(markup);
    for (const MarkupEncoding::Piece& piece : encoding.pieces()) {
        if (piece.kept) {
            out.append(piece.text);
        } else {
            WriteWriterBlock(out, piece.text, sealer);
        }
    }
}

void WriteProtectedPart(std::u16string_view page, ProtectMode mode, PageSink& out,
                        HiddenPartSealer* sealer)
{
    switch (mode) {
    case ProtectMode::EmailLinksOnly:
        modes::WriteEmailLinks(page, out, sealer);
        return;
    case ProtectMode::AllLinks:
        ForwardLoop(page, out, sealer).encodeLinks();
        return;
    case ProtectMode::BodyOnly:
        ForwardLoop(page, out, sealer).encodeBody();
        return;
    case ProtectMode::WholePage:
        WriteEncoded(page, out, sealer);
        return;
    }
}

std::u16string EncodeProtectedPart(std::u16string_view page, ProtectMode mode)
{
    std::u16string out;
    StringSink sink(out);
    WriteProtectedPart(page, mode, sink);
    return out;
}

namespace {

// Notes whether a writer block was begun, and keeps nothing.
class BlockFinder final : public PageSink
{
public:
    void append(std::u16string_view) override {}
    void appendEscaped(std::u16string_view) override { found = true; }
    void appendSealed(std::u16string_view, HiddenPartSealer&) override { found = true; }
    bool found = false;
};

} // namespace

bool HidesAnything(std::u16string_view page, ProtectMode mode)
{
    if (mode != ProtectMode::EmailLinksOnly) {
        return true;
    }
    BlockFinder finder;
    WriteProtectedPart(page, mode, finder);
    return finder.found;
}

} // namespace quorlane::core
