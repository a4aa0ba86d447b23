#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/HiddenPartSealer.h"
#include "core/PageFindings.h"
#include "core/PageSink.h"
#include "core/ProtectionSettings.h"
#include "files/FileSystem.h"
#include "files/PageCodec.h"
#include "run/HiddenTextIndex.h"
#include "run/RunHost.h"

// The steps one page goes through, from the bytes read to the bytes written and checked, each
// written once: the run, its workers that make pages ahead, `check` (which stops before
// anything is made) and the transform of one page all take them from here.
namespace quorlane::run {

// A page as read, and what a look at it finds before anything is made of it.
struct PageLook
{
    std::string bytes;
    files::FileStamp stamp;
    files::DecodedPage decoded;
    std::string sourceSha256; // of bytes
    bool protectedAlready = false;
    std::vector<core::Finding> findings;
};

// Decodes bytes and looks at the page: the protected-page marker, and its findings (for a page
// protected already, just that). A page in an encoding the system cannot read has none.
PageLook LookAtPage(std::string bytes, const files::FileStamp& stamp,
                    const core::ProtectionSettings& settings);

// Reads the page at path and looks at it; gives why it cannot be read.
files::Status ReadAndLook(files::FileSystem& fileSystem, const core::PathString& path,
                          const core::ProtectionSettings& settings, PageLook& look);

// Writes the protected page of text to out in encoding, marker included: a frameset whose
// frames were handled as it stands, any other page transformed. Nothing of the page is held
// whole twice; text is used as working storage. Gives why its hidden part could not be sealed.
std::optional<std::string> WriteProtectedPage(std::u16string& text, bool framesHandled,
                                              const core::ProtectionSettings& settings,
                                              const files::DecodedPage& page,
                                              core::HiddenPartSealer* sealer,
                                              files::PageWriter& out);

// A page made in memory, ready to be written: its bytes, their digest, what the check of
// written pages finds wrong with exactly these bytes, and the prints of the hidden part for
// the audit of what is published beside the pages. Or why its hidden part could not be sealed.
struct MadePage
{
    std::optional<std::string> sealFailure;
    std::string encoded;
    std::string encodedSha256;
    std::optional<PageFailure> writtenFault;
    std::optional<TextPrints> hiddenPrints;
};

// Makes, in memory, the protected page of an ordinary page looked at (not protected yet, in an
// encoding that can be read), and checks it as written.
MadePage MakePage(const PageLook& look, const core::ProtectionSettings& settings,
                  core::HiddenPartSealer* sealer);

} // namespace quorlane::run
