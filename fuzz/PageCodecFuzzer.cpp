// The page codec: any bytes decode without NUL; valid UTF-8, and any bytes read as
// Windows-1252, come back byte for byte (NUL aside).
#include <algorithm>
#include <cstdlib>

#include "core/Utf8.h"
#include "files/PageCodec.h"

using namespace quorlane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const files::DecodedPage page = files::DecodePage(bytes);
    if (page.text.find(u'\0') != std::u16string::npos) {
        std::abort();
    }
    std::string withoutNul = bytes;
    std::erase(withoutNul, '\0');
    const std::string back = files::EncodePage(page.text, page.encoding);
    const bool lossless = page.encoding.kind == files::Encoding::Windows1252 ||
                          (page.encoding.kind == files::Encoding::Utf8 && core::IsValidUtf8(bytes));
    if (lossless && page.declaredCharset.empty() && back != withoutNul) {
        std::abort();
    }
    // Read as Windows-1252, every byte comes back.
    files::PageEncoding western{files::Encoding::Windows1252, false};
    const files::DecodedPage asWestern = files::DecodePage("<meta charset=latin1>" + withoutNul);
    if (asWestern.encoding == western &&
        files::EncodePage(asWestern.text, western) != "<meta charset=latin1>" + withoutNul) {
        std::abort();
    }
    return 0;
}
