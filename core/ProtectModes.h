#pragma once

#include <string>
#include <string_view>

#include "core/PageSink.h"
#include "core/ProtectionSettings.h"

namespace quorlane::core {

// Writes page to out with the part that mode hides replaced by writer blocks: every link,
// every e-mail link, the body, or the whole page. Exactly what the loops of the page format
// give, replacing one stretch after the other and searching on in the page as each
// replacement leaves it, but in one pass over the page: the page is read from its start to
// its end, and what it becomes is written out as soon as no later step can change it.
void WriteProtectedPart(std::u16string_view page, ProtectMode mode, PageSink& out);

std::u16string EncodeProtectedPart(std::u16string_view page, ProtectMode mode);

} // namespace quorlane::core
