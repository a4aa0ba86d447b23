#include "core/ProtectionSettings.h"

namespace quorlane::core {

namespace {

std::u16string decimal(int value)
{
    std::u16string digits;
    for (char c : std::to_string(value)) {
        digits.push_back(static_cast<char16_t>(c));
    }
    return digits;
}

} // namespace

std::u16string CopyrightNoticeFor(int currentYear)
{
    std::u16string notice = u"\u00A9 ";
    notice += decimal(currentYear);
    notice += u'-';
    notice += decimal(currentYear + 1);
    notice += u' ';
    notice += sampleDomain;
    notice += u", All Rights Reserved.";
    return notice;
}

ProtectionSettings DefaultSettings(int currentYear, std::u16string_view programFolder,
                                   char16_t separator)
{
    ProtectionSettings settings;
    settings.copyrightNoticeText = CopyrightNoticeFor(currentYear);
    settings.saveDir = std::u16string(programFolder) + separator + u"backups";
    return settings;
}

} // namespace quorlane::core
