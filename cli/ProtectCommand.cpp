#include "cli/ProtectCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>
#include <ostream>
#include <variant>

#include "cli/ArgumentPath.h"
#include "cli/Cli.h"
#include "cli/ConsoleHost.h"
#include "cli/DryRun.h"
#include "cli/FindingText.h"
#include "cli/ShownPath.h"
#include "core/Utf8.h"
#include "files/FileSystem.h"
#include "run/ManifestFields.h"
#include "run/ProjectFile.h"
#include "run/ProtectionRun.h"
#include "run/SettingVocabulary.h"
#include "wording/Counted.h"
#include "wording/EndWording.h"
#include "wording/RunWording.h"

namespace quorlane::cli {

namespace {

// A path as the listing shows it: as the user would type it, in its own bytes, so that a script
// can use each line as it is.
std::string listingText(const core::PathString& path)
{
    const core::PathString shown = ShownPath(path);
#ifdef _WIN32
    return core::Utf16ToUtf8(core::TextFromPath(shown));
#else
    return shown;
#endif
}

// A path in the JSON document, under key, as the user would type it and as the run's record
// writes it: as text, with U+FFFD where its bytes are not UTF-8; then, and only then, its bytes
// as well under key + "_bytes".
void putPath(nlohmann::ordered_json& object, const std::string& key, const core::PathString& path)
{
    run::manifest::putPath(object, key, ShownPath(path));
}

nlohmann::ordered_json pathObject(const std::string& key, const core::PathString& path)
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    putPath(object, key, path);
    return object;
}

// A page of a folder of the results: below the folder's path.
core::PathString pageBelow(const run::ResultsTree::Entry& folder, const core::PathString& page)
{
    return core::FileRecord{folder.text, page}.fullPath();
}

std::string optionName(run::SettingOption option)
{
    return run::WordOf(option).cliName;
}

// The names --save takes, the default first: "new|overwrite|copy".
std::string saveModeNames()
{
    const core::SaveMode first = core::ProtectionSettings{}.saveMode;
    std::string names = run::WordOf(first).cliName;
    for (const run::SettingWord* word : run::WordsOf(run::SettingWord::Kind::SaveMode)) {
        if (word->value != static_cast<int>(first)) {
            names += std::string("|") + word->cliName;
        }
    }
    return names;
}

const char* kindName(PageReport::Kind kind)
{
    switch (kind) {
    case PageReport::Kind::Protected:
        return "protected";
    case PageReport::Kind::Skipped:
        return "skipped";
    case PageReport::Kind::Failed:
        break;
    }
    return "failed";
}

// The last line of the report.
std::u16string finalStatus(const ConsoleHost& host, const run::RunSummary& summary)
{
    return wording::FinalStatus(
        summary, {host.count(PageReport::Kind::Failed), host.alreadyProtected()}, host.status());
}

void writeListing(std::ostream& out, const run::ResultsTree& results, std::u16string_view status,
                  std::size_t copied, const run::RunSummary& summary)
{
    const core::PathString& manifest = summary.manifest;
    for (const run::ResultsTree::Entry& entry : results.entries()) {
        out << listingText(entry.text) << "\n";
        for (const core::PathString& page : entry.pages) {
            out << "    " << listingText(pageBelow(entry, page)) << "\n";
        }
    }
    out << TerminalText(status) << "\n";
    if (copied > 0) {
        out << TerminalText(wording::Counted(copied, wording::copiedFiles)) << "\n";
    }
    if (!manifest.empty()) {
        out << "Manifest (quorlane-cli restore undoes the run): " << listingText(manifest) << "\n";
    }
    if (summary.backupsInSite > 0) {
        out << BackupsInSiteText(summary.backupsInSite) << "\n";
    }
}

// The folders and frame pages outside the site: each with its path, why ("link-leaves-site",
// "system-folder", "frame-leaves-site") and, for a link, where it leads.
nlohmann::ordered_json passedOverJson(const std::vector<run::RunNotice>& notices)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const run::RunNotice& notice : notices) {
        nlohmann::ordered_json entry = pathObject("path", notice.path);
        switch (notice.kind) {
        case run::RunNotice::Kind::SystemFolder:
            entry["reason"] = "system-folder";
            break;
        case run::RunNotice::Kind::PageLeavesSite:
            entry["reason"] = "page-leaves-site";
            putPath(entry, "target", notice.target);
            break;
        case run::RunNotice::Kind::FrameLeavesSite:
            entry["reason"] = "frame-leaves-site";
            putPath(entry, "site", notice.target);
            break;
        default:
            entry["reason"] = "link-leaves-site";
            putPath(entry, "target", notice.target);
            break;
        }
        entry["message"] = TerminalText(wording::NoticeMessage(notice).value().text);
        list.push_back(std::move(entry));
    }
    return list;
}

