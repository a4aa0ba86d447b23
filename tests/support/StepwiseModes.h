#pragma once

#include <string>

// The protect-mode loops run literally: every replacement spliced into the page before the
// next search, and the raw text found anew on the page as it then stands. Simple and exact,
// and quadratic: kept only as the measure the protect modes are tested against.
namespace quorlane::test {

void EncodeEmailLinksStepwise(std::u16string& page);
void EncodeAllLinksStepwise(std::u16string& page);
void EncodeBodyStepwise(std::u16string& page);

} // namespace quorlane::test
