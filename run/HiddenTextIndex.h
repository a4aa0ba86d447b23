#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
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
    // Once every page is added: leaves out the runs that most pages share.
    void settle();
    // The pages that a file with prints gives away, in the order they were added.
    std::vector<Page> givenAway(const TextPrints& file) const;

private:
    struct PageCounts
    {
        std::uint32_t runs = 0;
        std::uint32_t stems = 0;
    };
    // A print of one page holds its number; of several, the index of their list, with the top
    // bit set.
    using Prints = std::unordered_map<std::uint64_t, std::uint32_t>;
    void insert(Prints& prints, std::uint64_t print, Page page);
    // Calls count for every page that holds a print of file.
    template <typename Count>
    void countShared(const Prints& prints, const std::vector<std::uint64_t>& file,
                     Count count) const;
    Prints m_runs;
    Prints m_stems;
    std::vector<std::vector<Page>> m_shared;
    std::vector<PageCounts> m_pages;
    // What givenAway counts, page by page, and the pages it counted for.
    mutable std::vector<PageCounts> m_shareCounts;
    mutable std::vector<Page> m_counted;
};

} // namespace quorlane::run
