#pragma once

#include <algorithm>
#include <cstdlib>
#include <gmock/gmock.h>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "cli/Cli.h"
#include "core/Utf8.h"
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

// A path quoted for the shell (cmd.exe on Windows).
inline std::string Quoted(const std::string& path)
{
#ifdef _WIN32
    return "\"" + path + "\"";
#else
    return "'" + path + "'";
#endif
}

// A path quoted for the shell, as UTF-8.
inline std::string Quoted(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return Quoted(std::string(text.begin(), text.end()));
}

// The real quorlane-cli, its output and errors caught in files of a fresh folder.
class CliProcess
{
public:
    // Gives the exit status; arguments are passed to the shell as they stand. The tool starts in
    // folder when one is given.
    int run(const std::string& arguments, const fs::path& folder = {}) const
    {
#ifdef _WIN32
        // cmd.exe: the command line is UTF-8 here, and goes to the system wide.
        const std::string command = (folder.empty() ? "" : "cd /d " + Quoted(folder) + " && ") +
                                    Quoted(std::string(QUORLANE_CLI_PATH)) + " " + arguments +
                                    " >" + Quoted((m_folder.path() / "out").string()) + " 2>" +
                                    Quoted((m_folder.path() / "err").string());
        return _wsystem(core::PathFromText(core::Utf8ToUtf16("\"" + command + "\"")).c_str());
#else
        const std::string command = (folder.empty() ? "" : "cd '" + folder.string() + "' && ") +
                                    std::string(QUORLANE_CLI_PATH) + " " + arguments + " >" +
                                    (m_folder.path() / "out").string() + " 2>" +
                                    (m_folder.path() / "err").string();
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    }
    std::string out() const
    {
        return m_folder.read("out");
    }
    std::string err() const
    {
        return m_folder.read("err");
    }

private:
    TempFolder m_folder;
};

} // namespace quorlane::test