// How the run ended, for scripts: "ok", "partial" (some pages failed), "failed" (none could be
// protected) or "cancelled".
const char* outcomeName(int status)
{
    switch (status) {
    case exitOk:
        return "ok";
    case exitPageFailed:
        return "partial";
    case exitCancelled:
        return "cancelled";
    default:
        break;
    }
    return "failed";
}

void writeJson(std::ostream& out, const run::ResultsTree& results, const ConsoleHost& host,
               const run::RunSummary& summary, int status)
{
    nlohmann::ordered_json pages = nlohmann::ordered_json::array();
    for (const PageReport& outcome : host.outcomes()) {
        nlohmann::ordered_json page = pathObject(outcome.folder ? "folder" : "page", outcome.page);
        page["outcome"] = kindName(outcome.kind);
        if (outcome.kind == PageReport::Kind::Protected) {
            putPath(page, "output", outcome.output);
        } else {
            page[outcome.kind == PageReport::Kind::Failed ? "message" : "reason"] = outcome.detail;
        }
        if (!outcome.folder && !host.findingsOf(outcome.page).empty()) {
            page["findings"] = FindingsJson(outcome.page, host.findingsOf(outcome.page));
        }
        pages.push_back(std::move(page));
    }
    nlohmann::ordered_json tree = nlohmann::ordered_json::array();
    for (const run::ResultsTree::Entry& entry : results.entries()) {
        if (entry.isFolder) {
            nlohmann::ordered_json folderPages = nlohmann::ordered_json::array();
            for (const core::PathString& page : entry.pages) {
                folderPages.push_back(pathObject("page", pageBelow(entry, page)));
            }
            nlohmann::ordered_json folder = pathObject("folder", entry.text);
            folder["pages"] = folderPages;
            tree.push_back(std::move(folder));
        } else {
            tree.push_back(pathObject("page", entry.text));
        }
    }
    const nlohmann::ordered_json runFindings = FindingsJson({}, host.findingsOf({}));
    nlohmann::ordered_json document = {
        {"status", TerminalText(finalStatus(host, summary))},
        {"outcome", outcomeName(status)},
        {"cancelled", summary.cancelled},
        {"pages", pages},
        {"passed_over", passedOverJson(host.passedOver())},
        {"findings", runFindings},
        {"results", tree},
        {"totals",
         {{"protected", host.count(PageReport::Kind::Protected)},
          {"skipped", host.count(PageReport::Kind::Skipped)},
          {"failed", host.count(PageReport::Kind::Failed)},
          {"copied", host.copied()}}},
    };
    document["hidden_text_published"] = LeaksJson(summary.leaks);
    if (summary.manifest.empty()) {
        document["manifest"] = nullptr;
    } else {
        putPath(document, "manifest", summary.manifest);
    }
    document["backups_in_site"] = summary.backupsInSite;
    if (summary.backupsInSite > 0) {
        document["backups_warning"] = BackupsInSiteText(summary.backupsInSite);
    }
    out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

int exitStatus(const ConsoleHost& host, const run::RunSummary& summary,
               const core::ProtectionSettings& settings)
{
    if (summary.cancelled) {
        return exitCancelled;
    }
    if (summary.refusal) {
        return exitNothingProtected; // another run kept this one out
    }
    // An encrypted run that published, or would have, what its pages hide did not do its job.
    const bool leaked =
        settings.passwordProtect && settings.encryptHiddenPart && !summary.leaks.empty();
    if (host.count(PageReport::Kind::Failed) == 0 && !summary.recordFailed && !leaked) {
        return exitOk;
    }
    const bool anyGood = host.count(PageReport::Kind::Protected) > 0 || host.alreadyProtected() > 0;
    return anyGood ? exitPageFailed : exitNothingProtected;
}

// The number of --jobs, or why it is not one; the machine's threads when none is given.
std::variant<unsigned, std::string> JobCount(const std::optional<std::string>& given)
{
    if (!given) {
        return run::ProtectionRun::machineJobs();
    }
    const std::string& text = *given;
    unsigned count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size() || count == 0) {
        return "--jobs takes a whole number of threads, 1 or more, not \"" + text + "\"";
    }
    return count;
}

} // namespace

