#include "run/PagePreparer.h"

#include <algorithm>

#include "core/PageTransformer.h"

namespace quorlane::run {

PagePreparer::PagePreparer(files::FileSystem& fileSystem, const core::ProtectionSettings& settings,
                           core::HiddenPartSealer* sealer, std::vector<core::PathString> paths,
                           std::vector<std::uint64_t> sizes, unsigned jobs)
    : m_fileSystem(fileSystem)
    , m_settings(settings)
    , m_paths(std::move(paths))
    , m_sizes(std::move(sizes))
    , m_window(std::size_t{jobs} * 4)
    , m_done(m_paths.size())
{
    for (unsigned worker = 0; sealer && worker < jobs; ++worker) {
        m_sealers.push_back(sealer->forAnotherThread());
        m_transform = m_transform && m_sealers.back() != nullptr;
    }
    for (unsigned worker = 0; worker < jobs; ++worker) {
        core::HiddenPartSealer* own = m_sealers.empty() ? nullptr : m_sealers[worker].get();
        m_workers.emplace_back([this, own] { work(own); });
    }
}

PagePreparer::~PagePreparer()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers) {
        worker.join();
    }
}

void PagePreparer::work(core::HiddenPartSealer* sealer)
{
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] {
                return m_stopping || m_next >= m_paths.size() || m_next < m_taken + m_window;
            });
            if (m_stopping || m_next >= m_paths.size()) {
                return;
            }
            index = m_next++;
        }
        std::unique_ptr<PreparedPage> page;
        try {
            page = prepare(m_paths[index], m_sizes[index], sealer);
        } catch (const std::exception&) {
            // Out of memory, say: the run then reads the page itself, and tells what fails.
            page = std::make_unique<PreparedPage>();
        }
        {
            const std::lock_guard lock(m_mutex);
            m_done[index] = std::move(page);
        }
        m_changed.notify_all();
    }
}

std::unique_ptr<PreparedPage> PagePreparer::take(std::size_t index)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_done[index] != nullptr; });
    std::unique_ptr<PreparedPage> page = std::move(m_done[index]);
    m_taken = index + 1;
    lock.unlock();
    m_changed.notify_all();
    return page;
}

std::unique_ptr<PreparedPage> PagePreparer::prepare(const core::PathString& path,
                                                    std::uint64_t size,
                                                    core::HiddenPartSealer* sealer) const
{
    // A large page is left for the run, which makes it while it writes it instead of holding
    // it several times over in memory; one that has grown since is let go once read.
    if (size > largestPreparedPage) {
        return std::make_unique<PreparedPage>();
    }
    auto page = std::make_unique<PreparedPage>();
    if (ReadAndLook(m_fileSystem, path, m_settings, page->look).failed() ||
        page->look.bytes.size() > largestPreparedPage) {
        return std::make_unique<PreparedPage>();
    }
    page->read = true;
    const PageLook& look = page->look;
    if (look.protectedAlready || look.decoded.encodingUnavailable || !m_transform) {
        return page;
    }
    core::FrameScanner frames(look.decoded.text);
    std::u16string source;
    if (frames.next(source) == core::FrameScanner::Next::End && !frames.foundAny()) {
        page->made = MakePage(look, m_settings, sealer);
    }
    return page;
}

} // namespace quorlane::run
