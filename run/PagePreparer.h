#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/PageFindings.h"
#include "core/ProtectionSettings.h"
#include "files/FileSystem.h"
#include "files/PageCodec.h"

namespace quorlane::run {

// A listed page read and, when it is an ordinary page, transformed and encoded ahead of its
// turn. The run uses it only when the file still stands as it was read; else it reads afresh.
struct PreparedPage
{
    bool read = false;
    std::string bytes;
    files::FileStamp stamp;
    files::DecodedPage decoded;
    bool protectedAlready = false;
    std::vector<core::Finding> findings;
    // The written page (marker included) of an ordinary page; empty for a frameset, for a page
    // left alone, or when the run transforms on its own side.
    bool transformed = false;
    std::string encoded;
};

// Prepares the pages of a list on worker threads, never more than a window ahead of the page
// the run has reached, and hands them over in list order. Workers only read files.
class PagePreparer
{
public:
    // transform false: the pages are read and decoded only.
    PagePreparer(files::FileSystem& fileSystem, const core::ProtectionSettings& settings,
                 bool transform, std::vector<core::PathString> paths, unsigned jobs);
    ~PagePreparer();
    PagePreparer(const PagePreparer&) = delete;
    PagePreparer& operator=(const PagePreparer&) = delete;

    // Waits for the page at index and gives it; index goes up by one from call to call.
    std::unique_ptr<PreparedPage> take(std::size_t index);

private:
    void work();
    std::unique_ptr<PreparedPage> prepare(const core::PathString& path) const;

    files::FileSystem& m_fileSystem;
    const core::ProtectionSettings& m_settings;
    const bool m_transform;
    const std::vector<core::PathString> m_paths;
    const std::size_t m_window;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<PreparedPage>> m_done;
    std::size_t m_next = 0;  // the next page a worker takes on
    std::size_t m_taken = 0; // the pages handed over
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

} // namespace quorlane::run
