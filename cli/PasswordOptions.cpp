#include "cli/PasswordOptions.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>

#include "cli/ArgumentPath.h"
#include "cli/EnvironmentValue.h"
#include "run/SettingVocabulary.h"

namespace quorlane::cli {

namespace {

// The first line of in, without its line break (and without a UTF-8 byte order mark).
std::optional<std::string> firstLine(std::istream& in)
{
    std::string line;
    if (!std::getline(in, line) && line.empty()) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) {
        line.erase(0, 3);
    }
    return line;
}

std::optional<std::string> fromTerminal(Console& console)
{
    if (!console.readHidden) {
        return std::nullopt;
    }
    const std::optional<std::string> first = console.readHidden("Password: ");
    if (!first || first->empty()) {
        return first;
    }
    // A typing error here would lock the pages for good: the password is asked twice.
    const std::optional<std::string> again = console.readHidden("Password again: ");
    if (!again || *again != *first) {
        return std::nullopt;
    }
    return first;
}

} // namespace

void PasswordOptions::addTo(CLI::App& command)
{
    command
        .add_option("--password-file", file,
                    "Ask for the password on the first line of FILE before showing a page")
        ->type_name("FILE");
    command
        .add_option("--password-env", variable,
                    "Ask for the password held by the environment variable NAME")
        ->type_name("NAME");
    command.add_flag(run::WordOf(run::SettingOption::Encrypt).cliName, encrypt,
                     "Encrypt the hidden part with the password (AES-256-GCM under a key made "
                     "from it by PBKDF2-HMAC-SHA256): the page source holds neither the password "
                     "nor the hidden markup");
    command
        .add_option("--kdf-iterations", kdfIterations,
                    "With --encrypt: the PBKDF2 iteration count (default 600000, at least "
                    "100000); each visitor's browser pays it once per visit")
        ->type_name("N");
    command.add_flag("--no-remember", noRemember,
                     "With --encrypt: ask for the password on every page, not once per visit");
    unlockForm.addTo(command);
}

std::optional<std::string> PasswordOptions::readPassword(std::optional<std::string>& password,
                                                         Console& console,
                                                         bool pageOnStandardInput) const
{
    if ((password ? 1 : 0) + (file ? 1 : 0) + (variable ? 1 : 0) > 1) {
        return "give the password one way only: --password, --password-file or --password-env";
    }
    if (file) {
        std::ifstream in(std::filesystem::path(ArgumentPath(*file)), std::ios::binary);
        std::optional<std::string> line = in ? firstLine(in) : std::nullopt;
        if (!in.is_open()) {
            return "cannot read the password file " + *file + ": " + std::strerror(errno);
        }
        if (!line || line->empty()) {
            return "the password file " + *file + " holds no password on its first line";
        }
        password = std::move(line);
    } else if (variable) {
        std::optional<std::string> value = EnvironmentValue(*variable);
        if (!value) {
            return "the environment variable " + *variable + " of --password-env is not set";
        }
        password = std::move(value);
    } else if (password && *password == "-") {
        if (pageOnStandardInput) {
            return "--password - reads standard input, which already gives the page: name the "
                   "page file";
        }
        password = console.inIsTerminal ? fromTerminal(console) : firstLine(console.in);
        if (!password || password->empty()) {
            return console.inIsTerminal ? "no password was typed, or the two did not match"
                                        : "standard input holds no password on its first line";
        }
    }
    return std::nullopt;
}

bool PasswordOptions::givenInArguments(const std::optional<std::string>& password) const
{
    return password && *password != "-" && !file && !variable;
}

std::optional<std::string> PasswordOptions::apply(core::ProtectionSettings& settings) const
{
    // A project may have turned the encryption on already.
    if (!encrypt && !(settings.passwordProtect && settings.encryptHiddenPart)) {
        if (kdfIterations || noRemember || unlockForm.given()) {
            return (kdfIterations ? std::string("--kdf-iterations")
                    : noRemember  ? std::string("--no-remember")
                                  : unlockForm.firstGiven()) +
                   " goes with --encrypt only";
        }
        return std::nullopt;
    }
    if (!settings.passwordProtect) {
        return "--encrypt needs a password (--password, --password-file or --password-env)";
    }
    const std::uint32_t iterations = kdfIterations.value_or(settings.kdfIterations);
    if (iterations < core::minimumKdfIterations || iterations > core::maximumKdfIterations) {
        return "--kdf-iterations must lie between " + std::to_string(core::minimumKdfIterations) +
               " and " + std::to_string(core::maximumKdfIterations);
    }
    settings.encryptHiddenPart = true;
    settings.kdfIterations = iterations;
    settings.rememberUnlock = settings.rememberUnlock && !noRemember;
    return unlockForm.apply(settings);
}

} // namespace quorlane::cli
