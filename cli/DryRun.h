#pragma once

#include <iosfwd>
#include <string_view>
#include <vector>

#include "run/PageCheck.h"
#include "run/ProtectionRun.h"

namespace quorlane::cli {

// protect --dry-run: every page with what the run would do to its files (write, replace, back
// up, skip) on out, and the findings of check on err. Nothing is written.
void WriteDryRun(std::ostream& out, std::ostream& err, const run::CheckReport& report,
                 const core::ProtectionSettings& settings,
                 const std::vector<run::SelectionEntry>& selection);

// protect --dry-run --json: the same as one JSON document, each page with its outcome as the run
// would have it, the actions on its files and its findings; stopped when --fail-on stops the run.
void WriteDryRunJson(std::ostream& out, const run::CheckReport& report,
                     const core::ProtectionSettings& settings,
                     const std::vector<run::SelectionEntry>& selection, bool stopped);

// Whether the findings of report reach level: "error" for pages that cannot be read, "warning"
// for those and every warning.
bool FindingsReach(const run::CheckReport& report, std::string_view level);

} // namespace quorlane::cli
