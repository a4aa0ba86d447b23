#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "run/RunHost.h"

namespace quorlane::wizard {

// The run has come back from RunProtection, or ended with an exception whose text is failure:
// nothing follows.
struct RunReturned
{
    run::RunSummary summary;
    std::optional<std::string> failure;
};

// One call of the run's host with its values, copied, or the run's return.
using RunEvent = std::variant<run::Refusal, run::RunNotice, run::RunStart, run::PageOutcome,
                              run::RunSummary, RunReturned>;

// The run's host in the window. The run calls it on a thread of its own; no widget is touched
// here. Each call's values are copied into a queue, and wake is called, on the run's thread,
// when the queue gets its first event since the window last took them; the window takes them on
// its own thread, in the order the run told them. Cancel is a flag that either thread may read.
// While the window holds the run (a question about stopping it is open), the run waits at its
// next page boundary, where it asks whether to stop, until it is let go or cancelled.
class WizardRunHost : public run::RunHost
{
public:
    explicit WizardRunHost(std::function<void()> wake);

    bool cancelRequested() override;
    void refused(const run::Refusal& refusal) override;
    void notice(const run::RunNotice& notice) override;
    void started(const run::RunStart& start) override;
    void pageDone(const run::PageOutcome& outcome) override;
    void finished(const run::RunSummary& summary) override;
    // Told by the run's thread last of all.
    void returned(RunReturned end);

    // From the window's thread: the run stops after the page at work.
    void requestCancel();
    // From the window's thread: the run waits before its next page until release or
    // requestCancel.
    void hold();
    void release();
    // Whether the run is waiting now, held at a page boundary.
    bool waiting() const;
    // From the window's thread: the events told since it last took them.
    std::vector<RunEvent> take();

private:
    void post(RunEvent event);

    std::function<void()> m_wake;
    std::atomic<bool> m_cancel{false};
    mutable std::mutex m_holdMutex;
    std::condition_variable m_holdChanged;
    bool m_held = false;
    bool m_waiting = false;
    std::mutex m_mutex;
    std::vector<RunEvent> m_events;
    bool m_woken = false;
};

} // namespace quorlane::wizard
