#pragma once

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace quorlane::cli {

// quorlane-cli restore: a run undone from its manifest.
struct RestoreCommand
{
    std::string manifest;
    bool dryRun = false;
    bool json = false;
    bool wait = false;

    void addTo(CLI::App& app);
    int run(std::ostream& out, std::ostream& err) const;
};

} // namespace quorlane::cli
