// The e-mail links mode. Each "mailto:" outside raw text encodes the nearest link before it,
// and the search goes on after the encoding just made: after a link that ends before the
// "mailto:", the same "mailto:" is met again and encodes the next nearest link, and so on back
// through the page, until no link is left before it. A link whose first "</a>" lies behind
// encodings made before (its own end tag was inside one of them) is encoded through that
// "</a>", the encodings inside written in full and escaped again, while the page's budget for
// that lasts.
//
// So the walk that looks for the next "mailto:" goes back to the end of every encoding made.
// It reads the page as it was given: an encoding is passed over, and the page text after it is
// read on its own, from its start (its raw text is the same whatever came before). What the
// walk has already read and will read again the same way is not read again: between the
// stretch after a new encoding and the "mailto:" it was made for lies nothing to find.
#include "core/ProtectModesEmail.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/ProtectModes.h"
#include "core/RawText.h"
#include "core/TextSearch.h"

namespace quorlane::core::modes {

namespace {

constexpr RawTextScanner::Needle anyLink{u"<a ", true};
constexpr RawTextScanner::Needle exactMail{u"mailto:", false};
constexpr RawTextScanner::Needle anyMail{u"mailto:", true};

constexpr std::size_t none = npos;

class EmailLinks
{
public:
    EmailLinks(std::u16string_view page, PageSink& out, HiddenPartSealer* sealer)
        : m_page(page)
        , m_out(out)
        , m_sealer(sealer)
        , m_budget(ReencodingBudget(page.size()))
    {
    }

    void run();

private:
    // A stretch replaced, not yet written, in the list of them in page order. An encoding that
    // holds others keeps them in a list of their own, from inner up to innerEnd; one held by
    // another is written in full once, when it is taken in.
    struct Encoding
    {
        std::size_t begin;
        std::size_t end;
        std::size_t prev;
        std::size_t next;
        std::size_t inner = none;
        std::size_t innerEnd = none;
        std::u16string written = {};
    };
    struct Link
    {
        std::size_t pos;
        std::size_t next; // the first encoding after it
        bool blocked;     // it would overspend the budget: it stays as it stands
    };
    // A "mailto:" met and not yet gone past; nothing to find lies in [clearFrom, pos).
    struct Mail
    {
        std::size_t pos;
        std::size_t clearFrom;
        std::size_t next; // the first encoding after it
    };

    std::size_t beginOf(std::size_t encoding) const
    {
        return encoding == none ? m_page.size() : m_encodings[encoding].begin;
    }
    bool findMail(std::size_t& mail);
    void readFrom(std::size_t from, std::size_t next);
    std::size_t endTagOf(const Link& link, std::size_t& after) const;
    bool takeIn(std::size_t from, std::size_t after);
    void replace(std::size_t end, std::size_t after);
    std::u16string heldText(const Encoding& encoding) const;
    void writeEncoding(Encoding& encoding, PageSink& out);
    void writeBefore(std::size_t pos);

    std::u16string_view m_page;
    PageSink& m_out;
    HiddenPartSealer* m_sealer;
    std::vector<Encoding> m_encodings;
    std::size_t m_first = none; // the first encoding not yet written
    std::size_t m_last = none;
    std::size_t m_written = 0;
    std::vector<Link> m_links; // met and not yet encoded, nearest last
    std::vector<Mail> m_mails; // met ahead of the walk, nearest last
    bool m_firstSearch = true;
    std::size_t m_budget;
    bool m_budgetSpent = false;

