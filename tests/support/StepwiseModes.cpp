#include "tests/support/StepwiseModes.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "core/PageEncoder.h"
#include "core/ProtectModesEmail.h"
#include "core/TextSearch.h"

namespace quorlane::test {

using core::FindExact;
using core::FindIgnoreCase;
using core::FindUnit;
using core::npos;

namespace {

struct Span
{
    std::size_t begin;
    std::size_t end;
};
using Spans = std::vector<Span>;

bool endsTagName(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'/' || c == u'>';
}

// Where the comment or raw element that opens at text[open] ends, at the end of text when it is
// not closed; npos when none opens there.
std::size_t rawRegionEnd(std::u16string_view text, std::size_t open)
{
    if (text.substr(open, 4) == u"<!--") {
        const std::size_t close = FindExact(text, u"-->", open + 4);
        return close == npos ? text.size() : close + 3;
    }
    for (std::u16string_view name : {u"script", u"style", u"textarea", u"title"}) {
        const std::size_t after = open + 1 + name.size();
        if (after < text.size() && core::MatchesIgnoreCase(text, open + 1, name) &&
            endsTagName(text[after])) {
            const std::u16string endTag = u"</" + std::u16string(name);
            const std::size_t close = FindIgnoreCase(text, endTag, after);
            const std::size_t gt =
                close == npos ? npos : FindUnit(text, u'>', close + endTag.size());
            return gt == npos ? text.size() : gt + 1;
        }
    }
    return npos;
}

// Which units of the page as it stands are raw text: its comments and script, style, textarea
// and title elements, found by scanning from its start, and every encoding made so far, whatever
// it holds. The page text between two encodings is scanned on its own: a region still open where
// an encoding begins ends there.
std::vector<bool> rawText(std::u16string_view page, const Spans& encodings)
{
    std::vector<bool> raw(page.size(), false);
    const auto mark = [&](std::size_t begin, std::size_t end) {
        std::fill(raw.begin() + begin, raw.begin() + end, true);
    };
    std::size_t from = 0;
    for (std::size_t next = 0; next <= encodings.size(); ++next) {
        const bool encodingAhead = next < encodings.size();
        const std::u16string_view text =
            page.substr(0, encodingAhead ? encodings[next].begin : page.size());
        for (std::size_t open; (open = FindUnit(text, u'<', from)) != npos;) {
            const std::size_t end = rawRegionEnd(text, open);
            if (end != npos) {
                mark(open, end);
            }
            from = end != npos ? end : open + 1;
        }
        if (encodingAhead) {
            mark(encodings[next].begin, encodings[next].end);
            from = encodings[next].end;
        }
    }
    return raw;
}

std::size_t findOutsideRawText(std::u16string_view page, const std::vector<bool>& raw,
                               std::u16string_view needle, std::size_t from, bool ignoreCase)
{
    std::size_t at = core::Find(page, needle, from, ignoreCase);
    while (at != npos && raw[at]) {
        at = core::Find(page, needle, at + 1, ignoreCase);
    }
    return at;
}

std::size_t findLastOutsideRawText(std::u16string_view page, const std::vector<bool>& raw,
                                   std::u16string_view needle, std::size_t end)
{
    std::size_t at = core::FindLastIgnoreCase(page, needle, end);
    while (at != npos && raw[at]) {
        at = at == 0 ? npos : core::FindLastIgnoreCase(page, needle, at - 1 + needle.size());
    }
    return at;
}

// The units of the encodings made before that lie in [begin, end) of the page as it stands.
std::size_t heldEncodings(const Spans& encodings, std::size_t begin, std::size_t end)
{
    std::size_t held = 0;
    for (const Span& e : encodings) {
        if (e.begin >= begin && e.begin < end) {
            held += e.end - e.begin;
        }
    }
    return held;
}

// Replaces [begin, end) by its encoding, notes where the encoding stands in place of those it
// holds, and gives where it ends in the changed page.
std::size_t encodeSpan(std::u16string& page, Spans& encodings, std::size_t begin, std::size_t end)
{
    const std::u16string encoded =
        core::EncodeMarkup(std::u16string_view(page).substr(begin, end - begin));
    page.replace(begin, end - begin, encoded);
    std::erase_if(encodings, [&](const Span& e) { return e.begin >= begin && e.begin < end; });
    const std::size_t grown = encoded.size() - (end - begin);
    auto at = std::find_if(encodings.begin(), encodings.end(),
                           [&](const Span& e) { return e.begin >= begin; });
    for (auto later = at; later != encodings.end(); ++later) {
        later->begin += grown;
        later->end += grown;
    }
    encodings.insert(at, {begin, begin + encoded.size()});
    return begin + encoded.size();
}

// Each link, or each link that holds or ends before a "mailto:" in e-mail mode. Only the first
// search, from the page start, ignores case. Each search goes on one past the end of the element
// it found, in the old positions applied to the changed page, that is, inside the encoding just
// made, which is raw text. An e-mail link's element may hold encodings made before, which are
// then encoded again, while the page's budget for that lasts; once a link would overspend it,
// that link and every later one that would hold an encoding are passed over as links without an
// end tag. A link without an end tag ends the search for links.
void encodeLinks(std::u16string& page, bool emailOnly)
{
    Spans encodings;
    const std::size_t budget = core::modes::ReencodingBudget(page.size());
    std::size_t spent = 0;
    bool budgetSpent = false;
    for (std::size_t from = 0;;) {
        const std::vector<bool> raw = rawText(page, encodings);
        const std::size_t m =
            findOutsideRawText(page, raw, emailOnly ? u"mailto:" : u"<a ", from, from == 0);
        if (m == npos) {
            return;
        }
        const std::size_t a = emailOnly ? findLastOutsideRawText(page, raw, u"<a ", m + 1) : m;
        std::size_t close = a == npos ? npos : FindIgnoreCase(page, u"</a>", a);
        const std::size_t held = close == npos ? 0 : heldEncodings(encodings, a, close + 4);
        if (held > 0 && (budgetSpent || spent + held > budget)) {
            budgetSpent = true;
            close = npos;
        }
        if (close != npos) {
            spent += held;
            encodeSpan(page, encodings, a, close + 4);
            from = close + 4 + 1;
        } else if (emailOnly) {
            from = m + 1;
        } else {
            return;
        }
    }
}

// A further body is looked for after the encoding just made.
void encodeBody(std::u16string& page)
{
    Spans encodings;
    for (std::size_t tag = FindIgnoreCase(page, u"<body");;) {
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

} // namespace

std::u16string EncodeStepwise(std::u16string page, core::ProtectMode mode)
{
    switch (mode) {
    case core::ProtectMode::EmailLinksOnly:
    case core::ProtectMode::AllLinks:
        encodeLinks(page, mode == core::ProtectMode::EmailLinksOnly);
        return page;
    case core::ProtectMode::BodyOnly:
        encodeBody(page);
        return page;
    case core::ProtectMode::WholePage:
        break;
    }
    return core::EncodeMarkup(page);
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

} // namespace quorlane::test
