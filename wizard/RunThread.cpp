#include "wizard/RunThread.h"

#include <exception>

namespace quorlane::wizard {

RunThread::RunThread(QObject& receiver, std::function<void()> takeEvents,
                     std::vector<run::SelectionEntry> selection, core::ProtectionSettings settings,
                     const std::vector<std::u16string>& exclude, bool replaceOthersFiles)
    : m_host([&receiver, takeEvents = std::move(takeEvents)] {
        QMetaObject::invokeMethod(&receiver, takeEvents, Qt::QueuedConnection);
    })
    , m_run(m_host, m_fileSystem)
    , m_thread([this, selection = std::move(selection), settings = std::move(settings),
                exclude = files::ExcludePatterns(exclude), replaceOthersFiles]() mutable {
        m_run.setExclude(std::move(exclude));
        m_run.setReplaceOthersFiles(replaceOthersFiles);
        work(selection, settings);
    })
{
}

RunThread::~RunThread()
{
    m_host.requestCancel();
    m_thread.join();
}

void RunThread::work(const std::vector<run::SelectionEntry>& selection,
                     const core::ProtectionSettings& settings)
{
    RunReturned end;
    m_run.setJobs(run::ProtectionRun::machineJobs());
    try {
        end.summary = m_run.RunProtection(selection, settings);
    } catch (const std::exception& failure) {
        end.failure = failure.what();
    }
    m_host.returned(std::move(end));
}

} // namespace quorlane::wizard
