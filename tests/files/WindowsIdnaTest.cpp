// Host names on Windows, by either of the system's two converters.
#include <gtest/gtest.h>

#include "files/Idna.h"
#include "files/IdnaWindows.h"

using namespace quorlane::files;

// Where the two agree with browsers: capitals folded, the other full stops taken for ".",
// a code point no name may hold refused.
TEST(WindowsIdna, IdnToAsciiWritesPlainNamesAsBrowsersDo)
{
    EXPECT_EQ(IdnToAsciiHostToAscii(u"B\u00FCcher.Example"), u"xn--bcher-kva.example");
    EXPECT_EQ(IdnToAsciiHostToAscii(u"B\u00DCCHER.example"), u"xn--bcher-kva.example");
    EXPECT_EQ(IdnToAsciiHostToAscii(u"b\u00FCcher\u3002example\uFF0Ede"),
              u"xn--bcher-kva.example.de");
    EXPECT_EQ(IdnToAsciiHostToAscii(u"\u65E5\u672C.example"), u"xn--wgv71a.example");
    EXPECT_EQ(IdnToAsciiHostToAscii(u"bad\uFFFD.example"), std::nullopt);
    // One label at a time: a name longer than the 253 characters of DNS is converted all the
    // same.
    std::u16string longName;
    for (int label = 0; label < 8; ++label) {
        longName += std::u16string(40, u'\u00FC') + u".";
    }
    const auto ascii = IdnToAsciiHostToAscii(longName + u"example");
    ASSERT_TRUE(ascii.has_value());
    EXPECT_GT(ascii->size(), 253u);
}

// Without the system's ICU every name goes through IdnToAscii, whatever it makes of it.
TEST(WindowsIdna, WithoutTheSystemsIcuNamesGoThroughIdnToAscii)
{
    if (IcuDllHasIdna()) {
        GTEST_SKIP() << "this system has its own ICU, which IcuDllWritesNamesAsBrowsersDo checks";
    }
    for (const char16_t* host : {u"fa\u00DF.de", u"B\u00FCcher.example", u"\u2603.net",
                                 u"\u05D0a1.example", u"bad\uFFFD.example"}) {
        EXPECT_EQ(IdnaHostToAscii(host), IdnToAsciiHostToAscii(host));
    }
    EXPECT_EQ(IcuDllHostToAscii(u"b\u00FCcher.example"), std::nullopt);
}

// With it, names are written as browsers write them: non-transitional, directions and joiners
// checked, hyphen and length rules not.
TEST(WindowsIdna, IcuDllWritesNamesAsBrowsersDo)
{
    if (!IcuDllHasIdna()) {
        GTEST_SKIP() << "no icu.dll in System32 (Wine 8 ships none; Windows has it from 10 "
                        "version 1703): WithoutTheSystemsIcuNamesGoThroughIdnToAscii shows the "
                        "fallback";
    }
    EXPECT_EQ(IdnaHostToAscii(u"fa\u00DF.de"), u"xn--fa-hia.de");
    EXPECT_EQ(IcuDllHostToAscii(u"B\u00FCcher.example"), u"xn--bcher-kva.example");
    EXPECT_EQ(IcuDllHostToAscii(u"-b\u00FC.de"), u"xn---b-yka.de");
    EXPECT_EQ(IcuDllHostToAscii(u"ab--c\u00FC.de"), u"xn--ab--c-ova.de");
    EXPECT_EQ(IcuDllHostToAscii(u"\u03C2.gr"), u"xn--3xa.gr");
    EXPECT_EQ(IcuDllHostToAscii(u"\u05D0a1.example"), std::nullopt);
    EXPECT_EQ(IcuDllHostToAscii(u"bad\uFFFD.example"), std::nullopt);
    // An ASCII form many times longer than the name.
    std::u16string host;
    std::u16string ascii;
    for (int label = 0; label < 20; ++label) {
        host += u"\u65E5\u672C.";
        ascii += u"xn--wgv71a.";
    }
    EXPECT_EQ(IcuDllHostToAscii(host), ascii);
}
