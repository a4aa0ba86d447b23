#pragma once

#include <cstdint>
#include <vector>

#include "core/FileRecord.h"

namespace quorlane::files {

using core::FileRecord;
using core::PathString;

// The pages of one run, in the order they were added. The same path may stand more than once.
class clsFiles
{
public:
    // Appends a record, unless Filename is empty.
    void add(const PathString& Root, const PathString& Filename)
    {
        if (!Filename.empty()) {
            m_records.push_back(FileRecord{Root, Filename});
        }
    }
    std::int32_t Count() const { return static_cast<std::int32_t>(m_records.size()); }

    std::vector<FileRecord>::iterator begin() { return m_records.begin(); }
    std::vector<FileRecord>::iterator end() { return m_records.end(); }
    std::vector<FileRecord>::const_iterator begin() const { return m_records.begin(); }
    std::vector<FileRecord>::const_iterator end() const { return m_records.end(); }

private:
    std::vector<FileRecord> m_records;
};

} // namespace quorlane::files
