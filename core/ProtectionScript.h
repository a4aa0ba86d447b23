#pragma once

#include <string>

#include "core/HiddenPartSealer.h"
#include "core/ProtectionSettings.h"

namespace quorlane::core {

// Appends the protection script for settings to script: the error handler first, then the
// password prompt, the mouse block, one piece per switch in a fixed order, and the locks. With
// unlock parameters the password prompt is that of a page whose hidden part is sealed.
void BuildProtectionScript(const ProtectionSettings& settings, std::u16string& script,
                           const UnlockParameters* sealed = nullptr);

} // namespace quorlane::core
