#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace quorlane::core {

// Finds text that lies outside raw text: the parts of a page whose text the browser does not
// read as markup, comments and script, style, textarea and title elements. Regions are those
// met scanning from the start of the page, so a "<!--" inside a script starts no comment and a
// start tag inside a comment starts no element; one without its end runs to the end of the page.
//
// The page is handed over in pieces, in order, each scanned from its start; a region that a
// piece does not close goes on into the next. No tag, end tag or searched text may stand
// across two pieces: the protect modes cut only next to a "<" that begins a piece or a ">" that
// ends one, and a tag name at the very end of a piece opens nothing.
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
        std::size_t at;     // npos when the piece holds none
        std::size_t needle; // which of the needles
    };

    // The first occurrence of a needle that begins at or after from and outside raw text. The
    // scanner then stands at it; with none, at the end of the piece. At most two needles.
    Hit find(std::u16string_view piece, std::size_t from, std::initializer_list<Needle> needles);
    // Scans the rest of the piece.
    void finish(std::u16string_view piece);
    // What follows is a new piece.
    void nextPiece();

    // Two scanners at the ends of their pieces read what follows alike.
    bool sameState(const RawTextScanner& other) const
    {
        return m_region == other.m_region && m_seekingGt == other.m_seekingGt;
    }

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

    bool opensAt(std::u16string_view piece, std::size_t at);
    bool closeRegion(std::u16string_view piece, std::size_t& pos);
    std::size_t nextOpener(std::u16string_view piece, std::size_t from, std::size_t limit);

    // The last occurrence found of each needle, and from where it was looked for: in the same
    // piece, it holds for any later start up to it.
    struct Sought
    {
        Needle needle{};
        std::size_t from = npos;
        std::size_t at = npos;
    };
    static constexpr std::size_t npos = std::u16string_view::npos;
    std::array<Sought, 2> m_sought{};

    Region m_region = Region::None;
    bool m_seekingGt = false;    // the end tag is found; its ">" is not yet
    std::size_t m_closeFrom = 0; // where the end of the open region is looked for
    std::size_t m_pos = 0;       // how far the piece is scanned
};

} // namespace quorlane::core
