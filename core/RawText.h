#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace quorlane::core {

// Finds text that lies outside raw text: the parts of a page whose text the browser does not
// read as markup, comments and script, style, textarea and title elements. The scanner reads
// one stretch of page text from its start, where no raw text is open; regions are those met
// scanning from there, so a "<!--" inside a script starts no comment and a start tag inside a
// comment starts no element; one without its end runs to the end of the stretch.
class RawTextScanner
{
public:
    struct Needle
    {
        std::u16string_view text;
        bool ignoreCase;
    };
    struct Hit
    {
        std::size_t at;     // npos when the stretch holds none
        std::size_t needle; // which of the needles
    };

    explicit RawTextScanner(std::u16string_view stretch)
        : m_text(stretch)
    {
    }

    // The first occurrence of a needle that begins at or after from and outside raw text; from
    // never goes back before an earlier hit. The scanner then stands at it; with none, at the
    // end of the stretch. At most two needles.
    Hit find(std::size_t from, std::initializer_list<Needle> needles);

private:
    enum class Region : std::uint8_t
    {
        None,
        Comment,
        Script,
        Style,
        Textarea,
        Title,
    };

    bool opensAt(std::size_t at);
    bool closeRegion(std::size_t& pos);
    std::size_t nextOpener(std::size_t from, std::size_t limit);

    // The last occurrence found of each needle, and from where it was looked for: it holds for
    // any later start up to it.
    struct Sought
    {
        Needle needle{};
        std::size_t from = npos;
        std::size_t at = npos;
    };
    static constexpr std::size_t npos = std::u16string_view::npos;

    std::u16string_view m_text;
    std::array<Sought, 2> m_sought{};
    Region m_region = Region::None;
    std::size_t m_closeFrom = 0; // where the end of the open region is looked for
    std::size_t m_pos = 0;       // how far the stretch is scanned
};

} // namespace quorlane::core
