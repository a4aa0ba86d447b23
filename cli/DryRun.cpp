#include "cli/DryRun.h"

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "cli/ConsoleHost.h"
#include "files/OutputPlacement.h"
#include "wording/RunWording.h"

namespace quorlane::cli {

namespace {

using core::PathString;

std::string shown(const PathString& path)
{
    return TerminalText(core::TextFromPath(path));
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
        if (entry.isFolder && page.size() > folder.size() && page.starts_with(folder) &&
            page[folder.size()] == core::pathSeparator) {
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

void writeActions(std::ostream& out, const run::PageCheckResult& page,
                  const core::ProtectionSettings& settings,
                  const std::vector<run::SelectionEntry>& selection)
{
    if (page.failure) {
        out << "skip     " << shown(page.page) << " (it cannot be read)\n";
        return;
    }
    if (alreadyProtected(page)) {
        out << "skip     " << shown(page.page) << " (protected already)\n";
        return;
    }
    const core::FileRecord record = recordOf(page.page, selection);
    switch (settings.saveMode) {
    case core::SaveMode::Overwrite:
        out << "replace  " << shown(page.page) << "\n";
        if (settings.makeBackups && settings.backupDir.empty()) {
            out << "back up  " << shown(files::BackupPath(page.page)) << "\n";
        } else if (settings.makeBackups) {
            out << "back up  below " << TerminalText(settings.backupDir) << "\n";
        }
        return;
    case core::SaveMode::CopyToFolder:
        out << "write    "
            << shown(files::CopyOutputPath(record, core::PathFromText(settings.saveDir))) << "\n";
        return;
    default:
        break;
    }
    const std::filesystem::path path(page.page);
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    const std::filesystem::path name = core::PathFromText(u"protected_") + path.filename().native();
    out << "write    " << shown((folder / name).native()) << "\n";
}

} // namespace

void WriteDryRun(std::ostream& out, const run::CheckReport& report,
                 const core::ProtectionSettings& settings,
                 const std::vector<run::SelectionEntry>& selection)
{
    for (const run::PageCheckResult& page : report.pages) {
        writeActions(out, page, settings, selection);
        for (const core::Finding& finding : page.findings) {
            if (finding.code != core::FindingCode::AlreadyProtected) {
                out << "    " << FindingLine(page.page, finding) << "\n";
            }
        }
    }
    for (const core::Finding& finding : report.runFindings) {
        out << FindingLine({}, finding) << "\n";
    }
    out << "Dry run: nothing was written\n";
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
