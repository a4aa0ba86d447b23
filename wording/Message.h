#pragma once

#include <string>

namespace quorlane::wording {

// A message for the user, shown by the wizard as a message box with an OK button.
struct Message
{
    enum class Icon
    {
        None,
        Warning,
        Information,
    };

    Icon icon = Icon::Warning;
    std::u16string title = u"Quorlane";
    std::u16string text;

    bool operator==(const Message&) const = default;
};

} // namespace quorlane::wording
