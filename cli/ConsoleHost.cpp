#include "cli/ConsoleHost.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <ostream>

#include "cli/FindingText.h"
#include "core/FileRecord.h"
#include "core/Utf8.h"
#include "wording/Counted.h"
#include "wording/RunWording.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quorlane::cli {

namespace {

// Set by Ctrl-C or SIGTERM (on Windows on a thread of the console's): the run is to stop after
// the current page. Lock-free, so a signal handler may set it.
std::atomic<int> interruptRequested = 0;
static_assert(std::atomic<int>::is_always_lock_free);

constexpr const char* alreadyProtectedReason = "already protected";

const char* skipReasonText(run::SkipReason reason)
{
    switch (reason) {
    case run::SkipReason::AlreadyProtected:
        return alreadyProtectedReason;
    case run::SkipReason::NotAPage:
        return "not a page";
    case run::SkipReason::AlreadyHandled:
        break;
    }
    return "already handled";
}

#ifdef _WIN32
// Ctrl-C, Ctrl-Break and the console's closing, on a thread of their own. Once: the next one
// has its usual effect and ends the program.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    if (interruptRequested != 0) {
        return FALSE;
    }
    interruptRequested = 1;
    return TRUE;
}
#else
extern "C" void onInterrupt(int)
{
    interruptRequested = 1;
}
#endif

} // namespace

