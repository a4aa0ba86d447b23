#include "core/RawText.h"

#include <algorithm>
#include <string>

#include "core/TextSearch.h"

namespace quorlane::core {

namespace {

constexpr std::u16string_view rawElements[] = {u"script", u"style", u"textarea", u"title"};

bool endsTagName(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'/' || c == u'>';
}

} // namespace

RawText::RawText(std::u16string_view page)
    : m_page(page)
{
}

// Whether a region opens at open; if so, its end is stored in end.
bool RawText::opensRegion(std::size_t open, std::size_t& end) const
{
    const std::size_t size = m_page.size();
    if (m_page.compare(open, 4, u"<!--") == 0) {
        const std::size_t close = FindExact(m_page, u"-->", open + 4);
        end = close == npos ? size : close + 3;
        return true;
    }
    for (std::u16string_view name : rawElements) {
        const std::size_t after = open + 1 + name.size();
        if (after < size && MatchesIgnoreCase(m_page, open + 1, name) &&
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

void RawText::scanThrough(std::size_t pos)
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

const RawText::Region* RawText::regionAt(std::size_t pos)
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

bool RawText::contains(std::size_t pos)
{
    return regionAt(pos) != nullptr;
}

std::size_t RawText::skip(std::size_t pos)
{
    const Region* region = regionAt(pos);
    return region ? region->end : pos;
}

std::size_t FindOutsideRawText(std::u16string_view page, RawText& raw, std::u16string_view needle,
                               std::size_t from, bool ignoreCase)
{
    for (;;) {
        const std::size_t at = Find(page, needle, from, ignoreCase);
        if (at == npos) {
            return npos;
        }
        const std::size_t past = raw.skip(at);
        if (past == at) {
            return at;
        }
        from = past;
    }
}

std::size_t FindLastOutsideRawText(std::u16string_view page, RawText& raw,
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
        // Nothing inside the region counts: go on with occurrences that start before it.
        if (region->begin == 0) {
            return npos;
        }
        end = region->begin - 1 + needle.size();
    }
}

} // namespace quorlane::core
