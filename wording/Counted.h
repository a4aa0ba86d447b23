#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Texts that count something, in the form that fits the count: the two English forms of each
// are kept together, and "%n" in them stands for the count, as in the window's translation.
namespace quorlane::wording {

struct Plural
{
    std::u16string_view one;
    std::u16string_view many;
};

// The form of forms that fits n, with n written in decimal for each "%n".
std::u16string Counted(std::size_t n, const Plural& forms);

// The texts of the command line that count pages and files.
inline constexpr Plural protectedFiles{u"The following %n file has been protected",
                                       u"The following %n files have been protected"};
inline constexpr Plural copiedFiles{u"%n other file of the folders was copied as it is",
                                    u"%n other files of the folders were copied as they are"};
inline constexpr Plural checkedPages{u"Checked %n page", u"Checked %n pages"};
inline constexpr Plural warningsCounted{u"%n warning", u"%n warnings"};
inline constexpr Plural onPages{u"on %n page", u"on %n pages"};
inline constexpr Plural notesCounted{u"%n note", u"%n notes"};
inline constexpr Plural ofPages{u"of %n page", u"of %n pages"};
inline constexpr Plural backupsInSite{
    u"%n backup inside the site (NAME.bak beside its page) holds the page in clear, and is "
    u"published with it unless removed or kept elsewhere (--backup-dir DIR).",
    u"%n backups inside the site (NAME.bak beside each page) hold the pages in clear, and are "
    u"published with it unless removed or kept elsewhere (--backup-dir DIR)."};
inline constexpr Plural moreFrames{u" (and %n more frame)", u" (and %n more frames)"};
inline constexpr Plural scriptWrittenLinks{
    u"%n link (%s) stands in a script that writes markup; the link modes do not reach it, so "
    u"the page writes it in clear.",
    u"%n links (%s) stand in scripts that write markup; the link modes do not reach them, so "
    u"the page writes them in clear."};

} // namespace quorlane::wording
