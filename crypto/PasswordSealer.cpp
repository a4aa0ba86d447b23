#include "crypto/PasswordSealer.h"

#include <algorithm>
#include <climits>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <utility>

#include "core/Utf8.h"

namespace quorlane::crypto {

namespace {

// NIST SP 800-38D: at most 2^32 random 96-bit nonces under one key.
constexpr std::uint64_t maxSealsPerKey = std::uint64_t(1) << 32;

// Appends the base64 of bytes to out, in slices through a small buffer.
void appendBase64(std::u16string& out, const unsigned char* bytes, std::size_t size)
{
    constexpr std::size_t sliceBytes = 3 * 1024;
    unsigned char text[4 * sliceBytes / 3 + 1];
    out.reserve(out.size() + 4 * ((size + 2) / 3));
    for (std::size_t i = 0; i < size; i += sliceBytes) {
        const std::size_t count = std::min(sliceBytes, size - i);
        const int length = EVP_EncodeBlock(text, bytes + i, static_cast<int>(count));
        out.append(text, text + length);
    }
}

std::u16string base64(const unsigned char* bytes, std::size_t size)
{
    std::u16string text;
    appendBase64(text, bytes, size);
    return text;
}

// The bytes of base64 text, or false when it is not base64.
bool decodeBase64(std::u16string_view text, std::string& bytes)
{
    if (text.size() % 4 != 0) {
        return false;
    }
    std::string ascii(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] > 0x7F) {
            return false;
        }
        ascii[i] = static_cast<char>(text[i]);
    }
    bytes.resize(3 * text.size() / 4);
    const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                       reinterpret_cast<const unsigned char*>(ascii.data()),
                                       static_cast<int>(ascii.size()));
    if (length < 0) {
        return false;
    }
    const std::size_t padding = text.ends_with(u"==") ? 2 : text.ends_with(u"=") ? 1 : 0;
    bytes.resize(static_cast<std::size_t>(length) - padding);
    return true;
}

} // namespace

struct PasswordSealer::Cipher
{
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    ~Cipher() { EVP_CIPHER_CTX_free(context); }
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
    const int derived = PKCS5_PBKDF2_HMAC(
        secret.data(), static_cast<int>(secret.size()), salt.data(), static_cast<int>(salt.size()),
        static_cast<int>(iterations), EVP_sha256(), static_cast<int>(m_key.size()), m_key.data());
    OPENSSL_cleanse(secret.data(), secret.size());
    if (derived != 1) {
        m_setupFailure = "OpenSSL could not derive the key";
    } else if (!setUpCiphers()) {
        m_setupFailure = "OpenSSL could not set up AES-256-GCM";
    }
    if (m_setupFailure) {
        return;
    }
    m_parameters.salt = base64(salt.data(), salt.size());
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
        m_setupFailure = "OpenSSL could not set up AES-256-GCM";
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
    const auto setUp = [this](Cipher& cipher, auto init) {
        return cipher.context != nullptr &&
               init(cipher.context, EVP_aes_256_gcm(), nullptr, m_key.data(), nullptr) == 1;
    };
    return setUp(*m_cipher, EVP_EncryptInit_ex) && setUp(*m_opener, EVP_DecryptInit_ex);
}

PasswordSealer::~PasswordSealer()
{
    OPENSSL_cleanse(m_key.data(), m_key.size());
}

std::unique_ptr<PasswordSealer> PasswordSealer::ForPassword(std::u16string_view password,
                                                            std::uint32_t iterations)
{
    Salt salt{};
    const bool random = RAND_bytes(salt.data(), static_cast<int>(salt.size())) == 1;
    auto sealer = std::make_unique<PasswordSealer>(password, iterations, salt);
    if (!random) {
        sealer->m_setupFailure = "OpenSSL could not make a random salt";
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
        fail("OpenSSL could not make random nonces");
        return;
    }
    m_sealed.resize(nonceBytes + m_plain.size() + tagBytes);
    auto* nonce = reinterpret_cast<unsigned char*>(m_sealed.data());
    unsigned char* cipherText = nonce + nonceBytes;
    unsigned char* tag = cipherText + m_plain.size();
    int written = 0;
    int finalWritten = 0;
    std::copy_n(fresh, nonceBytes, nonce);
    if (EVP_EncryptInit_ex(m_cipher->context, nullptr, nullptr, nullptr, nonce) != 1 ||
        EVP_EncryptUpdate(m_cipher->context, cipherText, &written,
                          reinterpret_cast<const unsigned char*>(m_plain.data()),
                          static_cast<int>(m_plain.size())) != 1 ||
        EVP_EncryptFinal_ex(m_cipher->context, cipherText + written, &finalWritten) != 1 ||
        EVP_CIPHER_CTX_ctrl(m_cipher->context, EVP_CTRL_GCM_GET_TAG, static_cast<int>(tagBytes),
                            tag) != 1) {
        fail("OpenSSL could not seal a hidden part");
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
    auto* plain = reinterpret_cast<unsigned char*>(m_opened.data());
    int written = 0;
    int finalWritten = 0;
    const bool opened =
        EVP_DecryptInit_ex(m_opener->context, nullptr, nullptr, nullptr, nonce) == 1 &&
        EVP_DecryptUpdate(m_opener->context, plain, &written, nonce + nonceBytes,
                          static_cast<int>(textSize)) == 1 &&
        EVP_CIPHER_CTX_ctrl(m_opener->context, EVP_CTRL_GCM_SET_TAG, static_cast<int>(tagBytes),
                            tag) == 1 &&
        EVP_DecryptFinal_ex(m_opener->context, plain + written, &finalWritten) == 1;
    if (opened) {
        core::AppendUtf8AsUtf16(out, m_opened);
    }
    return opened;
}

// Each sealer under a key draws its own batches straight from OpenSSL's generator, which is safe
// to call from many threads: the nonces of all of them are as fresh as those of one.
const unsigned char* PasswordSealer::nextNonce()
{
    if (m_noncesUsed == m_nonces.size() / nonceBytes) {
        if (RAND_bytes(m_nonces.data(), static_cast<int>(m_nonces.size())) != 1) {
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