    // The walk: the page text from m_readBegin up to the encoding m_next, read from m_from on.
    std::size_t m_readBegin = 0;
    std::size_t m_readEnd = 0;
    std::size_t m_next = none;
    std::size_t m_from = 0;
    std::optional<RawTextScanner> m_scanner;
};

void EmailLinks::readFrom(std::size_t from, std::size_t next)
{
    m_readBegin = from;
    m_next = next;
    m_readEnd = beginOf(next);
    m_from = from;
    m_scanner.emplace(m_page.substr(from, m_readEnd - from));
}

// The next "mailto:" outside raw text from the walk on; the links passed wait for it.
bool EmailLinks::findMail(std::size_t& mail)
{
    for (;;) {
        const RawTextScanner::Hit hit =
            m_scanner->find(m_from - m_readBegin, {anyLink, m_firstSearch ? anyMail : exactMail});
        const std::size_t at = hit.at == npos ? m_readEnd : m_readBegin + hit.at;
        // A "mailto:" met before and now passed without being found is in raw text now.
        while (!m_mails.empty() && m_mails.back().pos < at) {
            m_mails.pop_back();
        }
        if (hit.at != npos && hit.needle == 0) {
            m_links.push_back({at, m_next, false});
            m_from = at + 1;
            continue;
        }
        if (hit.at != npos) {
            if (m_mails.empty() || m_mails.back().pos != at) {
                m_mails.push_back({at, at, m_next});
            }
            m_firstSearch = false;
            m_from = at;
            mail = at;
            return true;
        }
        if (m_next == none) {
            return false;
        }
        if (!m_mails.empty() && m_mails.back().clearFrom <= m_readEnd) {
            // Met again; only the first search is blind to case.
            const Mail known = m_mails.back();
            readFrom(known.pos, known.next);
            if (m_page.compare(known.pos, exactMail.text.size(), exactMail.text) == 0) {
                mail = known.pos;
                return true;
            }
            m_mails.pop_back();
            m_from = known.pos + 1;
            continue;
        }
        readFrom(m_encodings[m_next].end, m_encodings[m_next].next);
    }
}

// The first "</a>" after the link on the page as it stands, and after it the first encoding
// that follows it. Encodings hold no "</a>": only the page text between them is searched.
std::size_t EmailLinks::endTagOf(const Link& link, std::size_t& after) const
{
    std::size_t from = link.pos;
    for (after = link.next;; after = m_encodings[after].next) {
        const std::size_t close = FindIgnoreCase(m_page.substr(0, beginOf(after)), u"</a>", from);
        if (close != npos || after == none) {
            return close;
        }
        from = m_encodings[after].end;
    }
}

// Writes the encodings from first up to after in full, to be held by one more; false, and
// nothing to be held, when that would overspend the budget.
bool EmailLinks::takeIn(std::size_t first, std::size_t after)
{
    std::size_t held = 0;
    for (std::size_t e = first; e != after; e = m_encodings[e].next) {
        Encoding& encoding = m_encodings[e];
        if (encoding.written.empty()) {
            StringSink out(encoding.written);
            writeEncoding(encoding, out);
        }
        held += encoding.written.size();
        if (held > m_budget) {
            break;
        }
    }
    if (held > m_budget) {
        m_budgetSpent = true;
        return false;
    }
    m_budget -= held;
    return true;
}

// Encodes the nearest link, up to end, in place of the encodings up to after, and goes back to
// read on after it.
void EmailLinks::replace(std::size_t end, std::size_t after)
{
    const Link link = m_links.back();
    m_links.pop_back();
    const std::size_t made = m_encodings.size();
    const std::size_t prev = link.next == none ? m_last : m_encodings[link.next].prev;
    Encoding encoding{link.pos, end, prev, after};
    if (after != link.next) {
        encoding.inner = link.next;
        encoding.innerEnd = after;
    }
    m_encodings.push_back(std::move(encoding));
    (prev == none ? m_first : m_encodings[prev].next) = made;
    (after == none ? m_last : m_encodings[after].prev) = made;
    if (!m_links.empty() && link.pos < beginOf(m_links.back().next)) {
        m_links.back().next = made;
    }
    while (!m_mails.empty() && m_mails.back().pos < end) {
        m_mails.pop_back();
    }
    readFrom(end, after);
    // Nothing lay to find between the link and the "mailto:" it was encoded for; now only the
    // page text up to the next encoding reads anew.
    if (!m_mails.empty()) {
        m_mails.back().clearFrom = std::min(m_mails.back().clearFrom, m_readEnd);
    }
}

// The markup an encoding replaced, as the page stood then: the encodings it holds in full.
std::u16string EmailLinks::heldText(const Encoding& encoding) const
{
    std::u16string text;
    std::size_t from = encoding.begin;
    for (std::size_t e = encoding.inner; e != encoding.innerEnd; e = m_encodings[e].next) {
        const Encoding& held = m_encodings[e];
        text.append(m_page.substr(from, held.begin - from));
        text.append(held.written);
        from = held.end;
    }
    text.append(m_page.substr(from, encoding.end - from));
    return text;
}

void EmailLinks::writeEncoding(Encoding& encoding, PageSink& out)
{
    if (!encoding.written.empty()) {
        out.append(encoding.written);
        encoding.written = {};
    } else if (encoding.inner == none) {
        WriteEncoded(m_page.substr(encoding.begin, encoding.end - encoding.begin), out, m_sealer);
    } else {
        WriteEncoded(heldText(encoding), out, m_sealer);
    }
    // What it held is written with it.
    for (std::size_t e = encoding.inner; e != encoding.innerEnd; e = m_encodings[e].next) {
        m_encodings[e].written = {};
    }
}

// Writes out what no later step can change.
void EmailLinks::writeBefore(std::size_t pos)
{
    for (; m_first != none && m_encodings[m_first].begin < pos;
         m_first = m_encodings[m_first].next) {
        Encoding& encoding = m_encodings[m_first];
        m_out.append(m_page.substr(m_written, encoding.begin - m_written));
        writeEncoding(encoding, m_out);
        m_written = encoding.end;
    }
    if (m_first == none) {
        m_last = none;
    } else {
        m_encodings[m_first].prev = none;
    }
    if (pos > m_written) {
        m_out.append(m_page.substr(m_written, pos - m_written));
        m_written = pos;
    }
}

void EmailLinks::run()
{
    readFrom(0, none);
    std::size_t mail = 0;
    while (findMail(mail)) {
        writeBefore(m_links.empty() ? m_from : m_links.front().pos);
        if (m_links.empty() || m_links.back().blocked) {
            m_mails.pop_back();
            m_from = mail + 1;
            continue;
        }
        Link& link = m_links.back();
        std::size_t after = link.next;
        const std::size_t limit = beginOf(link.next);
        std::size_t close = FindIgnoreCase(m_page.substr(0, limit), u"</a>", link.pos);
        if (close == npos && link.next == none) {
            // No link from here on has an end: nothing changes any more.
            break;
        }
        if (close == npos && !m_budgetSpent) {
            close = endTagOf(link, after);
            if (close == npos) {
                break;
            }
        }
        if (close == npos || (after != link.next && !takeIn(link.next, after))) {
            link.blocked = true;
            m_mails.pop_back();
            m_from = mail + 1;
            continue;
        }
        replace(close + 4, after);
    }
    writeBefore(m_page.size());
}

} // namespace

void WriteEmailLinks(std::u16string_view page, PageSink& out, HiddenPartSealer* sealer)
{
    EmailLinks(page, out, sealer).run();
}

} // namespace quorlane::core::modes
