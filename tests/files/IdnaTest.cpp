#include "files/Idna.h"

#include <gtest/gtest.h>

using quorlane::files::IdnaHostToAscii;

// The forms browsers put in location.href: non-transitional (sharp s kept), capitals folded,
// hyphen rules not checked; a name IDNA refuses gives nothing.
TEST(IdnaHostToAscii, WritesHostsAsBrowsersReportThem)
{
    EXPECT_EQ(IdnaHostToAscii(u"B\u00FCcher.example"), u"xn--bcher-kva.example");
    EXPECT_EQ(IdnaHostToAscii(u"fa\u00DF.de"), u"xn--fa-hia.de");
    EXPECT_EQ(IdnaHostToAscii(u"-b\u00FC.de"), u"xn---b-yka.de");
    EXPECT_EQ(IdnaHostToAscii(u"\u65E5\u672C.example"), u"xn--wgv71a.example");
    EXPECT_EQ(IdnaHostToAscii(u"bad\uFFFD.example"), std::nullopt);
    EXPECT_EQ(IdnaHostToAscii(u"\u05D0a1.example"), std::nullopt); // mixed directions
}
