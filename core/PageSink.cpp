#include "core/PageSink.h"

#include <algorithm>

#include "core/PageEncoder.h"
#include "core/SealedPage.h"

namespace quorlane::core {

void PageSink::appendEscaped(std::u16string_view text)
{
    constexpr std::size_t slice = 1 << 12;
    std::u16string escaped;
    escaped.reserve(6 * slice);
    for (std::size_t i = 0; i < text.size(); i += slice) {
        escaped.clear();
        AppendEscaped(escaped, text.substr(i, std::min(slice, text.size() - i)));
        append(escaped);
    }
}

void PageSink::appendSealed(std::u16string_view text, HiddenPartSealer& sealer)
{
    std::u16string sealed;
    sealer.appendSealed(sealed, text);
    append(sealed);
}

void WriteWriterBlock(PageSink& out, std::u16string_view text, HiddenPartSealer* sealer)
{
    if (sealer != nullptr) {
        out.append(sealedBlockStart);
        out.appendSealed(text, *sealer);
    } else {
        out.append(writerBlockStart);
        out.appendEscaped(text);
    }
    out.append(writerBlockEnd);
}

void StringSink::appendEscaped(std::u16string_view text)
{
    AppendEscaped(m_text, text);
}

} // namespace quorlane::core
