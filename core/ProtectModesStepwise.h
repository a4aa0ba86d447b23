#pragma once

#include <string>

#include "core/HiddenPartSealer.h"

// The protect-mode loops run step by step on the page, each replacement spliced in before the
// next search, exactly as the page format describes them. Simple and exact, but each
// replacement moves the rest of the page: the protect modes take this road only for pages
// whose oddities the one-pass form does not model.
namespace quorlane::core {

// With a sealer the writer blocks hold their markup sealed; the searches go on alike, since
// sealed blocks are script elements too and hold nothing they look for.
void EncodeEmailLinksStepwise(std::u16string& page, HiddenPartSealer* sealer = nullptr);
void EncodeAllLinksStepwise(std::u16string& page, HiddenPartSealer* sealer = nullptr);
void EncodeBodyStepwise(std::u16string& page, HiddenPartSealer* sealer = nullptr);

} // namespace quorlane::core
