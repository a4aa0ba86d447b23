#include "files/Idna.h"

#include <cstdint>
#include <memory>
#include <unicode/uidna.h>

namespace quorlane::files {

namespace {

struct IdnaCloser
{
    void operator()(UIDNA* idna) const { uidna_close(idna); }
};

// Browsers leave out the hyphen checks and the DNS length checks.
constexpr std::uint32_t ignoredErrors =
    UIDNA_ERROR_EMPTY_LABEL | UIDNA_ERROR_LABEL_TOO_LONG | UIDNA_ERROR_DOMAIN_NAME_TOO_LONG |
    UIDNA_ERROR_LEADING_HYPHEN | UIDNA_ERROR_TRAILING_HYPHEN | UIDNA_ERROR_HYPHEN_3_4;

} // namespace

std::optional<std::u16string> IdnaHostToAscii(std::u16string_view host)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UIDNA, IdnaCloser> idna(uidna_openUTS46(
        UIDNA_NONTRANSITIONAL_TO_ASCII | UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ, &status));
    if (U_FAILURE(status) || host.size() > 0x7FFF) {
        return std::nullopt;
    }
    std::u16string ascii(host.size() + 16, u'\0');
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    const auto convert = [&] {
        status = U_ZERO_ERROR;
        return uidna_nameToASCII(idna.get(), host.data(), static_cast<int32_t>(host.size()),
                                 ascii.data(), static_cast<int32_t>(ascii.size()), &info, &status);
    };
    int32_t length = convert();
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        ascii.resize(static_cast<std::size_t>(length));
        length = convert();
    }
    if (U_FAILURE(status) || (info.errors & ~ignoredErrors) != 0) {
        return std::nullopt;
    }
    ascii.resize(static_cast<std::size_t>(length));
    return ascii;
}

} // namespace quorlane::files
