#include "core/ProtectModes.h"

#include <gtest/gtest.h>
#include <random>

#include "core/PageEncoder.h"
#include "tests/support/PageDecoding.h"
#include "tests/support/StepwiseModes.h"

using namespace quorlane::core;
using quorlane::test::DecodeWriterBlocks;
using quorlane::test::EncodeStepwise;
using quorlane::test::U8;

// Pages built from pieces that meet every rule of the mode loops, weighted toward what makes a
// replacement change how later searches read the page: links whose end tag stands in a script,
// a comment or an unclosed element, or that hide raw text that opens once they are encoded;
// external scripts that hold "<body", "<a ", "</a>" or "mailto:", or end early ("</scriptx>")
// and then open raw text; raw text that only seems to open or close ("<!-->", "<stylex>",
// "</script >"); nested links; plain "mailto:" behind links. Besides, one page where an
// earlier form of the one pass went wrong: a link encoded in the middle of page text read
// before, whose own text left a title open past its end.
//
// Every mode gives exactly what the loops give when run step by step, and its writer blocks
// write back the page it was given, none of them encoded again; the size of a whole page's
// encoding is known before it is written.
TEST(ProtectModes, EqualStepByStepOnGeneratedPages)
{
    const auto pieces = quorlane::test::SplitAtBars(
        u"<a href=1>|<A HREF=2>|<a |</a>|</A>|text |mailto:|MailTo:|<a href=\"mailto:x@y\">|"
        u"<body>|<BODY class=x>|<body|</body>|</BODY>|<script>|<script type=x>|</script>|"
        u"<script src=\"e.js\">|<SCRIPT SRC=e.js>|<script src=e.js></scriptx>|"
        u"<script src=e.js><a href=3>mailto:</script>|<script src=e.js><body>x</script>|"
        u"<!--<script src=e.js></scriptx><style></script>-->|"
        u"<script>document.write(\"</a>\")</script>|"
        u"<a href=4><!--<script src=x></scriptx><title></script>--></a>|"
        u"<script src=y></scriptx><a href=5>mailto:</script>|"
        u"<a href=\"mailto:b\"><script src=c></scriptx><a href=6></script></a>|"
        u"<a href=7><!-- </a> -->|<a href=8><style></a>|<a href=9><!--</a><style>-->|"
        u"<!--</style><title>--><style></title>|<!--|-->|<style>|</style>|<title>|</title>|"
        u"<textarea>|</textarea>|</scriptx>|>|\u00E9\u20AC|\r\n|<!-->|</script >|<TITLE>|<style/>|"
        u"<stylex>|</TITLE\t>|<script |src=\"a.js\">|</SCRIPT>|type=y>|<|%u0041|\U0001F600");
    std::mt19937 random(2026);
    std::u16string page = u"<a <title></a><a mailto:<script src=</scriptx><a </script><style></a>"
                          u"</title><a </a>mailto:</a>";
    for (int round = 0; round < 30000; ++round) {
        for (int m = 0; m < 4; ++m) {
            const auto mode = static_cast<ProtectMode>(m);
            const std::u16string expected = EncodeStepwise(page, mode);
            const std::u16string onePass = EncodeProtectedPart(page, mode);
            if (onePass != expected) {
                const auto diff =
                    std::mismatch(onePass.begin(), onePass.end(), expected.begin(), expected.end());
                FAIL() << "mode " << m << " page " << U8(page) << "\nfirst difference at "
                       << (diff.first - onePass.begin());
            }
            ASSERT_EQ(DecodeWriterBlocks(onePass).plain, page) << "mode " << m << " " << U8(page);
            if (mode == ProtectMode::WholePage) {
                ASSERT_EQ(MarkupEncoding(page).size(), onePass.size()) << U8(page);
            }
        }
        page = quorlane::test::GeneratedPage(random, pieces, 40);
    }
}

