#include "cli/PasswordAdvice.h"

#include <algorithm>

#include "cli/CommonPasswords.h"
#include "core/ProtectionSettings.h"

namespace quorlane::cli {

namespace {

std::size_t characters(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }));
}

// A ratio as a person says it: a whole number, or with one decimal when under ten.
std::string times(double ratio)
{
    const long tenths = static_cast<long>(ratio * 10 + 0.5);
    if (tenths >= 100 || tenths % 10 == 0) {
        return std::to_string((tenths + 5) / 10);
    }
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

} // namespace

std::vector<std::string> PasswordWarnings(std::string_view password)
{
    std::vector<std::string> warnings;
    const std::size_t length = characters(password);
    if (length < shortestGoodPassword) {
        warnings.push_back("the password has " + std::to_string(length) +
                           (length == 1 ? " character" : " characters") + ", fewer than " +
                           std::to_string(shortestGoodPassword) +
                           ": trying every password so short finds it soon [short-password]");
    }
    if (IsCommonPassword(password)) {
        warnings.push_back("the password is one of the most common ones, which guessers try "
                           "first [common-password]");
    }
    return warnings;
}

std::string IterationsWarning(std::uint32_t iterations)
{
    if (iterations >= core::defaultKdfIterations) {
        return {};
    }
    const double ratio = static_cast<double>(core::defaultKdfIterations) / iterations;
    return "--kdf-iterations " + std::to_string(iterations) + " is below the default " +
           std::to_string(core::defaultKdfIterations) + ": each guess at the password takes " +
           times(ratio) + " times less work, so a guesser finds it " + times(ratio) +
           " times sooner [few-kdf-iterations]";
}

} // namespace quorlane::cli
