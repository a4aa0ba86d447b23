#pragma once

#include <string>
#include <vector>

namespace CLI {
class ParseError;
}

namespace quorlane::cli {

// The command args name: the first argument that is not an option, when it is one of the
// program's commands; empty otherwise.
std::string CommandOf(const std::vector<std::string>& args,
                      const std::vector<std::string>& commands);

// The message of a usage error that the parser found in args: it names the argument at fault and
// ends by pointing to the help of the command it was given to, or the program's.
std::string UsageMessage(const CLI::ParseError& error, const std::vector<std::string>& args,
                         const std::vector<std::string>& commands);

} // namespace quorlane::cli
