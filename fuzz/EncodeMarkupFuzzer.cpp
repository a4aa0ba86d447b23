// EncodeMarkup: its writer blocks and kept script elements give the markup back, exactly.
#include <cstdlib>

#include "core/PageEncoder.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const std::u16string markup = input.text();
    const std::u16string encoded = core::EncodeMarkup(markup);
    if (core::MarkupEncoding(markup).size() != encoded.size()) {
        std::abort();
    }
    if (markup.find(core::writerBlockStart) == std::u16string::npos) {
        const test::DecodedPage decoded = test::DecodeWriterBlocks(encoded);
        if (!decoded.complete || decoded.plain != markup) {
            std::abort();
        }
    }
    const std::u16string escaped = core::EscapeText(markup);
    if (escaped.find_first_not_of(u"%u0123456789ABCDEF") != std::u16string::npos ||
        test::Unescape(escaped) != markup) {
        std::abort();
    }
    return 0;
}
