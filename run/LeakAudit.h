#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/FileRecord.h"
#include "files/FileSystem.h"
#include "run/HiddenTextIndex.h"
#include "run/RunHost.h"

namespace quorlane::run {

// Compares the files that stand beside protected pages in a published tree (copied files, the
// other files of the site) with the hidden parts of those pages. Every file is read once and
// looked up print by print, so the audit takes time in proportion to what it reads.
class LeakAudit
{
public:
    // A protected page: its place in its added folder, its path, and its hidden part's prints.
    void addPage(const core::FileRecord& place, const core::PathString& page,
                 const TextPrints& prints);
    bool empty() const { return m_index.pages() == 0; }
    // Reads file (its place in its added folder) and keeps what it gives away; true when it
    // gives away any page. A file that cannot be read, or holds no text, gives nothing away.
    bool audit(files::FileSystem& fileSystem, const core::FileRecord& file, bool withheld);
    std::vector<PublishedLeak> leaks() const;

private:
    struct Group
    {
        PublishedLeak leak;
        std::unordered_set<HiddenTextIndex::Page> pages;
    };
    std::u16string excludeFor(const core::FileRecord& file) const;

    HiddenTextIndex m_index;
    std::vector<core::PathString> m_pages;
    // The folders right below an added folder that hold protected pages, by name.
    std::unordered_set<std::u16string> m_pageFolders;
    std::vector<Group> m_groups;
    std::unordered_map<std::u16string, std::size_t> m_groupOf;
    bool m_settled = false; // since the last page was added
};

// A place below an added folder as text, parts separated by "/", with no leading one.
std::u16string RelativeText(const core::FileRecord& file);

// The prints of a published file's text, or nothing when it holds no text (a picture, say).
std::optional<TextPrints> PublishedFilePrints(std::string_view bytes);

} // namespace quorlane::run
