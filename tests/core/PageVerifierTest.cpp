#include "core/PageVerifier.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "core/PageTransformer.h"
#include "files/PageCodec.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using core::ProtectionSettings;
using core::ProtectMode;
using core::ScriptOption;
using core::VerifyFault;

namespace {

std::u16string protect(std::u16string page, const ProtectionSettings& settings,
                       std::string_view charset = {})
{
    core::ProtectOrdinaryPage(page, settings, charset);
    return page + std::u16string(core::protectedPageMarker);
}

ProtectionSettings settingsFor(ProtectMode mode, bool everySwitch)
{
    ProtectionSettings settings;
    settings.protectMode = mode;
    if (everySwitch) {
        for (int option = 0; option < core::scriptOptionCount; ++option) {
            settings.scriptSwitches.set(static_cast<ScriptOption>(option));
        }
        settings.copyrightNotice = true;
        settings.copyrightNoticeText = u"(c) the harbour bakery";
    }
    return settings;
}

// Pages of every shape the transformer mends: the sample site, and pages without skeleton, with
// a DOCTYPE behind a comment, with images, with nothing at all.
std::vector<std::pair<std::string, files::DecodedPage>> samplePages()
{
    std::vector<std::pair<std::string, files::DecodedPage>> pages;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(QUORLANE_EXAMPLES "/site")) {
        const auto extension = entry.path().extension();
        if (extension == ".html" || extension == ".htm") {
            pages.emplace_back(entry.path().filename().string(),
                               files::DecodePage(test::ReadBytes(entry.path())));
        }
    }
    const std::pair<const char*, const char*> made[] = {
        {"bare text", "just words, <b>bold</b> and <img src=a.png> here"},
        {"empty", ""},
        {"doctype behind a comment",
         "<!-- a comment long enough to push the declaration past the first hundred characters "
         "of the page, as tools write them -->\n<!DOCTYPE html><p>x <a href=\"mailto:a@b\">m</a>"},
        {"upper-case skeleton", "<HTML><HEAD></HEAD><BODY><IMG SRC=x></BODY></HTML>"},
        {"script that loads a file", "<body><script src=\"a.js\"></script><a href=x>y</a></body>"},
        // In e-mail mode the first link's block holds the second's.
        {"links before a plain address",
         "<html><body>\n<a href=\"a.html\">one\n<a href=\"b.html\">two</a>\n"
         "write to mailto:me@example.com here\n</body></html>"},
    };
    for (const auto& [name, text] : made) {
        pages.emplace_back(name, files::DecodePage(text));
    }
    return pages;
}

TEST(VerifyProtectedPage, AcceptsWhatTheTransformerMakesInEveryMode)
{
    for (const auto& [name, page] : samplePages()) {
        for (int mode = 0; mode < 4; ++mode) {
            for (const bool everySwitch : {false, true}) {
                SCOPED_TRACE(name + " mode " + std::to_string(mode) +
                             (everySwitch ? " every switch" : ""));
                const ProtectionSettings settings =
                    settingsFor(static_cast<ProtectMode>(mode), everySwitch);
                const std::u16string protectedPage =
                    protect(page.text, settings, page.declaredCharset);
                const auto fault =
                    core::VerifyProtectedPage(page.text, protectedPage, settings, false);
                EXPECT_FALSE(fault) << "fault " << static_cast<int>(fault->kind) << " at "
                                    << fault->at << ", original at " << fault->originalAt;
            }
        }
    }
}

