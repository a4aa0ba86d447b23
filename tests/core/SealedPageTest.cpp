#include "core/SealedPage.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/PageTransformer.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane::core;
using quorlane::test::DecodeWriterBlocks;
using quorlane::test::PageScriptOf;

namespace {

// Seals a part as its number among the parts sealed so far, padded to the size a real sealed
// part of ASCII markup has, and keeps the part.
class RecordingSealer : public HiddenPartSealer
{
public:
    std::vector<std::u16string> parts;

    static std::u16string sealedForm(std::size_t index, std::size_t size)
    {
        std::u16string text = u"P" + std::u16string(1, char16_t(u'0' + index % 10));
        text.resize(4 * ((size + 28 + 2) / 3), u'A');
        return text;
    }
    void appendSealed(std::u16string& out, std::u16string_view markup) override
    {
        out += sealedForm(parts.size(), markup.size());
        parts.emplace_back(markup);
    }
    // Opens the parts in the order they were sealed.
    bool openSealed(std::u16string_view sealed, std::u16string& out) override
    {
        if (opened >= parts.size() || sealed != sealedForm(opened, parts[opened].size())) {
            return false;
        }
        out += parts[opened++];
        return true;
    }
    std::optional<std::string> takeFailure() override { return std::nullopt; }
    const UnlockParameters& unlockParameters() const override { return m_parameters; }

private:
    std::size_t opened = 0;
    UnlockParameters m_parameters{u"c2FsdA==", 123456, u"Y2hlY2s="};
};

ProtectionSettings locked(ProtectMode mode)
{
    ProtectionSettings settings;
    settings.protectMode = mode;
    settings.passwordProtect = true;
    settings.password = u"Swordfish";
    settings.encryptHiddenPart = true;
    return settings;
}

std::u16string protect(std::u16string page, const ProtectionSettings& settings,
                       HiddenPartSealer* sealer)
{
    ProtectPage(page, settings, "utf-8", sealer);
    return page;
}

// A sink that takes escapes and sealed parts through the sink's own defaults, as a file does.
class PieceSink final : public PageSink
{
public:
    std::u16string text;
    void append(std::u16string_view piece) override { text += piece; }
};

} // namespace

// The sealer is handed exactly the markup that the clear page's writer blocks write, in the
// same order, and the sealed page keeps the rest of the page as the clear one does.
TEST(SealedPage, SealsWhatTheClearPageEscapesInEveryMode)
{
    const std::u16string ordinary =
        u"<html><head><title>T</title></head><body><p>Intro \u00E9\u4E2D</p><a "
        u"href=\"a.html\">A</a> <a href=\"mailto:x@y\">mail</a><script src=\"x.js\"></script>"
        u"<script type=\"text/javascript\">var s='<a href=\"q\">';</script><p>End</p></body>"
        u"</html>";
    // A "mailto:" met again from behind the encoding of the link before it, and a link whose
    // element holds that encoding; a link that ends inside a script.
    const std::u16string odd =
        u"<html><head></head><body><p><a href=\"a\">A <a href=\"b\">B</a> mailto:x</a></p>"
        u"<a href=\"mailto:m\">y<script>var s='</a>';</script></a><a href=\"b\">z</a></body>"
        u"</html>";
    for (const std::u16string& page : {ordinary, odd}) {
        for (ProtectMode mode : {ProtectMode::EmailLinksOnly, ProtectMode::AllLinks,
                                 ProtectMode::BodyOnly, ProtectMode::WholePage}) {
            SCOPED_TRACE(static_cast<int>(mode));
            ProtectionSettings settings = locked(mode);
            RecordingSealer sealer;
            const std::u16string sealed = protect(page, settings, &sealer);
            settings.encryptHiddenPart = false;
            const std::u16string clear = protect(page, settings, nullptr);

            // One sealed block for every writer block, those that blocks write included.
            const std::function<std::size_t(std::u16string_view)> blocksIn =
                [&](std::u16string_view text) {
                    std::size_t count = 0;
                    for (const std::u16string& part : DecodeWriterBlocks(text).writtenParts) {
                        count += 1 + blocksIn(part);
                    }
                    return count;
                };
            EXPECT_EQ(sealer.parts.size(), blocksIn(clear));
            // Put the parts back in place of the sealed blocks, the last sealed first (a block
            // that holds others is sealed after them, and brings theirs back in): the clear
            // page, with its writer blocks written out, behind the different tops.
            std::u16string opened = sealed;
            for (std::size_t i = sealer.parts.size(); i-- > 0;) {
                const std::u16string block =
                    std::u16string(sealedBlockStart) +
                    RecordingSealer::sealedForm(i, sealer.parts[i].size()) +
                    u"\"));\r\n//-->\r\n</script>";
                const std::size_t at = opened.find(block);
                ASSERT_NE(at, std::u16string::npos) << i;
                opened.replace(at, block.size(), sealer.parts[i]);
            }
            const std::u16string written = DecodeWriterBlocks(clear).plain;
            const std::size_t bodyStart = written.find(u"</NOSCRIPT>\r\n");
            ASSERT_NE(bodyStart, std::u16string::npos);
            EXPECT_TRUE(opened.ends_with(written.substr(bodyStart)));
            EXPECT_EQ(sealed.find(u"qv_d00(unescape("), std::u16string::npos);

            // Written piece by piece, the sealed page is the same.
            settings.encryptHiddenPart = true;
            RecordingSealer again;
            PieceSink sink;
            std::u16string work = page;
            WriteOrdinaryPage(work, settings, "utf-8", sink, &again);
            EXPECT_EQ(sink.text, sealed);
        }
    }
}

