#pragma once

#include <optional>
#include <string>

namespace quorlane::cli {

// The value of an environment variable as UTF-8, or nothing when it is not set. On Windows it
// is read wide, so that no character outside the ANSI code page turns into "?".
std::optional<std::string> EnvironmentValue(const std::string& name);

} // namespace quorlane::cli
