#include "run/PagePipeline.h"

#include <sstream>

#include "core/PageTransformer.h"
#include "core/TextSearch.h"
#include "files/Sha256.h"
#include "run/PageCheck.h"
#include "run/WrittenPageCheck.h"

namespace quorlane::run {

PageLook LookAtPage(std::string bytes, const files::FileStamp& stamp,
                    const core::ProtectionSettings& settings)
{
    PageLook look;
    look.bytes = std::move(bytes);
    look.stamp = stamp;
    look.sourceSha256 = files::Sha256Hex(look.bytes);
    look.decoded = files::DecodePage(look.bytes);
    if (look.decoded.encodingUnavailable) {
        return look;
    }
    look.protectedAlready =
        core::FindExact(look.decoded.text, core::protectedPageMarker) != core::npos;
    look.findings = CheckPage(look.decoded, look.bytes.size(), settings.protectMode);
    return look;
}

files::Status ReadAndLook(files::FileSystem& fileSystem, const core::PathString& path,
                          const core::ProtectionSettings& settings, PageLook& look)
{
    std::string bytes;
    const files::Result<files::FileStamp> read = fileSystem.readFile(path, bytes);
    if (read.failed()) {
        return read.error();
    }
    look = LookAtPage(std::move(bytes), read.value(), settings);
    return {};
}

std::optional<std::string> WriteProtectedPage(std::u16string& text, bool framesHandled,
                                              const core::ProtectionSettings& settings,
                                              const files::DecodedPage& page,
                                              core::HiddenPartSealer* sealer,
                                              files::PageWriter& out)
{
    if (framesHandled) {
        out.append(text);
    } else {
        core::WriteOrdinaryPage(text, settings, page.declaredCharset, out, sealer);
    }
    out.append(core::protectedPageMarker);
    return sealer ? sealer->takeFailure() : std::nullopt;
}

MadePage MakePage(const PageLook& look, const core::ProtectionSettings& settings,
                  core::HiddenPartSealer* sealer)
{
    MadePage made;
    std::ostringstream bytes;
    files::PageWriter writer(bytes, look.decoded.encoding);
    std::u16string text = look.decoded.text;
    made.sealFailure = WriteProtectedPage(text, false, settings, look.decoded, sealer, writer);
    if (made.sealFailure) {
        return made;
    }
    writer.finish();
    made.encoded = std::move(bytes).str();
    made.encodedSha256 = files::Sha256Hex(made.encoded);
    WrittenPageScratch scratch;
    made.writtenFault = CheckWrittenPage(made.encoded, look.decoded.text, look.decoded.encoding,
                                         settings, false, sealer, scratch);
    made.hiddenPrints = HiddenTextPrints(look.decoded.text, settings.protectMode);
    return made;
}

} // namespace quorlane::run
