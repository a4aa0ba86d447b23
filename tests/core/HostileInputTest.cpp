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

TEST(HostileInput, BinaryGarbageAndOddLineEnds)
{
    std::u16string garbage;
    for (unsigned i = 0; i < 70000; ++i) {
        garbage.push_back(static_cast<char16_t>((i * 2654435761u) >> 16));
    }
    for (const std::u16string& page :
         {garbage, std::u16string(u"<html>\r<body>\r<a href=x>x</a>\r</body>\r</html>\r"),
          std::u16string(u"<html>\n<body>\n<a href=x>x</a>\n</body>\n</html>\n"),
          std::u16string(u"<body"), std::u16string(u"<a "), std::u16string(u"</a>"),
          std::u16string(u"<!DOCTYPE"), std::u16string(u"<frame src="), std::u16string()}) {
        for (int m = 0; m < 4; ++m) {
            const std::u16string out = protect(page, static_cast<ProtectMode>(m));
            EXPECT_TRUE(out.starts_with(u"<script type=\"text/javascript\">") ||
                        out.starts_with(u"<!DOCTYPE"))
                << m;
        }
    }
}
