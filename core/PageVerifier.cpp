#include "core/PageVerifier.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/ProtectModes.h"
#include "core/SealedPage.h"

namespace quorlane::core {

namespace {

// The page format, spelled out here once more and on purpose: a reader that took these from
// the writer would accept whatever the writer got wrong.
constexpr std::u16string_view marker = u"\r\n<!-- This webpage was protected by Quorlane //-->\r\n";
constexpr std::u16string_view pageScriptStart =
    u"<script type=\"text/javascript\">\r\n<!--\r\neval(unescape(\"";
constexpr std::u16string_view pageScriptEnd = u"\"));\r\n//-->\r\n</script>\r\n";
constexpr std::u16string_view noScriptNotice =
    u"\r\n<NOSCRIPT><DIV backcolor=\"white\"><H2>This page needs a JavaScript Enabled "
    u"browser.</H2><BR><BR><P ALIGN=\"RIGHT\"><SMALL>protected by <A "
    u"HREF=\"https://www.quorlane.example/\">Quorlane</A></SMALL></P></DIV></NOSCRIPT>\r\n";
constexpr std::u16string_view blockStart =
    u"<script type=\"text/javascript\">\r\n<!--\r\nqv_d00(unescape(\"";
constexpr std::u16string_view blockEnd = u"\"));\r\n//-->\r\n</script>";
constexpr std::u16string_view crlf = u"\r\n";

// What protection may add to a page around and inside the protected part.
constexpr std::u16string_view banner =
    u"<table width=100% border=0><tr bgcolor=#445577 align=center><td><a "
    u"href=https://www.quorlane.example/><font face=Arial, Helvetica, sans-serif color=#FFFFFF "
    u"size=-1>This webpage was protected by Quorlane</font></a></td></tr></table>";
constexpr std::array<std::u16string_view, 6> skeletonTags = {u"<HTML>",  u"</HTML>", u"<HEAD>",
                                                             u"</HEAD>", u"<BODY>",  u"</BODY>"};
constexpr std::u16string_view imageAttributes =
    u" galleryimg=\"no\" oncontextmenu=\"return false\" ";
constexpr std::u16string_view imageToolbarMeta =
    u"<META HTTP-EQUIV=\"imagetoolbar\" CONTENT=\"no\">";
constexpr std::u16string_view selectionAttributes =
    u" onselectstart=\"return false\" unselectable=\"on\" style=\"-moz-user-select:none;\" "
    u" onbeforecopy=\"return false\" oncopy=\"return false\" onselectstart=\"return false\" "
    u"unselectable=\"on\" style=\"-moz-user-select:none;\" ";
constexpr std::u16string_view printStyle =
    u"<style type=\"text/css\" media=\"print\">body{visibility: hidden; display: none}</style>";
constexpr std::u16string_view expiresMeta =
    u"<META HTTP-EQUIV=\"EXPIRES\" CONTENT=\"Wed Nov 18 22:45:00 UTC+0530 1992\">";
constexpr std::u16string_view dragAttributes =
    u" ondragover=\"overDrag()\" ondragenter=\"enterDrag()\" ";

constexpr std::array<signed char, 128> hexValues = [] {
    std::array<signed char, 128> values{};
    values.fill(-1);
    for (int d = 0; d < 10; ++d) {
        values[static_cast<std::size_t>('0' + d)] = static_cast<signed char>(d);
    }
    for (int d = 0; d < 6; ++d) {
        values[static_cast<std::size_t>('A' + d)] = static_cast<signed char>(10 + d);
        values[static_cast<std::size_t>('a' + d)] = static_cast<signed char>(10 + d);
    }
    return values;
}();

int hexValue(char16_t c)
{
    return c < 128 ? hexValues[c] : -1;
}

bool startsWith(std::u16string_view text, std::size_t pos, std::u16string_view prefix)
{
    return pos <= text.size() && text.size() - pos >= prefix.size() &&
           std::memcmp(text.data() + pos, prefix.data(), prefix.size() * sizeof(char16_t)) == 0;
}

bool startsWithIgnoringCase(std::u16string_view text, std::size_t pos, std::u16string_view prefix)
{
    if (pos > text.size() || text.size() - pos < prefix.size()) {
        return false;
    }
    const auto fold = [](char16_t c) {
        return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
    };
    for (std::size_t k = 0; k < prefix.size(); ++k) {
        if (fold(text[pos + k]) != fold(prefix[k])) {
            return false;
        }
    }
    return true;
}

// The length of the run from a[i] and b[j] on in which the two agree.
std::size_t commonRun(std::u16string_view a, std::size_t i, std::u16string_view b, std::size_t j)
{
    const std::size_t limit = std::min(a.size() - i, b.size() - j);
    constexpr std::size_t chunk = 64;
    std::size_t n = 0;
    while (n + chunk <= limit &&
           std::memcmp(a.data() + i + n, b.data() + j + n, chunk * sizeof(char16_t)) == 0) {
        n += chunk;
    }
    while (n < limit && a[i + n] == b[j + n]) {
        ++n;
    }
    return n;
}

// The first occurrence of needle at or after from: found by its last unit, which in the texts
// searched here is rarer in markup than their "<".
std::size_t findText(std::u16string_view text, std::u16string_view needle, std::size_t from)
{
    const std::size_t last = needle.size() - 1;
    const char16_t tail = needle[last];
    const char16_t* data = text.data();
    for (std::size_t at = from + last; at < text.size(); ++at) {
        at = static_cast<std::size_t>(std::find(data + at, data + text.size(), tail) - data);
        if (at >= text.size()) {
            break;
        }
        if (std::memcmp(data + at - last, needle.data(), last * sizeof(char16_t)) == 0) {
            return at - last;
        }
    }
    return std::u16string_view::npos;
}

// The top of a protected page: [DOCTYPE CRLF] [meta charset CRLF] page script block, no-script
// notice, [notice comment]. Gives the position after it and the DOCTYPE it moved.
std::optional<VerifyFault> readTop(std::u16string_view page, const ProtectionSettings& settings,
                                   bool unlocks, std::size_t& pos, std::u16string_view& doctype)
{
    const auto broken = [&](std::size_t at) {
        return VerifyFault{VerifyFault::Kind::PageTop, at, 0};
    };
    pos = 0;
    if (startsWithIgnoringCase(page, 0, u"<!DOCTYPE")) {
        const std::size_t gt = page.find(u'>');
        if (gt == std::u16string_view::npos || !startsWith(page, gt + 1, crlf)) {
            return broken(0);
        }
        doctype = page.substr(0, gt + 1);
        pos = gt + 1 + crlf.size();
    }
    if (startsWith(page, pos, u"<meta charset=\"")) {
        const std::size_t close = page.find(u"\">\r\n", pos);
        if (close == std::u16string_view::npos) {
            return broken(pos);
        }
        pos = close + 4;
    }
    if (unlocks) {
        // The unlock script is a bundle of its own, not text of the format, so it is compared
        // with what the programs carry.
        const std::u16string unlock = UnlockScriptElement();
        if (!startsWith(page, pos, unlock)) {
            return broken(pos);
        }
        pos += unlock.size();
    }
    if (!startsWith(page, pos, pageScriptStart)) {
        return broken(pos);
    }
    const std::size_t content = pos + pageScriptStart.size();
    std::u16string script;
    const std::size_t length = UnescapeRun(page.substr(content), script);
    const std::size_t end = length == std::u16string_view::npos ? length : content + length;
    if (end == std::u16string_view::npos || !startsWith(page, end, pageScriptEnd) ||
        script.find(u"var qv_ok=true;") == std::u16string::npos ||
        script.find(u"function qv_d00(s)") == std::u16string::npos) {
        return broken(pos);
    }
    pos = end + pageScriptEnd.size();
    if (!startsWith(page, pos, noScriptNotice)) {
        return broken(pos);
    }
    pos += noScriptNotice.size();
    if (settings.copyrightNotice) {
        const std::size_t close = startsWith(page, pos, u"<!-- ") ? page.find(u"-->\r\n", pos + 5)
                                                                  : std::u16string_view::npos;
        if (close == std::u16string_view::npos) {
            return broken(pos);
        }
        pos = close + 5;
    }
    return std::nullopt;
}

// Lines up the revealed page against the original: the two agree code unit for code unit,
// except where revealed holds one of the pieces protection adds (and original does not go on
// with that same piece), or where original holds the DOCTYPE that was moved to the top. Where
// they part, the piece may have begun a little earlier (it may start like the original goes
// on), so the positions just before are tried too.
class Alignment
{
public:
    Alignment(std::u16string_view original, std::u16string_view revealed,
              std::vector<std::u16string_view> added, std::u16string_view doctype)
        : m_original(original)
        , m_revealed(revealed)
        , m_added(std::move(added))
        , m_doctype(doctype)
    {
        for (std::u16string_view piece : m_added) {
            m_longest = std::max(m_longest, piece.size());
        }
        m_longest = std::max(m_longest, doctype.size());
    }