nlohmann::ordered_json LeaksJson(const std::vector<run::PublishedLeak>& leaks)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const run::PublishedLeak& leak : leaks) {
        nlohmann::ordered_json entry = pathObject("file", leak.firstFile);
        entry["line"] = nullptr;
        entry["severity"] = "warning";
        entry["code"] = "hidden-text-published";
        entry["message"] = TerminalText(wording::LeakMessage(leak).text);
        entry["exclude"] = core::Utf16ToUtf8(leak.exclude);
        entry["files"] = leak.files;
        putPath(entry, "first_page", leak.firstPage);
        entry["pages"] = leak.pages;
        entry["withheld"] = leak.withheld;
        list.push_back(std::move(entry));
    }
    return list;
}

void ProtectCommand::addTo(CLI::App& app)
{
    CLI::App* command =
        checkOnly
            ? app.add_subcommand(
                  "check", "Look at the pages protect would take on, with the same options, and "
                           "tell what the protection would break or leave open on each; nothing "
                           "is written.")
            : app.add_subcommand("protect", "Protect page files and every .htm/.html page below "
                                            "folders, on disk, as the wizard does. Frame pages "
                                            "named by a frameset are protected too.");
    options.addTo(*command);
    command
        ->add_option("--save", save,
                     "Where protected pages go: new (protected_NAME beside each page; the "
                     "default), overwrite (the page itself, with a NAME.bak backup), copy (below "
                     "--target, the folders under each added folder kept, with their other "
                     "files: style sheets, scripts, images)")
        ->check(CLI::IsMember(run::CliNamesOf(run::SettingWord::Kind::SaveMode)).description(""))
        ->type_name(saveModeNames());
    command
        ->add_option("-o," + optionName(run::SettingOption::Target), target,
                     "The target folder of --save copy")
        ->type_name("DIR");
    command->add_flag(optionName(run::SettingOption::Backups), noBackups,
                      "With --save overwrite: make no .bak backups");
    command
        ->add_option(optionName(run::SettingOption::BackupDir), backupDir,
                     "With --save overwrite: keep each backup in DIR, at its page's path below "
                     "the folder of the run, rather than as NAME.bak beside the page, where it "
                     "holds the page in clear and is published with the site; the run's record "
                     "goes there too. DIR must lie outside the added folders")
        ->type_name("DIR");
    if (!checkOnly) {
        command
            ->add_option("--manifest", manifestPath,
                         "Write the record of the run (which quorlane-cli restore undoes) to "
                         "FILE, a new file, rather than where the run puts it: beside the "
                         "target of a copy, into --backup-dir, else into the added folder")
            ->type_name("FILE");
        command->add_flag("-n,--dry-run", dryRun,
                          "List every page with the files protect would write, replace, back up "
                          "or skip, and the findings of check on standard error; write nothing. "
                          "With --json, one document of the same");
        command
            ->add_option("--fail-on", failOn,
                         "Look at the pages first, as check does, and stop before anything is "
                         "written, with exit status 4, when a page cannot be read (error) or also "
                         "on any warning (warning). Wins over the fail_on of --project")
            ->check(CLI::IsMember({"warning", "error"}).description(""))
            ->type_name("warning|error");
        command->add_flag("--no-manifest", noManifest,
                          "Keep no record of the run: it then cannot be undone");
    }
    command->add_flag(optionName(run::SettingOption::PagesOnly), pagesOnly,
                      "With --save copy: copy only the protected pages, not the other files of "
                      "the folders");
    command->add_flag("--any-file", anyFile,
                      "Take every file named on its own (or by a project or a frameset) as a "
                      "page. Without it, such a file whose name does not end in .htm or .html is "
                      "taken only when its first bytes are those of a web page; any other (a "
                      "picture, a script, a style sheet) is reported as not a page and left "
                      "untouched");
    if (!checkOnly) {
        command->add_flag("--force", force,
                          "With --save copy: replace files in the target folder that no run of "
                          "Quorlane wrote. Without it, a copy that would replace such files is "
                          "refused before anything is written, naming them");
    }
    command
        ->add_option("--exclude", excludes,
                     "Leave out of the run (and out of a copy) the files and folders below each "
                     "added folder that PATTERN matches, written as in a .gitignore file: *.txt "
                     "(a name at any depth), /searchindex.js or docs/*.map (a path from the added "
                     "folder), _sources/ (folders only), **, ?, [abc], and !PATTERN to take back "
                     "what an earlier one left out. Repeatable; added to those of --project")
        ->type_name("PATTERN")
        ->allow_extra_args(false);
    command
        ->add_option("--publish-anyway", publishAnyway,
                     "Publish the files that PATTERN matches (written as for --exclude) even "
                     "when they give away what the pages hide. After a run, every other file "
                     "published beside the protected pages (copied files, the site's other "
                     "files) is compared with the hidden parts of the pages; one that holds "
                     "their text (a page's source, a search index) is named, with the pattern "
                     "that leaves it out. With --encrypt such a file is not copied and the exit "
                     "status is 1. Repeatable")
        ->type_name("PATTERN")
        ->allow_extra_args(false);
    command
        ->add_option("--project", projectFile,
                     "Take the pages, folders and options of the project file FILE "
                     "(" QUORLANE_DOC_DIR "/project-file.md); options given override its values, "
                     "and PATHs given replace its pages")
        ->type_name("FILE");
    command
        ->add_option("--save-project", saveProjectFile,
                     std::string("Write the pages, folders and options as given (over --project) "
                                 "to the project file FILE, never the password, then go on") +
                         (checkOnly ? "; check --save-project writes nothing else"
                                    : "; check --save-project writes a project without "
                                      "protecting anything"))
        ->type_name("FILE");
    command->add_flag("--json", json,
                      checkOnly ? "Write one JSON document: the summary and its outcome (ok, "
                                  "partial, failed), every page with its findings, the findings "
                                  "of the run, totals (docs/schemas)"
                                : "Write one JSON document: how the run ended (outcome: ok, "
                                  "partial, failed, cancelled), every page with its outcome and "
                                  "findings, the results, totals (docs/schemas)");
    command->add_flag("-q,--quiet", quiet, "No listing and no progress bar; failures still shown");
    command->add_flag("-v,--verbose", verbose,
                      checkOnly ? "List every page looked at, also those with no finding"
                                : "Show the notes of check on standard error as well as its "
                                  "warnings");
    command->add_flag("--wait", wait,
                      "When another run is at work on these folders, wait for it to finish "
                      "rather than stop");
    if (!checkOnly) {
        command
            ->add_option("-j,--jobs", jobs,
                         "Protect N pages at a time, on N threads (the default: one per "
                         "hardware thread of the machine). The pages written, the listing, "
                         "--json and the exit status are the same for every N; 1 takes the "
                         "pages one by one")
            ->type_name("N");
    }
    command
        ->add_option("--files-from", filesFrom,
                     "Take the pages and folders listed in FILE, one a line, after the PATHs; - "
                     "reads the list from standard input (find site -name '*.html' | "
                     "quorlane-cli protect --files-from -)")
        ->type_name("FILE");
    command->add_flag("-0,--null", nulSeparated,
                      "The list of --files-from ends each path with a NUL (find -print0), not a "
                      "line feed");
    command
        ->add_option("PATH", paths,
                     "Page files and folders, in the order to protect them (or those of "
                     "--project)")
        ->type_name("");
    if (checkOnly) {
        command->footer("Exit status: 0 no findings but notes, 4 warnings, 1 some pages could not "
                        "be read, 2 usage error.");
        return;
    }
    command->footer(
        "Exit status: 0 every page protected or already protected, 1 some pages failed (each "
        "failure on standard error), 2 usage error (nothing read or written), 4 findings that "
        "--fail-on stops on (nothing written), 5 no page could be protected (or another run is "
        "at work on these folders), 130 cancelled. Ctrl-C or "
        "SIGTERM stops after the current page. Warnings of check are shown as the pages go, and "
        "the run's manifest is named at the end.\n\nWhere files go: the record of the run "
        "(.quorlane-run-*.json, never holding a path of the machine when it lies in the site) "
        "beside the target of a copy, else into --backup-dir, else into the added folder; or "
        "--manifest FILE. Backups: NAME.bak beside each page (published with the site unless "
        "removed), or below --backup-dir.");
}

