#pragma once

#include <iosfwd>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/SettingsOptions.h"
#include "run/ProtectionRun.h"

namespace quorlane::cli {

// quorlane-cli protect: page files and folders protected on disk, as the wizard does it. With
// checkOnly, quorlane-cli check: the same pages and options, looked at, nothing written.
struct ProtectCommand
{
    bool checkOnly = false;
    SettingsOptions options;
    std::optional<std::string> save;
    std::string target;
    bool noBackups = false;
    std::string backupDir;    // --backup-dir: the backups, and the record, kept outside the site
    std::string manifestPath; // --manifest: where the record of the run goes
    bool noManifest = false;  // --no-manifest: no record; the run cannot be undone
    bool pagesOnly = false;
    bool anyFile = false;        // --any-file: a file named on its own is a page, whatever it holds
    bool force = false;          // --force: a copy may replace files that no run of Quorlane wrote
    std::string projectFile;     // --project: the job to run, the options above over it
    std::string saveProjectFile; // --save-project: where to keep the job as given
    bool json = false;
    bool quiet = false;
    bool dryRun = false;               // --dry-run: tell what protect would do, write nothing
    std::optional<std::string> failOn; // --fail-on: findings of check that stop the run
    bool verbose = false;              // --verbose: the notes of check too; check lists every page
    bool wait = false;
    std::optional<std::string> jobs; // --jobs: as given; the machine's threads when not
    std::vector<std::string> paths;
    std::string filesFrom;             // --files-from: a list of more paths; "-" for standard input
    bool nulSeparated = false;         // -0: that list's paths end in NUL, not a line feed
    std::vector<std::string> excludes; // --exclude, after those of --project
    std::vector<std::string> publishAnyway; // --publish-anyway

    void addTo(CLI::App& app);
    int run(std::ostream& out, std::ostream& err, bool errIsTerminal) const;

private:
    // The settings and pages of the project file and the options over it, and the findings
    // that stop the run (--fail-on over the project's fail_on; empty for none); gives the
    // message of a usage error instead.
    std::optional<std::string> job(core::ProtectionSettings& settings,
                                   std::vector<run::SelectionEntry>& selection,
                                   std::vector<std::u16string>& exclude,
                                   std::string& failLevel) const;
    // check, or what stops protect when --fail-on is reached (stopsRun: the JSON document's
    // outcome is "failed").
    int check(std::ostream& out, std::ostream& err, const core::ProtectionSettings& settings,
              const std::vector<run::SelectionEntry>& selection,
              const files::ExcludePatterns& exclude, const files::ExcludePatterns& publishAnyway,
              bool stopsRun = false) const;
};

// Files published beside the pages that give away what they hide, in the JSON documents of
// protect and check.
nlohmann::ordered_json LeaksJson(const std::vector<run::PublishedLeak>& leaks);

} // namespace quorlane::cli
