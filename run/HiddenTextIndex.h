#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/ProtectionSettings.h"

// What the hidden parts of protected pages say, kept as prints that a published file can be
// compared with: a file that holds the same words gives a page's hidden part away, however well
// the page itself is protected.
namespace quorlane::run {

// The prints of a text, read case- and markup-insensitively: tags, character references and the
// escapes of script strings part words, as spaces do.
//  - runs: eight consecutive words, as a hash, one run in four (those whose hash says so); a copy
//    of the text, a source it was made from or a search index holding its sentences shares
//    them.
//  - stems: the first five letters of every word that has at least five, as a hash; a search
//    index that holds the words of a page one by one (stemmed, in any order) shares most of them.
// Each list is in order, each print once, once the printer is finished.
struct TextPrints
{
    std::vector<std::uint64_t> runs;
    std::vector<std::uint64_t> stems;
};

inline constexpr std::size_t wordsInRun = 8;
inline constexpr std::size_t stemLetters = 5;
inline constexpr std::uint64_t runsKept = 4; // one run in runsKept is a print

// Adds the prints of text to prints. Texts added one after the other read as one: a run of words
// may go on from one into the next.
class TextPrinter
{
public:
    explicit TextPrinter(TextPrints& prints)
        : m_prints(prints)
    {
    }
    void add(std::u16string_view text);
    // Ends the last word, and puts the prints in order: the text is all there.
    void finish();

private:
    void endWord();
    TextPrints& m_prints;
    std::uint64_t m_word = 0xcbf29ce484222325ull;
    std::uint64_t m_stem = 0xcbf29ce484222325ull;
    std::size_t m_letters = 0;
    bool m_digitsOnly = true;
    std::uint64_t m_last[wordsInRun] = {};
    std::size_t m_words = 0;
    bool m_inTag = false; // between "<" and ">"; a tag may go on from one text into the next
};

// The prints of the part of page that mode hides.
TextPrints HiddenTextPrints(std::u16string_view page, core::ProtectMode mode);

// The prints of the hidden parts of a run's pages, and which pages a file gives away:
//  - a file that shares three of a page's runs of words (every one, when it has fewer) gives
//    that page away; runs that most pages share (a menu, a footer) are the site's, not a page's;
//  - a word index: a file of at least twenty stems, eight in ten of them the site's, gives away
//    every page of at least twenty stems that it holds four in ten of.
class HiddenTextIndex
{
public:
    using Page = std::uint32_t;
    Page add(const TextPrints& prints);
    std::size_t pages() const { return m_pages.size(); }
    // Once every page is added, before givenAway: leaves out the runs that most pages share.
    void settle();
    // The pages that a file with prints gives away, in the order they were added.
    std::vector<Page> givenAway(const TextPrints& file) const;

private:
    struct PageCounts
    {
        std::uint32_t runs = 0;
        std::uint32_t stems = 0;
    };
    // A print and a page that holds it; a print that many pages hold has an entry per page.
    struct Entry
    {
        std::uint64_t print;
        Page page;
        auto operator<=>(const Entry&) const = default;
    };
    // The entries of one kind of print, in order of print once settled, and where the prints
    // of each value of their leading bits begin. Prints are evenly spread hashes and there are
    // about as many such values as entries, so finding a print takes a look or two.
    struct PrintList
    {
        std::vector<Entry> entries;
        std::vector<std::uint32_t> starts;
        unsigned bits = 0;
        // Puts the entries in order; keep tells which prints' entries stay (all of them by
        // default).
        template <typename Keep> void settle(Keep keep);
        std::span<const Entry> holding(std::uint64_t print) const;
        std::size_t bucket(std::uint64_t print) const
        {
            return bits == 0 ? 0 : print >> (64 - bits);
        }
    };
    // Calls count for every page that holds a print of file.
    template <typename Count>
    static void countShared(const PrintList& list, const std::vector<std::uint64_t>& file,
                            Count count);
    PrintList m_runs;
    PrintList m_stems;
    std::vector<PageCounts> m_pages;
    bool m_settled = false;
    // What givenAway counts, page by page, and the pages it counted for.
    mutable std::vector<PageCounts> m_shareCounts;
    mutable std::vector<Page> m_counted;
};

} // namespace quorlane::run
