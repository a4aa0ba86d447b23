#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/PasswordOptions.h"
#include "core/ProtectionSettings.h"

namespace CLI {
class App;
}

namespace quorlane::cli {

// The protection choices that protect and transform share, as given on the command line.
struct SettingsOptions
{
    std::optional<std::string> mode;
    std::vector<std::string> enabled;
    std::vector<std::string> disabled; // --disable: switches off, over a project's and --enable
    std::optional<std::string> warning;
    std::optional<std::string> domainLock;
    std::optional<std::string> urlLock;
    std::optional<std::string> password;
    std::optional<std::string> notice;
    PasswordOptions passwordSource;

    // Declares the options on a (sub)command.
    void addTo(CLI::App& command);

    // The settings these options make over those given (the defaults, or a project's): only
    // what is given changes, --enable adds to the switches and --disable takes from them. Gives an
    // error message instead for a lock or warning text that could break out of the page script, or
    // a notice that could end its comment.
    std::optional<std::string> apply(core::ProtectionSettings& settings) const;
};

// The names --enable takes, in the order of the switches.
const std::vector<std::string>& SwitchNames();

// The mode of a name that --mode or --save took.
core::ProtectMode ProtectModeNamed(const std::string& name);
core::SaveMode SaveModeNamed(const std::string& name);

// The settings of a fresh start, for this year; the command line has no target folder of its
// own (--save copy names one).
core::ProtectionSettings StartSettings();

} // namespace quorlane::cli
