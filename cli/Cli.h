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

// Runs quorlane-cli with args (without the program name) on the given streams; a progress bar
// is drawn on err only when it is a terminal. When in is a terminal (the program's standard
// input), --password - asks for the password there without echo.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, bool errIsTerminal = false, bool inIsTerminal = false);

} // namespace quorlane::cli
