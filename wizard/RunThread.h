#pragma once

#include <functional>
#include <thread>
#include <vector>

#include <QObject>

#include "files/FileSystem.h"
#include "run/ProtectionRun.h"
#include "wizard/WizardRunHost.h"

namespace quorlane::wizard {

// A protection run on a thread of its own, from its start to its return. Whenever events wait,
// takeEvents is called on the thread of receiver, which must outlive this. Destroying it
// cancels the run and waits for the page at work to be done with.
class RunThread
{
public:
    RunThread(QObject& receiver, std::function<void()> takeEvents,
              std::vector<run::SelectionEntry> selection, core::ProtectionSettings settings,
              const std::vector<std::u16string>& exclude = {}, bool replaceOthersFiles = false);
    ~RunThread();
    RunThread(const RunThread&) = delete;
    RunThread& operator=(const RunThread&) = delete;

    void requestCancel() { m_host.requestCancel(); }
    // The run waits at its next page boundary until release or requestCancel.
    void hold() { m_host.hold(); }
    void release() { m_host.release(); }
    bool waiting() const { return m_host.waiting(); }
    std::vector<RunEvent> take() { return m_host.take(); }

private:
    void work(const std::vector<run::SelectionEntry>& selection,
              const core::ProtectionSettings& settings);

    files::RealFileSystem m_fileSystem;
    WizardRunHost m_host;
    run::ProtectionRun m_run;
    std::thread m_thread;
};

} // namespace quorlane::wizard
