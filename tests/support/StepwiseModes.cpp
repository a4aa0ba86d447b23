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

// The raw text of a page (comments; script, style, textarea and title elements), found by
// scanning from its start, as far as the questions asked need.
class RawText
{
public:
    struct Region
    {
        std::size_t begin;
        std::size_t end;
    };

    explicit RawText(std::u16string_view page)
        : m_page(page)
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
    bool opensRegion(std::size_t open, std::size_t& end) const
    {
        const std::size_t size = m_page.size();
        if (m_page.compare(open, 4, u"<!--") == 0) {
            const std::size_t close = FindExact(m_page, u"-->", open + 4);
            end = close == npos ? size : close + 3;
            return true;
        }
        for (std::u16string_view name : rawElements) {
            const std::size_t after = open + 1 + name.size();
            if (after < size && core::MatchesIgnoreCase(m_page, open + 1, name) &&
                endsTagName(m_page[after])) {
                std::u16string endTag = u"</";
                endTag += name;
                const std::size_t close = FindIgnoreCase(m_page, endTag, after);
                const std::size_t gt =
                    close == npos ? npos : FindUnit(m_page, u'>', close + endTag.size());
                end = gt == npos ? size : gt + 1;
                return true;
            }
        }
        return false;
    }

    void scanThrough(std::size_t pos)
    {
        while (m_scanned <= pos && m_scanned < m_page.size()) {
            const std::size_t open = FindUnit(m_page, u'<', m_scanned);
            if (open == npos) {
                m_scanned = m_page.size();
                return;
            }
            std::size_t end = 0;
            if (opensRegion(open, end)) {
                m_regions.push_back({open, end});
                m_scanned = end;
            } else {
                m_scanned = open + 1;
            }
        }
    }

    std::u16string_view m_page;
    std::vector<Region> m_regions;
    std::size_t m_scanned = 0;
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

// Replaces [begin, end) by its encoding and gives where the loops search on: one past the
// larger of the two old positions, applied to the changed page.
std::size_t encodeSpan(std::u16string& page, std::size_t begin, std::size_t end)
{
    const std::u16string encoded =
        core::EncodeMarkup(std::u16string_view(page).substr(begin, end - begin));
    page.replace(begin, end - begin, encoded);
    return std::max(begin, end) + 1;
}

} // namespace

void EncodeEmailLinksStepwise(std::u16string& page)
{
    bool firstSearch = true;
    std::size_t from = 0;
    for (;;) {
        RawText raw(page);
        const std::size_t m = findOutsideRawText(page, raw, u"mailto:", from, firstSearch);
        firstSearch = false;
        if (m == npos) {
            return;
        }
        const std::size_t a = findLastOutsideRawText(page, raw, u"<a ", m + 1);
        const std::size_t close = a == npos ? npos : FindIgnoreCase(page, u"</a>", a);
        from = close == npos ? m + 1 : encodeSpan(page, a, close + 4);
    }
}

void EncodeAllLinksStepwise(std::u16string& page)
{
    bool firstSearch = true;
    std::size_t from = 0;
    for (;;) {
        RawText raw(page);
        const std::size_t a = findOutsideRawText(page, raw, u"<a ", from, firstSearch);
        firstSearch = false;
        if (a == npos) {
            return;
        }
        const std::size_t close = FindIgnoreCase(page, u"</a>", a);
        if (close == npos) {
            return;
        }
        from = encodeSpan(page, a, close + 4);
    }
}

void EncodeBodyStepwise(std::u16string& page)
{
    std::size_t tag = FindIgnoreCase(page, u"<body");
    for (;;) {
        const std::size_t gt = tag == npos ? npos : FindUnit(page, u'>', tag);
        if (gt == npos) {
            return;
        }
        const std::size_t c = gt + 1;
        const std::size_t e = FindIgnoreCase(page, u"</body>", c);
        const std::size_t from = e == npos ? c + 1 : encodeSpan(page, c, e);
        tag = FindExact(page, u"<body", from);
    }
}

} // namespace quorlane::test
