#include <gtest/gtest.h>

#include "crypto/PasswordSealer.h"

using namespace quorlane;
using crypto::PasswordSealer;

namespace {

crypto::Salt countingSalt()
{
    crypto::Salt salt{};
    for (std::size_t i = 0; i < salt.size(); ++i) {
        salt[i] = static_cast<unsigned char>(i * 17);
    }
    return salt;
}

// "<p>Geheim ü 😀</p>" sealed by the sealer built on OpenSSL under the key of the password
// below: sealers on every system derive that key and open that text alike.
constexpr std::u16string_view sealedElsewhere =
    u"2HNloRcQPwR7Sh1AR85TkmLc8UywfZsYsXmDoCz4eyJrfy0OB+acZ9xEIHosrASj6g==";
constexpr std::u16string_view nonAsciiPassword = u"P\u00E4sswort \u2603";

} // namespace

TEST(SealedText, OpensWhatAnotherSystemSealedWithANonAsciiPassword)
{
    PasswordSealer sealer(nonAsciiPassword, core::minimumKdfIterations, countingSalt());
    ASSERT_FALSE(sealer.failed());
    EXPECT_EQ(sealer.unlockParameters().salt, u"ABEiM0RVZneImaq7zN3u/w==");
    std::u16string markup;
    ASSERT_TRUE(sealer.openSealed(sealedElsewhere, markup));
    EXPECT_EQ(markup, u"<p>Geheim \u00FC \U0001F600</p>");
}

TEST(SealedText, RefusesAnotherPasswordAndAnyChangedText)
{
    // The password as a code page would have turned it: one wrong character is a wrong key.
    PasswordSealer mangled(u"P\uFFFDsswort \u2603", core::minimumKdfIterations, countingSalt());
    std::u16string markup;
    EXPECT_FALSE(mangled.openSealed(sealedElsewhere, markup));

    PasswordSealer sealer(nonAsciiPassword, core::minimumKdfIterations, countingSalt());
    std::u16string changed(sealedElsewhere);
    changed[20] = changed[20] == u'A' ? u'B' : u'A';
    EXPECT_FALSE(sealer.openSealed(changed, markup));
    EXPECT_FALSE(sealer.openSealed(sealedElsewhere.substr(0, 40), markup));
    EXPECT_FALSE(sealer.openSealed(u"not base64!", markup));
    EXPECT_TRUE(markup.empty());
}

TEST(SealedText, WhatItSealsOpensAgainAndNeverTwiceAlike)
{
    PasswordSealer sealer(nonAsciiPassword, core::minimumKdfIterations, countingSalt());
    std::u16string first;
    std::u16string second;
    sealer.appendSealed(first, u"<b>x</b>");
    sealer.appendSealed(second, u"<b>x</b>");
    ASSERT_FALSE(sealer.takeFailure());
    EXPECT_NE(first, second);
    std::u16string opened;
    ASSERT_TRUE(sealer.openSealed(first, opened));
    ASSERT_TRUE(sealer.openSealed(second, opened));
    EXPECT_EQ(opened, u"<b>x</b><b>x</b>");
    std::u16string check;
    EXPECT_TRUE(sealer.openSealed(sealer.unlockParameters().check, check));
    EXPECT_TRUE(check.empty());
}
