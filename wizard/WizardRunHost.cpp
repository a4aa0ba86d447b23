#include "wizard/WizardRunHost.h"

namespace quorlane::wizard {

WizardRunHost::WizardRunHost(std::function<void()> wake)
    : m_wake(std::move(wake))
{
}

bool WizardRunHost::cancelRequested()
{
    std::unique_lock<std::mutex> lock(m_holdMutex);
    m_waiting = m_held && !m_cancel.load();
    m_holdChanged.wait(lock, [this] { return !m_held || m_cancel.load(); });
    m_waiting = false;
    return m_cancel.load();
}

void WizardRunHost::refused(const run::Refusal& refusal)
{
    post(refusal);
}

void WizardRunHost::notice(const run::RunNotice& notice)
{
    post(notice);
}

void WizardRunHost::started(const run::RunStart& start)
{
    post(start);
}

void WizardRunHost::pageDone(const run::PageOutcome& outcome)
{
    post(outcome);
}

void WizardRunHost::finished(const run::RunSummary& summary)
{
    post(summary);
}

void WizardRunHost::returned(RunReturned end)
{
    post(std::move(end));
}

void WizardRunHost::requestCancel()
{
    {
        const std::lock_guard<std::mutex> lock(m_holdMutex);
        m_cancel.store(true);
    }
    m_holdChanged.notify_all();
}

void WizardRunHost::hold()
{
    const std::lock_guard<std::mutex> lock(m_holdMutex);
    m_held = true;
}

void WizardRunHost::release()
{
    {
        const std::lock_guard<std::mutex> lock(m_holdMutex);
        m_held = false;
    }
    m_holdChanged.notify_all();
}

bool WizardRunHost::waiting() const
{
    const std::lock_guard<std::mutex> lock(m_holdMutex);
    return m_waiting;
}

std::vector<RunEvent> WizardRunHost::take()
{
    std::vector<RunEvent> events;
    const std::lock_guard<std::mutex> lock(m_mutex);
    events.swap(m_events);
    m_woken = false;
    return events;
}

// One wake for a whole batch: a window that is busy for a moment takes every page done
// meanwhile at once, rather than one call per page.
void WizardRunHost::post(RunEvent event)
{
    bool wake = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(std::move(event));
        wake = !m_woken;
        m_woken = true;
    }
    if (wake) {
        m_wake();
    }
}

} // namespace quorlane::wizard
