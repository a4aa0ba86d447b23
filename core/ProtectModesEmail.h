#pragma once

#include <cstddef>
#include <string_view>

#include "core/HiddenPartSealer.h"
#include "core/PageSink.h"

namespace quorlane::core::modes {

// The e-mail links mode (its own file: links met again and again).
void WriteEmailLinks(std::u16string_view page, PageSink& out, HiddenPartSealer* sealer);

// How many units of encodings made before the e-mail links mode may encode again, over a whole
// page of pageSize units. A link whose element holds an encoding is encoded whole, the encoding
// inside escaped once more, at least three times its size: links nested a few levels deep
// would make a page of a kilobyte gigabytes long. Once a link would overspend the budget, it
// and every later link whose element would hold an encoding are passed over as links without
// an end tag.
constexpr std::size_t ReencodingBudget(std::size_t pageSize)
{
    return 4 * pageSize + (std::size_t{1} << 22);
}

} // namespace quorlane::core::modes
