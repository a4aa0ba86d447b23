#pragma once

#include <iosfwd>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "cli/SettingsOptions.h"
#include "run/ProtectionRun.h"

namespace quorlane::cli {

// quorlane-cli protect: page files and folders protected on disk, as the wizard does it. With
// checkOnly, quorlane-cli check: the same pages and options, looked at, nothing written.
struct ProtectCommand
{
    bool checkOnly = false;
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

private:
    int check(std::ostream& out, std::ostream& err, const core::ProtectionSettings& settings,
              const std::vector<run::SelectionEntry>& selection) const;
};

// A finding in the JSON documents of protect and check.
nlohmann::ordered_json FindingJson(const core::Finding& finding);

} // namespace quorlane::cli
