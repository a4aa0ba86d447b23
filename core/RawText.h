#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace quorlane::core {

// The parts of a page whose text the browser does not read as markup: comments, and script,
// style, textarea and title elements. Found scanning from the start of the page, so a "<!--"
// inside a script starts no comment and a start tag inside a comment starts no element.
// Regions are found lazily, as far as the questions asked need them.
class RawText
{
public:
    struct Region
    {
        std::size_t begin; // the "<" that opens it
        std::size_t end;   // one past its last code unit
    };

    explicit RawText(std::u16string_view page);

    // Whether pos lies inside a region.
    bool contains(std::size_t pos);
    // The end of the region holding pos, or pos itself when it lies in none.
    std::size_t skip(std::size_t pos);
    // The region holding pos, if any.
    const Region* regionAt(std::size_t pos);

private:
    void scanThrough(std::size_t pos);
    bool opensRegion(std::size_t open, std::size_t& end) const;

    std::u16string_view m_page;
    std::vector<Region> m_regions;
    std::size_t m_scanned = 0; // every region that begins before this is known
};

// First occurrence of needle at or after from whose first code unit lies in no region.
std::size_t FindOutsideRawText(std::u16string_view page, RawText& raw, std::u16string_view needle,
                               std::size_t from, bool ignoreCase);

// The last occurrence of needle, ignoring case, that ends at or before end and whose first code
// unit lies in no region.
std::size_t FindLastOutsideRawText(std::u16string_view page, RawText& raw,
                                   std::u16string_view needle, std::size_t end);

} // namespace quorlane::core
