#include "cli/UsageMessage.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace quorlane::cli {

namespace {

std::string listed(const std::vector<std::string>& names, const char* last)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? last : ", ") + names[i];
    }
    return text;
}

// What is wrong when no command was found: the first argument, or that there is none.
std::string withoutCommand(const std::vector<std::string>& args,
                           const std::vector<std::string>& commands)
{
    const auto first =
        std::find_if(args.begin(), args.end(), [](const std::string& arg) { return arg != "--"; });
    if (first == args.end()) {
        return "name a command: " + listed(commands, " or ");
    }
    if (first->starts_with("-")) {
        return "unknown option " + *first + "; options go after the command";
    }
    return "unknown command " + *first + "; the commands are " + listed(commands, " and ");
}

// The arguments that an error of extra arguments lists after its colon: an option among them is
// named first, as the likeliest slip.
std::string notExpected(const std::string& what)
{
    const std::size_t colon = what.find(": ");
    const std::string extras = colon == std::string::npos ? what : what.substr(colon + 2);
    std::size_t option = extras.starts_with("-") ? 0 : extras.find(" -");
    if (option == std::string::npos) {
        return "unexpected argument " + extras;
    }
    option += extras[option] == ' ' ? 1 : 0;
    return "unknown option " + extras.substr(option, extras.find(' ', option) - option);
}

// "--jobs: 1 required N missing" says that the option was given no value.
std::string missingValue(const std::string& what)
{
    const std::size_t colon = what.find(": ");
    if (colon == std::string::npos || !what.starts_with("-")) {
        return what;
    }
    return what.substr(0, colon) + " needs a value";
}

} // namespace

std::string CommandOf(const std::vector<std::string>& args,
                      const std::vector<std::string>& commands)
{
    const auto first = std::find_if(args.begin(), args.end(),
                                    [](const std::string& arg) { return !arg.starts_with("-"); });
    if (first == args.end() ||
        std::find(commands.begin(), commands.end(), *first) == commands.end()) {
        return {};
    }
    return *first;
}

std::string UsageMessage(const CLI::ParseError& error, const std::vector<std::string>& args,
                         const std::vector<std::string>& commands)
{
    const std::string command = CommandOf(args, commands);
    std::string message = error.what();
    if (command.empty() || args.front().starts_with("-")) {
        // The program itself takes no option but those of its help and version.
        message = withoutCommand(args, commands);
    } else if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        message = notExpected(message);
    } else if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        message = missingValue(message);
    }
    const std::string help =
        command.empty() ? "quorlane-cli --help" : "quorlane-cli " + command + " --help";
    return message + " (see " + help + ")";
}

} // namespace quorlane::cli
