#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/FileRecord.h"

namespace quorlane::run {

using core::FileRecord;
using core::PathString;

// The results of a run as the results tree shows them: a top-level node per page picked on its
// own, and a top-level folder node per RootPath, created the first time a page with that
// RootPath is recorded, holding that folder's page nodes in the order recorded.
class ResultsTree
{
public:
    struct Entry
    {
        bool isFolder = false;
        PathString text;               // the folder's RootPath, or the page's Filename
        std::vector<PathString> pages; // a folder's page nodes
    };

    // Where a recorded page went.
    struct Added
    {
        std::size_t entry; // index of the top-level entry that holds (or is) the page node
        bool newFolder;    // the folder node was created for this page
    };

    Added add(const FileRecord& record);
    void clear();

    const std::vector<Entry>& entries() const { return m_entries; }
    // Page nodes only; folder nodes do not count.
    std::size_t pageCount() const { return m_pageCount; }

private:
    std::vector<Entry> m_entries;
    std::unordered_map<PathString, std::size_t> m_folders;
    std::size_t m_pageCount = 0;
};

} // namespace quorlane::run
