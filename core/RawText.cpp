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

bool RawTextScanner::opensAt(std::u16string_view piece, std::size_t at)
{
    if (piece.compare(at, 4, u"<!--") == 0) {
        m_region = Region::Comment;
        m_closeFrom = at + 4;
        return true;
    }
    for (std::size_t k = 0; k < elements.size(); ++k) {
        const std::size_t after = at + 1 + elements[k].name.size();
        if (after < piece.size() && MatchesIgnoreCase(piece, at + 1, elements[k].name) &&
            endsTagName(piece[after])) {
            m_region = static_cast<Region>(k + 2);
            m_seekingGt = false;
            m_closeFrom = after;
            return true;
        }
    }
    return false;
}

// Looks for the end of the open region from pos on; on success pos is just past it.
bool RawTextScanner::closeRegion(std::u16string_view piece, std::size_t& pos)
{
    const std::size_t from = std::max(pos, m_closeFrom);
    if (m_region == Region::Comment) {
        const std::size_t close = FindExact(piece, u"-->", from);
        if (close == npos) {
            return false;
        }
        pos = close + 3;
    } else {
        std::size_t gtFrom = from;
        if (!m_seekingGt) {
            const std::u16string_view endTag =
                elements[static_cast<std::size_t>(m_region) - 2].endTag;
            const std::size_t close = FindIgnoreCase(piece, endTag, from);
            if (close == npos) {
                return false;
            }
            m_seekingGt = true;
            gtFrom = close + endTag.size();
            m_closeFrom = gtFrom;
        }
        const std::size_t gt = FindUnit(piece, u'>', gtFrom);
        if (gt == npos) {
            return false;
        }
        pos = gt + 1;
    }
    m_region = Region::None;
    m_seekingGt = false;
    return true;
}

// The first "<" in [from, limit) that opens a region (which is then open), or npos.
std::size_t RawTextScanner::nextOpener(std::u16string_view piece, std::size_t from,
                                       std::size_t limit)
{
    for (std::size_t at = FindUnit(piece, u'<', from); at != npos && at < limit;
         at = FindUnit(piece, u'<', at + 1)) {
        if (opensAt(piece, at)) {
            return at;
        }
    }
    return npos;
}

RawTextScanner::Hit RawTextScanner::find(std::u16string_view piece, std::size_t from,
                                         std::initializer_list<Needle> needles)
{
    std::size_t pos = m_pos;
    for (;;) {
        if (m_region != Region::None && !closeRegion(piece, pos)) {
            m_pos = piece.size();
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
                    Find(piece, needle.text, std::min(start, piece.size()), needle.ignoreCase)};
            }
            if (sought.at < hit.at) {
                hit = {sought.at, k};
            }
            ++k;
        }
        const std::size_t opener = nextOpener(piece, pos, hit.at == npos ? piece.size() : hit.at);
        if (opener == npos) {
            m_pos = hit.at == npos ? piece.size() : hit.at;
            return hit;
        }
        pos = opener;
    }
}

void RawTextScanner::finish(std::u16string_view piece)
{
    find(piece, piece.size(), {});
}

void RawTextScanner::nextPiece()
{
    m_pos = 0;
    m_closeFrom = 0;
    m_sought = {};
}

} // namespace quorlane::core
