#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace quorlane::cli {

// Exit statuses of quorlane-cli.
enum ExitStatus
{
    exitOk = 0,
    exitPageFailed = 1,
    exitUsage = 2,
    exitAlreadyProtected = 3,
};

// Runs quorlane-cli with args (without the program name) on the given streams.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err);

} // namespace quorlane::cli
