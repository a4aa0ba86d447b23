#include <gtest/gtest.h>

#include "core/PageTransformer.h"
#include "core/ProtectModes.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane::core;

// Binary garbage, a million links that never close, lone carriage returns or line feeds, and
// pages that end inside a tag: each mode finishes in one pass, its writer blocks write back the
// page, and the page it makes is a protected one.
TEST(HostileInput, EveryModeProtectsGarbageAndUnclosedMarkup)
{
    std::u16string garbage;
    for (unsigned i = 0; i < 70000; ++i) {
        garbage.push_back(static_cast<char16_t>((i * 2654435761u) >> 16));
    }
    std::u16string unclosedLinks;
    for (int i = 0; i < 1000000; ++i) {
        unclosedLinks += u"<a ";
    }
    for (const std::u16string_view page : std::initializer_list<std::u16string_view>{
             garbage, unclosedLinks, u"<html>\r<body>\r<a href=x>x</a>\r</body>\r</html>\r",
             u"<html>\n<body>\n<a href=x>x</a>\n</body>\n</html>\n", u"<body", u"<a ", u"</a>",
             u"<!DOCTYPE", u"<frame src=", u""}) {
        for (int m = 0; m < 4; ++m) {
            const auto mode = static_cast<ProtectMode>(m);
            EXPECT_EQ(quorlane::test::DecodeWriterBlocks(EncodeProtectedPart(page, mode)).plain,
                      page)
                << m;
            ProtectionSettings settings;
            settings.protectMode = mode;
            std::u16string protectedPage(page);
            ProtectPage(protectedPage, settings);
            EXPECT_TRUE(protectedPage.starts_with(u"<script type=\"text/javascript\">")) << m;
        }
    }
    // Mail addresses in plain text before them: every "mailto:" finds no link before it.
    const std::u16string mail = u"mailto: " + unclosedLinks + u" mailto:x";
    EXPECT_EQ(EncodeProtectedPart(mail, ProtectMode::EmailLinksOnly), mail);
}
