#include "core/ProtectModes.h"

#include <gtest/gtest.h>
#include <random>

#include "core/PageEncoder.h"
#include "core/ProtectModesStepwise.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane::core;
using quorlane::test::DecodeWriterBlocks;
using quorlane::test::U8;

namespace {

// Pages built from pieces that meet every rule of the mode loops: links in both spellings,
// unclosed links, plain "mailto:", links and end tags inside scripts and comments, external
// scripts that hold "<body" or "</a>", bodies in both spellings.
std::u16string generatedPage(std::mt19937& random)
{
    static const std::u16string pieces[] = {
        u"<a href=1>",
        u"<A HREF=2>",
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

void encodeStepwise(std::u16string& page, ProtectMode mode)
{
    switch (mode) {
    case ProtectMode::EmailLinksOnly:
        EncodeEmailLinksStepwise(page);
        break;
    case ProtectMode::AllLinks:
        EncodeAllLinksStepwise(page);
        break;
    case ProtectMode::BodyOnly:
        EncodeBodyStepwise(page);
        break;
    case ProtectMode::WholePage:
        page = EncodeMarkup(page);
        break;
    }
}

} // namespace

// The one-pass protect modes give exactly what the loops give when run step by step.
TEST(ProtectModes, OnePassEqualsStepByStepOnGeneratedPages)
{
    std::mt19937 random(2026);
    for (int round = 0; round < 20000; ++round) {
        const std::u16string page = generatedPage(random);
        for (int m = 0; m < 4; ++m) {
            const auto mode = static_cast<ProtectMode>(m);
            std::u16string stepwise = page;
            encodeStepwise(stepwise, mode);
            const std::u16string onePass = EncodeProtectedPart(page, mode);
            if (onePass != stepwise) {
                const auto diff =
                    std::mismatch(onePass.begin(), onePass.end(), stepwise.begin(), stepwise.end());
                FAIL() << "mode " << m << " page " << U8(page) << "\nfirst difference at "
                       << (diff.first - onePass.begin());
            }
        }
    }
}

// Whatever a mode hides, what the browser gets written back is the page it was given. (A page
// whose body is encoded twice over needs decoding twice over.)
TEST(ProtectModes, WriterBlocksDecodeBackToThePage)
{
    const auto decodeFully = [](std::u16string text) {
        for (int depth = 0; depth < 8 && text.find(writerBlockStart) != std::u16string::npos;
             ++depth) {
            text = DecodeWriterBlocks(text).plain;
        }
        return text;
    };
    std::mt19937 random(11);
    for (int round = 0; round < 5000; ++round) {
        const std::u16string page = generatedPage(random);
        for (int m = 0; m < 4; ++m) {
            const std::u16string encoded = EncodeProtectedPart(page, static_cast<ProtectMode>(m));
            ASSERT_EQ(decodeFully(encoded), page) << "mode " << m << " " << U8(page);
        }
    }
}

TEST(ProtectModes, ManyLinksBehindOnePlainMailtoAreAllEncodedNearestFirst)
{
    std::u16string page;
    for (int i = 0; i < 300; ++i) {
        page += u"<a href=" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + u">x</a>";
    }
    page += u" mailto: ";
    std::u16string stepwise = page;
    EncodeEmailLinksStepwise(stepwise);
    const std::u16string onePass = EncodeProtectedPart(page, ProtectMode::EmailLinksOnly);
    EXPECT_EQ(onePass, stepwise);
    EXPECT_EQ(DecodeWriterBlocks(onePass).writtenParts.size(), 300u);
}
