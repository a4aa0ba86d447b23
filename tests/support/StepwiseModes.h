#pragma once

#include <random>
#include <string>
#include <vector>

#include "core/ProtectionSettings.h"

// The protect-mode loops run literally: every replacement spliced into the page before the
// next search, and the raw text found anew on the page as it then stands. Simple and exact,
// and quadratic: kept only as the measure the protect modes are tested against.
namespace quorlane::test {

// The protected part of page in mode (whole pages are one encoding anyway).
std::u16string EncodeStepwise(std::u16string page, core::ProtectMode mode);

// Generated pages for the tests that compare the protect modes with the loops above: pieces
// written as "piece|piece|...", drawn at random.
std::vector<std::u16string> SplitAtBars(std::u16string_view pieces);
std::u16string GeneratedPage(std::mt19937& random, const std::vector<std::u16string>& pieces,
                             int most);

} // namespace quorlane::test
