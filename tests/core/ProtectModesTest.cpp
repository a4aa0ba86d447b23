#include "core/ProtectModes.h"

#include <gtest/gtest.h>
#include <random>

#include "core/PageEncoder.h"
#include "tests/support/PageDecoding.h"
#include "tests/support/StepwiseModes.h"

using namespace quorlane::core;
using quorlane::test::DecodeWriterBlocks;
using quorlane::test::U8;

namespace {

std::u16string stepwise(std::u16string page, ProtectMode mode)
{
    switch (mode) {
    case ProtectMode::EmailLinksOnly:
        quorlane::test::EncodeEmailLinksStepwise(page);
        break;
    case ProtectMode::AllLinks:
        quorlane::test::EncodeAllLinksStepwise(page);
        break;
    case ProtectMode::BodyOnly:
        quorlane::test::EncodeBodyStepwise(page);
        break;
    case ProtectMode::WholePage:
        page = EncodeMarkup(page);
        break;
    }
    return page;
}

// Pages built from pieces that meet every rule of the mode loops, weighted toward what makes a
// replacement change how later searches read the page: links whose end tag stands in a script,
// a comment or an unclosed element, or that hide raw text that opens once they are encoded;
// external scripts that hold "<body", "<a ", "</a>" or "mailto:", or end early ("</scriptx>")
// and then open raw text; nested links; plain "mailto:" behind links.
std::u16string generatedPage(std::mt19937& random)
{
    static const std::u16string pieces[] = {
        u"<a href=1>",
        u"<A HREF=2>",
        u"<a ",
        u"</a>",
        u"</A>",
        u"text ",
        u"mailto:",
        u"MailTo:",
        u"<a href=\"mailto:x@y\">",
        u"<body>",
        u"<BODY class=x>",
        u"<body",
        u"</body>",
        u"</BODY>",
        u"<script>",
        u"<script type=x>",
        u"</script>",
        u"<script src=\"e.js\">",
        u"<SCRIPT SRC=e.js>",
        u"<script src=e.js></scriptx>",
        u"<script src=e.js><a href=3>mailto:</script>",
        u"<script src=e.js><body>x</script>",
        u"<!--<script src=e.js></scriptx><style></script>-->",
        u"<script>document.write(\"</a>\")</script>",
        u"<a href=4><!--<script src=x></scriptx><title></script>--></a>",
        u"<script src=y></scriptx><a href=5>mailto:</script>",
        u"<a href=\"mailto:b\"><script src=c></scriptx><a href=6></script></a>",
        u"<a href=7><!-- </a> -->",
        u"<a href=8><style></a>",
        u"<a href=9><!--</a><style>-->",
        u"<!--</style><title>--><style></title>",
        u"<!--",
        u"-->",
        u"<style>",
        u"</style>",
        u"<title>",
        u"</title>",
        u"<textarea>",
        u"</textarea>",
        u"</scriptx>",
        u">",
        u"\u00E9\u20AC",
        u"\r\n",
    };
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 40);
    std::u16string page;
    for (int k = length(random); k > 0; --k) {
        page += pieces[pick(random)];
    }
    return page;
}

} // namespace

// The one-pass protect modes give exactly what the loops give when run step by step.
TEST(ProtectModes, EqualStepByStepOnGeneratedPages)
{
    std::mt19937 random(2026);
    for (int round = 0; round < 30000; ++round) {
        const std::u16string page = generatedPage(random);
        for (int m = 0; m < 4; ++m) {
            const auto mode = static_cast<ProtectMode>(m);
            const std::u16string expected = stepwise(page, mode);
            const std::u16string onePass = EncodeProtectedPart(page, mode);
            if (onePass != expected) {
                const auto diff =
                    std::mismatch(onePass.begin(), onePass.end(), expected.begin(), expected.end());
                FAIL() << "mode " << m << " page " << U8(page) << "\nfirst difference at "
                       << (diff.first - onePass.begin());
            }
        }
    }
}

