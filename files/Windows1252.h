#pragma once

#include <string>
#include <string_view>

namespace quorlane::files {

// Windows-1252 as browsers read it: every byte decodes; the five bytes the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+0081 and so on.
void AppendWindows1252AsUtf16(std::u16string& out, std::string_view bytes);

// The way back; a character the code page cannot hold becomes "?".
void AppendUtf16AsWindows1252(std::string& out, std::u16string_view text);

} // namespace quorlane::files