    // The position in original where the two part for good, or nothing when they agree.
    std::optional<std::size_t> firstDifference()
    {
        std::size_t i = 0;
        std::size_t j = 0;
        std::size_t runStart = 0; // how far back from i (and j) the two are known to agree
        for (;;) {
            const std::size_t run = commonRun(m_original, i, m_revealed, j);
            i += run;
            j += run;
            runStart += run;
            if (i == m_original.size() && j == m_revealed.size() && m_doctype.empty()) {
                return std::nullopt;
            }
            if (!stepOver(i, j, std::min(runStart, m_longest))) {
                return i;
            }
            runStart = 0;
        }
    }

private:
    bool stepOver(std::size_t& i, std::size_t& j, std::size_t back)
    {
        for (std::size_t t = 0; t <= back; ++t) {
            const std::size_t oi = i - t;
            const std::size_t rj = j - t;
            if (!m_doctype.empty() && startsWith(m_original, oi, m_doctype) &&
                !startsWith(m_revealed, rj, m_doctype)) {
                i = oi + m_doctype.size();
                j = rj;
                m_doctype = {};
                return true;
            }
            if (rj >= m_revealed.size() || (m_revealed[rj] != u'<' && m_revealed[rj] != u' ')) {
                continue;
            }
            for (std::u16string_view piece : m_added) {
                if (startsWith(m_revealed, rj, piece) && !startsWith(m_original, oi, piece)) {
                    i = oi;
                    j = rj + piece.size();
                    return true;
                }
            }
        }
        return false;
    }

