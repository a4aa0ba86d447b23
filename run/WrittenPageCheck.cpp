#include "run/WrittenPageCheck.h"

#include <vector>

#include "core/PageVerifier.h"
#include "core/SealedPage.h"
#include "files/ReadBack.h"

namespace quorlane::run {

std::optional<PageFailure> CheckWrittenPage(std::string_view bytes, std::u16string_view original,
                                            const files::PageEncoding& encoding,
                                            const core::ProtectionSettings& settings,
                                            bool keptAsItIs, core::HiddenPartSealer* sealer,
                                            WrittenPageScratch& scratch)
{
    if (!files::ReadBackInto(bytes, encoding, scratch.text)) {
        PageFailure failure;
        failure.kind = PageFailure::Kind::NotInEncoding;
        failure.detail = encoding.name();
        return failure;
    }
    std::vector<core::WriterBlockShape> shapes{core::EscapedWriterBlock()};
    if (sealer) {
        shapes.push_back(core::SealedWriterBlock(*sealer));
    }
    if (const auto fault = core::VerifyProtectedPage(original, scratch.text, settings, keptAsItIs,
                                                     shapes, &scratch.revealed)) {
        PageFailure failure;
        failure.kind = PageFailure::Kind::NotVerified;
        failure.fault = fault->kind;
        failure.count = core::LineAt(original, fault->originalAt);
        return failure;
    }
    return std::nullopt;
}

} // namespace quorlane::run
