#pragma once

#include <optional>
#include <string>
#include <string_view>

// Host names to their IDNA ASCII form on Windows, two ways. IdnaHostToAscii takes ICU's UTS #46
// where Windows ships it and IdnToAscii where it does not.
namespace quorlane::files {

// Whether the system's own ICU (icu.dll or icuuc.dll in System32, from Windows 10 version 1703
// on) could be loaded, with the IDNA functions it needs.
bool IcuDllHasIdna();

// Through the system's ICU, as IdnaHostToAscii describes it; nothing when the name cannot be
// converted or there is no ICU.
std::optional<std::u16string> IcuDllHostToAscii(std::u16string_view host);

// Through IdnToAscii, one label at a time (so that the limit on a whole name refuses nothing);
// nothing when the system refuses a label.
std::optional<std::u16string> IdnToAsciiHostToAscii(std::u16string_view host);

} // namespace quorlane::files
