#pragma once

#include <string>

// The protect-mode loops run step by step on the page, each replacement spliced in before the
// next search, exactly as the page format describes them. Simple and exact, but each
// replacement moves the rest of the page: the protect modes take this road only for pages
// whose oddities the one-pass form does not model.
namespace quorlane::core {

void EncodeEmailLinksStepwise(std::u16string& page);
void EncodeAllLinksStepwise(std::u16string& page);
void EncodeBodyStepwise(std::u16string& page);

} // namespace quorlane::core
