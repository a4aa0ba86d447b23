#include "core/ProtectModes.h"

#include <map>
#include <optional>
#include <vector>

#include "core/PageEncoder.h"
#include "core/ProtectModesStepwise.h"
#include "core/RawText.h"
#include "core/TextSearch.h"

namespace quorlane::core {

namespace {

// A stretch [begin, end) of the page that is replaced by its encoding.
struct EncodedSpan
{
    std::size_t begin;
    std::size_t end;
    MarkupEncoding encoding;
};
using SpanList = std::vector<EncodedSpan>;

// Every piece of an encoding is a script element, so later searches that pass over raw text
// pass over all of it, provided each kept element is closed by its own end tag.
bool encodingIsRawText(const MarkupEncoding& encoding)
{
    for (std::u16string_view kept : encoding.keptElements()) {
        if (FindIgnoreCase(kept, u"</script", 7) != kept.size() - 9) {
            return false;
        }
    }
    return true;
}

// Replacing [begin, end) leaves the raw text after it as it was when no region reaches over
// end (begin is known to lie outside raw text).
bool endsOutsideRawText(RawText& raw, std::size_t end)
{
    const RawText::Region* region = raw.regionAt(end - 1);
    return region == nullptr || region->end <= end;
}

// The encoding of a link [begin, end), or nothing when the one-pass form cannot follow it.
std::optional<MarkupEncoding> encodeLink(std::u16string_view page, RawText& raw, std::size_t begin,
                                         std::size_t end)
{
    if (!endsOutsideRawText(raw, end)) {
        return std::nullopt;
    }
    MarkupEncoding encoding(page.substr(begin, end - begin));
    if (!encodingIsRawText(encoding)) {
        return std::nullopt;
    }
    return encoding;
}

std::optional<SpanList> allLinkSpans(std::u16string_view page)
{
    RawText raw(page);
    SpanList spans;
    bool firstSearch = true;
    std::size_t from = 0;
    for (;;) {
        const std::size_t a = FindOutsideRawText(page, raw, u"<a ", from, firstSearch);
        firstSearch = false;
        const std::size_t close = a == npos ? npos : FindIgnoreCase(page, u"</a>", a);
        if (close == npos) {
            return spans;
        }
        std::optional<MarkupEncoding> encoding = encodeLink(page, raw, a, close + 4);
        if (!encoding) {
            return std::nullopt;
        }
        spans.push_back({a, close + 4, std::move(*encoding)});
        // The search goes on inside the writer blocks just made, which are raw text, and so
        // in effect right after the link.
        from = close + 4;
    }
}

// E-mail links. Each "mailto:" encodes the nearest link before it that is not yet encoded;
// when that link ends before the "mailto:", the same "mailto:" is met again and encodes the
// next nearest, until none is left. The links met so far wait on a stack, nearest on top.
class EmailLinkSpans
{
public:
    explicit EmailLinkSpans(std::u16string_view page)
        : m_page(page)
        , m_raw(page)
    {
    }

    std::optional<SpanList> find();

private:
    void collectLinksBefore(std::size_t m);
    // Encodes links before m; gives where the "mailto:" search goes on, or npos to give up.
    std::size_t encodeLinksBefore(std::size_t m);

