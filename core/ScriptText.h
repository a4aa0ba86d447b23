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

} // namespace quorlane::core
