#pragma once

#include <iosfwd>
#include <string_view>
#include <vector>

#include "run/PageCheck.h"
#include "run/ProtectionRun.h"

namespace quorlane::cli {

// protect --dry-run: every page with what the run would do to its files (write, replace, back
// up, skip) and the findings of check below it, on out. Nothing is written.
void WriteDryRun(std::ostream& out, const run::CheckReport& report,
                 const core::ProtectionSettings& settings,
                 const std::vector<run::SelectionEntry>& selection);

// Whether the findings of report reach level: "error" for pages that cannot be read, "warning"
// for those and every warning.
bool FindingsReach(const run::CheckReport& report, std::string_view level);

} // namespace quorlane::cli
