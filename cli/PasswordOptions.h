#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "cli/UnlockFormOptions.h"
#include "core/ProtectionSettings.h"

namespace CLI {
class App;
}

namespace quorlane::cli {

// Where quorlane-cli reads what a person types: standard input, whether it is a terminal, and
// how a line is read from that terminal without echo.
struct Console
{
    std::istream& in;
    bool inIsTerminal = false;
    std::function<std::optional<std::string>(const char* prompt)> readHidden;
};

// The ways to give the password besides --password, and the encrypted lock that needs it.
struct PasswordOptions
{
    std::optional<std::string> file;
    std::optional<std::string> variable;
    bool encrypt = false;
    std::optional<std::uint32_t> kdfIterations;
    bool noRemember = false;
    UnlockFormOptions unlockForm;

    // Declares the options on a (sub)command, which declares --password itself.
    void addTo(CLI::App& command);

    // Puts the password from its source into password: the first line of the file, the
    // environment variable, or standard input for "-". Gives an error message instead when it
    // cannot be read. pageOnStandardInput: standard input already gives the page.
    std::optional<std::string> readPassword(std::optional<std::string>& password, Console& console,
                                            bool pageOnStandardInput) const;

    // Whether password (as parsed, before readPassword) is the text of --password itself, which
    // other users of the machine can see in the process list.
    bool givenInArguments(const std::optional<std::string>& password) const;

    // The encryption settings; an error message when they do not fit together.
    std::optional<std::string> apply(core::ProtectionSettings& settings) const;
};

// Reads one line from the terminal behind standard input without showing what is typed, after
// writing prompt to standard error. Nothing when no line could be read.
std::optional<std::string> ReadHiddenLine(const char* prompt);

} // namespace quorlane::cli
