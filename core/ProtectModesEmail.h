#pragma once

#include <string_view>

#include "core/HiddenPartSealer.h"
#include "core/PageSink.h"

namespace quorlane::core::modes {

// The e-mail links mode (its own file: links met again and again).
void WriteEmailLinks(std::u16string_view page, PageSink& out, HiddenPartSealer* sealer);

} // namespace quorlane::core::modes
