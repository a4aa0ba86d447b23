#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlane::cli {

// The fewest characters of a password that guessing does not find soon.
inline constexpr std::size_t shortestGoodPassword = 12;

// Warnings, each ending with the name of its rule in brackets, about a password that a guesser
// would find soon: one shorter than 12 characters (not bytes), or a common one. None for a
// good one: the password is taken all the same.
std::vector<std::string> PasswordWarnings(std::string_view password);

// What fewer key-derivation iterations than the default cost: each guess takes that much less
// work, so a password is found that much sooner. Empty for the default or more.
std::string IterationsWarning(std::uint32_t iterations);

} // namespace quorlane::cli
