#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorlane::files {

// The IDNA ASCII form of a host name, as browsers write it (UTS #46, non-transitional, with the
// bidi and joiner checks and without the hyphen and length checks), or nothing when the name
// cannot be converted. Fits core::HostToAscii.
std::optional<std::u16string> IdnaHostToAscii(std::u16string_view host);

} // namespace quorlane::files
