#pragma once

#include <string>

namespace quorlane::core {

// base64 made URL-safe for the fragment of a share link ("#qv-key="): "-" for "+", "_" for "/",
// and no padding.
std::u16string UrlSafeBase64(std::u16string base64);

} // namespace quorlane::core
