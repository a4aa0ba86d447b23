#pragma once

#include <string>

#include "core/ProtectionSettings.h"

namespace quorlane::core {

// Appends the protection script for settings to script: the error handler first, then the
// password prompt, the mouse block, one piece per switch in a fixed order, and the locks.
void BuildProtectionScript(const ProtectionSettings& settings, std::u16string& script);

} // namespace quorlane::core
