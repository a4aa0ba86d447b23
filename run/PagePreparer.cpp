#include "run/PagePreparer.h"

#include <algorithm>

#include "core/PageTransformer.h"
#include "core/TextSearch.h"
#include "run/PageCheck.h"

namespace quorlane::run {

PagePreparer::PagePreparer(files::FileSystem& fileSystem, const core::ProtectionSettings& settings,
                           bool transform, std::vector<core::PathString> paths, unsigned jobs)
    : m_fileSystem(fileSystem)
    , m_settings(settings)
    , m_transform(transform)
    , m_paths(std::move(paths))
    , m_window(std::size_t{jobs} * 2)
    , m_done(m_paths.size())
{
    for (unsigned worker = 0; worker < jobs; ++worker) {
        m_workers.emplace_back([this] { work(); });
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

void PagePreparer::work()
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
            page = prepare(m_paths[index]);
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

std::unique_ptr<PreparedPage> PagePreparer::prepare(const core::PathString& path) const
{
    auto page = std::make_unique<PreparedPage>();
    if (m_fileSystem.readFile(path, page->bytes, page->stamp)) {
        return std::make_unique<PreparedPage>();
    }
    page->read = true;
    page->decoded = files::DecodePage(page->bytes);
    const std::u16string_view text = page->decoded.text;
    page->protectedAlready = core::FindExact(text, core::protectedPageMarker) != core::npos;
    if (page->protectedAlready) {
        return page;
    }
    page->findings = CheckPage(page->decoded, page->bytes.size(), m_settings.protectMode);
    core::FrameScanner frames(text);
    std::u16string source;
    if (!m_transform || frames.next(source) != core::FrameScanner::Next::End || frames.foundAny()) {
        return page;
    }
    std::u16string protectedText(text);
    core::ProtectOrdinaryPage(protectedText, m_settings, page->decoded.declaredCharset, nullptr);
    protectedText += core::protectedPageMarker;
    page->encoded = files::EncodePage(protectedText, page->decoded.encoding);
    page->transformed = true;
    return page;
}

} // namespace quorlane::run
