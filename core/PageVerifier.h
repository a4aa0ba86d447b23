#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ProtectionSettings.h"

// A second reader of protected pages, written apart from the code that makes them: it takes a
// protected page to pieces by the page format alone, turns every writer block back into the
// markup it holds, and checks that what comes out is the page it was made from. A fault in the
// encoder therefore cannot hide itself by being made twice.
namespace quorlane::core {

// Why a protected page does not hold the page it was made from.
struct VerifyFault
{
    enum class Kind
    {
        NoMarker,       // the protected-page marker is not at its end
        PageTop,        // the page script block or the notice in front of the page is not whole
        BrokenBlock,    // a writer block that is cut short or holds what unescape cannot read
        Difference,     // the markup the blocks give back, with the rest, is not the page
        MissingDoctype, // the declaration at the top is not one the page had
    };
    Kind kind = Kind::Difference;
    std::size_t at = 0;         // in the protected page
    std::size_t originalAt = 0; // in the original page: where the two part ways (Difference)
};

// One shape of writer block: the text before and after its content, and how the content turns
// back into markup: decode reads the content from the start of its text on, appends the markup
// to out and gives how many units the content took (npos when it cannot be read); the end text
// must follow. Writer blocks of another shape, such as blocks whose content is ciphertext, come
// with their own decode.
struct WriterBlockShape
{
    std::u16string_view start;
    std::u16string_view end;
    std::function<std::size_t(std::u16string_view text, std::u16string& out)> decode;
    // The content is escapes only, and may be read in pieces; else it runs to a double quote.
    bool escapes = false;
};

// The writer block of plain protection: qv_d00(unescape("...")).
WriterBlockShape EscapedWriterBlock();

// Checks that page, a protected page as it will be written (marker included), holds original,
// the page text it was made from, under settings: the page script block, the no-script notice
// and the notice comment in front; every writer block, in order, gives back exactly the markup
// it stands for, and the rest of the original page stands around them, with nothing in between
// but the markup that protection adds (the html, head and body tags a page lacks, the banners,
// the markup of the switches). keptAsItIs: a frameset whose frames were protected, which must
// be original and the marker.
std::optional<VerifyFault>
VerifyProtectedPage(std::u16string_view original, std::u16string_view page,
                    const ProtectionSettings& settings, bool keptAsItIs,
                    const std::vector<WriterBlockShape>& shapes = {EscapedWriterBlock()},
                    std::u16string* scratch = nullptr);

// The same check for a protected page that comes in pieces, as it is read back from a file: it
// holds the markup the page gives back, never the page itself.
class ProtectedPageCheck
{
public:
    ProtectedPageCheck(std::u16string_view original, const ProtectionSettings& settings,
                       bool keptAsItIs, std::vector<WriterBlockShape> shapes,
                       std::u16string* scratch = nullptr);
    // The next piece of the protected page.
    void add(std::u16string_view text);
    std::optional<VerifyFault> finish();

private:
    void take(bool last);
    std::size_t takeBlockContent(std::u16string_view text, std::size_t i, bool last, bool& more);
    std::optional<VerifyFault> revealHeldBlocks();

    std::u16string_view m_original;
    const ProtectionSettings& m_settings;
    bool m_kept;
    std::vector<WriterBlockShape> m_shapes;
    std::u16string m_own;
    std::u16string& m_revealed;
    bool m_unlocks;           // the page begins with the unlock script: it has parts sealed
    std::u16string m_pending; // what is not yet taken
    std::u16string m_tail;    // the last units of the page
    std::u16string m_doctype;
    std::size_t m_seen = 0;
    std::size_t m_longestStart = 0;
    bool m_topRead = false;
    const WriterBlockShape* m_block = nullptr; // the writer block being read
    std::optional<VerifyFault> m_fault;
    std::optional<std::size_t> m_keptApart;
};

// Unescapes the run of escapes at the start of text into out, up to the first unit that starts
// no escape; gives its length, or npos when an escape there is cut short or malformed.
std::size_t UnescapeRun(std::u16string_view text, std::u16string& out);

// The 1-based line of pos in text.
std::size_t LineAt(std::u16string_view text, std::size_t pos);

} // namespace quorlane::core