    std::u16string_view m_original;
    std::u16string_view m_revealed;
    std::vector<std::u16string_view> m_added;
    std::u16string_view m_doctype;
    std::size_t m_longest = 0;
};

// The markup of the switches, which goes inside tags that protection may itself have added
// (attributes into "<BODY>"), and so is taken out of both texts before they are lined up.
std::vector<std::u16string_view> switchPieces(const ScriptSwitches& on)
{
    std::vector<std::u16string_view> pieces;
    const std::pair<ScriptOption, std::u16string_view> bySwitch[] = {
        {ScriptOption::NoImageToolbar, imageToolbarMeta},
        {ScriptOption::NoImageToolbar, imageAttributes},
        {ScriptOption::NoTextSelect, selectionAttributes},
        {ScriptOption::NoPrinting, printStyle},
        {ScriptOption::ExpirePage, expiresMeta},
        {ScriptOption::NoDragDrop, dragAttributes},
    };
    for (const auto& [option, piece] : bySwitch) {
        if (on.has(option)) {
            pieces.push_back(piece);
        }
    }
    return pieces;
}

std::u16string without(std::u16string_view text, std::u16string_view piece)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(piece); at != std::u16string_view::npos;
         at = text.find(piece, from)) {
        out.append(text.substr(from, at - from));
        from = at + piece.size();
    }
    out.append(text.substr(from));
    return out;
}

