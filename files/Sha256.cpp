#include "files/Sha256.h"

#include <openssl/evp.h>
#include <stdexcept>

namespace quorlane::files {

std::string Sha256Hex(std::string_view bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 is not available");
    }
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * length);
    for (unsigned int k = 0; k < length; ++k) {
        hex.push_back(digits[digest[k] >> 4]);
        hex.push_back(digits[digest[k] & 15]);
    }
    return hex;
}

} // namespace quorlane::files
