#include "crypto/PasswordSealer.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <optional>
#include <set>
#include <string>

#include "core/PageTransformer.h"
#include "core/SealedPage.h"
#include "core/Utf8.h"

using namespace quorlane;
using crypto::PasswordSealer;

namespace {

constexpr std::uint32_t iterations = core::minimumKdfIterations;

// The bytes of a base64 text; a failure when it is none.
std::string base64Decoded(const std::u16string& text)
{
    const std::string ascii(text.begin(), text.end());
    std::string bytes(ascii.size() / 4 * 3 + 3, '\0');
    const int size = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                     reinterpret_cast<const unsigned char*>(ascii.data()),
                                     static_cast<int>(ascii.size()));
    EXPECT_GE(size, 0);
    const std::size_t padding = ascii.ends_with("==") ? 2 : ascii.ends_with("=") ? 1 : 0;
    bytes.resize(static_cast<std::size_t>(size) - padding);
    return bytes;
}

std::string keyFor(const std::string& password, const crypto::Salt& salt)
{
    std::string key(crypto::keyBytes, '\0');
    PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                      static_cast<int>(salt.size()), iterations, EVP_sha256(),
                      static_cast<int>(key.size()), reinterpret_cast<unsigned char*>(key.data()));
    return key;
}

// The plain bytes of a sealed text, or nothing when it does not open under key.
std::optional<std::string> open(const std::string& key, const std::string& sealed)
{
    const auto* data = reinterpret_cast<const unsigned char*>(sealed.data());
    const std::size_t textSize = sealed.size() - crypto::nonceBytes - crypto::tagBytes;
    std::string plain(textSize, '\0');
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    int written = 0;
    std::string tag(sealed.end() - crypto::tagBytes, sealed.end());
    const bool opened =
        EVP_DecryptInit_ex(context, EVP_aes_256_gcm(), nullptr,
                           reinterpret_cast<const unsigned char*>(key.data()), data) == 1 &&
        EVP_DecryptUpdate(context, reinterpret_cast<unsigned char*>(plain.data()), &written,
                          data + crypto::nonceBytes, static_cast<int>(textSize)) == 1 &&
        EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_TAG, static_cast<int>(tag.size()),
                            tag.data()) == 1 &&
        EVP_DecryptFinal_ex(context, reinterpret_cast<unsigned char*>(plain.data()) + written,
                            &written) == 1;
    EVP_CIPHER_CTX_free(context);
    return opened ? std::optional(plain) : std::nullopt;
}

} // namespace

// The sealed form is the nonce, the ciphertext of the markup's UTF-8 bytes and the tag, under
// the key PBKDF2 makes from the password's UTF-8 bytes and the salt.
TEST(PasswordSealer, SealedPartsOpenToTheMarkupsUtf8Bytes)
{
    const crypto::Salt salt{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const std::u16string password = u"p\u00E4ss w\u00F6rd \U0001F511";
    PasswordSealer sealer(password, iterations, salt);
    const std::string key = keyFor(core::Utf16ToUtf8(password), salt);
    EXPECT_EQ(sealer.unlockParameters().salt, u"AQIDBAUGBwgJCgsMDQ4PEA==");
    EXPECT_EQ(sealer.unlockParameters().iterations, iterations);
    EXPECT_EQ(open(key, base64Decoded(sealer.unlockParameters().check)), std::string());

    const std::u16string lone = std::u16string(u"a") + char16_t(0xD800) + u"b";
    struct Case
    {
        const char* name;
        std::u16string markup;
        std::string plain;
    };
    const Case cases[] = {
        {"empty", u"", ""},
        {"ascii", u"<p>Hello</p>\r\n", "<p>Hello</p>\r\n"},
        {"beyond ASCII", u"\u00E9\u4E2D\U0001F600", "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"},
        {"lone surrogate", lone,
         "a\xEF\xBF\xBD"
         "b"},
        {"several slices", std::u16string(10'000, u'x'), std::string(10'000, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::u16string sealed = u"kept ";
        sealer.appendSealed(sealed, c.markup);
        ASSERT_TRUE(sealed.starts_with(u"kept "));
        sealed.erase(0, 5);
        const std::string bytes = base64Decoded(sealed);
        EXPECT_EQ(bytes.size(), crypto::nonceBytes + c.plain.size() + crypto::tagBytes);
        EXPECT_EQ(open(key, bytes), c.plain);
        EXPECT_EQ(open(keyFor("pass word", salt), bytes), std::nullopt);
    }
}

TEST(PasswordSealer, EveryPartHasAFreshNonceAndEveryRunAFreshSalt)
{
    const auto sealer = PasswordSealer::ForPassword(u"secret", iterations);
    std::set<std::string> nonces;
    for (int i = 0; i < 64; ++i) {
        std::u16string sealed;
        sealer->appendSealed(sealed, u"the same markup");
        nonces.insert(base64Decoded(sealed).substr(0, crypto::nonceBytes));
    }
    EXPECT_EQ(nonces.size(), 64u);
    const auto other = PasswordSealer::ForPassword(u"secret", iterations);
    EXPECT_NE(other->unlockParameters().salt, sealer->unlockParameters().salt);
    EXPECT_EQ(base64Decoded(other->unlockParameters().salt).size(), crypto::saltBytes);
}

// The check of written pages opens sealed blocks with the run's key: a page sealed whole passes,
// one whose sealed text was changed anywhere, or sealed under another key, is refused.
TEST(PasswordSealer, WrittenPagesAreCheckedByOpeningTheirSealedParts)
{
    const std::u16string original =
        u"<html><head><title>T</title></head><body><p>Secret \u00E9</p></body></html>";
    core::ProtectionSettings settings;
    settings.protectMode = core::ProtectMode::WholePage;
    settings.passwordProtect = true;
    settings.password = u"secret";
    settings.encryptHiddenPart = true;
    PasswordSealer sealer(u"secret", iterations, crypto::Salt{7});
    std::u16string page = original;
    core::ProtectPage(page, settings, "utf-8", &sealer);
    page += core::protectedPageMarker;
    const auto verify = [&](const std::u16string& written, core::HiddenPartSealer& key) {
        return core::VerifyProtectedPage(
            original, written, settings, false,
            {core::EscapedWriterBlock(), core::SealedWriterBlock(key)});
    };
    EXPECT_EQ(verify(page, sealer), std::nullopt);

    const std::size_t block = page.find(core::sealedBlockStart);
    ASSERT_NE(block, std::u16string::npos);
    const std::size_t sealed = block + core::sealedBlockStart.size();
    std::u16string tampered = page;
    tampered[sealed + 20] = tampered[sealed + 20] == u'A' ? u'B' : u'A';
    const auto fault = verify(tampered, sealer);
    ASSERT_TRUE(fault.has_value());
    EXPECT_EQ(fault->kind, core::VerifyFault::Kind::BrokenBlock);

    PasswordSealer other(u"secret", iterations, crypto::Salt{8});
    EXPECT_TRUE(verify(page, other).has_value());

    std::u16string opened;
    EXPECT_FALSE(sealer.openSealed(u"not base64!", opened));
    EXPECT_FALSE(sealer.openSealed(u"AAAA", opened));
    EXPECT_TRUE(opened.empty());
}
