#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/ProtectionSettings.h"

// Reading protected pages back, as a browser would, for the tests.
namespace quorlane::test {

// unescape() of the browser: "%XX" and "%uXXXX" turned back into code units.
std::u16string Unescape(std::u16string_view escaped);

struct DecodedPage
{
    std::u16string plain;                     // writer blocks replaced by what they write
    std::vector<std::u16string> writtenParts; // what each writer block writes, in order
    bool complete = true;                     // false when a writer block has no end
};

// Replaces every writer block of text by the markup it writes, and so on for the blocks that
// this markup holds.
DecodedPage DecodeWriterBlocks(std::u16string_view text);

// The script that the page script block at the top of a protected page evaluates.
std::u16string PageScriptOf(std::u16string_view protectedPage);
std::string PageScriptOf(const std::string& utf8Page);

// The bytes a run or transform must write for a page's bytes: decoded, protected, marked and
// encoded again as they came.
std::string ProtectedFileBytes(const std::string& bytes, const core::ProtectionSettings& settings);

std::u16string U16(std::string_view utf8);
std::string U8(std::u16string_view text);

} // namespace quorlane::test
