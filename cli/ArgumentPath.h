#pragma once

#include <string>

#include "core/FileRecord.h"

namespace quorlane::cli {

// The path a command-line argument names. Arguments reach the commands as UTF-8 (on Windows
// made so once, from the wide command line); a path is in the platform's own form, so that
// no code page stands between the argument and the file. On Windows "/" and "\" are both
// separators; the path has "\" throughout.
core::PathString ArgumentPath(const std::string& argument);

} // namespace quorlane::cli
