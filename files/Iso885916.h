#pragma once

#include <string>
#include <string_view>

namespace quorlane::files {

// ISO-8859-16 (Romanian), which ICU's data does not carry: every byte decodes.
void AppendIso885916AsUtf16(std::u16string& out, std::string_view bytes);
// The way back; a character the code page cannot hold becomes "?".
void AppendUtf16AsIso885916(std::string& out, std::u16string_view text);

} // namespace quorlane::files
