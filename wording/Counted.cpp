#include "wording/Counted.h"

namespace quorlane::wording {

std::u16string Counted(std::size_t n, const Plural& forms)
{
    const std::u16string_view form = n == 1 ? forms.one : forms.many;
    const std::string digits = std::to_string(n);
    const std::u16string count(digits.begin(), digits.end());
    std::u16string text;
    text.reserve(form.size() + count.size());
    std::size_t start = 0;
    for (std::size_t at = form.find(u"%n"); at != std::u16string_view::npos;
         at = form.find(u"%n", start)) {
        text.append(form.substr(start, at - start));
        text.append(count);
        start = at + 2;
    }
    text.append(form.substr(start));
    return text;
}

} // namespace quorlane::wording
