#pragma once

#include <iosfwd>
#include <string>

#include "cli/SettingsOptions.h"

namespace quorlane::cli {

// quorlane-cli transform: one page from a file or standard input to standard output.
struct TransformCommand
{
    SettingsOptions options;
    std::string file; // empty or "-" for standard input

    void addTo(CLI::App& app);
    int run(std::istream& in, std::ostream& out, std::ostream& err) const;
};

} // namespace quorlane::cli
