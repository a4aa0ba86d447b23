#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// What the owner chooses of the unlock form of encrypted pages beyond the password: how long
// a "remember me" box keeps the key, the form's texts and colours, and a form of their own.
namespace quorlane::core {

inline constexpr std::uint32_t maximumRememberDays = 3650;

// Texts and colours of the unlock form by name, over the unlock script's English defaults.
using UnlockTexts = std::map<std::u16string, std::u16string>;

// Whether name is one that --unlock-text takes: a text of the form or one of its colours.
bool IsUnlockTextName(std::u16string_view name);
bool IsUnlockColourName(std::u16string_view name);

// The names --unlock-text takes, comma separated, for messages and help.
std::string UnlockTextNames();

// Why value cannot stand for name, or nothing when it can. A colour is "#" and 3, 4, 6 or 8
// hexadecimal digits, or a colour's name in letters only, so that it can only be a colour.
std::optional<std::string> UnlockTextRefusal(std::u16string_view name, std::u16string_view value);

// Why markup cannot be an unlock form: it needs a form element and the password field, an
// element with id="p".
std::optional<std::string> UnlockTemplateRefusal(std::u16string_view markup);

struct UnlockChoices
{
    std::uint32_t rememberDays = 0;
    UnlockTexts texts;
    std::u16string formTemplate;

    bool operator==(const UnlockChoices&) const = default;
};

// The options argument of qv_unlock as a script object literal; empty when every choice is
// the default, so that such pages call it as before.
std::u16string UnlockOptionsLiteral(const UnlockChoices& choices);

} // namespace quorlane::core