    std::u16string_view m_page;
    RawText m_raw;
    std::map<std::size_t, EncodedSpan> m_spans;
    std::vector<std::size_t> m_openLinks;
    std::size_t m_linkFrom = 0;
    std::size_t m_nextLink = npos;
    bool m_nextLinkKnown = false;
};

void EmailLinkSpans::collectLinksBefore(std::size_t m)
{
    for (;;) {
        if (!m_nextLinkKnown) {
            m_nextLink = FindOutsideRawText(m_page, m_raw, u"<a ", m_linkFrom, true);
            m_nextLinkKnown = true;
        }
        if (m_nextLink == npos || m_nextLink >= m) {
            return;
        }
        m_openLinks.push_back(m_nextLink);
        m_linkFrom = m_nextLink + 1;
        m_nextLinkKnown = false;
    }
}

std::size_t EmailLinkSpans::encodeLinksBefore(std::size_t m)
{
    while (!m_openLinks.empty()) {
        const std::size_t a = m_openLinks.back();
        const std::size_t close = FindIgnoreCase(m_page, u"</a>", a);
        const auto later = m_spans.upper_bound(a);
        if (later != m_spans.end() && (close == npos || close >= later->first)) {
            return npos; // the end tag would be looked for inside writer blocks
        }
        if (close == npos) {
            return m + 1;
        }
        const std::size_t end = close + 4;
        std::optional<MarkupEncoding> encoding = encodeLink(m_page, m_raw, a, end);
        if (!encoding) {
            return npos;
        }
        m_openLinks.pop_back();
        m_spans.emplace(a, EncodedSpan{a, end, std::move(*encoding)});
        if (end > m) {
            m_linkFrom = std::max(m_linkFrom, end);
            if (m_nextLinkKnown && m_nextLink != npos && m_nextLink < end) {
                m_nextLinkKnown = false;
            }
            return end;
        }
        // Searched again from behind the new writer blocks, only a "mailto:" in exactly that
        // spelling is met again; nothing else lies between them.
        if (m_page.compare(m, 7, u"mailto:") != 0) {
            return m + 1;
        }
    }
    return m + 1;
}

std::optional<SpanList> EmailLinkSpans::find()
{
    bool firstSearch = true;
    std::size_t from = 0;
    for (;;) {
        const std::size_t m = FindOutsideRawText(m_page, m_raw, u"mailto:", from, firstSearch);
        firstSearch = false;
        if (m == npos) {
            break;
        }
        collectLinksBefore(m);
        from = encodeLinksBefore(m);
        if (from == npos) {
            return std::nullopt;
        }
    }
    SpanList spans;
    for (auto& [begin, span] : m_spans) {
        spans.push_back(std::move(span));
    }
    return spans;
}

std::optional<SpanList> bodySpans(std::u16string_view page)
{
    SpanList spans;
    std::size_t tag = FindIgnoreCase(page, u"<body");
    for (;;) {
        const std::size_t gt = tag == npos ? npos : FindUnit(page, u'>', tag);
        if (gt == npos) {
            return spans;
        }
        const std::size_t c = gt + 1;
        const std::size_t e = FindIgnoreCase(page, u"</body>", c);
        std::size_t from = c + 1;
        if (e != npos) {
            MarkupEncoding encoding(page.substr(c, e - c));
            // The next "<body" is searched from inside the writer blocks just made.
            for (std::u16string_view kept : encoding.keptElements()) {
                if (FindExact(kept, u"<body") != npos) {
                    return std::nullopt;
                }
            }
            spans.push_back({c, e, std::move(encoding)});
            from = e;
        }
        tag = FindExact(page, u"<body", from);
    }
}

std::optional<SpanList> spansFor(std::u16string_view page, ProtectMode mode)
{
    switch (mode) {
    case ProtectMode::EmailLinksOnly:
        return EmailLinkSpans(page).find();
    case ProtectMode::AllLinks:
        return allLinkSpans(page);
    case ProtectMode::BodyOnly:
        return bodySpans(page);
    case ProtectMode::WholePage:
        break;
    }
    SpanList whole;
    whole.push_back({0, page.size(), MarkupEncoding(page)});
    return whole;
}

void appendWithSpans(std::u16string& out, std::u16string_view page, const SpanList& spans,
                     std::size_t roomAfter, HiddenPartSealer* sealer)
{
    std::size_t total = page.size();
    for (const EncodedSpan& span : spans) {
        total += span.encoding.size() - (span.end - span.begin);
    }
    out.reserve(out.size() + total + roomAfter);
    std::size_t pos = 0;
    for (const EncodedSpan& span : spans) {
        out.append(page.substr(pos, span.begin - pos));
        span.encoding.appendTo(out, sealer);
        pos = span.end;
    }
    out.append(page.substr(pos));
}

void encodeStepwise(std::u16string& page, ProtectMode mode, HiddenPartSealer* sealer)
{
    switch (mode) {
    case ProtectMode::EmailLinksOnly:
        EncodeEmailLinksStepwise(page, sealer);
        break;
    case ProtectMode::AllLinks:
        EncodeAllLinksStepwise(page, sealer);
        break;
    case ProtectMode::BodyOnly:
        EncodeBodyStepwise(page, sealer);
        break;
    case ProtectMode::WholePage:
        page = EncodeMarkup(page, sealer);
        break;
    }
}

} // namespace

void AppendProtectedPart(std::u16string& out, std::u16string_view page, ProtectMode mode,
                         std::size_t roomAfter, HiddenPartSealer* sealer)
{
    if (const std::optional<SpanList> spans = spansFor(page, mode)) {
        appendWithSpans(out, page, *spans, roomAfter, sealer);
        return;
    }
    std::u16string stepwise(page);
    encodeStepwise(stepwise, mode, sealer);
    out.reserve(out.size() + stepwise.size() + roomAfter);
    out += stepwise;
}

std::u16string EncodeProtectedPart(std::u16string_view page, ProtectMode mode,
                                   HiddenPartSealer* sealer)
{
    std::u16string out;
    AppendProtectedPart(out, page, mode, 0, sealer);
    return out;
}

} // namespace quorlane::core
