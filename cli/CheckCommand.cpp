#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/Cli.h"
#include "cli/ConsoleHost.h"
#include "cli/FindingText.h"
#include "cli/ProtectCommand.h"
#include "core/Utf8.h"
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

std::string pathBytes(const core::PathString& path)
{
    return TerminalText(core::TextFromPath(path));
}

void writeText(std::ostream& out, std::ostream& err, const run::CheckReport& report,
               const Totals& totals, bool quiet, bool verbose)
{
    for (const run::PageCheckResult& page : report.pages) {
        if (page.failure) {
            err << "quorlane-cli: " << TerminalText(wording::FailureMessage(*page.failure).text)
                << "\n";
            continue;
        }
        if (quiet || (page.findings.empty() && !verbose)) {
            continue;
        }
        out << pathBytes(page.page) << "\n";
        for (const core::Finding& finding : page.findings) {
            out << "    line " << finding.line << ": " << SeverityName(finding.severity) << " "
                << core::FindingCodeName(finding.code) << ": " << FindingSentence(finding) << "\n";
        }
    }
    if (quiet) {
        return;
    }
    for (const core::Finding& finding : report.runFindings) {
        out << SeverityName(finding.severity) << " " << core::FindingCodeName(finding.code) << ": "
            << FindingSentence(finding) << "\n";
    }
    for (const run::PublishedLeak& leak : report.leaks) {
        out << "warning hidden-text-published: " << TerminalText(wording::LeakMessage(leak).text)
            << "\n";
    }
    const auto counted = [](std::size_t n, const wording::Plural& forms) {
        return core::Utf16ToUtf8(wording::Counted(n, forms));
    };
    out << counted(report.pages.size(), wording::checkedPages) << ": "
        << counted(totals.warnings, wording::warningsCounted) << " "
        << counted(totals.pagesWithWarnings, wording::onPages) << ", "
        << counted(totals.notes, wording::notesCounted);
    if (totals.failed > 0) {
        out << ", " << totals.failed << " could not be read";
    }
    out << "\n";
}

void writeJson(std::ostream& out, const run::CheckReport& report, const Totals& totals)
{
    nlohmann::ordered_json pages = nlohmann::ordered_json::array();
    for (const run::PageCheckResult& page : report.pages) {
        nlohmann::ordered_json entry;
        entry["page"] = core::Utf16ToUtf8(core::TextFromPath(page.page));
#ifndef _WIN32
        if (!core::IsValidUtf8(page.page)) {
            static constexpr char digits[] = "0123456789abcdef";
            std::string hex;
            for (const unsigned char byte : page.page) {
                hex.push_back(digits[byte >> 4]);
                hex.push_back(digits[byte & 15]);
            }
            entry["page_bytes"] = hex;
        }
#endif
        if (page.failure) {
            entry["outcome"] = "failed";
            entry["message"] = TerminalText(wording::FailureMessage(*page.failure).text);
        }
        nlohmann::ordered_json findings = nlohmann::ordered_json::array();
        for (const core::Finding& finding : page.findings) {
            findings.push_back(FindingJson(finding));
        }
        entry["findings"] = findings;
        pages.push_back(std::move(entry));
    }
    nlohmann::ordered_json runFindings = nlohmann::ordered_json::array();
    for (const core::Finding& finding : report.runFindings) {
        runFindings.push_back(FindingJson(finding));
    }
    const nlohmann::ordered_json document = {
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
                          const files::ExcludePatterns& publishAnyway) const
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
    if (json) {
        for (const run::PageCheckResult& page : report.pages) {
            if (page.failure) {
                err << "quorlane-cli: " << TerminalText(wording::FailureMessage(*page.failure).text)
                    << "\n";
            }
        }
        writeJson(out, report, totals);
    } else {
        writeText(out, err, report, totals, quiet, verbose);
    }
    out.flush();
    // Encrypted pages whose hidden parts are published beside them in the clear protect nothing.
    const bool encrypts = settings.passwordProtect && settings.encryptHiddenPart;
    if (totals.failed > 0 || (encrypts && !report.leaks.empty())) {
        return exitPageFailed;
    }
    return totals.warnings > 0 ? exitWarnings : exitOk;
}

} // namespace quorlane::cli
