#include <gtest/gtest.h>

#include "core/PageEncoder.h"
#include "core/PageTransformer.h"
#include "core/ProtectModes.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane::core;

namespace {

std::u16string protect(std::u16string page, ProtectMode mode)
{
    ProtectionSettings settings;
    settings.protectMode = mode;
    ProtectPage(page, settings);
    return page;
}

} // namespace

// A million links that never close: each mode finishes in one pass, and the links come back.
TEST(HostileInput, AMillionUnclosedLinks)
{
    std::u16string page;
    for (int i = 0; i < 1000000; ++i) {
        page += u"<a ";
    }
    for (int m = 0; m < 4; ++m) {
        const auto mode = static_cast<ProtectMode>(m);
        const std::u16string encoded = EncodeProtectedPart(page, mode);
        EXPECT_EQ(quorlane::test::DecodeWriterBlocks(encoded).plain, page) << m;
    }
    // Mail addresses in plain text before them: every "mailto:" finds no link before it.
    const std::u16string mail = u"mailto: " + page + u" mailto:x";
    EXPECT_EQ(EncodeProtectedPart(mail, ProtectMode::EmailLinksOnly), mail);
}

// Binary garbage, lone carriage returns or line feeds, and pages that end inside a tag: every
// mode still gives a protected page.
TEST(HostileInput, BinaryGarbageAndOddLineEnds)
{
    std::u16string garbage;
    for (unsigned i = 0; i < 70000; ++i) {
        garbage.push_back(static_cast<char16_t>((i * 2654435761u) >> 16));
    }
    for (const std::u16string_view page : std::initializer_list<std::u16string_view>{
             garbage, u"<html>\r<body>\r<a href=x>x</a>\r</body>\r</html>\r",
             u"<html>\n<body>\n<a href=x>x</a>\n</body>\n</html>\n", u"<body", u"<a ", u"</a>",
             u"<!DOCTYPE", u"<frame src=", u""}) {
        for (int m = 0; m < 4; ++m) {
            EXPECT_TRUE(protect(std::u16string(page), static_cast<ProtectMode>(m))
                            .starts_with(u"<script type=\"text/javascript\">"))
                << m;
        }
    }
}
