#pragma once

#include <string>
#include <string_view>

#include "core/HiddenPartSealer.h"
#include "core/PageSink.h"
#include "core/ProtectionSettings.h"

namespace quorlane::core {

// Writes page to out with the part that mode hides replaced by writer blocks: every link,
// every e-mail link, the body, or the whole page. Exactly what the loops of the page format
// give, replacing one stretch after the other and searching on in the page as each
// replacement leaves it, but in one pass over the page.
//
// Three rules of the format keep that pass linear: a further body is looked for after the
// encoding just made; an e-mail link's element may hold encodings made before, escaped once
// more, only within a budget over the page (see ReencodingBudget); and an encoding reads as raw
// text of its own (nothing in it is found, and raw text open before it ends where it begins),
// so the raw text of the page as it stands is that of each stretch of page text between
// encodings, read on its own from its start.
//
// With a sealer the writer blocks hold their markup sealed; the stretches replaced are the same.
void WriteProtectedPart(std::u16string_view page, ProtectMode mode, PageSink& out,
                        HiddenPartSealer* sealer = nullptr);

std::u16string EncodeProtectedPart(std::u16string_view page, ProtectMode mode);

// Whether mode hides anything of page: only e-mail mode may find nothing to hide (a page with no
// e-mail link); every other mode hides at least the banners of the protected page.
bool HidesAnything(std::u16string_view page, ProtectMode mode);

// Writes EncodeMarkup(markup), or with a sealer its writer blocks sealed.
void WriteEncoded(std::u16string_view markup, PageSink& out, HiddenPartSealer* sealer = nullptr);

} // namespace quorlane::core
