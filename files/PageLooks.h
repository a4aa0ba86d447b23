#pragma once

#include <cstddef>
#include <string_view>

namespace quorlane::files {

// How many bytes at the start of a file tell whether it is a page.
inline constexpr std::size_t pageLookBytes = 1024;

// Whether the first bytes of a file look like the start of a page: after a byte-order mark
// (UTF-8 or UTF-16, either order) and white space, "<" followed by a letter, "!" or "?". A
// picture, an archive, a script or a style sheet never starts that way.
bool LooksLikePage(std::string_view start);

} // namespace quorlane::files
