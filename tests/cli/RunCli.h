#pragma once

#include <algorithm>
#include <cstdlib>
#include <gmock/gmock.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "cli/Cli.h"
#include "tests/support/TempFolder.h"

using testing::HasSubstr;
using testing::Not;

// quorlane-cli for the tests: run in this process on string streams, or as the real program
// through the shell.
namespace quorlane::test {

struct Outcome
{
    int status;
    std::string out;
    std::string err;
    long errLines() const { return std::count(err.begin(), err.end(), '\n'); }
};

inline Outcome RunCli(const std::vector<std::string>& args, const std::string& input = {})
{
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::Run(args, in, out, err);
    return {status, out.str(), err.str()};
}

// The real quorlane-cli, its output and errors caught in files of a fresh folder.
class CliProcess
{
public:
    // Gives the exit status; arguments are passed to the shell as they stand. The tool starts in
    // folder when one is given.
    int run(const std::string& arguments, const std::string& folder = {}) const
    {
        const std::string command = (folder.empty() ? "" : "cd '" + folder + "' && ") +
                                    std::string(QUORLANE_CLI_PATH) + " " + arguments + " >" +
                                    (m_folder.path() / "out").string() + " 2>" +
                                    (m_folder.path() / "err").string();
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string out() const { return m_folder.read("out"); }
    std::string err() const { return m_folder.read("err"); }

private:
    TempFolder m_folder;
};

// A path quoted for the shell.
inline std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

} // namespace quorlane::test
