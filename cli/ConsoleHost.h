#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "run/RunHost.h"
#include "wording/Message.h"

namespace quorlane::cli {

// What happened to one page of a run, for the report.
struct PageReport
{
    enum class Kind
    {
        Protected,
        Skipped,
        Failed,
    };
    Kind kind = Kind::Protected;
    bool folder = false; // a folder that could not be read, rather than a page
    core::PathString page;
    core::PathString output; // where a protected page went
    std::string detail;      // why a page was skipped or failed
};

// The protection run's host on a terminal: failures on standard error as the wizard words them,
// a progress bar on standard error when it is a terminal, and the outcome of every page kept for
// the report at the end. Ctrl-C cancels after the current page, as Cancel does in the wizard.
class ConsoleHost : public run::RunHost
{
public:
    ConsoleHost(std::ostream& err, bool progressBar);

    bool cancelRequested() override;
    void refused(const run::Refusal& refusal) override;
    void notice(const run::RunNotice& notice) override;
    void started(const run::RunStart& start) override;
    void pageDone(const run::PageOutcome& outcome) override;
    void finished(const run::RunSummary& summary) override;

    // Whether findings of mere information go to standard error too (warnings always do).
    void setNotesShown(bool shown) { m_notesShown = shown; }
    // The findings of a page; those of the run as a whole under an empty path.
    const std::vector<core::Finding>& findingsOf(const core::PathString& page) const;

    const std::vector<PageReport>& outcomes() const { return m_outcomes; }
    const std::u16string& status() const { return m_status; }
    std::size_t count(PageReport::Kind kind) const;
    // Pages skipped because they carry the protected-page marker.
    std::size_t alreadyProtected() const;
    // Other files of the folders copied unchanged into a copy.
    std::size_t copied() const { return m_copied; }
    // The folders and frame pages that the run passed over, being outside the site.
    const std::vector<run::RunNotice>& passedOver() const { return m_passedOver; }

private:
    void setStatus(std::u16string status);
    void showMessage(const wording::Message& message);
    void showFindings(const core::PathString& page, const std::vector<core::Finding>& findings);
    void progress(float percentage);
    void clearProgressLine();

    std::ostream& m_err;
    bool m_progressBar;
    bool m_progressShown = false;
    int m_shownPercentage = -1;
    std::size_t m_pagesDone = 0;
    std::size_t m_copied = 0;
    std::u16string m_status;
    std::vector<PageReport> m_outcomes;
    std::vector<run::RunNotice> m_passedOver;
    std::map<core::PathString, std::vector<core::Finding>> m_findings;
    bool m_notesShown = false;
    bool m_recordFailureShown = false;
};

// Installs the handler of Ctrl-C (SIGINT) and SIGTERM that sets the cancel flag: the run stops
// after the current page. A second signal ends the program at once.
void CancelOnInterrupt();

// Text of the system's messages for a terminal: CR LF becomes LF, and a path's bytes that are
// not UTF-8 are given back as they are.
std::string TerminalText(std::u16string_view text);

} // namespace quorlane::cli
