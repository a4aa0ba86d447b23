#pragma once

#include <string_view>

namespace quorlane::core {

// The key filter of the four texts that go between single quotes into the page script (the
// right-click warning, the two lock texts and the password): an apostrophe, a quotation mark or
// a backslash would end or bend the string.
inline bool IsAllowedChar(char16_t c)
{
    return c != u'\'' && c != u'"' && c != u'\\';
}

// Whether text can stand between single quotes in the page script as it is: no character the
// key filter refuses, and no line break, which no typing brings but pasting could.
inline bool IsSafeScriptText(std::u16string_view text)
{
    for (char16_t c : text) {
        if (!IsAllowedChar(c) || c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029) {
            return false;
        }
    }
    return true;
}

// Whether text can stand in the notice comment at the top of a page: "-->" and "--!>" would end
// the comment early and let the rest of the text be read as markup.
inline constexpr std::u16string_view unsafeNoticeMessage =
    u"The notice may not hold \"-->\" or \"--!>\": either would end its comment early.";

inline bool IsSafeNoticeText(std::u16string_view text)
{
    return text.find(u"-->") == std::u16string_view::npos &&
           text.find(u"--!>") == std::u16string_view::npos;
}

} // namespace quorlane::core
