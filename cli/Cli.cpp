#include "cli/Cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/HelpText.h"
#include "cli/PasswordAdvice.h"
#include "cli/PathList.h"
#include "cli/ProtectCommand.h"
#include "cli/RestoreCommand.h"
#include "cli/TransformCommand.h"
#include "cli/UsageMessage.h"

namespace quorlane::cli {

int UsageError(std::ostream& out, std::ostream& err, bool json, const std::string& message)
{
    err << "quorlane-cli: " << message << "\n";
    if (json) {
        const nlohmann::ordered_json document = {{"outcome", "failed"}, {"error", message}};
        out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        out.flush();
    }
    return exitUsage;
}

namespace {

// The help that the parser gives (of the commands parsed, or the program's), wrapped.
std::string helpOf(const CLI::App& app, std::size_t width)
{
    std::string help;
    for (const CLI::App* sub : app.get_subcommands()) {
        help += sub->help();
    }
    return WrapHelp(help.empty() ? app.help() : help, width);
}

// The paths of --files-from after those given as arguments.
std::optional<std::string> addFilesFrom(ProtectCommand& command, std::istream& in)
{
    if (command.nulSeparated && command.filesFrom.empty()) {
        return "-0 goes with --files-from";
    }
    if (command.filesFrom == "-" && command.options.password == "-") {
        return "--files-from - and --password - both read standard input: give one of them a "
               "file";
    }
    if (command.filesFrom.empty()) {
        return std::nullopt;
    }
    return AddListedPaths(command.filesFrom, command.nulSeparated, in, command.paths);
}

// Warnings about a password that is taken, but that others could see or guess soon.
void warnAboutPassword(const SettingsOptions& options, bool inArguments, std::ostream& err)
{
    if (inArguments) {
        err << "quorlane-cli: warning: other users of this machine can see a password given as "
               "--password PW; --password-file, --password-env or --password - keep it out of "
               "sight\n";
    }
    if (!options.password) {
        return;
    }
    for (const std::string& warning : PasswordWarnings(*options.password)) {
        err << "quorlane-cli: warning: " << warning << "\n";
    }
    const std::string iterations = IterationsWarning(
        options.passwordSource.kdfIterations.value_or(core::defaultKdfIterations));
    if (!iterations.empty()) {
        err << "quorlane-cli: warning: " << iterations << "\n";
    }
}

} // namespace

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, const Terminal& terminal)
{
    const bool errIsTerminal = terminal.errIsTerminal;
    const bool inIsTerminal = terminal.inIsTerminal;
    CLI::App app("Quorlane protects web pages against copying: the chosen part of each page is "
                 "hidden from view-source behind small scripts that write it back while the "
                 "page loads.",
                 "quorlane-cli");
    app.require_subcommand(1);
    // Given twice, an option that takes one value takes the last, so that a later argument
    // overrides one that a script or an alias put before it. Lists (--enable, --exclude, PATH)
    // keep every value.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    // Options begin with "-" on every system: on Windows "/site/page.html" is a path (on the
    // current drive), never an option, as the parser would otherwise take it there.
    app.allow_windows_style_options(false);
    // Wide enough that the longest option name stands apart from its description.
    app.get_formatter()->column_width(32);
    app.set_help_all_flag("--help-all",
                          "Print this help message and that of every command, and exit");
    app.set_version_flag("-V,--version", std::string("quorlane-cli ") + QUORLANE_VERSION,
                         "Print the version and exit");
    ProtectCommand protect;
    protect.addTo(app);
    ProtectCommand check;
    check.checkOnly = true;
    check.addTo(app);
    TransformCommand transform;
    transform.addTo(app);
    RestoreCommand restore;
    restore.addTo(app);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << WrapHelp(app.help(), terminal.width);
        return exitOk;
    } catch (const CLI::CallForAllHelp&) {
        out << WrapHelp(app.help("", CLI::AppFormatMode::All), terminal.width);
        return exitOk;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << '\n';
        return exitOk;
    } catch (const CLI::ParseError& e) {
        // Help asked of a subcommand comes through here too.
        if (e.get_exit_code() == 0) {
            out << helpOf(app, terminal.width);
            return exitOk;
        }
        // Asked for JSON anywhere before a "--": the document of an error, then.
        const auto end = std::find(args.begin(), args.end(), "--");
        const bool json = std::find(args.begin(), end, "--json") != end;
        return UsageError(out, err, json,
                          UsageMessage(e, args, {"protect", "check", "transform", "restore"}));
    }
    const bool protecting = app.got_subcommand("protect");
    const bool checking = app.got_subcommand("check");
    SettingsOptions& options = protecting ? protect.options
                               : checking ? check.options
                                          : transform.options;
    ProtectCommand& command = protecting ? protect : check;
    if (protecting || checking) {
        if (const auto refusal = addFilesFrom(command, in)) {
            return UsageError(out, err, command.json, *refusal);
        }
    }
    const bool pageOnStandardInput =
        !protecting && !checking && (transform.file.empty() || transform.file == "-");
    Console console{in, inIsTerminal, inIsTerminal ? ReadHiddenLine : nullptr};
    const bool passwordInArguments = options.passwordSource.givenInArguments(options.password);
    if (const auto refusal =
            options.passwordSource.readPassword(options.password, console, pageOnStandardInput)) {
        err << "quorlane-cli: " << *refusal << "\n";
        return exitUsage;
    }
    core::ProtectionSettings accepted = StartSettings();
    if (!options.apply(accepted)) {
        warnAboutPassword(options, passwordInArguments, err);
    }
    if (protecting) {
        return protect.run(out, err, errIsTerminal);
    }
    if (checking) {
        return check.run(out, err, errIsTerminal);
    }
    if (app.got_subcommand("restore")) {
        return restore.run(out, err);
    }
    return transform.run(in, out, err);
}

} // namespace quorlane::cli
