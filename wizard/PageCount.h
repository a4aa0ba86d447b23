#pragma once

#include <cstddef>

#include "core/FileRecord.h"
#include "files/ExcludePatterns.h"

namespace quorlane::wizard {

// Whether the patterns leave out folder itself, or a folder above it below the added folder
// addedFolder: the scan never enters such a folder.
bool LeftOut(const core::PathString& folder, const core::PathString& addedFolder,
             const files::ExcludePatterns& exclude);

// How many pages a run takes from folder, a folder at or below the added folder addedFolder:
// the run's own folder scan counts them, with exclude matched from the added folder.
std::size_t CountPages(const core::PathString& folder, const core::PathString& addedFolder,
                       const files::ExcludePatterns& exclude);

} // namespace quorlane::wizard