// Where the first writer block of any shape starts in text at or after from, and its shape;
// npos and no shape when none does.
std::size_t firstBlockStart(std::u16string_view text, std::size_t from,
                            const std::vector<WriterBlockShape>& shapes,
                            const WriterBlockShape*& block)
{
    std::size_t first = std::u16string_view::npos;
    for (const WriterBlockShape& shape : shapes) {
        const std::size_t at = findText(text, shape.start, from);
        if (at < first) {
            first = at;
            block = &shape;
        }
    }
    return first;
}

// Turns the writer blocks in text, whole as it is, into the markup they write; false when one
// is cut short or cannot be read. found tells whether there was any.
bool revealBlocks(std::u16string_view text, const std::vector<WriterBlockShape>& shapes,
                  std::u16string& out, bool& found)
{
    found = false;
    for (std::size_t i = 0;;) {
        const WriterBlockShape* block = nullptr;
        const std::size_t at = firstBlockStart(text, i, shapes, block);
        if (block == nullptr) {
            out.append(text.substr(i));
            return true;
        }
        found = true;
        out.append(text.substr(i, at - i));
        const std::size_t content = at + block->start.size();
        const std::size_t length = block->decode(text.substr(content), out);
        if (length == std::u16string_view::npos ||
            !startsWith(text, content + length, block->end)) {
            return false;
        }
        i = content + length + block->end.size();
    }
}

// Unescapes the run of escapes at the start of text into out, up to the first unit that starts
// no escape; gives its length, or npos when an escape there is malformed. An escape that text
// ends inside of is malformed too unless restFollows: the run then ends before it, for the
// text that follows to complete.
std::size_t unescapeEscapes(std::u16string_view text, std::u16string& out, bool restFollows)
{
    const std::size_t n = text.size();
    const char16_t* in = text.data();
    // Written in slices through a buffer, so that out grows only by what the run holds.
    constexpr std::size_t slice = 2048;
    char16_t buffer[slice];
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < n && in[i] == u'%') {
        if (used == slice) {
            out.append(buffer, used);
            used = 0;
        }
        const bool wide = i + 1 < n && in[i + 1] == u'u';
        if (n - i < (wide ? 6u : 3u)) {
            if (!restFollows) {
                return std::u16string_view::npos;
            }
            break;
        }
        if (wide) {
            const int a = hexValue(in[i + 2]);
            const int b = hexValue(in[i + 3]);
            const int c = hexValue(in[i + 4]);
            const int d = hexValue(in[i + 5]);
            if ((a | b | c | d) < 0) {
                return std::u16string_view::npos;
            }
            buffer[used++] = static_cast<char16_t>(a << 12 | b << 8 | c << 4 | d);
            i += 6;
        } else {
            const int a = hexValue(in[i + 1]);
            const int b = hexValue(in[i + 2]);
            if ((a | b) < 0) {
                return std::u16string_view::npos;
            }
            buffer[used++] = static_cast<char16_t>(a << 4 | b);
            i += 3;
        }
    }
    out.append(buffer, used);
    return i;
}

} // namespace

std::size_t UnescapeRun(std::u16string_view text, std::u16string& out)
{
    return unescapeEscapes(text, out, false);
}

WriterBlockShape EscapedWriterBlock()
{
    return {blockStart, blockEnd, UnescapeRun, true};
}

std::size_t LineAt(std::u16string_view text, std::size_t pos)
{
    const std::size_t end = std::min(pos, text.size());
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + end, u'\n'));
}

std::optional<VerifyFault> VerifyProtectedPage(std::u16string_view original,
                                               std::u16string_view page,
                                               const ProtectionSettings& settings, bool keptAsItIs,
                                               const std::vector<WriterBlockShape>& shapes,
                                               std::u16string* scratch)
{
    ProtectedPageCheck check(original, settings, keptAsItIs, shapes, scratch);
    check.add(page);
    return check.finish();
}

