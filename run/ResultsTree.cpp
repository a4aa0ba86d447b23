#include "run/ResultsTree.h"

namespace quorlane::run {

ResultsTree::Added ResultsTree::add(const FileRecord& record)
{
    ++m_pageCount;
    if (record.RootPath.empty()) {
        m_entries.push_back({false, record.Filename, {}});
        return {m_entries.size() - 1, false};
    }
    const auto [it, created] = m_folders.try_emplace(record.RootPath, m_entries.size());
    if (created) {
        m_entries.push_back({true, record.RootPath, {}});
    }
    m_entries[it->second].pages.push_back(record.Filename);
    return {it->second, created};
}

void ResultsTree::clear()
{
    m_entries.clear();
    m_folders.clear();
    m_pageCount = 0;
}

} // namespace quorlane::run
