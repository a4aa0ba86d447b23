#pragma once

#include <map>

#include <QElapsedTimer>

#include "run/RunHost.h"
#include "wording/Message.h"

namespace quorlane::wizard {

class frmMain;

// The run's host in the window: the results page shows what the run tells, a refused field is
// shown on its page, and the window takes its events after each listed page. Made for one run:
// it empties the results tree, as a run begins.
class WizardRunHost : public run::RunHost
{
public:
    explicit WizardRunHost(frmMain& window);

    bool cancelRequested() override;
    void refused(const run::Refusal& refusal) override;
    void notice(const run::RunNotice& notice) override;
    void started(const run::RunStart& start) override;
    void pageDone(const run::PageOutcome& outcome) override;
    void finished(const run::RunSummary& summary) override;

private:
    void setStatus(const std::u16string& text);
    void show(const wording::Message& message);
    void showField(run::LockField field);
    void addResult(const run::PageOutcome& outcome);
    void yield();

    frmMain& m_window;
    QElapsedTimer m_sinceEvents;
    std::map<core::PathString, std::vector<core::Finding>> m_findings;
};

} // namespace quorlane::wizard
