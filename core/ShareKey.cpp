#include "core/ShareKey.h"

namespace quorlane::core {

std::u16string UrlSafeBase64(std::u16string base64)
{
    while (!base64.empty() && base64.back() == u'=') {
        base64.pop_back();
    }
    for (char16_t& c : base64) {
        c = c == u'+' ? u'-' : c == u'/' ? u'_' : c;
    }
    return base64;
}

} // namespace quorlane::core
