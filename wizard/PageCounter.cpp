#include "wizard/PageCounter.h"

#include "wizard/PageCount.h"

namespace quorlane::wizard {

PageCounter::PageCounter(QObject& receiver, Done done)
    : m_receiver(receiver)
    , m_done(std::move(done))
    , m_thread([this] { work(); })
{
}

PageCounter::~PageCounter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_wake.notify_one();
    m_thread.join();
}

std::uint64_t PageCounter::count(core::PathString folder, core::PathString addedFolder,
                                 files::ExcludePatterns exclude)
{
    std::uint64_t ticket = 0;
    {
        const std::lock_guard lock(m_mutex);
        ticket = ++m_lastTicket;
        m_jobs.push_back({ticket, std::move(folder), std::move(addedFolder), std::move(exclude)});
    }
    m_wake.notify_one();
    return ticket;
}

void PageCounter::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_stopping) {
            return;
        }
        const Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        const std::size_t pages = CountPages(job.folder, job.addedFolder, job.exclude);
        // Handed over while the lock is held, so that no count is posted once the destructor
        // has said stop: the receiver may be going.
        lock.lock();
        if (m_stopping) {
            return;
        }
        QMetaObject::invokeMethod(
            &m_receiver, [done = m_done, ticket = job.ticket, pages] { done(ticket, pages); },
            Qt::QueuedConnection);
    }
}

} // namespace quorlane::wizard