// Each way an encoder could go wrong, done to a good page: every one is caught.
TEST(VerifyProtectedPage, CatchesEachKindOfDamage)
{
    const std::u16string original =
        u"<!DOCTYPE html>\r\n<html><head><title>t</title></head><body><p>Call <a "
        u"href=\"one.html\">one</a> or <a href=\"mailto:x@y\">two</a>.</p></body></html>";
    const ProtectionSettings links = settingsFor(ProtectMode::AllLinks, false);
    const std::u16string good = protect(original, links);
    ASSERT_FALSE(core::VerifyProtectedPage(original, good, links, false));
    const std::u16string_view block = u"qv_d00(unescape(\"";
    const std::size_t first = good.find(block);
    const std::size_t second = good.find(block, first + 1);
    ASSERT_NE(second, std::u16string::npos);
    const std::size_t firstEnd = good.find(u"</script>", first) + 9;
    const std::size_t secondEnd = good.find(u"</script>", second) + 9;
    const std::size_t firstStart = good.rfind(u"<script", first);
    const std::size_t secondStart = good.rfind(u"<script", second);

    using Damage = std::function<void(std::u16string&)>;
    const std::vector<std::tuple<const char*, Damage, VerifyFault::Kind>> cases = {
        {"an escape digit flipped", [&](std::u16string& p) { p[first + block.size() + 2] ^= 1; },
         VerifyFault::Kind::Difference},
        {"an escape that unescape cannot read",
         [&](std::u16string& p) { p[first + block.size()] = u'x'; },
         VerifyFault::Kind::BrokenBlock},
        {"a block dropped", [&](std::u16string& p) { p.erase(firstStart, firstEnd - firstStart); },
         VerifyFault::Kind::Difference},
        {"two blocks swapped",
         [&](std::u16string& p) {
             const std::u16string a = p.substr(firstStart, firstEnd - firstStart);
             const std::u16string b = p.substr(secondStart, secondEnd - secondStart);
             p.replace(secondStart, b.size(), a);
             p.replace(firstStart, a.size(), b);
         },
         VerifyFault::Kind::Difference},
        {"a block cut short", [&](std::u16string& p) { p.erase(secondEnd - 12, 12); },
         VerifyFault::Kind::BrokenBlock},
        {"page text outside the blocks changed",
         [&](std::u16string& p) { p[p.find(u"Call")] = u'K'; }, VerifyFault::Kind::Difference},
        {"the end of the page lost", [&](std::u16string& p) { p.erase(p.find(u"</body>"), 7); },
         VerifyFault::Kind::Difference},
        {"no marker", [&](std::u16string& p) { p.resize(p.size() - 3); },
         VerifyFault::Kind::NoMarker},
        {"the page script cut", [&](std::u16string& p) { p.erase(p.find(u"eval(") + 20, 6); },
         VerifyFault::Kind::PageTop},
        {"the DOCTYPE lost", [&](std::u16string& p) { p.erase(0, 17); },
         VerifyFault::Kind::Difference},
    };
    for (const auto& [name, damage, kind] : cases) {
        SCOPED_TRACE(name);
        std::u16string damaged = good;
        damage(damaged);
        const auto fault = core::VerifyProtectedPage(original, damaged, links, false);
        ASSERT_TRUE(fault);
        EXPECT_EQ(fault->kind, kind);
    }
    // A frameset kept as it is holds the page itself, not a protected one.
    EXPECT_FALSE(core::VerifyProtectedPage(
        original, original + std::u16string(core::protectedPageMarker), links, true));
    EXPECT_TRUE(core::VerifyProtectedPage(original, good, links, true));
}

} // namespace

// A page read back in pieces of any size is judged as the page whole: pieces that cut an escape,
// a block's start or end, or the marker in two change nothing.
TEST(ProtectedPageCheck, PiecesOfAnySizeAreJudgedAsTheWholePage)
{
    std::u16string original = u"<html><head></head><body>";
    while (original.size() < (3u << 19)) {
        original +=
            u"<p>caf\u00E9 <a href=\"p.html\">link</a> <script src=\"a.js\"></script></p>\n";
    }
    original += u"</body></html>";
    for (const ProtectMode mode : {ProtectMode::WholePage, ProtectMode::AllLinks}) {
        SCOPED_TRACE(static_cast<int>(mode));
        const ProtectionSettings settings = settingsFor(mode, false);
        const std::u16string good = protect(original, settings);
        std::u16string damaged = good;
        damaged[damaged.size() / 2 + 1] = u'Z';
        for (const std::u16string& page : {good, damaged}) {
            const auto whole = core::VerifyProtectedPage(original, page, settings, false);
            for (const std::size_t first : {1u, 7u, 4093u}) {
                core::ProtectedPageCheck check(original, settings, false,
                                               {core::EscapedWriterBlock()});
                for (std::size_t i = 0, n = first; i < page.size();
                     i += n, n = n * 31 % 65521 + 1) {
                    check.add(std::u16string_view(page).substr(i, n));
                }
                const auto pieces = check.finish();
                ASSERT_EQ(pieces.has_value(), whole.has_value()) << first;
                if (whole) {
                    EXPECT_EQ(pieces->kind, whole->kind);
                    EXPECT_EQ(pieces->originalAt, whole->originalAt);
                }
            }
        }
        EXPECT_FALSE(core::VerifyProtectedPage(original, good, settings, false));
        EXPECT_TRUE(core::VerifyProtectedPage(original, damaged, settings, false));
    }
}
