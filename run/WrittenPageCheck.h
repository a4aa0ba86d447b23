#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/HiddenPartSealer.h"
#include "core/PageVerifier.h"
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

// The writer blocks a written page may hold: escaped ones, and sealed ones when the run seals.
std::vector<core::WriterBlockShape> WriterBlockShapes(core::HiddenPartSealer* sealer);

// What the check of a written page tells: bytes that are not in encoding, or the fault it found
// against original.
PageFailure NotInEncodingFailure(const files::PageEncoding& encoding);
PageFailure NotVerifiedFailure(const core::VerifyFault& fault, std::u16string_view original);

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
