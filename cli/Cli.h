#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace quorlane::cli {

// Exit statuses of quorlane-cli.
enum ExitStatus
{
    exitOk = 0,               // every page protected, or already protected
    exitPageFailed = 1,       // some pages failed, others were protected
    exitUsage = 2,            // bad arguments; nothing was read or written
    exitAlreadyProtected = 3, // transform: the page already carries the marker
    exitWarnings = 4,         // check: findings that are warnings
    exitNothingProtected = 5, // no page could be protected (or another run held the folders)
    exitCancelled = 130,      // stopped by Ctrl-C or SIGTERM after the current page
};

// A usage error: on standard error, and with --json also as {"error": message} on standard
// output, so that a script that reads the document always gets one.
int UsageError(std::ostream& out, std::ostream& err, bool json, const std::string& message);

// What the program knows of the terminal it runs in.
struct Terminal
{
    bool errIsTerminal = false;
    bool inIsTerminal = false;
    std::size_t width = 80; // the columns of the terminal of standard output; 80 when none
};

// Runs quorlane-cli with args (without the program name) on the given streams; a progress bar
// is drawn on err only when it is a terminal. When in is a terminal (the program's standard
// input), --password - asks for the password there without echo. The help is wrapped to the
// terminal's width.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, const Terminal& terminal = {});

} // namespace quorlane::cli
