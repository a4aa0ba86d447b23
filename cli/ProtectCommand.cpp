#include "cli/ProtectCommand.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/Cli.h"
#include "cli/ConsoleHost.h"
#include "core/Utf8.h"
#include "files/FileSystem.h"
#include "run/ProtectionRun.h"

namespace quorlane::cli {

namespace {

std::string pathText(const core::PathString& path)
{
    return core::Utf16ToUtf8(core::TextFromPath(path));
}

core::SaveMode saveModeNamed(const std::string& name)
{
    if (name == "overwrite") {
        return core::SaveMode::Overwrite;
    }
    if (name == "copy") {
        return core::SaveMode::CopyToFolder;
    }
    return core::SaveMode::CreateNew;
}

const char* kindName(PageOutcome::Kind kind)
{
    switch (kind) {
    case PageOutcome::Kind::Protected:
        return "protected";
    case PageOutcome::Kind::Skipped:
        return "skipped";
    case PageOutcome::Kind::Failed:
        break;
    }
    return "failed";
}

void writeListing(std::ostream& out, const run::ResultsTree& results, std::u16string_view status)
{
    for (const run::ResultsTree::Entry& entry : results.entries()) {
        out << pathText(entry.text) << "\n";
        for (const core::PathString& page : entry.pages) {
            out << "    " << pathText(page) << "\n";
        }
    }
    out << TerminalText(status) << "\n";
}

void writeJson(std::ostream& out, const run::ResultsTree& results, const ConsoleHost& host)
{
    nlohmann::ordered_json pages = nlohmann::ordered_json::array();
    std::size_t counts[3] = {0, 0, 0};
    for (const PageOutcome& outcome : host.outcomes()) {
        nlohmann::ordered_json page = {{"page", pathText(outcome.page)},
                                       {"outcome", kindName(outcome.kind)}};
        if (outcome.kind == PageOutcome::Kind::Protected) {
            page["output"] = pathText(outcome.output);
        } else {
            page[outcome.kind == PageOutcome::Kind::Failed ? "message" : "reason"] = outcome.detail;
        }
        pages.push_back(std::move(page));
        ++counts[static_cast<int>(outcome.kind)];
    }
    nlohmann::ordered_json tree = nlohmann::ordered_json::array();
    for (const run::ResultsTree::Entry& entry : results.entries()) {
        if (entry.isFolder) {
            nlohmann::ordered_json folderPages = nlohmann::ordered_json::array();
            for (const core::PathString& page : entry.pages) {
                folderPages.push_back(pathText(page));
            }
            tree.push_back({{"folder", pathText(entry.text)}, {"pages", folderPages}});
        } else {
            tree.push_back({{"page", pathText(entry.text)}});
        }
    }
    const nlohmann::ordered_json document = {
        {"status", core::Utf16ToUtf8(host.status())},
        {"pages", pages},
        {"results", tree},
        {"totals", {{"protected", counts[0]}, {"skipped", counts[1]}, {"failed", counts[2]}}},
    };
    out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

} // namespace

void ProtectCommand::addTo(CLI::App& app)
{
    CLI::App* command = app.add_subcommand(
        "protect", "Protect page files and every .htm/.html page below folders, on disk, as the "
                   "wizard does. Frame pages named by a frameset are protected too.");
    options.addTo(*command);
    command
        ->add_option("--save", save,
                     "Where protected pages go: new (protected_NAME beside each page), overwrite "
                     "(the page itself, with a NAME.bak backup), copy (below --target, the "
                     "folders under each added folder kept)")
        ->check(CLI::IsMember({"new", "overwrite", "copy"}).description(""))
        ->type_name("new|overwrite|copy")
        ->capture_default_str();
    command->add_option("--target", target, "The target folder of --save copy")->type_name("DIR");
    command->add_flag("--no-backups", noBackups, "With --save overwrite: make no .bak backups");
    command->add_flag("--json", json,
                      "Write one JSON document: every page with its outcome, the results, totals");
    command->add_flag("--quiet", quiet, "No listing and no progress bar; failures still shown");
    command->add_option("PATH", paths, "Page files and folders, in the order to protect them")
        ->required()
        ->type_name("");
    command->footer("Exit status: 0 every page protected or already protected, 1 a page failed "
                    "(each failure on standard error), 2 usage error. Ctrl-C stops after the "
                    "current page.");
}

int ProtectCommand::run(std::ostream& out, std::ostream& err, bool errIsTerminal) const
{
    core::ProtectionSettings settings = StartSettings();
    if (const auto refusal = options.apply(settings)) {
        err << "quorlane-cli: " << *refusal << "\n";
        return exitUsage;
    }
    settings.saveMode = saveModeNamed(save);
    settings.makeBackups = !noBackups;
    if (settings.saveMode == core::SaveMode::CopyToFolder) {
        if (target.find_first_not_of(' ') == std::string::npos) {
            err << "quorlane-cli: --save copy needs a --target folder\n";
            return exitUsage;
        }
        settings.saveDir = core::Utf8ToUtf16(target);
    } else if (!target.empty()) {
        err << "quorlane-cli: --target goes with --save copy only\n";
        return exitUsage;
    }

    files::RealFileSystem fileSystem;
    std::vector<run::SelectionEntry> selection;
    for (const std::string& path : paths) {
        selection.push_back({path, fileSystem.isFolder(path)});
    }
    ConsoleHost host(settings, err, errIsTerminal && !quiet && !json);
    CancelOnInterrupt();
    run::ProtectionRun run(host, fileSystem);
    run.RunProtection(selection);

    if (json) {
        writeJson(out, run.results(), host);
    } else if (!quiet) {
        writeListing(out, run.results(), host.status());
    }
    out.flush();
    return host.anyFailed() ? exitPageFailed : exitOk;
}

} // namespace quorlane::cli
