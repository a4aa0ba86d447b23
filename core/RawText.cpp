#include "core/RawText.h"

#include <algorithm>
#include <array>

#include "core/TextSearch.h"

namespace quorlane::core {

namespace {

struct Element
{
    std::u16string_view name;
    std::u16string_view endTag;
};

// In the order of RawTextScanner's regions, after the comment.
constexpr std::array<Element, 4> elements = {{
    {u"script", u"</script"},
    {u"style", u"</style"},
    {u"textarea", u"</textarea"},
    {u"title", u"</title"},
}};

bool endsTagName(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'/' || c == u'>';
}

} // namespace

bool RawTextScanner::opensAt(std::size_t at)
{
    if (m_text.compare(at, 4, u"<!--") == 0) {
        m_region = Region::Comment;
        m_closeFrom = at + 4;
        return true;
    }
    for (std::size_t k = 0; k < elements.size(); ++k) {
        const std::size_t after = at + 1 + elements[k].name.size();
        if (after < m_text.size() && MatchesIgnoreCase(m_text, at + 1, elements[k].name) &&
            endsTagName(m_text[after])) {
            m_region = static_cast<Region>(k + 2);
            m_closeFrom = after;
            return true;
        }
    }
    return false;
}

// Looks for the end of the open region from pos on; on success pos is just past it.
bool RawTextScanner::closeRegion(std::size_t& pos)
{
    const std::size_t from = std::max(pos, m_closeFrom);
    std::size_t end = npos;
    if (m_region == Region::Comment) {
        const std::size_t close = FindExact(m_text, u"-->", from);
        end = close == npos ? npos : close + 3;
    } else {
        const std::u16string_view endTag = elements[static_cast<std::size_t>(m_region) - 2].endTag;
        const std::size_t close = FindIgnoreCase(m_text, endTag, from);
        const std::size_t gt = close == npos ? npos : FindUnit(m_text, u'>', close + endTag.size());
        end = gt == npos ? npos : gt + 1;
    }
    if (end == npos) {
        return false;
    }
    pos = end;
    m_region = Region::None;
    return true;
}

// The first "<" in [from, limit) that opens a region (which is then open), or npos.
std::size_t RawTextScanner::nextOpener(std::size_t from, std::size_t limit)
{
    for (std::size_t at = FindUnit(m_text, u'<', from); at != npos && at < limit;
         at = FindUnit(m_text, u'<', at + 1)) {
        if (opensAt(at)) {
            return at;
        }
    }
    return npos;
}

RawTextScanner::Hit RawTextScanner::find(std::size_t from, std::initializer_list<Needle> needles)
{
    std::size_t pos = m_pos;
    for (;;) {
        if (m_region != Region::None && !closeRegion(pos)) {
            m_pos = m_text.size();
            return {npos, 0};
        }
        const std::size_t start = std::max(pos, from);
        Hit hit{npos, 0};
        std::size_t k = 0;
        for (const Needle& needle : needles) {
            Sought& sought = m_sought[k];
            const bool same = sought.needle.text.data() == needle.text.data() &&
                              sought.needle.text.size() == needle.text.size() &&
                              sought.needle.ignoreCase == needle.ignoreCase;
            if (!same || sought.from == npos || sought.from > start || sought.at < start) {
                sought = {
                    needle, start,
                    Find(m_text, needle.text, std::min(start, m_text.size()), needle.ignoreCase)};
            }
            if (sought.at < hit.at) {
                hit = {sought.at, k};
            }
            ++k;
        }
        const std::size_t opener = nextOpener(pos, hit.at == npos ? m_text.size() : hit.at);
        if (opener == npos) {
            m_pos = hit.at == npos ? m_text.size() : hit.at;
            return hit;
        }
        pos = opener;
    }
}

} // namespace quorlane::core
