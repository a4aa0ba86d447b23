#pragma once

#include <string>
#include <string_view>

namespace quorlane::files {

// The SHA-256 digest of bytes in lower-case hexadecimal (64 digits).
std::string Sha256Hex(std::string_view bytes);

} // namespace quorlane::files
