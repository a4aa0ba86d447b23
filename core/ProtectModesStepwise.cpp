#include "core/ProtectModesStepwise.h"

#include <algorithm>

#include "core/PageEncoder.h"
#include "core/RawText.h"
#include "core/TextSearch.h"

namespace quorlane::core {

namespace {

// Replaces [begin, end) by its encoding and gives the position where the loops search on:
// one past the larger of the two old positions, applied to the changed page.
std::size_t encodeSpan(std::u16string& page, std::size_t begin, std::size_t end,
                       HiddenPartSealer* sealer)
{
    const std::u16string encoded =
        EncodeMarkup(std::u16string_view(page).substr(begin, end - begin), sealer);
    page.replace(begin, end - begin, encoded);
    return std::max(begin, end) + 1;
}

} // namespace

void EncodeEmailLinksStepwise(std::u16string& page, HiddenPartSealer* sealer)
{
    bool firstSearch = true;
    std::size_t from = 0;
    for (;;) {
        RawText raw(page);
        const std::size_t m = FindOutsideRawText(page, raw, u"mailto:", from, firstSearch);
        firstSearch = false;
        if (m == npos) {
            return;
        }
        const std::size_t a = FindLastOutsideRawText(page, raw, u"<a ", m + 1);
        const std::size_t close = a == npos ? npos : FindIgnoreCase(page, u"</a>", a);
        from = close == npos ? m + 1 : encodeSpan(page, a, close + 4, sealer);
    }
}

void EncodeAllLinksStepwise(std::u16string& page, HiddenPartSealer* sealer)
{
    bool firstSearch = true;
    std::size_t from = 0;
    for (;;) {
        RawText raw(page);
        const std::size_t a = FindOutsideRawText(page, raw, u"<a ", from, firstSearch);
        firstSearch = false;
        if (a == npos) {
            return;
        }
        const std::size_t close = FindIgnoreCase(page, u"</a>", a);
        if (close == npos) {
            return;
        }
        from = encodeSpan(page, a, close + 4, sealer);
    }
}

void EncodeBodyStepwise(std::u16string& page, HiddenPartSealer* sealer)
{
    std::size_t tag = FindIgnoreCase(page, u"<body");
    for (;;) {
        const std::size_t gt = tag == npos ? npos : FindUnit(page, u'>', tag);
        if (gt == npos) {
            return;
        }
        const std::size_t c = gt + 1;
        const std::size_t e = FindIgnoreCase(page, u"</body>", c);
        const std::size_t from = e == npos ? c + 1 : encodeSpan(page, c, e, sealer);
        tag = FindExact(page, u"<body", from);
    }
}

} // namespace quorlane::core
