#pragma once

#include "core/FileRecord.h"

namespace quorlane::cli {

// A path as the user would type it: relative to the current folder when it lies below it
// (the folder itself is "."), else absolute. A path that cannot be made absolute stays as given.
core::PathString ShownPath(const core::PathString& path);

} // namespace quorlane::cli
