// The e-mail links mode. Each "mailto:" outside raw text encodes the nearest link before it,
// and the search goes on after the encoding just made: after a link that ends before the
// "mailto:", the same "mailto:" is met again and encodes the next nearest link, and so on back
// through the page, until no link is left before it, or the nearest has no "</a>" before the
// next encoding (its element would hold that encoding, and it is left as it stands).
//
// So the walk that looks for the next "mailto:" goes back to the end of every encoding made.
// It reads the page as it was given: an encoding is passed over, and the page text after it is
// read on its own, from its start (its raw text is the same whatever came before). What the
// walk has already read and will read again the same way is not read again: between the
// stretch after a new encoding and the "mailto:" it was made for lies nothing to find.
#include "core/ProtectModesEmail.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "core/ProtectModes.h"
#include "core/RawText.h"
#include "core/TextSearch.h"

namespace quorlane::core::modes {

namespace {

constexpr RawTextScanner::Needle anyLink{u"<a ", true};
constexpr RawTextScanner::Needle exactMail{u"mailto:", false};
constexpr RawTextScanner::Needle anyMail{u"mailto:", true};

class EmailLinks
{
public:
    EmailLinks(std::u16string_view page, PageSink& out)
        : m_page(page)
        , m_out(out)
    {
    }

    void run();

private:
    struct Link
    {
        std::size_t pos;
        bool blocked; // its element would hold an encoding: it stays as it stands
    };
    // A "mailto:" met and not yet gone past; nothing to find lies in [clearFrom, pos).
    struct Mail
    {
        std::size_t pos;
        std::size_t clearFrom;
    };

    bool findMail(std::size_t& mail);
    void readFrom(std::size_t from);
    std::size_t encodingAfter(std::size_t pos) const;
    void replace(std::size_t begin, std::size_t end);
    void writeBefore(std::size_t pos);

    std::u16string_view m_page;
    PageSink& m_out;
    std::map<std::size_t, std::size_t> m_encoded; // stretches replaced, not yet written
    std::size_t m_written = 0;
    std::vector<Link> m_links; // met and not yet encoded, nearest last
    std::vector<Mail> m_mails; // met ahead of the walk, nearest last
    bool m_firstSearch = true;

    // The walk: the page text from m_readBegin up to the next encoding, read from m_from on.
    std::size_t m_readBegin = 0;
    std::size_t m_readEnd = 0;
    std::size_t m_from = 0;
    std::optional<RawTextScanner> m_scanner;
};

std::size_t EmailLinks::encodingAfter(std::size_t pos) const
{
    const auto next = m_encoded.lower_bound(pos);
    return next == m_encoded.end() ? m_page.size() : next->first;
}

void EmailLinks::readFrom(std::size_t from)
{
    m_readBegin = from;
    m_readEnd = encodingAfter(from);
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
            m_links.push_back({at, false});
            m_from = at + 1;
            continue;
        }
        if (hit.at != npos) {
            if (m_mails.empty() || m_mails.back().pos != at) {
                m_mails.push_back({at, at});
            }
            m_firstSearch = false;
            m_from = at;
            mail = at;
            return true;
        }
        if (m_readEnd == m_page.size()) {
            return false;
        }
        if (!m_mails.empty() && m_mails.back().clearFrom <= m_readEnd) {
            // Met again; only the first search is blind to case.
            const std::size_t known = m_mails.back().pos;
            readFrom(known);
            if (m_page.compare(known, exactMail.text.size(), exactMail.text) == 0) {
                mail = known;
                return true;
            }
            m_mails.pop_back();
            m_from = known + 1;
            continue;
        }
        readFrom(m_encoded.at(m_readEnd));
    }
}

void EmailLinks::replace(std::size_t begin, std::size_t end)
{
    m_links.pop_back();
    m_encoded.emplace(begin, end);
    while (!m_mails.empty() && m_mails.back().pos < end) {
        m_mails.pop_back();
    }
    readFrom(end);
    // Nothing lay to find between the link and the "mailto:" it was encoded for; now only the
    // page text up to the next encoding reads anew.
    if (!m_mails.empty()) {
        m_mails.back().clearFrom = std::min(m_mails.back().clearFrom, m_readEnd);
    }
}

// Writes out what no later step can change.
void EmailLinks::writeBefore(std::size_t pos)
{
    for (auto next = m_encoded.begin(); next != m_encoded.end() && next->first < pos;
         next = m_encoded.erase(next)) {
        m_out.append(m_page.substr(m_written, next->first - m_written));
        WriteEncoded(m_page.substr(next->first, next->second - next->first), m_out);
        m_written = next->second;
    }
    if (pos > m_written) {
        m_out.append(m_page.substr(m_written, pos - m_written));
        m_written = pos;
    }
}

void EmailLinks::run()
{
    readFrom(0);
    std::size_t mail = 0;
    while (findMail(mail)) {
        writeBefore(m_links.empty() ? m_from : m_links.front().pos);
        if (m_links.empty() || m_links.back().blocked) {
            m_mails.pop_back();
            m_from = mail + 1;
            continue;
        }
        Link& link = m_links.back();
        const std::size_t limit = encodingAfter(link.pos);
        const std::size_t close = FindIgnoreCase(m_page.substr(0, limit), u"</a>", link.pos);
        if (close == npos && limit == m_page.size()) {
            // No link from here on has an end: nothing changes any more.
            break;
        }
        if (close == npos) {
            link.blocked = true;
            m_mails.pop_back();
            m_from = mail + 1;
            continue;
        }
        replace(link.pos, close + 4);
    }
    writeBefore(m_page.size());
}

} // namespace

void WriteEmailLinks(std::u16string_view page, PageSink& out)
{
    EmailLinks(page, out).run();
}

} // namespace quorlane::core::modes