std::optional<std::string> ProtectCommand::job(core::ProtectionSettings& settings,
                                               std::vector<run::SelectionEntry>& selection,
                                               std::vector<std::u16string>& exclude,
                                               std::string& failLevel) const
{
    files::RealFileSystem fileSystem;
    if (!projectFile.empty()) {
        run::Project project{{}, settings, {}, {}};
        if (auto refusal = run::ReadProjectFile(fileSystem, ArgumentPath(projectFile), project)) {
            return refusal;
        }
        settings = project.settings;
        selection = project.selection;
        exclude = project.exclude;
        failLevel = project.failOn;
        // A folder of the project that has gone would give no page and no word of it.
        for (const run::SelectionEntry& entry : selection) {
            if (entry.isFolder && paths.empty() && !fileSystem.isFolder(entry.path)) {
                return "the project file " + projectFile + " names the folder " +
                       core::Utf16ToUtf8(core::TextFromPath(entry.path)) + ", which is not there";
            }
        }
    }
    if (auto refusal = options.apply(settings)) {
        return refusal;
    }
    failLevel = failOn.value_or(failLevel);
    for (const std::string& pattern : excludes) {
        exclude.push_back(core::Utf8ToUtf16(pattern));
        if (auto problem = files::ExcludePatterns::problem(exclude.back())) {
            return "--exclude: " + *problem;
        }
    }
    if (save) {
        settings.saveMode = SaveModeNamed(*save);
    }
    settings.makeBackups = settings.makeBackups && !noBackups;
    if (!backupDir.empty()) {
        if (settings.saveMode != core::SaveMode::Overwrite || !settings.makeBackups) {
            return "--backup-dir goes with --save overwrite, and backups";
        }
        settings.backupDir = core::TextFromPath(ArgumentPath(backupDir));
    }
    if (noManifest && !manifestPath.empty()) {
        return "--manifest and --no-manifest go one without the other";
    }
    settings.copyPagesOnly = settings.copyPagesOnly || pagesOnly;
    const bool copy = settings.saveMode == core::SaveMode::CopyToFolder;
    if (!target.empty() && !copy) {
        return "--target goes with --save copy only";
    }
    if (pagesOnly && !copy) {
        return "--pages-only goes with --save copy only";
    }
    if (force && !copy) {
        return "--force goes with --save copy only";
    }
    if (!target.empty()) {
        // The folder's own bytes, whatever they are: the text form keeps them.
        settings.saveDir = core::TextFromPath(ArgumentPath(target));
    }
    if (copy && settings.saveDir.find_first_not_of(u' ') == std::u16string::npos) {
        return "--save copy needs a --target folder";
    }
    if (!paths.empty()) {
        selection.clear();
        for (const std::string& path : paths) {
            selection.push_back({ArgumentPath(path), fileSystem.isFolder(ArgumentPath(path))});
        }
    }
    if (selection.empty()) {
        return "name the pages and folders to protect (PATH...), or a --project that names them";
    }
    if (!checkOnly && settings.passwordProtect && settings.password.empty()) {
        return "the password lock of " + projectFile +
               " is on: give the password with --password-file, --password-env or --password -";
    }
    if (!saveProjectFile.empty()) {
        run::Project project{selection, settings, exclude, failLevel};
        project.settings.password.clear();
        return run::WriteProjectFile(fileSystem, ArgumentPath(saveProjectFile), project);
    }
    return std::nullopt;
}