ProtectedPageCheck::ProtectedPageCheck(std::u16string_view original,
                                       const ProtectionSettings& settings, bool keptAsItIs,
                                       std::vector<WriterBlockShape> shapes,
                                       std::u16string* scratch)
    : m_original(original)
    , m_settings(settings)
    , m_kept(keptAsItIs)
    , m_shapes(std::move(shapes))
    , m_revealed(scratch != nullptr ? *scratch : m_own)
    , m_unlocks(settings.passwordProtect && settings.encryptHiddenPart &&
                HidesAnything(original, settings.protectMode))
{
    m_revealed.clear();
    // What the blocks give back is the original and what protection adds around it: room for
    // that at once, so that a large page's revealed text does not grow by doubling.
    m_revealed.reserve(original.size() + original.size() / 8 + 4096);
    for (const WriterBlockShape& shape : m_shapes) {
        m_longestStart = std::max(m_longestStart, shape.start.size());
    }
}

void ProtectedPageCheck::add(std::u16string_view text)
{
    m_seen += text.size();
    // The last units seen, for the marker that must end the page.
    if (text.size() >= marker.size()) {
        m_tail.assign(text.substr(text.size() - marker.size()));
    } else {
        m_tail += text;
        m_tail.erase(0, m_tail.size() > marker.size() ? m_tail.size() - marker.size() : 0);
    }
    if (m_fault) {
        return;
    }
    if (m_kept) {
        const std::size_t from = m_seen - text.size();
        if (!m_keptApart && from < m_original.size()) {
            const std::u16string_view rest = m_original.substr(from);
            const std::size_t n = std::min(rest.size(), text.size());
            const std::size_t run = commonRun(rest, 0, text.substr(0, n), 0);
            if (run < n) {
                m_keptApart = from + run;
            }
        }
        return;
    }
    m_pending.append(text);
    take(false);
}

// Takes what can be taken of the pending text: the top, plain markup, writer blocks in pieces.
void ProtectedPageCheck::take(bool last)
{
    constexpr std::size_t topRoom = 1 << 20;
    std::size_t i = 0;
    if (!m_topRead) {
        if (!last && m_pending.size() < topRoom) {
            return;
        }
        std::u16string_view doctype;
        if (auto fault = readTop(m_pending, m_settings, m_unlocks, i, doctype)) {
            m_fault = fault;
            return;
        }
        m_doctype.assign(doctype);
        m_topRead = true;
    }
    const std::u16string_view text = m_pending;
    while (i < text.size() && !m_fault) {
        if (m_block == nullptr) {
            const std::size_t next = firstBlockStart(text, i, m_shapes, m_block);
            if (m_block == nullptr) {
                // A block may start in the last units: they wait for what follows.
                const std::size_t keep = last ? 0 : std::min(text.size() - i, m_longestStart - 1);
                m_revealed.append(text.substr(i, text.size() - keep - i));
                i = text.size() - keep;
                break;
            }
            m_revealed.append(text.substr(i, next - i));
            i = next + m_block->start.size();
            continue;
        }
        bool more = false;
        i = takeBlockContent(text, i, last, more);
        if (more) {
            break;
        }
    }
    m_pending.erase(0, i);
    if (last && m_block != nullptr && !m_fault) {
        m_fault = VerifyFault{VerifyFault::Kind::BrokenBlock, m_seen, 0};
    }
}

