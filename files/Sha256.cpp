#include "files/Sha256.h"

#include <openssl/evp.h>
#include <stdexcept>

namespace quorlane::files {

namespace {

std::string hexOf(const unsigned char* digest, unsigned int length)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * length);
    for (unsigned int k = 0; k < length; ++k) {
        hex.push_back(digits[digest[k] >> 4]);
        hex.push_back(digits[digest[k] & 15]);
    }
    return hex;
}

// OpenSSL's SHA-256 is always there: a failure of it is no case the program handles.
void mustHold(bool done)
{
    if (!done) {
        throw std::runtime_error("SHA-256 is not available");
    }
}

} // namespace

std::string Sha256Hex(std::string_view bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    mustHold(EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) == 1);
    return hexOf(digest, length);
}

struct Sha256::Context
{
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256()
    : m_context(std::make_unique<Context>())
{
    mustHold(m_context->context != nullptr &&
             EVP_DigestInit_ex(m_context->context, EVP_sha256(), nullptr) == 1);
}

Sha256::~Sha256() = default;

void Sha256::add(std::string_view bytes)
{
    mustHold(EVP_DigestUpdate(m_context->context, bytes.data(), bytes.size()) == 1);
}

std::string Sha256::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    mustHold(EVP_DigestFinal_ex(m_context->context, digest, &length) == 1);
    mustHold(EVP_DigestInit_ex(m_context->context, EVP_sha256(), nullptr) == 1);
    return hexOf(digest, length);
}

} // namespace quorlane::files
