#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/Cli.h"
#include "cli/ConsoleHost.h"
#include "cli/FindingText.h"
#include "cli/ProtectCommand.h"
#include "cli/ShownPath.h"
#include "core/Utf8.h"
#include "run/ManifestFields.h"
#include "run/PageCheck.h"
#include "wording/Counted.h"
#include "wording/RunWording.h"

namespace quorlane::cli {

namespace {

struct Totals
{
    std::size_t warnings = 0;
    std::size_t notes = 0;
    std::size_t failed = 0;
    std::size_t pagesWithWarnings = 0;
};

Totals totalsOf(const run::CheckReport& report)
{
    Totals totals;
    const auto count = [&](const std::vector<core::Finding>& findings) {
        bool warned = false;
        for (const core::Finding& finding : findings) {
            const bool warning = finding.severity == core::Severity::Warning;
            (warning ? totals.warnings : totals.notes) += 1;
            warned = warned || warning;
        }
        return warned;
    };
    for (const run::PageCheckResult& page : report.pages) {
        totals.failed += page.failure ? 1 : 0;
        totals.pagesWithWarnings += count(page.findings) ? 1 : 0;
    }
    count(report.runFindings);
    totals.warnings += report.leaks.size();
    return totals;
}

// "Checked 3 pages: 1 warning on 1 page, 2 notes", and how many could not be read.
std::string summaryText(const run::CheckReport& report, const Totals& totals)
{
    const auto counted = [](std::size_t n, const wording::Plural& forms) {
        return core::Utf16ToUtf8(wording::Counted(n, forms));
    };
    std::string text = counted(report.pages.size(), wording::checkedPages) + ": " +
                       counted(totals.warnings, wording::warningsCounted) + " " +
                       counted(totals.pagesWithWarnings, wording::onPages) + ", " +
                       counted(totals.notes, wording::notesCounted);
    if (totals.failed > 0) {
        text += ", " + std::to_string(totals.failed) + " could not be read";
    }
    return text;
}

// "ok", "partial" when some pages could not be read or an encrypted run would publish what
// they hide, "failed" when none could be read or the findings stop protect's run.
const char* outcomeOf(const run::CheckReport& report, const Totals& totals, bool encrypts,
                      bool stopsRun)
{
    if (stopsRun || (totals.failed > 0 && totals.failed == report.pages.size())) {
        return "failed";
    }
    return totals.failed > 0 || (encrypts && !report.leaks.empty()) ? "partial" : "ok";
}

void writeText(std::ostream& out, std::ostream& err, const run::CheckReport& report,
               const Totals& totals, bool quiet, bool verbose)
{
    for (const run::PageCheckResult& page : report.pages) {
        if (page.failure) {
            err << FailureLine(*page.failure) << "\n";
            continue;
        }
        if (quiet) {
            continue;
        }
        if (verbose) {
            out << TerminalText(core::TextFromPath(ShownPath(page.page))) << "\n";
        }
        for (const core::Finding& finding : page.findings) {
            err << FindingLine(page.page, finding) << "\n";
        }
    }
    if (quiet) {
        return;
    }
    for (const core::Finding& finding : report.runFindings) {
        err << FindingLine({}, finding) << "\n";
    }
    for (const run::PublishedLeak& leak : report.leaks) {
        err << LeakLine(leak) << "\n";
    }
    err.flush();
    out << summaryText(report, totals) << "\n";
}

void writeJson(std::ostream& out, const run::CheckReport& report, const Totals& totals,
               const char* outcome)
{
    nlohmann::ordered_json pages = nlohmann::ordered_json::array();
    for (const run::PageCheckResult& page : report.pages) {
        nlohmann::ordered_json entry = nlohmann::ordered_json::object();
        run::manifest::putPath(entry, "page", ShownPath(page.page));
        if (page.failure) {
            entry["outcome"] = "failed";
            entry["message"] = TerminalText(wording::FailureMessage(*page.failure).text);
        }
        entry["findings"] = FindingsJson(page.page, page.findings);
        pages.push_back(std::move(entry));
    }
    const nlohmann::ordered_json runFindings = FindingsJson({}, report.runFindings);
    const nlohmann::ordered_json document = {
        {"status", summaryText(report, totals)},
        {"outcome", outcome},
        {"pages", pages},
        {"findings", runFindings},
        {"hidden_text_published", LeaksJson(report.leaks)},
        {"totals",
         {{"pages", report.pages.size()},
          {"warnings", totals.warnings},
          {"notes", totals.notes},
          {"failed", totals.failed}}},
    };
    out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

} // namespace

int ProtectCommand::check(std::ostream& out, std::ostream& err,
                          const core::ProtectionSettings& settings,
                          const std::vector<run::SelectionEntry>& selection,
                          const files::ExcludePatterns& exclude,
                          const files::ExcludePatterns& publishAnyway, bool stopsRun) const
{
    files::RealFileSystem fileSystem;
    const run::CheckReport report =
        run::CheckSelection(fileSystem, selection, settings, anyFile, exclude, publishAnyway);
    for (const files::PassedOver& passed : report.passedOver) {
        const run::RunNotice notice = run::PassedOverNotice(passed);
        err << "quorlane-cli: " << TerminalText(wording::NoticeMessage(notice).value().text)
            << "\n";
    }
    for (const core::PathString& file : report.notPages) {
        run::PageOutcome outcome;
        outcome.kind = run::PageOutcome::Kind::Skipped;
        outcome.reason = run::SkipReason::NotAPage;
        outcome.page = file;
        err << "quorlane-cli: " << TerminalText(wording::SkipMessage(outcome).value().text) << "\n";
    }
    const Totals totals = totalsOf(report);
    // Encrypted pages whose hidden parts are published beside them in the clear protect nothing.
    const bool encrypts = settings.passwordProtect && settings.encryptHiddenPart;
    if (json) {
        for (const run::PageCheckResult& page : report.pages) {
            if (page.failure) {
                err << FailureLine(*page.failure) << "\n";
            }
        }
        writeJson(out, report, totals, outcomeOf(report, totals, encrypts, stopsRun));
    } else {
        // The findings that stop a run are its failures: told under --quiet too.
        writeText(out, err, report, totals, quiet && !stopsRun, verbose);
    }
    out.flush();
    if (totals.failed > 0 || (encrypts && !report.leaks.empty())) {
        return exitPageFailed;
    }
    return totals.warnings > 0 ? exitWarnings : exitOk;
}

} // namespace quorlane::cli
