#include "run/HiddenTextIndex.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <optional>
#include <utility>

#include "core/PageSink.h"
#include "core/ProtectModes.h"

namespace quorlane::run {

namespace {

constexpr std::uint64_t fnvBasis = 0xcbf29ce484222325ull;
constexpr std::uint64_t fnvPrime = 0x100000001b3ull;
constexpr std::uint32_t sharedBit = 0x80000000u;

std::uint64_t Mixed(std::uint64_t value)
{
    value ^= value >> 30;
    value *= 0xbf58476d1ce4e5b9ull;
    value ^= value >> 27;
    value *= 0x94d049bb133111ebull;
    return value ^ (value >> 31);
}

bool IsAsciiLetterOrDigit(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// Letters and digits of any script count as word characters; the punctuation and spaces of the
// blocks that hold most of it do not.
bool IsWordUnit(char16_t c)
{
    if (c < 0xC0) {
        return IsAsciiLetterOrDigit(c);
    }
    return c != 0xD7 && c != 0xF7 && !(c >= 0x2000 && c <= 0x2BFF) &&
           !(c >= 0x3000 && c <= 0x303F) && !(c >= 0xFF00 && c <= 0xFF0F) && c != 0xFEFF;
}

char16_t Folded(char16_t c)
{
    const bool upper = (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
                       (c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F);
    return upper ? static_cast<char16_t>(c + 0x20) : c;
}

int HexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

// The code unit of a script escape "\uXXXX" at text[at], if that is one.
std::optional<char16_t> UnicodeEscape(std::u16string_view text, std::size_t at)
{
    if (at + 6 > text.size() || text[at + 1] != u'u') {
        return std::nullopt;
    }
    unsigned value = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const int digit = HexValue(text[i]);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<char16_t>(value);
}

// The end of a character reference "&...;" at text[at], and the unit a numeric one stands for.
std::size_t ReferenceEnd(std::u16string_view text, std::size_t at, char16_t& unit)
{
    unit = u' ';
    std::size_t end = at + 1;
    const bool numeric = end < text.size() && text[end] == u'#';
    end += numeric ? 1 : 0;
    const bool hex = numeric && end < text.size() && (text[end] == u'x' || text[end] == u'X');
    end += hex ? 1 : 0;
    unsigned value = 0;
    const std::size_t digits = end;
    while (end < text.size() && end - at < 32 && IsAsciiLetterOrDigit(text[end])) {
        const int digit = HexValue(text[end]);
        value = hex ? value * 16 + static_cast<unsigned>(std::max(digit, 0))
                    : value * 10 + static_cast<unsigned>(text[end] - u'0');
        ++end;
    }
    if (end == digits || end >= text.size() || text[end] != u';') {
        return at + 1; // no reference: the "&" alone parts words
    }
    if (numeric && value < 0x10000) {
        unit = static_cast<char16_t>(value);
    }
    return end + 1;
}

bool OpensTag(std::u16string_view text, std::size_t at)
{
    if (at + 1 >= text.size()) {
        return false;
    }
    const char16_t next = text[at + 1];
    return (next >= u'a' && next <= u'z') || (next >= u'A' && next <= u'Z') || next == u'/' ||
           next == u'!' || next == u'?';
}

// Takes the text of every writer block; the rest of the protected page is the page's own,
// which stays in the clear.
class HiddenTextSink final : public core::PageSink
{
public:
    explicit HiddenTextSink(TextPrinter& printer)
        : m_printer(printer)
    {
    }
    void append(std::u16string_view) override {}
    void appendEscaped(std::u16string_view text) override { m_printer.add(text); }
    void appendSealed(std::u16string_view text, core::HiddenPartSealer&) override
    {
        m_printer.add(text);
    }

private:
    TextPrinter& m_printer;
};

} // namespace

void TextPrinter::add(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        char16_t c = text[i];
        std::size_t next = i + 1;
        if (m_inTag) {
            m_inTag = c != u'>';
            i = next;
            continue;
        }
        if (c == u'<' && OpensTag(text, i)) {
            m_inTag = true;
            c = u' ';
        } else if (c == u'&') {
            next = ReferenceEnd(text, i, c);
        } else if (c == u'\\') {
            const std::optional<char16_t> escaped = UnicodeEscape(text, i);
            c = escaped.value_or(u' ');
            next = escaped ? i + 6 : std::min(text.size(), i + 2);
        }
        if (IsWordUnit(c)) {
            const char16_t folded = Folded(c);
            m_word = (m_word ^ folded) * fnvPrime;
            m_stem = m_letters < stemLetters ? (m_stem ^ folded) * fnvPrime : m_stem;
            m_digitsOnly = m_digitsOnly && c >= u'0' && c <= u'9';
            ++m_letters;
        } else {
            endWord();
        }
        i = next;
    }
}

void TextPrinter::endWord()
{
    if (m_letters == 0) {
        return;
    }
    if (m_letters >= stemLetters && !m_digitsOnly) {
        m_prints.stems.push_back(Mixed(m_stem));
    }
    m_last[m_words % wordsInRun] = m_word;
    ++m_words;
    if (m_words >= wordsInRun) {
        std::uint64_t run = fnvBasis;
        for (std::size_t k = 0; k < wordsInRun; ++k) {
            run = (run ^ m_last[(m_words + k) % wordsInRun]) * fnvPrime;
        }
        // One run in four, chosen by its words alone, so that a file and a page keep the same
        // ones: a text copied at any length past a score of words still shares several.
        if (const std::uint64_t print = Mixed(run); print % runsKept == 0) {
            m_prints.runs.push_back(print);
        }
    }
    m_word = fnvBasis;
    m_stem = fnvBasis;
    m_letters = 0;
    m_digitsOnly = true;
}

void TextPrinter::finish()
{
    endWord();
    for (std::vector<std::uint64_t>* prints : {&m_prints.runs, &m_prints.stems}) {
        std::sort(prints->begin(), prints->end());
        prints->erase(std::unique(prints->begin(), prints->end()), prints->end());
    }
}

TextPrints HiddenTextPrints(std::u16string_view page, core::ProtectMode mode)
{
    TextPrints prints;
    TextPrinter printer(prints);
    if (mode == core::ProtectMode::WholePage) {
        printer.add(page);
    } else {
        HiddenTextSink sink(printer);
        core::WriteProtectedPart(page, mode, sink);
    }
    printer.finish();
    return prints;
}

HiddenTextIndex::Page HiddenTextIndex::add(const TextPrints& prints)
{
    assert(!m_settled);
    const Page page = static_cast<Page>(m_pages.size());
    m_pages.push_back({static_cast<std::uint32_t>(prints.runs.size()),
                       static_cast<std::uint32_t>(prints.stems.size())});
    for (const std::uint64_t run : prints.runs) {
        m_runs.entries.push_back({run, page});
    }
    for (const std::uint64_t stem : prints.stems) {
        m_stems.entries.push_back({stem, page});
    }
    return page;
}

template <typename Keep> void HiddenTextIndex::PrintList::settle(Keep keep)
{
    std::sort(entries.begin(), entries.end());
    auto kept = entries.begin();
    for (auto from = entries.begin(); from != entries.end();) {
        const auto to = std::find_if(
            from, entries.end(), [&](const Entry& entry) { return entry.print != from->print; });
        if (keep(static_cast<std::size_t>(to - from))) {
            kept = std::move(from, to, kept);
        }
        from = to;
    }
    entries.erase(kept, entries.end());
    bits = static_cast<unsigned>(std::bit_width(entries.size()));
    const std::size_t buckets = std::size_t(1) << bits;
    starts.assign(buckets + 1, 0);
    std::size_t at = 0;
    for (std::size_t b = 0; b <= buckets; ++b) {
        while (at < entries.size() && bucket(entries[at].print) < b) {
            ++at;
        }
        starts[b] = static_cast<std::uint32_t>(at);
    }
}

std::span<const HiddenTextIndex::Entry>
HiddenTextIndex::PrintList::holding(std::uint64_t print) const
{
    const std::size_t b = bucket(print);
    // A print that many pages hold has many entries: the bucket is searched, not walked.
    struct ByPrint
    {
        bool operator()(const Entry& entry, std::uint64_t p) const { return entry.print < p; }
        bool operator()(std::uint64_t p, const Entry& entry) const { return p < entry.print; }
    };
    const auto [from, to] = std::equal_range(entries.begin() + starts[b],
                                             entries.begin() + starts[b + 1], print, ByPrint{});
    return {from, to};
}

template <typename Count>
void HiddenTextIndex::countShared(const PrintList& list, const std::vector<std::uint64_t>& file,
                                  Count count)
{
    for (const std::uint64_t print : file) {
        for (const Entry& entry : list.holding(print)) {
            count(entry.page);
        }
    }
}

void HiddenTextIndex::settle()
{
    // Each page holds a print once: a print's entries are the pages that share it.
    const std::size_t most = std::max<std::size_t>(3, m_pages.size() / 2);
    m_runs.settle([&](std::size_t pages) { return pages <= most; });
    m_stems.settle([](std::size_t) { return true; });
    for (PageCounts& counts : m_pages) {
        counts.runs = 0;
    }
    for (const Entry& entry : m_runs.entries) {
        ++m_pages[entry.page].runs;
    }
    m_settled = true;
}

std::vector<HiddenTextIndex::Page> HiddenTextIndex::givenAway(const TextPrints& file) const
{
    constexpr std::uint32_t runsEnough = 3;
    constexpr std::size_t fewestStems = 20;
    m_shareCounts.resize(m_pages.size());
    const auto counted = [&](Page page) -> PageCounts& {
        PageCounts& counts = m_shareCounts[page];
        if (counts.runs == 0 && counts.stems == 0) {
            m_counted.push_back(page);
        }
        return counts;
    };
    assert(m_settled);
    countShared(m_runs, file.runs, [&](Page page) { ++counted(page).runs; });
    // Only a word index has its stems counted page by page.
    const std::size_t siteStems = static_cast<std::size_t>(
        std::count_if(file.stems.begin(), file.stems.end(),
                      [&](std::uint64_t stem) { return !m_stems.holding(stem).empty(); }));
    const bool wordIndex =
        file.stems.size() >= fewestStems && siteStems * 10 >= file.stems.size() * 8;
    if (wordIndex) {
        countShared(m_stems, file.stems, [&](Page page) { ++counted(page).stems; });
    }
    std::vector<Page> pages;
    for (const Page page : m_counted) {
        const PageCounts& own = m_pages[page];
        const PageCounts counts = std::exchange(m_shareCounts[page], PageCounts{});
        const bool byRuns = own.runs > 0 && counts.runs >= std::min(runsEnough, own.runs);
        const bool byStems =
            wordIndex && own.stems >= fewestStems && counts.stems * 10 >= own.stems * 4;
        if (byRuns || byStems) {
            pages.push_back(page);
        }
    }
    m_counted.clear();
    std::sort(pages.begin(), pages.end());
    return pages;
}

} // namespace quorlane::run
