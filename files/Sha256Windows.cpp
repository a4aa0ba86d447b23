// SHA-256 on Windows, from the system's CNG (bcrypt).
#include <stdexcept>

#include "files/Sha256.h"

// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

namespace quorlane::files {

namespace {

constexpr ULONG digestBytes = 32;

std::string hexOf(const unsigned char* digest, ULONG length)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * length);
    for (ULONG k = 0; k < length; ++k) {
        hex.push_back(digits[digest[k] >> 4]);
        hex.push_back(digits[digest[k] & 15]);
    }
    return hex;
}

// The system's SHA-256 is always there: a failure of it is no case the program handles.
void mustHold(NTSTATUS status)
{
    if (status < 0) {
        throw std::runtime_error("SHA-256 is not available");
    }
}

} // namespace

std::string Sha256Hex(std::string_view bytes)
{
    Sha256 hash;
    hash.add(bytes);
    return hash.hex();
}

struct Sha256::Context
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;

    Context()
    {
        mustHold(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
        start();
    }
    ~Context()
    {
        if (hash != nullptr) {
            BCryptDestroyHash(hash);
        }
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    void start() { mustHold(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0)); }
};

Sha256::Sha256()
    : m_context(std::make_unique<Context>())
{
}

Sha256::~Sha256() = default;

void Sha256::add(std::string_view bytes)
{
    // One call takes at most 4 GiB.
    constexpr std::size_t slice = std::size_t(1) << 30;
    for (std::size_t at = 0; at < bytes.size(); at += slice) {
        const std::string_view part = bytes.substr(at, slice);
        mustHold(BCryptHashData(m_context->hash,
                                reinterpret_cast<UCHAR*>(const_cast<char*>(part.data())),
                                static_cast<ULONG>(part.size()), 0));
    }
}

std::string Sha256::hex()
{
    unsigned char digest[digestBytes];
    mustHold(BCryptFinishHash(m_context->hash, digest, digestBytes, 0));
    BCryptDestroyHash(m_context->hash);
    m_context->hash = nullptr;
    m_context->start();
    return hexOf(digest, digestBytes);
}

} // namespace quorlane::files
