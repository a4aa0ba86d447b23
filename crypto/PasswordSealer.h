#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/HiddenPartSealer.h"
#include "core/ProtectionSettings.h"
#include "core/ShareKey.h"

namespace quorlane::crypto {

inline constexpr std::size_t saltBytes = 16;
inline constexpr std::size_t keyBytes = 32;
inline constexpr std::size_t nonceBytes = 12;
inline constexpr std::size_t tagBytes = 16;

using Salt = std::array<unsigned char, saltBytes>;

// Seals hidden parts with AES-256-GCM under one key, derived once with PBKDF2-HMAC-SHA256 from
// the password's UTF-8 bytes, a random salt and the iteration count. A sealed text is the
// base64 of a fresh random 96-bit nonce, the ciphertext of the markup's UTF-8 bytes and the
// 128-bit tag. Not for use by two threads at once: each thread seals with a sealer of its own
// from forAnotherThread.
class PasswordSealer final : public core::HiddenPartSealer
{
public:
    // Derives the key. When that fails (OpenSSL fails, the iteration count is out of range),
    // failed() tells it, and the sealer seals nothing.
    PasswordSealer(std::u16string_view password, std::uint32_t iterations, const Salt& salt);
    ~PasswordSealer() override;
    PasswordSealer(const PasswordSealer&) = delete;
    PasswordSealer& operator=(const PasswordSealer&) = delete;

    // With a fresh random salt.
    static std::unique_ptr<PasswordSealer> ForPassword(std::u16string_view password,
                                                       std::uint32_t iterations);

    // What failed while the key was made, or nothing.
    const std::optional<std::string>& failed() const { return m_setupFailure; }

    void appendSealed(std::u16string& out, std::u16string_view markup) override;
    std::optional<std::string> takeFailure() override;
    bool openSealed(std::u16string_view sealed, std::u16string& out) override;
    const core::UnlockParameters& unlockParameters() const override { return m_parameters; }
    std::u16string shareKey() const override
    {
        return m_setupFailure ? std::u16string() : core::UrlSafeBase64(keyInBase64());
    }
    // Shares the key and the count of sealed parts; draws random nonces of its own.
    std::unique_ptr<core::HiddenPartSealer> forAnotherThread() override;

private:
    struct Cipher;

    // A sealer under the key of other; the check value is not sealed again.
    explicit PasswordSealer(const PasswordSealer& other, int);
    bool setUpCiphers();
    std::u16string keyInBase64() const;

    // Random nonces drawn from OpenSSL in batches, each handed out once: one call per nonce
    // would cost more than sealing a small part.
    const unsigned char* nextNonce();
    void fail(std::string what);

    std::array<unsigned char, keyBytes> m_key{};
    std::array<unsigned char, 256 * nonceBytes> m_nonces{};
    std::size_t m_noncesUsed = 256;
    std::unique_ptr<Cipher> m_cipher;
    std::unique_ptr<Cipher> m_opener;
    std::string m_plain;
    std::string m_sealed;
    std::string m_opened;
    // Of every sealer under this key, on whatever thread.
    std::shared_ptr<std::atomic<std::uint64_t>> m_sealCount;
    core::UnlockParameters m_parameters;
    std::optional<std::string> m_setupFailure;
    std::optional<std::string> m_failure;
};

// The sealer of a run with these settings: one with a fresh salt when the password lock is on
// and encrypts, else none; or why it could not be made.
struct SealerResult
{
    std::unique_ptr<core::HiddenPartSealer> sealer;
    std::optional<std::string> failure;
};
SealerResult SealerFor(const core::ProtectionSettings& settings);

} // namespace quorlane::crypto
