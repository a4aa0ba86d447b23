#pragma once

#include <string>

#include "core/PageFindings.h"

namespace quorlane::cli {

// A finding in one plain sentence.
std::string FindingSentence(const core::Finding& finding);

// "warning" or "note".
const char* SeverityName(core::Severity severity);

} // namespace quorlane::cli