// Whatever a mode hides, what the browser gets written back is the page it was given, and no
// writer block is ever encoded again.
TEST(ProtectModes, WriterBlocksDecodeBackToThePage)
{
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        const std::u16string page = generatedPage(random);
        for (int m = 0; m < 4; ++m) {
            const std::u16string encoded = EncodeProtectedPart(page, static_cast<ProtectMode>(m));
            ASSERT_EQ(DecodeWriterBlocks(encoded).plain, page) << "mode " << m << " " << U8(page);
        }
    }
}

namespace {

std::u16string repeated(std::u16string_view unit, int n)
{
    std::u16string text;
    for (int i = 0; i < n; ++i) {
        text += unit;
    }
    return text;
}

// Pages of n links (or bodies) on which the loops, run as first written, took long or grew
// without bound: each mode must give what the loops give, in output that grows as the page.
const struct
{
    const char* name;
    std::u16string (*page)(int n);
} hardCases[] = {
    {"end tag in a script",
     [](int n) {
         return repeated(u"<a href=p.html>item <script>document.write(\"</a>\")</script>", n);
     }},
    {"end tag in a comment",
     [](int n) { return repeated(u"<a href=p.html>item <!-- </a> --></a>", n) + u" mailto:"; }},
    {"end tag in a title",
     [](int n) { return repeated(u"<a href=\"mailto:x\">item <title></a></title>", n); }},
    {"links behind a plain mailto",
     [](int n) { return repeated(u"<a href=1>x</a><script src=e.js></script>", n) + u"mailto:"; }},
    {"nested links around a kept script",
     [](int n) {
         return repeated(u"<a ", n) + u"<script src=x></script>" + repeated(u"</a>", n) +
                u"mailto:";
     }},
    {"nested links, each closed, behind a mailto",
     [](int n) { return repeated(u"<a href=1>", n) + repeated(u"x</a>", n) + u" mailto:"; }},
    {"kept scripts that open raw text, behind a mailto",
     [](int n) {
         return repeated(u"<a href=1><!--<script src=x></scriptx><style></script>--></a>"
                         u"<a href=2><!--<script src=x></scriptx><title></script>--></a>",
                         n / 2) +
                u"</style></title> mailto:";
     }},
    {"links that hide raw text, behind a mailto",
     [](int n) {
         return repeated(u"<a h><style></a><!--</style><title>--><style></title>", n) +
                u"</style> mailto:";
     }},
    {"bodies without an end", [](int n) { return repeated(u"<body>", n); }},
    {"bodies in kept scripts",
     [](int n) {
         return u"<body>" + repeated(u"<script src=x>\"<body>\"</script>", n) + u"</body>";
     }},
};

} // namespace

TEST(ProtectModes, EqualStepByStepOnRepeatedHardCases)
{
    for (const auto& hard : hardCases) {
        SCOPED_TRACE(hard.name);
        const std::u16string page = u"<html><body>" + hard.page(100);
        const std::u16string twice = u"<html><body>" + hard.page(200);
        for (int m = 0; m < 3; ++m) {
            const auto mode = static_cast<ProtectMode>(m);
            const std::u16string encoded = EncodeProtectedPart(page, mode);
            EXPECT_EQ(encoded, stepwise(page, mode)) << m;
            EXPECT_LE(EncodeProtectedPart(twice, mode).size(), 2 * encoded.size()) << m;
        }
    }
}

// Pages on which an earlier form of the one pass went wrong.
TEST(ProtectModes, EqualStepByStepWhereTheOnePassOnceWentWrong)
{
    const std::u16string pages[] = {
        // A link encoded in the middle of page text read before, whose own text left a title
        // open past its end: the text after it reads otherwise from then on.
        u"<a <title></a><a mailto:<script src=</scriptx><a </script><style></a></title><a "
        u"</a>mailto:</a>",
    };
    for (const std::u16string& page : pages) {
        SCOPED_TRACE(U8(page));
        for (int m = 0; m < 3; ++m) {
            const auto mode = static_cast<ProtectMode>(m);
            EXPECT_EQ(EncodeProtectedPart(page, mode), stepwise(page, mode)) << m;
        }
    }
}
