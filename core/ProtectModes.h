#pragma once

#include <string>
#include <string_view>

#include "core/HiddenPartSealer.h"
#include "core/ProtectionSettings.h"

namespace quorlane::core {

// Appends page to out with the part that mode hides replaced by writer blocks: every link,
// every e-mail link, the body, or the whole page. Runs in one pass over the page; a page whose
// replacements would change how later searches read it (a link that ends inside a script, a
// kept script element holding "<body", ...) is worked through step by step instead, with the
// same result. out gets roomAfter units of spare capacity, so that a short trailer can follow
// without moving a large page. With a sealer the writer blocks hold their markup sealed.
void AppendProtectedPart(std::u16string& out, std::u16string_view page, ProtectMode mode,
                         std::size_t roomAfter = 0, HiddenPartSealer* sealer = nullptr);

std::u16string EncodeProtectedPart(std::u16string_view page, ProtectMode mode,
                                   HiddenPartSealer* sealer = nullptr);

} // namespace quorlane::core
