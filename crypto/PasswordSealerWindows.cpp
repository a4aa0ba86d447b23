// PasswordSealer on Windows: PBKDF2-HMAC-SHA256, AES-256-GCM and random numbers from the
// system's CNG (bcrypt), with the same key, the same sealed texts and the same failures as
// the sealer on other systems.
#include <algorithm>
#include <climits>
#include <utility>

#include "core/Utf8.h"
#include "crypto/PasswordSealer.h"

// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

namespace quorlane::crypto {

namespace {

// NIST SP 800-38D: at most 2^32 random 96-bit nonces under one key.
constexpr std::uint64_t maxSealsPerKey = std::uint64_t(1) << 32;

constexpr char base64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool succeeded(NTSTATUS status)
{
    return status >= 0;
}

void appendBase64(std::u16string& out, const unsigned char* bytes, std::size_t size)
{
    out.reserve(out.size() + 4 * ((size + 2) / 3));
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const std::uint32_t group = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) {
            out.push_back(static_cast<char16_t>(base64Digits[(group >> shift) & 63]));
        }
    }
    if (i < size) {
        const std::uint32_t group = bytes[i] << 16 | (i + 1 < size ? bytes[i + 1] << 8 : 0);
        out.push_back(static_cast<char16_t>(base64Digits[(group >> 18) & 63]));
        out.push_back(static_cast<char16_t>(base64Digits[(group >> 12) & 63]));
        out.push_back(i + 1 < size ? static_cast<char16_t>(base64Digits[(group >> 6) & 63]) : u'=');
        out.push_back(u'=');
    }
}

int base64Value(char16_t digit)
{
    if (digit >= u'A' && digit <= u'Z') {
        return digit - u'A';
    }
    if (digit >= u'a' && digit <= u'z') {
        return digit - u'a' + 26;
    }
    if (digit >= u'0' && digit <= u'9') {
        return digit - u'0' + 52;
    }
    return digit == u'+' ? 62 : digit == u'/' ? 63 : -1;
}

// The bytes of base64 text, or false when it is not base64: padding only at the end.
bool decodeBase64(std::u16string_view text, std::string& bytes)
{
    if (text.size() % 4 != 0) {
        return false;
    }
    const std::size_t padding = text.ends_with(u"==") ? 2 : text.ends_with(u"=") ? 1 : 0;
    bytes.clear();
    bytes.reserve(3 * text.size() / 4);
    std::uint32_t group = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pad = i >= text.size() - padding;
        const int value = pad ? 0 : base64Value(text[i]);
        if (value < 0) {
            return false;
        }
        group = group << 6 | static_cast<std::uint32_t>(value);
        if (i % 4 == 3) {
            bytes.push_back(static_cast<char>(group >> 16));
            bytes.push_back(static_cast<char>(group >> 8 & 0xFF));
            bytes.push_back(static_cast<char>(group & 0xFF));
            group = 0;
        }
    }
    bytes.resize(bytes.size() - padding);
    return true;
}

