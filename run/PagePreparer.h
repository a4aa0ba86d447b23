#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/HiddenPartSealer.h"
#include "core/ProtectionSettings.h"
#include "files/FileSystem.h"
#include "run/PagePipeline.h"

namespace quorlane::run {

// A listed page read and looked at, and, when it is an ordinary page, made ahead of its turn
// (not for a frameset, a page left alone, or when the run seals on its own side). The run uses
// it only when the file still stands as it was read; else it reads afresh.
struct PreparedPage
{
    bool read = false;
    PageLook look;
    std::optional<MadePage> made;
};

// The largest page prepared ahead; a larger one is left unread, for the run to take on its own.
inline constexpr std::uint64_t largestPreparedPage = std::uint64_t{4} << 20;

// Prepares the pages of a list on worker threads, never more than a window ahead of the page
// the run has reached, and hands them over in list order. Workers only read files.
class PagePreparer
{
public:
    // sizes: of the pages at paths, as the run took them. sealer: the run's, when it seals hidden
    // parts; the pages are then only read and decoded unless it can give each worker a sealer of
    // its own.
    PagePreparer(files::FileSystem& fileSystem, const core::ProtectionSettings& settings,
                 core::HiddenPartSealer* sealer, std::vector<core::PathString> paths,
                 std::vector<std::uint64_t> sizes, unsigned jobs);
    ~PagePreparer();
    PagePreparer(const PagePreparer&) = delete;
    PagePreparer& operator=(const PagePreparer&) = delete;

    // Waits for the page at index and gives it; index goes up by one from call to call.
    std::unique_ptr<PreparedPage> take(std::size_t index);

private:
    void work(core::HiddenPartSealer* sealer);
    std::unique_ptr<PreparedPage> prepare(const core::PathString& path, std::uint64_t size,
                                          core::HiddenPartSealer* sealer) const;

    files::FileSystem& m_fileSystem;
    const core::ProtectionSettings& m_settings;
    bool m_transform = true;
    const std::vector<core::PathString> m_paths;
    const std::vector<std::uint64_t> m_sizes;
    const std::size_t m_window;
    std::vector<std::unique_ptr<core::HiddenPartSealer>> m_sealers; // one per worker, if any
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<PreparedPage>> m_done;
    std::size_t m_next = 0;  // the next page a worker takes on
    std::size_t m_taken = 0; // the pages handed over
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

} // namespace quorlane::run