// Pages of n links (or bodies) on which the loops, run as first written, took long or grew
// without bound: each mode must give what the loops give, in output that grows as the page.
TEST(ProtectModes, EqualStepByStepOnRepeatedHardCases)
{
    const struct
    {
        const char* name;
        std::u16string_view unit;        // repeated n times,
        std::u16string_view middle = {}; // then this,
        std::u16string_view close = {};  // then this n times,
        std::u16string_view tail = {};   // and this at the end
    } hardCases[] = {
        {"end tag in a script", u"<a href=p.html>item <script>document.write(\"</a>\")</script>"},
        {"end tag in a comment", u"<a href=p.html>item <!-- </a> --></a>", {}, {}, u" mailto:"},
        {"end tag in a title", u"<a href=\"mailto:x\">item <title></a></title>"},
        {"links behind a plain mailto",
         u"<a href=1>x</a><script src=e.js></script>",
         {},
         {},
         u"mailto:"},
        {"nested links around a kept script", u"<a ", u"<script src=x></script>", u"</a>",
         u"mailto:"},
        {"nested links, each closed, behind a mailto", u"<a href=1>", {}, u"x</a>", u" mailto:"},
        {"kept scripts that open raw text, behind a mailto",
         u"<a href=1><!--<script src=x></scriptx><style></script>--></a>"
         u"<a href=2><!--<script src=x></scriptx><title></script>--></a>",
         {},
         {},
         u"</style></title> mailto:"},
        {"links that hide raw text, behind a mailto",
         u"<a h><style></a><!--</style><title>--><style></title>",
         {},
         {},
         u"</style> mailto:"},
        {"bodies without an end", u"<body>"},
        {"bodies in kept scripts", u"<script src=x>\"<body>\"</script>", {}, {}, u"</body>"},
    };
    for (const auto& hard : hardCases) {
        SCOPED_TRACE(hard.name);
        const auto page = [&](int n) {
            std::u16string text = u"<html><body>";
            for (int i = 0; i < n; ++i) {
                text += hard.unit;
            }
            text += hard.middle;
            for (int i = 0; i < n; ++i) {
                text += hard.close;
            }
            return text += hard.tail;
        };
        for (int m = 0; m < 3; ++m) {
            const auto mode = static_cast<ProtectMode>(m);
            const std::u16string encoded = EncodeProtectedPart(page(100), mode);
            EXPECT_EQ(encoded, EncodeStepwise(page(100), mode)) << m;
            EXPECT_LE(EncodeProtectedPart(page(200), mode).size(), 2 * encoded.size()) << m;
        }
    }
}

// A plain "mailto:" behind links, written out by hand from the words of the e-mail loop: the
// nearest link before it is encoded, then the next nearest, each up to the first "</a>" after
// its "<a " on the page as it then stands, which may lie behind encodings made before: those
// are encoded again inside it. The step-by-step loops and the one pass must both give it.
TEST(ProtectModes, EmailModeEncodesEveryLinkBeforeAPlainAddressAsWritten)
{
    const std::u16string one = u"<a href=\"a.html\">one\r\n";
    const std::u16string two = u"<a href=\"b.html\">two</a>";
    const std::u16string text = u"\r\nwrite to mailto:me@example.com here\r\n";
    const struct
    {
        const char* name;
        std::u16string page;
        std::u16string expected;
    } cases[] = {
        {"an unclosed link before a closed one", one + two + text + u"</a><p>after</p>",
         EncodeMarkup(one + EncodeMarkup(two) + text + u"</a>") + u"<p>after</p>"},
        {"two closed links", u"<a href=1>x</a> and " + two + text,
         EncodeMarkup(u"<a href=1>x</a>") + u" and " + EncodeMarkup(two) + text},
        {"unclosed links nested twice",
         u"<p><a href=1>x<a href=2>y" + two + u"</a>z" + text + u"</a>",
         u"<p>" + EncodeMarkup(u"<a href=1>x" +
                               EncodeMarkup(u"<a href=2>y" + EncodeMarkup(two) + u"</a>") + u"z" +
                               text + u"</a>")},
        {"no end tag behind the unclosed link", one + two + text, one + EncodeMarkup(two) + text},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(U8(EncodeStepwise(c.page, ProtectMode::EmailLinksOnly)), U8(c.expected));
        EXPECT_EQ(U8(EncodeProtectedPart(c.page, ProtectMode::EmailLinksOnly)), U8(c.expected));
        EXPECT_EQ(DecodeWriterBlocks(c.expected).plain, c.page);
    }
}
