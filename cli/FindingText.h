#pragma once

#include <string>

#include "core/PageFindings.h"

namespace quorlane::cli {

// A finding in one plain sentence.
std::string FindingSentence(const core::Finding& finding);

// What count backups left beside their pages give away.
std::string BackupsInSiteText(std::size_t count);

// "warning" or "note".
const char* SeverityName(core::Severity severity);

} // namespace quorlane::cli
