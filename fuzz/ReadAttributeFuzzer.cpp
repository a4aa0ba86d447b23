// ReadAttributeValue over any stretch of any text: it stays inside the stretch, and what it
// gives is trimmed of blanks and made of the stretch's characters in order.
#include <cstdlib>

#include "core/PageTransformer.h"
#include "fuzz/FuzzInput.h"

using namespace quorlane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const std::size_t first = input.byte();
    const std::size_t end = input.byte();
    const std::u16string text = input.text();
    const std::u16string value = core::ReadAttributeValue(first, end, text);
    if (!value.empty() && (value.front() == u' ' || value.back() == u' ')) {
        std::abort();
    }
    if (first >= std::min(end, text.size())) {
        if (!value.empty()) {
            std::abort();
        }
        return 0;
    }
    // A subsequence of the stretch.
    const std::u16string_view stretch =
        std::u16string_view(text).substr(first, std::min(end, text.size()) - first);
    std::size_t at = 0;
    for (char16_t c : value) {
        at = stretch.find(c, at);
        if (at == std::u16string_view::npos) {
            std::abort();
        }
        ++at;
    }
    return 0;
}
