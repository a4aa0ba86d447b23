#pragma once

#include <cstddef>
#include <string>

namespace quorlane::bench {

// A page of ordinary markup with the given number of links, about unitsPerLink code units of
// page for each: paragraphs, lists, tables, comments, inline and external scripts, e-mail links
// (every fourth link) and now and then "mailto:" in plain text.
std::u16string GeneratedPage(std::size_t links, std::size_t unitsPerLink = 1000);

// Pages that make the protect modes replace and search on in the ways that cost most, one link
// (or body tag) after the other: see HardPage in SamplePages.cpp for each.
enum class HardPage
{
    EndTagInScript,
    EndTagInComment,
    EndTagInUnclosedElement,
    MailLinksInScript,
    LinksBehindPlainMailto,
    RepeatedBodyTags,
    BodiesInKeptScripts,
    NestedLinks,
    KeptScriptsOpeningRawText,
    LinksHidingRawText,
    OneLongLine,
};
std::u16string MakeHardPage(HardPage kind, std::size_t links);

// ASCII markup of about the given size, and text of which one character in five lies above
// U+00FF.
std::u16string AsciiHtml(std::size_t units);
std::u16string MixedText(std::size_t units);

} // namespace quorlane::bench
