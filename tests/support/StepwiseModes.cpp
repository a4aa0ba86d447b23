#include "tests/support/StepwiseModes.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "core/PageEncoder.h"
#include "core/TextSearch.h"

namespace quorlane::test {

using core::FindExact;
using core::FindIgnoreCase;
using core::FindLastIgnoreCase;
using core::FindUnit;
using core::npos;

namespace {

constexpr std::u16string_view rawElements[] = {u"script", u"style", u"textarea", u"title"};

bool endsTagName(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'/' || c == u'>';
}

// Where the encodings made so far stand in the page as it stands, in order.
struct Encoding
{
    std::size_t begin;
    std::size_t end;
};
using Encodings = std::vector<Encoding>;

// The raw text of a page (comments; script, style, textarea and title elements), found by
// scanning from its start, as far as the questions asked need. Every encoding is a region of
// its own, whatever it holds, and the page text between two encodings is scanned on its own: a
// region still open where an encoding begins ends there.
class RawText
{
public:
    struct Region
    {
        std::size_t begin;
        std::size_t end;
    };

    RawText(std::u16string_view page, const Encodings& encodings)
        : m_page(page)
        , m_encodings(encodings)
    {
    }

    const Region* regionAt(std::size_t pos)
    {
        scanThrough(pos);
        auto after = std::upper_bound(m_regions.begin(), m_regions.end(), pos,
                                      [](std::size_t p, const Region& r) { return p < r.begin; });
        if (after == m_regions.begin()) {
            return nullptr;
        }
        const Region& region = *std::prev(after);
        return pos < region.end ? &region : nullptr;
    }

private:
    // Whether a region opens at open, in the page text that ends at limit, and where it ends.
    bool opensRegion(std::size_t open, std::size_t limit, std::size_t& end) const
    {
        const std::u16string_view text = m_page.substr(0, limit);
        if (text.compare(open, 4, u"<!--") == 0) {
            const std::size_t close = FindExact(text, u"-->", open + 4);
            end = close == npos ? limit : close + 3;
            return true;
        }
        for (std::u16string_view name : rawElements) {
            const std::size_t after = open + 1 + name.size();
            if (after < limit && core::MatchesIgnoreCase(text, open + 1, name) &&
                endsTagName(text[after])) {
                std::u16string endTag = u"</";
                endTag += name;
                const std::size_t close = FindIgnoreCase(text, endTag, after);
                const std::size_t gt =
                    close == npos ? npos : FindUnit(text, u'>', close + endTag.size());
                end = gt == npos ? limit : gt + 1;
                return true;
            }
        }
        return false;
    }

    void scanThrough(std::size_t pos)
    {
        while (m_scanned <= pos && m_scanned < m_page.size()) {
            while (m_next < m_encodings.size() && m_encodings[m_next].end <= m_scanned) {
                ++m_next;
            }
            const bool encodingAhead = m_next < m_encodings.size();
            const std::size_t limit = encodingAhead ? m_encodings[m_next].begin : m_page.size();
            const std::size_t open = FindUnit(m_page.substr(0, limit), u'<', m_scanned);
            std::size_t end = 0;
            if (open == npos) {
                if (!encodingAhead) {
                    m_scanned = m_page.size();
                    return;
                }
                m_regions.push_back({limit, m_encodings[m_next].end});
                m_scanned = m_encodings[m_next].end;
            } else if (opensRegion(open, limit, end)) {
                m_regions.push_back({open, end});
                m_scanned = end;
            } else {
                m_scanned = open + 1;
            }
        }
    }

