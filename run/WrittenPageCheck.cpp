#include "run/WrittenPageCheck.h"

#include <vector>

#include "core/PageVerifier.h"
#include "core/SealedPage.h"
#include "files/ReadBack.h"

namespace quorlane::run {

std::vector<core::WriterBlockShape> WriterBlockShapes(core::HiddenPartSealer* sealer)
{
    std::vector<core::WriterBlockShape> shapes{core::EscapedWriterBlock()};
    if (sealer) {
        shapes.push_back(core::SealedWriterBlock(*sealer));
    }
    return shapes;
}

PageFailure NotInEncodingFailure(const files::PageEncoding& encoding)
{
    PageFailure failure;
    failure.kind = PageFailure::Kind::NotInEncoding;
    failure.detail = encoding.name();
    return failure;
}

PageFailure NotVerifiedFailure(const core::VerifyFault& fault, std::u16string_view original)
{
    PageFailure failure;
    failure.kind = PageFailure::Kind::NotVerified;
    failure.fault = fault.kind;
    failure.count = core::LineAt(original, fault.originalAt);
    return failure;
}

std::optional<PageFailure> CheckWrittenPage(std::string_view bytes, std::u16string_view original,
                                            const files::PageEncoding& encoding,
                                            const core::ProtectionSettings& settings,
                                            bool keptAsItIs, core::HiddenPartSealer* sealer,
                                            WrittenPageScratch& scratch)
{
    if (!files::ReadBackInto(bytes, encoding, scratch.text)) {
        return NotInEncodingFailure(encoding);
    }
    if (const auto fault =
            core::VerifyProtectedPage(original, scratch.text, settings, keptAsItIs,
                                      WriterBlockShapes(sealer), &scratch.revealed)) {
        return NotVerifiedFailure(*fault, original);
    }
    return std::nullopt;
}

} // namespace quorlane::run