int ProtectCommand::run(std::ostream& out, std::ostream& err, bool errIsTerminal) const
{
    core::ProtectionSettings settings = StartSettings();
    std::vector<run::SelectionEntry> selection;
    const std::variant<unsigned, std::string> jobCount = JobCount(jobs);
    if (const auto* refusal = std::get_if<std::string>(&jobCount)) {
        return UsageError(out, err, json, *refusal);
    }
    std::vector<std::u16string> exclude;
    std::string failLevel;
    if (const auto refusal = job(settings, selection, exclude, failLevel)) {
        return UsageError(out, err, json, *refusal);
    }
    std::vector<std::u16string> published;
    for (const std::string& pattern : publishAnyway) {
        published.push_back(core::Utf8ToUtf16(pattern));
        if (auto problem = files::ExcludePatterns::problem(published.back())) {
            return UsageError(out, err, json, "--publish-anyway: " + *problem);
        }
    }
    files::RealFileSystem fileSystem;
    if (checkOnly) {
        return check(out, err, settings, selection, files::ExcludePatterns(exclude),
                     files::ExcludePatterns(published));
    }
    if (dryRun || !failLevel.empty()) {
        const run::CheckReport report =
            run::CheckSelection(fileSystem, selection, settings, anyFile,
                                files::ExcludePatterns(exclude), files::ExcludePatterns(published));
        const bool stopped = !failLevel.empty() && FindingsReach(report, failLevel);
        if (dryRun) {
            if (json) {
                WriteDryRunJson(out, report, settings, selection, stopped);
            } else {
                WriteDryRun(out, err, report, settings, selection);
            }
            out.flush();
            return stopped ? exitWarnings : exitOk;
        }
        if (stopped) {
            // What stops the run, as check tells it.
            check(out, err, settings, selection, files::ExcludePatterns(exclude),
                  files::ExcludePatterns(published), true);
            err << "quorlane-cli: " << (failOn ? "--fail-on " : "the project's fail_on ")
                << failLevel << ": the findings stop the run; nothing was written\n";
            return exitWarnings;
        }
    }
    ConsoleHost host(err, errIsTerminal && !quiet && !json);
    host.setNotesShown(verbose);
    CancelOnInterrupt();
    run::ProtectionRun run(host, fileSystem);
    run.setWaitForOtherRuns(wait);
    run.setJobs(std::get<unsigned>(jobCount));
    run.setAnyFile(anyFile);
    run.setReplaceOthersFiles(force);
    run.setExclude(files::ExcludePatterns(exclude));
    run.setPublishAnyway(files::ExcludePatterns(published));
    run.setRecordPath(manifestPath.empty() ? core::PathString() : ArgumentPath(manifestPath));
    run.setNoRecord(noManifest);
    if (noManifest) {
        err << "quorlane-cli: warning: --no-manifest: no record of this run is kept, so it "
               "cannot be undone\n";
    }
    const run::RunSummary summary = run.RunProtection(selection, settings);
    if (summary.refusal && summary.refusal->kind != run::Refusal::Kind::OtherRunAtWork) {
        // Shown on standard error already.
        if (json) {
            const nlohmann::ordered_json document = {
                {"outcome", "failed"},
                {"error", TerminalText(wording::RefusalMessage(*summary.refusal).text)}};
            out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        }
        out.flush();
        return exitUsage;
    }

    if (summary.cancelled && (quiet || json)) {
        err << "quorlane-cli: " << TerminalText(finalStatus(host, summary)) << "\n";
    }
    const int status = exitStatus(host, summary, settings);
    if (json) {
        writeJson(out, run.results(), host, summary, status);
    } else if (!quiet) {
        writeListing(out, run.results(), finalStatus(host, summary), host.copied(), summary);
    }
    options.passwordSource.unlockForm.tellShareLink(err, summary.shareKey);
    out.flush();
    return status;
}

} // namespace quorlane::cli
