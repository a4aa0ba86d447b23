#include "run/LeakAudit.h"

#include <algorithm>

#include "files/PageCodec.h"

namespace quorlane::run {

namespace {

// A file holding NUL bytes near its start, and no byte-order mark of UTF-16, holds no text.
bool HoldsText(std::string_view bytes)
{
    constexpr std::size_t looked = 8192;
    const bool utf16 = bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                             (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
    return utf16 || bytes.substr(0, looked).find('\0') == std::string_view::npos;
}

// The first part of a path below the added folder when there are more: the folder below the
// added folder that holds it.
std::u16string FirstFolder(std::u16string_view relative)
{
    const std::size_t slash = relative.find(u'/');
    return std::u16string(slash == std::u16string_view::npos ? std::u16string_view()
                                                             : relative.substr(0, slash));
}

} // namespace

std::optional<TextPrints> PublishedFilePrints(std::string_view bytes)
{
    if (!HoldsText(bytes)) {
        return std::nullopt;
    }
    TextPrints prints;
    TextPrinter printer(prints);
    printer.add(files::DecodePage(bytes).text);
    printer.finish();
    return prints;
}

std::u16string RelativeText(const core::FileRecord& file)
{
    std::u16string relative = core::TextFromPath(file.Filename);
    std::replace(relative.begin(), relative.end(), u'\\', u'/');
    relative.erase(0, relative.find_first_not_of(u'/'));
    return relative;
}

void LeakAudit::addPage(const core::FileRecord& place, const core::PathString& page,
                        const TextPrints& prints)
{
    m_index.add(prints);
    m_settled = false;
    m_pages.push_back(page);
    if (std::u16string folder = FirstFolder(RelativeText(place)); !folder.empty()) {
        m_pageFolders.insert(std::move(folder));
    }
}

// The folder that holds the file, below its added folder, when no protected page lies in it;
// else the file alone, from the added folder.
std::u16string LeakAudit::excludeFor(const core::FileRecord& file) const
{
    const std::u16string relative = RelativeText(file);
    const std::u16string folder = FirstFolder(relative);
    if (!folder.empty() && !m_pageFolders.contains(folder)) {
        return folder + u"/";
    }
    return u"/" + relative;
}

bool LeakAudit::audit(files::FileSystem& fileSystem, const core::FileRecord& file, bool withheld)
{
    std::string bytes;
    if (m_index.pages() == 0 || fileSystem.readFile(file.fullPath(), bytes).failed()) {
        return false;
    }
    const std::optional<TextPrints> prints = PublishedFilePrints(bytes);
    if (!prints) {
        return false;
    }
    if (!m_settled) {
        m_index.settle();
        m_settled = true;
    }
    const std::vector<HiddenTextIndex::Page> pages = m_index.givenAway(*prints);
    if (pages.empty()) {
        return false;
    }
    const std::u16string exclude = excludeFor(file);
    const auto [at, added] = m_groupOf.try_emplace(exclude, m_groups.size());
    if (added) {
        m_groups.push_back(
            {{exclude, file.fullPath(), 0, m_pages[pages.front()], 0, withheld}, {}});
    }
    Group& group = m_groups[at->second];
    ++group.leak.files;
    group.leak.withheld = group.leak.withheld && withheld;
    group.pages.insert(pages.begin(), pages.end());
    return true;
}

std::vector<PublishedLeak> LeakAudit::leaks() const
{
    std::vector<PublishedLeak> leaks;
    for (const Group& group : m_groups) {
        leaks.push_back(group.leak);
        leaks.back().pages = group.pages.size();
    }
    return leaks;
}

} // namespace quorlane::run
