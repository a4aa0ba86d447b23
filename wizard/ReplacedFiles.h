#pragma once

#include <cstddef>
#include <vector>

#include "core/ProtectionSettings.h"
#include "run/ProtectionRun.h"

namespace quorlane::wizard {

// What a run over a selection would write over, for the question before it starts.
struct ReplacedFiles
{
    std::size_t pages = 0;            // pages listed, each once
    std::size_t earlierProtected = 0; // protected_ files beside them, from an earlier run
};

// Lists the pages of selection as the run does, without reading any of them, and, for the
// Create new mode, looks for the protected_ file beside each.
ReplacedFiles CountReplacedFiles(const std::vector<run::SelectionEntry>& selection,
                                 core::SaveMode mode);

} // namespace quorlane::wizard
