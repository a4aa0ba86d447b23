#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include <QObject>

#include "core/FileRecord.h"
#include "files/ExcludePatterns.h"

namespace quorlane::wizard {

// Counts the pages of folders on a thread of its own, one folder after another, so that a large
// folder tree never holds the window; each count is handed to done on the thread of receiver,
// which must outlive this. Destroying it drops the folders still waiting and waits for the one
// being counted.
class PageCounter
{
public:
    using Done = std::function<void(std::uint64_t ticket, std::size_t pages)>;
    PageCounter(QObject& receiver, Done done);
    ~PageCounter();
    PageCounter(const PageCounter&) = delete;
    PageCounter& operator=(const PageCounter&) = delete;

    // Asks for the count of folder (CountPages); gives the ticket its count comes back with.
    std::uint64_t count(core::PathString folder, core::PathString addedFolder,
                        files::ExcludePatterns exclude);

private:
    struct Job
    {
        std::uint64_t ticket;
        core::PathString folder;
        core::PathString addedFolder;
        files::ExcludePatterns exclude;
    };
    void work();

    QObject& m_receiver;
    Done m_done;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    std::uint64_t m_lastTicket = 0;
    bool m_stopping = false;
    std::thread m_thread; // last: it starts once the rest is made
};

} // namespace quorlane::wizard
