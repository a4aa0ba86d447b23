#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorlane::cli {

// The help as a terminal of width columns shows it best: every line longer than width is broken
// at blanks, and its further lines start under the text they go on with. An option's
// description goes on under the description (where two blanks set it apart from the option's
// names), any other line under its own first word. A word longer than a line stands alone.
// Columns are counted in UTF-8 characters.
std::string WrapHelp(std::string_view help, std::size_t width);

} // namespace quorlane::cli
