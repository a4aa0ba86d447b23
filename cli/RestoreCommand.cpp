#include "cli/RestoreCommand.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/ArgumentPath.h"
#include "cli/Cli.h"
#include "cli/ConsoleHost.h"
#include "cli/ShownPath.h"
#include "core/Utf8.h"
#include "files/FileSystem.h"
#include "run/ManifestFields.h"
#include "run/Restore.h"
#include "wording/EndWording.h"
#include "wording/RunWording.h"

namespace quorlane::cli {

namespace {

using Action = run::RestoreStep::Action;

// A path as the user would type it, in its own bytes.
std::string shown(const core::PathString& path)
{
#ifdef _WIN32
    return core::Utf16ToUtf8(core::TextFromPath(ShownPath(path)));
#else
    return ShownPath(path);
#endif
}

// The action's name in the JSON document.
const char* actionName(Action action)
{
    switch (action) {
    case Action::PutBack:
        return "put-back";
    case Action::Removed:
        return "removed";
    case Action::BackupRemoved:
        return "backup-removed";
    case Action::FolderRemoved:
        return "folder-removed";
    case Action::AlreadyUndone:
        return "already-undone";
    case Action::ManifestRemoved:
        return "manifest-removed";
    case Action::ChangedSinceRun:
        return "changed-since-run";
    case Action::NoBackup:
        return "no-backup";
    case Action::BackupChanged:
        return "backup-changed";
    case Action::ReplacedEarlierFile:
        return "replaced-earlier-file";
    case Action::FolderNotEmpty:
        return "folder-not-empty";
    case Action::Missing:
        return "missing";
    case Action::Failed:
        break;
    }
    return "failed";
}

// One line for a step, as done or (dryRun) as it would be done.
std::string lineFor(const run::RestoreStep& step, bool dryRun)
{
    const std::string path = shown(step.path);
    const auto done = [&](const std::string& verb, const std::string& rest) {
        return (dryRun ? "would " + verb : verb + (verb.ends_with('e') ? "d" : "ed")) + " " + rest;
    };
    switch (step.action) {
    case Action::PutBack:
        return dryRun ? "would put back " + path + " from " + shown(step.backup)
                      : "put back " + path + " from " + shown(step.backup);
    case Action::Removed:
        return done("remove", path);
    case Action::BackupRemoved:
        return done("remove", "the backup " + shown(step.backup) + " of " + path +
                                  ", which the run did not replace");
    case Action::FolderRemoved:
        return done("remove", "folder " + path);
    case Action::ManifestRemoved:
        return done("remove", "the record of the run " + path);
    case Action::AlreadyUndone:
        return "already as before the run: " + path;
    case Action::ChangedSinceRun:
        return "left as it is: " + path + " was changed after the run";
    case Action::NoBackup:
        return "cannot put back " + path + ": the run overwrote it without a backup (--no-backups)";
    case Action::BackupChanged:
        return "cannot put back " + path + ": its backup " + shown(step.backup) +
               " is missing or was changed";
    case Action::ReplacedEarlierFile:
        return "left as it is: " + path +
               " replaced a file that was there before the run, and no backup keeps that one";
    case Action::FolderNotEmpty:
        return "kept folder " + path + ": other files are in it now";
    case Action::Missing:
        return "cannot undo " + path + ": it is not there (moved or removed since the run)";
    case Action::Failed:
        break;
    }
    return "could not undo " + path + ": " + (step.error ? step.error->text : "failed");
}

nlohmann::ordered_json stepJson(const run::RestoreStep& step, bool dryRun)
{
    nlohmann::ordered_json json = {{"action", actionName(step.action)}};
    run::manifest::putPath(json, "path", ShownPath(step.path));
    if (!step.backup.empty()) {
        run::manifest::putPath(json, "backup", ShownPath(step.backup));
    }
    json["left"] = run::LeavesSomething(step.action);
    json["message"] = lineFor(step, dryRun);
    return json;
}

} // namespace

void RestoreCommand::addTo(CLI::App& app)
{
    CLI::App* command = app.add_subcommand(
        "restore", "Undo a run from its manifest (.quorlane-run-*.json, named at the end of "
                   "protect): overwritten pages are put back from their backups, and the files "
                   "and folders the run created are removed. A file changed since the run is "
                   "left alone. An undo that was stopped can be run again.");
    command->add_flag("-n,--dry-run", dryRun, "Only list what would be done; change nothing");
    command->add_flag("--json", json,
                      "Write one JSON document: every step with its path, whether it leaves "
                      "something of the run in place, and how the undo ended");
    command->add_flag("--wait", wait,
                      "When a run or another restore is at work on the record's folder, wait "
                      "for it to finish rather than stop");
    command->add_option("MANIFEST", manifest, "The manifest of the run")->required()->type_name("");
    command->footer("Exit status: 0 the run is undone, 1 some files were left as they are "
                    "(each one listed), 2 usage error or a manifest that cannot be read or is "
                    "refused (nothing is touched then), 5 another run is at work there.");
}

int RestoreCommand::run(std::ostream& out, std::ostream& err) const
{
    files::RealFileSystem fileSystem;
    const run::RestoreReport report =
        run::RestoreRun(fileSystem, ArgumentPath(manifest), dryRun, wait);
    if (report.busy) {
        const std::string message = TerminalText(wording::UndoBusyText(*report.busy, true));
        UsageError(out, err, json, message);
        return exitNothingProtected;
    }
    if (report.refusal) {
        return UsageError(out, err, json,
                          manifest + ": " + wording::ManifestProblemText(*report.refusal));
    }
    bool noBackups = false;
    nlohmann::ordered_json steps = nlohmann::ordered_json::array();
    for (const run::RestoreStep& step : report.steps) {
        const std::string line = lineFor(step, dryRun);
        if (json) {
            steps.push_back(stepJson(step, dryRun));
        }
        if (!json || run::LeavesSomething(step.action)) {
            (run::LeavesSomething(step.action) ? err : out) << line << "\n";
        }
        noBackups = noBackups || step.action == Action::NoBackup;
    }
    if (noBackups) {
        err << "quorlane-cli: this run overwrote its pages without backups (--no-backups), so "
               "they cannot be put back\n";
    }
    const std::string status =
        report.complete ? (dryRun ? "The run would be undone" : "The run is undone")
                        : (dryRun ? "Some of the run would be left as it is; the record of the run "
                                    "would be kept"
                                  : "Some of the run was left as it is; the record of the run is "
                                    "kept");
    if (json) {
        const nlohmann::ordered_json document = {
            {"status", status},
            {"outcome", report.complete ? "ok" : "partial"},
            {"dry_run", dryRun},
            {"steps", steps},
        };
        out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
            << "\n";
    } else {
        out << status << "\n";
    }
    out.flush();
    return report.complete ? exitOk : exitPageFailed;
}

} // namespace quorlane::cli
