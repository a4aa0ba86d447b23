#include "cli/DryRun.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/ConsoleHost.h"
#include "cli/FindingText.h"
#include "cli/ShownPath.h"
#include "files/NameCase.h"
#include "files/OutputPlacement.h"
#include "run/ManifestFields.h"

namespace quorlane::cli {

namespace {

using core::PathString;

constexpr const char* dryRunStatus = "Dry run: nothing was written";

std::string shown(const PathString& path)
{
    return TerminalText(core::TextFromPath(ShownPath(path)));
}

// The page as the run's record holds it: below the added folder it was found in, or, given on
// its own, below its own folder.
core::FileRecord recordOf(const PathString& page, const std::vector<run::SelectionEntry>& selection)
{
    for (const run::SelectionEntry& entry : selection) {
        PathString folder = entry.path;
        while (!folder.empty() && folder.back() == core::pathSeparator) {
            folder.pop_back();
        }
        // Names as the file system compares them (PathLiesIn takes the root as well).
        if (entry.isFolder && files::PathLiesIn(page, entry.path)) {
            return {folder, page.substr(folder.size())};
        }
    }
    const std::size_t name = page.find_last_of(core::pathSeparator);
    if (name == PathString::npos) {
        return {PathString(), PathString(1, core::pathSeparator) + page};
    }
    return {page.substr(0, name), page.substr(name)};
}

bool alreadyProtected(const run::PageCheckResult& page)
{
    return std::any_of(page.findings.begin(), page.findings.end(), [](const core::Finding& f) {
        return f.code == core::FindingCode::AlreadyProtected;
    });
}

// One thing the run would do to a file: write it, replace it, back it up (into a folder when
// below is set), or skip it, and why.
struct Action
{
    const char* verb;
    PathString path;
    const char* why = nullptr;
    bool below = false;
};

std::vector<Action> actionsOf(const run::PageCheckResult& page,
                              const core::ProtectionSettings& settings,
                              const std::vector<run::SelectionEntry>& selection)
{
    if (page.failure) {
        return {{"skip", page.page, "it cannot be read"}};
    }
    if (alreadyProtected(page)) {
        return {{"skip", page.page, "protected already"}};
    }
    switch (settings.saveMode) {
    case core::SaveMode::Overwrite: {
        std::vector<Action> actions{{"replace", page.page}};
        if (settings.makeBackups && settings.backupDir.empty()) {
            actions.push_back({"back up", files::BackupPath(page.page)});
        } else if (settings.makeBackups) {
            actions.push_back({"back up", core::PathFromText(settings.backupDir), nullptr, true});
        }
        return actions;
    }
    case core::SaveMode::CopyToFolder:
        return {{"write", files::CopyOutputPath(recordOf(page.page, selection),
                                                core::PathFromText(settings.saveDir))}};
    default:
        break;
    }
    const std::filesystem::path path(page.page);
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    const std::filesystem::path name = core::PathFromText(u"protected_") + path.filename().native();
    return {{"write", (folder / name).native()}};
}

void writeAction(std::ostream& out, const Action& action)
{
    std::string verb = action.verb;
    verb.resize(std::max<std::size_t>(verb.size() + 1, 9), ' ');
    out << verb << (action.below ? "below " : "") << shown(action.path);
    if (action.why != nullptr) {
        out << " (" << action.why << ")";
    }
    out << "\n";
}

nlohmann::ordered_json actionJson(const Action& action)
{
    std::string verb = action.verb;
    std::replace(verb.begin(), verb.end(), ' ', '-');
    nlohmann::ordered_json json = {{"action", verb}};
    run::manifest::putPath(json, action.below ? "folder" : "path", ShownPath(action.path));
    if (action.why != nullptr) {
        json["reason"] = action.why;
    }
    return json;
}

const char* outcomeOf(const run::PageCheckResult& page)
{
    return page.failure ? "failed" : alreadyProtected(page) ? "skipped" : "protected";
}

bool shownFinding(const core::Finding& finding)
{
    return finding.code != core::FindingCode::AlreadyProtected;
}

} // namespace

void WriteDryRun(std::ostream& out, std::ostream& err, const run::CheckReport& report,
                 const core::ProtectionSettings& settings,
                 const std::vector<run::SelectionEntry>& selection)
{
    for (const run::PageCheckResult& page : report.pages) {
        for (const Action& action : actionsOf(page, settings, selection)) {
            writeAction(out, action);
        }
        for (const core::Finding& finding : page.findings) {
            if (shownFinding(finding)) {
                err << FindingLine(page.page, finding) << "\n";
            }
        }
    }
    for (const core::Finding& finding : report.runFindings) {
        err << FindingLine({}, finding) << "\n";
    }
    err.flush();
    out << dryRunStatus << "\n";
}

void WriteDryRunJson(std::ostream& out, const run::CheckReport& report,
                     const core::ProtectionSettings& settings,
                     const std::vector<run::SelectionEntry>& selection, bool stopped)
{
    nlohmann::ordered_json pages = nlohmann::ordered_json::array();
    std::map<std::string, std::size_t> totals{{"protected", 0}, {"skipped", 0}, {"failed", 0}};
    for (const run::PageCheckResult& page : report.pages) {
        nlohmann::ordered_json entry = nlohmann::ordered_json::object();
        run::manifest::putPath(entry, "page", ShownPath(page.page));
        entry["outcome"] = outcomeOf(page);
        ++totals[outcomeOf(page)];
        nlohmann::ordered_json actions = nlohmann::ordered_json::array();
        for (const Action& action : actionsOf(page, settings, selection)) {
            actions.push_back(actionJson(action));
        }
        entry["actions"] = actions;
        entry["findings"] = FindingsJson(page.page, page.findings, shownFinding);
        pages.push_back(std::move(entry));
    }
    const nlohmann::ordered_json runFindings = FindingsJson({}, report.runFindings);
    const nlohmann::ordered_json document = {
        {"status", dryRunStatus},
        {"outcome", stopped ? "failed" : "ok"},
        {"dry_run", true},
        {"pages", pages},
        {"findings", runFindings},
        {"totals",
         {{"protected", totals["protected"]},
          {"skipped", totals["skipped"]},
          {"failed", totals["failed"]}}},
    };
    out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

bool FindingsReach(const run::CheckReport& report, std::string_view level)
{
    const auto unread = [](const run::PageCheckResult& page) { return page.failure.has_value(); };
    if (std::any_of(report.pages.begin(), report.pages.end(), unread)) {
        return true;
    }
    if (level != "warning") {
        return false;
    }
    const auto warns = [](const core::Finding& finding) {
        return finding.severity == core::Severity::Warning;
    };
    const auto pageWarns = [&](const run::PageCheckResult& page) {
        return std::any_of(page.findings.begin(), page.findings.end(), warns);
    };
    return !report.leaks.empty() ||
           std::any_of(report.pages.begin(), report.pages.end(), pageWarns) ||
           std::any_of(report.runFindings.begin(), report.runFindings.end(), warns);
}

} // namespace quorlane::cli
