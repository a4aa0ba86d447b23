#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/SettingsOptions.h"

namespace quorlane::cli {

// quorlane-cli protect: page files and folders protected on disk, as the wizard does it.
struct ProtectCommand
{
    SettingsOptions options;
    std::string save = "new";
    std::string target;
    bool noBackups = false;
    bool json = false;
    bool quiet = false;
    bool wait = false;
    std::vector<std::string> paths;

    void addTo(CLI::App& app);
    int run(std::ostream& out, std::ostream& err, bool errIsTerminal) const;
};

} // namespace quorlane::cli
