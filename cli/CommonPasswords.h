#pragma once

#include <string_view>

namespace quorlane::cli {

// Whether password, ignoring the case of ASCII letters, is one of the passwords that people
// choose most often, which guessers try first.
bool IsCommonPassword(std::string_view password);

} // namespace quorlane::cli
