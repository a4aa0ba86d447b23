#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/HiddenPartSealer.h"
#include "core/ProtectionSettings.h"
#include "files/PageCodec.h"
#include "run/RunHost.h"

namespace quorlane::run {

// The buffers of the check of written pages, kept from page to page: a large page's memory is
// not handed out afresh.
struct WrittenPageScratch
{
    std::u16string text;
    std::u16string revealed;
};

// Checks bytes, a protected page as written, with a reader of its own: that they are in
// encoding and hold original under settings (keptAsItIs: a frameset whose frames were
// protected). Gives why the page is refused, its path left for the caller to name; sealer: the
// sealer of the run, whose sealed parts the page may hold.
std::optional<PageFailure> CheckWrittenPage(std::string_view bytes, std::u16string_view original,
                                            const files::PageEncoding& encoding,
                                            const core::ProtectionSettings& settings,
                                            bool keptAsItIs, core::HiddenPartSealer* sealer,
                                            WrittenPageScratch& scratch);

} // namespace quorlane::run