TEST(SealedPage, TopCarriesTheUnlockScriptAndTheLockWithoutThePassword)
{
    for (bool remember : {true, false}) {
        ProtectionSettings settings = locked(ProtectMode::WholePage);
        settings.rememberUnlock = remember;
        RecordingSealer sealer;
        const std::u16string page = protect(u"<!DOCTYPE html><p>x</p>", settings, &sealer);
        const std::u16string unlock = UnlockScriptElement();
        EXPECT_TRUE(page.starts_with(u"<!DOCTYPE html>\r\n<meta charset=\"utf-8\">\r\n" + unlock +
                                     u"<script type=\"text/javascript\">\r\n<!--\r\neval("));
        EXPECT_NE(unlock.find(u"globalThis.qv_unlock="), std::u16string::npos);
        const std::u16string script = PageScriptOf(page);
        const std::u16string call =
            u"\r\nif (qv_ok)\r\n{\r\n   qv_ok=typeof "
            u"qv_unlock=='function'&&qv_unlock('c2FsdA==',123456,'Y2hlY2s='," +
            std::u16string(remember ? u"true" : u"false") + u");\r\n}\r\n";
        EXPECT_NE(script.find(call), std::u16string::npos) << quorlane::test::U8(script);
        EXPECT_EQ(page.find(u"Swordfish"), std::u16string::npos);
        EXPECT_EQ(script.find(u"Swordfish"), std::u16string::npos);
    }
}

TEST(SealedPage, WithoutThePasswordLockNothingIsSealed)
{
    ProtectionSettings settings = locked(ProtectMode::WholePage);
    settings.passwordProtect = false;
    RecordingSealer sealer;
    const std::u16string page = protect(u"<p>x</p>", settings, &sealer);
    EXPECT_TRUE(sealer.parts.empty());
    EXPECT_EQ(page, protect(u"<p>x</p>", settings, nullptr));
}

// In e-mail mode a page with no e-mail link has nothing to seal: it asks no password and carries
// no unlock script, as if the lock were off; a page with one is locked as ever.
TEST(SealedPage, APageWithNothingToSealAsksNoPassword)
{
    const std::u16string plain = u"<html><body><p>No address here, only <a href=\"a.html\">a "
                                 u"link</a>.</p></body></html>";
    ProtectionSettings settings = locked(ProtectMode::EmailLinksOnly);
    RecordingSealer sealer;
    const std::u16string page = protect(plain, settings, &sealer);
    EXPECT_TRUE(sealer.parts.empty());
    EXPECT_EQ(page.find(UnlockScriptElement()), std::u16string::npos);
    ProtectionSettings open = settings;
    open.passwordProtect = false;
    EXPECT_EQ(page, protect(plain, open, nullptr));

    const std::u16string mail = u"<html><body><a href=\"mailto:me@example.com\">me</a></body>"
                                u"</html>";
    const std::u16string asking = protect(mail, settings, &sealer);
    EXPECT_EQ(sealer.parts.size(), 1u);
    EXPECT_NE(asking.find(UnlockScriptElement()), std::u16string::npos);
    EXPECT_NE(PageScriptOf(asking).find(u"qv_unlock('c2FsdA==',"), std::u16string::npos);
}