    std::u16string_view m_page;
    const Encodings& m_encodings;
    std::vector<Region> m_regions;
    std::size_t m_scanned = 0;
    std::size_t m_next = 0; // the first encoding not yet passed
};

std::size_t findOutsideRawText(std::u16string_view page, RawText& raw, std::u16string_view needle,
                               std::size_t from, bool ignoreCase)
{
    for (;;) {
        const std::size_t at = core::Find(page, needle, from, ignoreCase);
        if (at == npos) {
            return npos;
        }
        const RawText::Region* region = raw.regionAt(at);
        if (region == nullptr) {
            return at;
        }
        from = region->end;
    }
}

std::size_t findLastOutsideRawText(std::u16string_view page, RawText& raw,
                                   std::u16string_view needle, std::size_t end)
{
    for (;;) {
        const std::size_t at = FindLastIgnoreCase(page, needle, end);
        if (at == npos) {
            return npos;
        }
        const RawText::Region* region = raw.regionAt(at);
        if (region == nullptr) {
            return at;
        }
        if (region->begin == 0) {
            return npos;
        }
        end = region->begin - 1 + needle.size();
    }
}

// Replaces [begin, end) by its encoding, notes where the encoding stands, and gives where it
// ends in the changed page.
std::size_t encodeSpan(std::u16string& page, Encodings& encodings, std::size_t begin,
                       std::size_t end)
{
    const std::u16string encoded =
        core::EncodeMarkup(std::u16string_view(page).substr(begin, end - begin));
    page.replace(begin, end - begin, encoded);
    const std::size_t grown = encoded.size() - (end - begin);
    auto at = std::lower_bound(encodings.begin(), encodings.end(), begin,
                               [](const Encoding& e, std::size_t p) { return e.begin < p; });
    for (auto later = at; later != encodings.end(); ++later) {
        later->begin += grown;
        later->end += grown;
    }
    encodings.insert(at, {begin, begin + encoded.size()});
    return begin + encoded.size();
}

bool holdsEncoding(const Encodings& encodings, std::size_t begin, std::size_t end)
{
    return std::any_of(encodings.begin(), encodings.end(),
                       [&](const Encoding& e) { return e.begin >= begin && e.begin < end; });
}

} // namespace

// Each search goes on one past the end of the element it found, in the old positions applied
// to the changed page, that is, inside the encoding just made, which is raw text. A link whose
// element would hold an encoding made before is left as it stands.
void EncodeEmailLinksStepwise(std::u16string& page)
{
    Encodings encodings;
    bool firstSearch = true;
    std::size_t from = 0;
    for (;;) {
        RawText raw(page, encodings);
        const std::size_t m = findOutsideRawText(page, raw, u"mailto:", from, firstSearch);
        firstSearch = false;
        if (m == npos) {
            return;
        }
        const std::size_t a = findLastOutsideRawText(page, raw, u"<a ", m + 1);
        std::size_t close = a == npos ? npos : FindIgnoreCase(page, u"</a>", a);
        if (close != npos && holdsEncoding(encodings, a, close + 4)) {
            close = npos;
        }
        if (close == npos) {
            from = m + 1;
        } else {
            encodeSpan(page, encodings, a, close + 4);
            from = close + 4 + 1;
        }
    }
}

void EncodeAllLinksStepwise(std::u16string& page)
{
    Encodings encodings;
    bool firstSearch = true;
    std::size_t from = 0;
    for (;;) {
        RawText raw(page, encodings);
        const std::size_t a = findOutsideRawText(page, raw, u"<a ", from, firstSearch);
        firstSearch = false;
        if (a == npos) {
            return;
        }
        const std::size_t close = FindIgnoreCase(page, u"</a>", a);
        if (close == npos) {
            return;
        }
        encodeSpan(page, encodings, a, close + 4);
        from = close + 4 + 1;
    }
}

// A further body is looked for after the encoding just made.
void EncodeBodyStepwise(std::u16string& page)
{
    Encodings encodings;
    std::size_t tag = FindIgnoreCase(page, u"<body");
    for (;;) {
        const std::size_t gt = tag == npos ? npos : FindUnit(page, u'>', tag);
        if (gt == npos) {
            return;
        }
        const std::size_t c = gt + 1;
        const std::size_t e = FindIgnoreCase(page, u"</body>", c);
        const std::size_t from = e == npos ? c + 1 : encodeSpan(page, encodings, c, e);
        tag = FindExact(page, u"<body", from);
    }
}

std::vector<std::u16string> SplitAtBars(std::u16string_view pieces)
{
    std::vector<std::u16string> split;
    for (std::size_t at = 0; at <= pieces.size();) {
        const std::size_t bar = std::min(pieces.find(u'|', at), pieces.size());
        split.emplace_back(pieces.substr(at, bar - at));
        at = bar + 1;
    }
    return split;
}

std::u16string GeneratedPage(std::mt19937& random, const std::vector<std::u16string>& pieces,
                             int most)
{
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::u16string page;
    for (int k = std::uniform_int_distribution<int>(0, most)(random); k > 0; --k) {
        page += pieces[pick(random)];
    }
    return page;
}

std::u16string EncodeStepwise(std::u16string page, core::ProtectMode mode)
{
    switch (mode) {
    case core::ProtectMode::EmailLinksOnly:
        EncodeEmailLinksStepwise(page);
        return page;
    case core::ProtectMode::AllLinks:
        EncodeAllLinksStepwise(page);
        return page;
    case core::ProtectMode::BodyOnly:
        EncodeBodyStepwise(page);
        return page;
    case core::ProtectMode::WholePage:
        break;
    }
    return core::EncodeMarkup(page);
}

} // namespace quorlane::test