// Decodes the content of the block at i and its end, and gives where the text goes on; more is
// set when what follows is needed first (the escapes taken so far are given back already).
std::size_t ProtectedPageCheck::takeBlockContent(std::u16string_view text, std::size_t i, bool last,
                                                 bool& more)
{
    const auto broken = [&] {
        m_fault = VerifyFault{VerifyFault::Kind::BrokenBlock, m_seen, 0};
        return text.size();
    };
    const auto waitAt = [&](std::size_t at) {
        more = true;
        return at;
    };
    std::size_t end = i;
    if (m_block->escapes) {
        // Whole escapes only, in one pass: an escape the piece cuts in two waits for the next.
        const std::size_t length = unescapeEscapes(text.substr(i), m_revealed, true);
        if (length == std::u16string_view::npos) {
            return broken();
        }
        end = i + length;
        if (end == text.size() || text[end] == u'%') {
            return last ? broken() : waitAt(end);
        }
    } else {
        const std::size_t close = text.find(u'"', i);
        if (close == std::u16string_view::npos || close + m_block->end.size() > text.size()) {
            return last ? broken() : waitAt(i);
        }
        const std::size_t length = m_block->decode(text.substr(i), m_revealed);
        if (length == std::u16string_view::npos) {
            return broken();
        }
        end = i + length;
    }
    if (text.size() - end < m_block->end.size()) {
        return last ? broken() : waitAt(end);
    }
    if (!startsWith(text, end, m_block->end)) {
        return broken();
    }
    end += m_block->end.size();
    m_block = nullptr;
    return end;
}

// In e-mail mode a link's encoding may hold encodings of links inside it: the markup its block
// writes holds their blocks, which write theirs in turn.
std::optional<VerifyFault> ProtectedPageCheck::revealHeldBlocks()
{
    for (bool found = true; found;) {
        std::u16string revealed;
        revealed.reserve(m_revealed.size());
        if (!revealBlocks(m_revealed, m_shapes, revealed, found)) {
            return VerifyFault{VerifyFault::Kind::BrokenBlock, m_seen, 0};
        }
        m_revealed = std::move(revealed);
    }
    return std::nullopt;
}

std::optional<VerifyFault> ProtectedPageCheck::finish()
{
    if (m_tail != marker) {
        return VerifyFault{VerifyFault::Kind::NoMarker, m_seen, 0};
    }
    if (m_kept) {
        const std::size_t body = m_seen - marker.size();
        if (!m_keptApart && body == m_original.size()) {
            return std::nullopt;
        }
        const std::size_t run = m_keptApart ? *m_keptApart : std::min(body, m_original.size());
        return VerifyFault{VerifyFault::Kind::Difference, run, run};
    }
    if (!m_fault && std::u16string_view(m_pending).ends_with(marker)) {
        m_pending.resize(m_pending.size() - marker.size());
        take(true);
    } else if (!m_fault) {
        m_fault = VerifyFault{VerifyFault::Kind::BrokenBlock, m_seen, 0};
    }
    if (m_fault) {
        return m_fault;
    }
    if (m_settings.protectMode == ProtectMode::EmailLinksOnly) {
        if (auto fault = revealHeldBlocks()) {
            return fault;
        }
    }
    std::u16string_view original = m_original;
    std::u16string& revealed = m_revealed;
    const std::u16string_view doctype = m_doctype;
    const std::size_t pos = 0;
    if (!doctype.empty() && original.find(doctype) == std::u16string_view::npos) {
        return VerifyFault{VerifyFault::Kind::MissingDoctype, 0, 0};
    }
    std::optional<std::u16string> strippedOriginal;
    for (std::u16string_view piece : switchPieces(m_settings.scriptSwitches)) {
        strippedOriginal = without(strippedOriginal ? *strippedOriginal : original, piece);
        revealed = without(revealed, piece);
    }
    if (strippedOriginal) {
        original = *strippedOriginal;
    }
    std::vector<std::u16string_view> added(skeletonTags.begin(), skeletonTags.end());
    added.push_back(banner);
    Alignment alignment(original, revealed, std::move(added), doctype);
    if (const std::optional<std::size_t> apart = alignment.firstDifference()) {
        return VerifyFault{VerifyFault::Kind::Difference, pos, *apart};
    }
    return std::nullopt;
}

} // namespace quorlane::core