bool randomBytes(unsigned char* bytes, std::size_t size)
{
    return succeeded(
        BCryptGenRandom(nullptr, bytes, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

bool deriveKey(const std::string& secret, const Salt& salt, std::uint32_t iterations,
               unsigned char* key, std::size_t keySize)
{
    BCRYPT_ALG_HANDLE hmac = nullptr;
    if (!succeeded(BCryptOpenAlgorithmProvider(&hmac, BCRYPT_SHA256_ALGORITHM, nullptr,
                                               BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
        return false;
    }
    // An empty password is a password too: the call is given a byte to point at.
    unsigned char none = 0;
    auto* password =
        secret.empty() ? &none : reinterpret_cast<unsigned char*>(const_cast<char*>(secret.data()));
    const NTSTATUS status = BCryptDeriveKeyPBKDF2(
        hmac, password, static_cast<ULONG>(secret.size()), const_cast<unsigned char*>(salt.data()),
        static_cast<ULONG>(salt.size()), iterations, key, static_cast<ULONG>(keySize), 0);
    BCryptCloseAlgorithmProvider(hmac, 0);
    return succeeded(status);
}

} // namespace

// An AES-256-GCM key of CNG's, made from the sealer's key bytes.
struct PasswordSealer::Cipher
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_KEY_HANDLE key = nullptr;

    ~Cipher()
    {
        if (key != nullptr) {
            BCryptDestroyKey(key);
        }
        if (algorithm != nullptr) {
            BCryptCloseAlgorithmProvider(algorithm, 0);
        }
    }

    bool setUp(std::array<unsigned char, keyBytes>& keyBytes)
    {
        const auto* mode = reinterpret_cast<const UCHAR*>(BCRYPT_CHAIN_MODE_GCM);
        const ULONG modeSize = sizeof BCRYPT_CHAIN_MODE_GCM;
        return succeeded(
                   BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_AES_ALGORITHM, nullptr, 0)) &&
               succeeded(BCryptSetProperty(algorithm, BCRYPT_CHAINING_MODE,
                                           const_cast<UCHAR*>(mode), modeSize, 0)) &&
               succeeded(BCryptGenerateSymmetricKey(algorithm, &key, nullptr, 0, keyBytes.data(),
                                                    static_cast<ULONG>(keyBytes.size()), 0));
    }

    static BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO modeInfo(unsigned char* nonce, unsigned char* tag)
    {
        BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
        BCRYPT_INIT_AUTH_MODE_INFO(info);
        info.pbNonce = nonce;
        info.cbNonce = nonceBytes;
        info.pbTag = tag;
        info.cbTag = tagBytes;
        return info;
    }
};

PasswordSealer::PasswordSealer(std::u16string_view password, std::uint32_t iterations,
                               const Salt& salt)
    : m_cipher(std::make_unique<Cipher>())
    , m_opener(std::make_unique<Cipher>())
    , m_sealCount(std::make_shared<std::atomic<std::uint64_t>>(0))
{
    if (iterations < core::minimumKdfIterations || iterations > core::maximumKdfIterations) {
        m_setupFailure = "the iteration count is out of range";
        return;
    }
    std::string secret;
    core::AppendUtf16AsUtf8(secret, password, "\xEF\xBF\xBD");
    const bool derived = deriveKey(secret, salt, iterations, m_key.data(), m_key.size());
    SecureZeroMemory(secret.data(), secret.size());
    if (!derived) {
        m_setupFailure = "Windows could not derive the key";
    } else if (!setUpCiphers()) {
        m_setupFailure = "Windows could not set up AES-256-GCM";
    }
    if (m_setupFailure) {
        return;
    }
    m_parameters.salt.clear();
    appendBase64(m_parameters.salt, salt.data(), salt.size());
    m_parameters.iterations = iterations;
    appendSealed(m_parameters.check, u"");
}

PasswordSealer::PasswordSealer(const PasswordSealer& other, int)
    : m_key(other.m_key)
    , m_cipher(std::make_unique<Cipher>())
    , m_opener(std::make_unique<Cipher>())
    , m_sealCount(other.m_sealCount)
    , m_parameters(other.m_parameters)
    , m_setupFailure(other.m_setupFailure)
{
    if (!m_setupFailure && !setUpCiphers()) {
        m_setupFailure = "Windows could not set up AES-256-GCM";
    }
}

std::u16string PasswordSealer::keyInBase64() const
{
    std::u16string text;
    appendBase64(text, m_key.data(), m_key.size());
    return text;
}

std::unique_ptr<core::HiddenPartSealer> PasswordSealer::forAnotherThread()
{
    return std::unique_ptr<PasswordSealer>(new PasswordSealer(*this, 0));
}

bool PasswordSealer::setUpCiphers()
{
    return m_cipher->setUp(m_key) && m_opener->setUp(m_key);
}

PasswordSealer::~PasswordSealer()
{
    SecureZeroMemory(m_key.data(), m_key.size());
}

std::unique_ptr<PasswordSealer> PasswordSealer::ForPassword(std::u16string_view password,
                                                            std::uint32_t iterations)
{
    Salt salt{};
    const bool random = randomBytes(salt.data(), salt.size());
    auto sealer = std::make_unique<PasswordSealer>(password, iterations, salt);
    if (!random) {
        sealer->m_setupFailure = "Windows could not make a random salt";
    }
    return sealer;
}

void PasswordSealer::fail(std::string what)
{
    if (!m_failure) {
        m_failure = std::move(what);
    }
}

std::optional<std::string> PasswordSealer::takeFailure()
{
    if (m_setupFailure) {
        return m_setupFailure;
    }
    return std::exchange(m_failure, std::nullopt);
}

void PasswordSealer::appendSealed(std::u16string& out, std::u16string_view markup)
{
    if (m_setupFailure) {
        return;
    }
    if (m_sealCount->fetch_add(1, std::memory_order_relaxed) >= maxSealsPerKey) {
        fail("too many parts sealed under one key");
        return;
    }
    m_plain.clear();
    core::AppendUtf16AsUtf8(m_plain, markup, "\xEF\xBF\xBD");
    if (m_plain.size() > INT_MAX - nonceBytes - tagBytes) {
        fail("a hidden part too large to seal");
        return;
    }
    const unsigned char* fresh = nextNonce();
    if (fresh == nullptr) {
        fail("Windows could not make random nonces");
        return;
    }
    m_sealed.resize(nonceBytes + m_plain.size() + tagBytes);
    auto* nonce = reinterpret_cast<unsigned char*>(m_sealed.data());
    unsigned char* cipherText = nonce + nonceBytes;
    unsigned char* tag = cipherText + m_plain.size();
    std::copy_n(fresh, nonceBytes, nonce);
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = Cipher::modeInfo(nonce, tag);
    ULONG written = 0;
    const auto size = static_cast<ULONG>(m_plain.size());
    if (!succeeded(BCryptEncrypt(m_cipher->key, reinterpret_cast<UCHAR*>(m_plain.data()), size,
                                 &info, nullptr, 0, cipherText, size, &written, 0))) {
        fail("Windows could not seal a hidden part");
        return;
    }
    appendBase64(out, nonce, m_sealed.size());
}

bool PasswordSealer::openSealed(std::u16string_view sealed, std::u16string& out)
{
    if (!decodeBase64(sealed, m_sealed) || m_sealed.size() < nonceBytes + tagBytes) {
        return false;
    }
    auto* nonce = reinterpret_cast<unsigned char*>(m_sealed.data());
    const std::size_t textSize = m_sealed.size() - nonceBytes - tagBytes;
    unsigned char* tag = nonce + nonceBytes + textSize;
    m_opened.resize(textSize);
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = Cipher::modeInfo(nonce, tag);
    ULONG written = 0;
    const bool opened = succeeded(BCryptDecrypt(
        m_opener->key, nonce + nonceBytes, static_cast<ULONG>(textSize), &info, nullptr, 0,
        reinterpret_cast<UCHAR*>(m_opened.data()), static_cast<ULONG>(textSize), &written, 0));
    if (opened) {
        core::AppendUtf8AsUtf16(out, m_opened);
    }
    return opened;
}

// The system's generator is safe to call from many threads: each sealer draws its own batches.
const unsigned char* PasswordSealer::nextNonce()
{
    if (m_noncesUsed == m_nonces.size() / nonceBytes) {
        if (!randomBytes(m_nonces.data(), m_nonces.size())) {
            return nullptr;
        }
        m_noncesUsed = 0;
    }
    return m_nonces.data() + nonceBytes * m_noncesUsed++;
}

SealerResult SealerFor(const core::ProtectionSettings& settings)
{
    SealerResult result;
    if (!settings.passwordProtect || !settings.encryptHiddenPart) {
        return result;
    }
    std::unique_ptr<PasswordSealer> sealer =
        PasswordSealer::ForPassword(settings.password, settings.kdfIterations);
    if (sealer->failed()) {
        result.failure = sealer->failed();
    } else {
        result.sealer = std::move(sealer);
    }
    return result;
}

} // namespace quorlane::crypto