void CancelOnInterrupt()
{
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
    struct sigaction action
    {
    };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // Once: the next signal has its usual effect and ends the program.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

std::string TerminalText(std::u16string_view text)
{
#ifdef _WIN32
    std::string bytes = core::Utf16ToUtf8(text);
#else
    std::string bytes = core::PathFromText(text);
#endif
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
    return bytes;
}

ConsoleHost::ConsoleHost(std::ostream& err, bool progressBar)
    : m_err(err)
    , m_progressBar(progressBar)
{
}

bool ConsoleHost::cancelRequested()
{
    return interruptRequested != 0;
}

void ConsoleHost::setStatus(std::u16string status)
{
    if (!status.empty()) {
        m_status = std::move(status);
    }
}

void ConsoleHost::refused(const run::Refusal& refusal)
{
    setStatus(wording::StatusAfter(refusal));
    showMessage(wording::RefusalMessage(refusal));
    if (refusal.kind == run::Refusal::Kind::TargetHoldsOthers) {
        m_err << "quorlane-cli: give --force to replace them\n";
    }
}

void ConsoleHost::notice(const run::RunNotice& notice)
{
    setStatus(wording::StatusAfter(notice));
    if (notice.leak) {
        clearProgressLine();
        m_err << LeakLine(*notice.leak) << "\n";
    } else if (const auto message = wording::NoticeMessage(notice)) {
        showMessage(*message);
    }
    if (notice.kind == run::RunNotice::Kind::PageFindings) {
        showFindings(notice.path, notice.findings);
    }
    if (notice.kind == run::RunNotice::Kind::LinkLeavesSite ||
        notice.kind == run::RunNotice::Kind::SystemFolder ||
        notice.kind == run::RunNotice::Kind::PageLeavesSite ||
        notice.kind == run::RunNotice::Kind::FrameLeavesSite) {
        m_passedOver.push_back(notice);
    }
}

void ConsoleHost::started(const run::RunStart& start)
{
    setStatus(wording::StatusAfter(start));
    if (!start.findings.empty()) {
        showFindings({}, start.findings);
    }
}

void ConsoleHost::pageDone(const run::PageOutcome& outcome)
{
    if (outcome.kind == run::PageOutcome::Kind::Copied) {
        ++m_copied;
        if (outcome.listed) {
            progress(run::ProgressPercentage(outcome.doneBytes, outcome.totalBytes));
        }
        return;
    }
    // The window's status line says "files" whatever the count; the command line, as it fits.
    if (outcome.kind == run::PageOutcome::Kind::Protected) {
        setStatus(wording::Counted(outcome.recorded, wording::protectedFiles));
    }
    switch (outcome.kind) {
    case run::PageOutcome::Kind::Protected:
        m_outcomes.push_back(
            {PageReport::Kind::Protected, false, outcome.page, outcome.output, {}});
        break;
    case run::PageOutcome::Kind::Skipped:
        m_outcomes.push_back(
            {PageReport::Kind::Skipped, false, outcome.page, {}, skipReasonText(outcome.reason)});
        if (const auto message = wording::SkipMessage(outcome)) {
            showMessage(*message);
        }
        break;
    case run::PageOutcome::Kind::Failed:
    case run::PageOutcome::Kind::FolderFailed: {
        const wording::Message message = wording::FailureMessage(outcome.failure);
        m_recordFailureShown =
            m_recordFailureShown || outcome.failure.kind == run::PageFailure::Kind::RecordFailed;
        // A run that stops at once says why in one message.
        if (outcome.stopsRun) {
            showMessage(wording::StopMessage(outcome.cause));
        } else {
            clearProgressLine();
            m_err << FailureLine(outcome.failure) << "\n";
        }
        m_outcomes.push_back({PageReport::Kind::Failed,
                              outcome.kind == run::PageOutcome::Kind::FolderFailed,
                              outcome.page,
                              {},
                              TerminalText(message.text)});
        break;
    }
    case run::PageOutcome::Kind::Copied:
        break;
    }
    if (outcome.listed) {
        progress(run::ProgressPercentage(outcome.doneBytes, outcome.totalBytes));
    }
}

void ConsoleHost::showMessage(const wording::Message& message)
{
    clearProgressLine();
    m_err << "quorlane-cli: " << TerminalText(message.text) << "\n";
}

void ConsoleHost::progress(float percentage)
{
    ++m_pagesDone;
    if (!m_progressBar) {
        return;
    }
    constexpr int width = 40;
    const int filled = std::clamp(static_cast<int>(percentage * width / 100.0f), 0, width);
    const int shown = static_cast<int>(percentage);
    // Redrawn when the figure changes, not for every page of a large site.
    if (m_progressShown && shown == m_shownPercentage) {
        return;
    }
    m_shownPercentage = shown;
    m_err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
          << std::string(static_cast<std::size_t>(width - filled), ' ') << "] "
          << static_cast<int>(percentage) << "%  " << m_pagesDone << " files" << std::flush;
    m_progressShown = true;
}

void ConsoleHost::clearProgressLine()
{
    if (m_progressShown) {
        m_err << "\r" << std::string(60, ' ') << "\r" << std::flush;
        m_progressShown = false;
    }
}

void ConsoleHost::showFindings(const core::PathString& page,
                               const std::vector<core::Finding>& findings)
{
    for (const core::Finding& finding : findings) {
        if (finding.severity == core::Severity::Warning || m_notesShown) {
            clearProgressLine();
            m_err << FindingLine(page, finding) << "\n";
        }
    }
    auto& kept = m_findings[page];
    kept.insert(kept.end(), findings.begin(), findings.end());
}

const std::vector<core::Finding>& ConsoleHost::findingsOf(const core::PathString& page) const
{
    static const std::vector<core::Finding> none;
    const auto it = m_findings.find(page);
    return it == m_findings.end() ? none : it->second;
}

void ConsoleHost::finished(const run::RunSummary& summary)
{
    clearProgressLine();
    // A record that failed only as the run ended stopped no page, and is told here.
    if (summary.recordFailed && !m_recordFailureShown) {
        m_err << FailureLine(*summary.recordFailed) << "\n";
    }
}

std::size_t ConsoleHost::count(PageReport::Kind kind) const
{
    return static_cast<std::size_t>(
        std::count_if(m_outcomes.begin(), m_outcomes.end(),
                      [kind](const PageReport& outcome) { return outcome.kind == kind; }));
}

std::size_t ConsoleHost::alreadyProtected() const
{
    return static_cast<std::size_t>(
        std::count_if(m_outcomes.begin(), m_outcomes.end(), [](const PageReport& outcome) {
            return outcome.kind == PageReport::Kind::Skipped &&
                   outcome.detail == alreadyProtectedReason;
        }));
}

} // namespace quorlane::cli
