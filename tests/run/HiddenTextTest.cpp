// The prints of hidden parts and of published files, and which pages a file gives away.
#include <algorithm>
#include <gtest/gtest.h>

#include "run/LeakAudit.h"
#include "tests/support/TempFolder.h"

using namespace quorlane;
using run::HiddenTextIndex;
using run::HiddenTextPrints;
using run::PublishedFilePrints;
using run::TextPrints;

namespace {

// Fifty words; the prints keep about one run of eight words in four.
const std::u16string story = u"Our lighthouse keeper counted eleven ships crossing the harbour "
                             u"before the northern storm arrived over the quiet village. The "
                             u"fishermen pulled their boats high onto the pebbles while the "
                             u"baker closed his shutters early and the children watched the "
                             u"grey waves climb the old stone wall until the lamps were lit "
                             u"along the whole street";

std::u16string U16(const std::string& ascii)
{
    return {ascii.begin(), ascii.end()};
}

TextPrints PrintsOf(std::u16string_view text)
{
    TextPrints prints;
    run::TextPrinter printer(prints);
    printer.add(text);
    printer.finish();
    return prints;
}

std::vector<HiddenTextIndex::Page> GivenAway(const std::vector<std::u16string>& pages,
                                             std::string_view file)
{
    HiddenTextIndex index;
    for (const std::u16string& page : pages) {
        index.add(HiddenTextPrints(page, core::ProtectMode::BodyOnly));
    }
    index.settle();
    return index.givenAway(PublishedFilePrints(file).value());
}

// A word of seven to nine letters made from a number below 20^5: none is an English word, and
// no two share their first five letters.
std::string Word(int n)
{
    std::string word;
    for (int i = 0, rest = n; i < 5; ++i, rest /= 20) {
        word.push_back(static_cast<char>('b' + rest % 20));
    }
    return word + "on" + std::string(static_cast<std::size_t>(n % 3), 'e');
}

bool Includes(const std::vector<std::uint64_t>& all, const std::vector<std::uint64_t>& some)
{
    return std::includes(all.begin(), all.end(), some.begin(), some.end());
}

} // namespace

TEST(HiddenText, ReadsTextTheWayAnyFileMightHoldIt)
{
    const TextPrints plain = PrintsOf(story);
    ASSERT_GE(plain.runs.size(), 4u);
    // Markup, case, character references and the escapes of script strings.
    for (const std::u16string same : {
             u"<p>OUR Lighthouse <b>keeper</b> counted&nbsp;eleven ships crossing the <a "
             u"href='x.html'>harbour</a> before the northern storm arrived over the quiet "
             u"village.</p>\n<p>The fishermen pulled their boats high onto the pebbles while the "
             u"baker closed his shutters early and the children watched the grey waves climb the "
             u"old stone wall until the lamps were lit along the whole street</p>",
             u"{\"text\":\"our lighthouse keeper counted eleven\\nships crossing the harbour "
             u"before the northern storm arrived over the quiet village. \\u201cThe fishermen "
             u"pulled their boats high onto the pebbles while the baker closed his shutters "
             u"early and the children watched the grey waves climb the old stone wall until the "
             u"lamps were lit along the whole street\"}",
             u"Our lighthouse keeper counted eleven ships crossing the h&#97;rbour before the "
             u"northern storm arrived over the quiet village. The fishermen pulled their boats "
             u"high onto the pebbles while the baker closed his shutters early and the children "
             u"watched the grey waves climb the old stone wall until the lamps were lit along "
             u"the whole str\\u0065et",
         }) {
        EXPECT_TRUE(Includes(PrintsOf(same).runs, plain.runs)) << same.size();
    }
    // A tag may go on from one piece of text into the next.
    TextPrints pieces;
    run::TextPrinter printer(pieces);
    printer.add(story.substr(0, 15) + u" <span cl");
    printer.add(u"ass='x'>" + story.substr(15, 60));
    printer.add(story.substr(75));
    printer.finish();
    EXPECT_EQ(pieces.runs, plain.runs);
    // Fewer than eight words make no run; words run together make other runs.
    EXPECT_TRUE(PrintsOf(u"lighthouse keeper counted eleven ships crossing the").runs.empty());
    std::u16string joined = story;
    for (const std::u16string_view word : {u"harbour", u"pebbles", u"lamps"}) {
        joined.erase(joined.find(word) - 1, 1);
    }
    EXPECT_FALSE(Includes(PrintsOf(joined).runs, plain.runs));
}

TEST(HiddenText, HiddenPartFollowsTheMode)
{
    const std::u16string page = u"<html><head><title>t</title></head><body><p>" + story +
                                u"</p><a href='a.html'>to the archive</a></body></html>";
    EXPECT_TRUE(
        Includes(HiddenTextPrints(page, core::ProtectMode::BodyOnly).runs, PrintsOf(story).runs));
    EXPECT_TRUE(
        Includes(HiddenTextPrints(page, core::ProtectMode::WholePage).runs, PrintsOf(story).runs));
    // The links modes hide the links only: the story stays in the clear on the page itself.
    EXPECT_TRUE(HiddenTextPrints(page, core::ProtectMode::AllLinks).runs.empty());
    EXPECT_TRUE(HiddenTextPrints(page, core::ProtectMode::EmailLinksOnly).runs.empty());
}

TEST(HiddenText, FileGivesAwayThePagesWhoseSentencesItHolds)
{
    const std::u16string footer =
        u"Copyright the harbour society all rights reserved and printed on recycled paper in "
        u"the village by the volunteers of the museum who also keep the tide tables the ferry "
        u"timetable and the list of lost and found items at the office beside the slipway";
    ASSERT_GE(PrintsOf(footer).runs.size(), 2u);
    std::vector<std::u16string> pages;
    for (int i = 0; i < 4; ++i) {
        std::string own;
        for (int w = 0; w < 40; ++w) {
            own += " " + Word(i * 100 + w);
        }
        pages.push_back(u"<body><p>" + U16(own) + u"</p><p>" + footer + u"</p></body>");
    }
    std::string secondPage;
    for (int w = 0; w < 40; ++w) {
        secondPage += " " + Word(100 + w);
    }
    // The source of one page, with markup of its own.
    EXPECT_EQ(GivenAway(pages, "Title\n=====\n\n*" + secondPage + "*\n"),
              std::vector<HiddenTextIndex::Page>{1});
    // What every page says is the site's, not a page's.
    const std::string footerBytes(footer.begin(), footer.end());
    EXPECT_TRUE(GivenAway(pages, "<footer>" + footerBytes + "</footer>").empty());
    // A picture holds no text, whatever its bytes.
    EXPECT_FALSE(
        PublishedFilePrints(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + secondPage));
}

TEST(HiddenText, WordIndexGivesAwayPagesButAScriptLibraryDoesNot)
{
    std::vector<std::u16string> pages;
    std::string index = "Search.setIndex({\"terms\": {";
    for (int i = 0; i < 3; ++i) {
        std::string body;
        for (int w = 0; w < 40; ++w) {
            // The page in full; the index holds its words stemmed, one by one, in another order.
            const std::string word = Word(i * 1000 + w);
            body += word + (w % 9 == 8 ? ". " : " ");
            index += "\"" + word.substr(0, word.size() - 1) + "\": [" + std::to_string(i) + "], ";
        }
        pages.push_back(u"<body><p>" + U16(body) + u"</p></body>");
    }
    index += "}})";
    EXPECT_EQ(GivenAway(pages, index), (std::vector<HiddenTextIndex::Page>{0, 1, 2}));
    // A library of many words of its own that happens to hold most words of a page.
    std::string library = "(function(){";
    for (int w = 0; w < 40; ++w) {
        library += "var " + Word(w) + " = 1;";
    }
    for (int w = 0; w < 400; ++w) {
        library += "function " + Word(50000 + w) + "(){}";
    }
    EXPECT_TRUE(GivenAway(pages, library).empty());
}

TEST(LeakAudit, SuggestsTheFolderWhenItHoldsNoPageElseTheFile)
{
    test::TempFolder site;
    std::string sentence;
    for (int w = 0; w < 40; ++w) {
        sentence += " " + Word(w);
    }
    site.write("_sources/a.txt", sentence);
    site.write("_sources/b.txt", "nothing of the pages here");
    site.write("docs/search.json", "{\"t\":\"" + sentence + "\"}");
    site.write("index.json", sentence);
    run::LeakAudit audit;
    const core::PathString root = site.str();
    audit.addPage({root, "/docs/a.html"}, root + "/docs/a.html",
                  HiddenTextPrints(U16(sentence), core::ProtectMode::WholePage));
    files::RealFileSystem fileSystem;
    EXPECT_TRUE(audit.audit(fileSystem, {root, "/_sources/a.txt"}, false));
    EXPECT_FALSE(audit.audit(fileSystem, {root, "/_sources/b.txt"}, false));
    EXPECT_TRUE(audit.audit(fileSystem, {root, "/docs/search.json"}, true));
    EXPECT_TRUE(audit.audit(fileSystem, {root, "/index.json"}, false));
    EXPECT_FALSE(audit.audit(fileSystem, {root, "/missing.txt"}, false));
    const std::vector<run::PublishedLeak> leaks = audit.leaks();
    ASSERT_EQ(leaks.size(), 3u);
    EXPECT_EQ(leaks[0].exclude, u"_sources/");
    EXPECT_EQ(leaks[1].exclude, u"/docs/search.json");
    EXPECT_TRUE(leaks[1].withheld);
    EXPECT_EQ(leaks[2].exclude, u"/index.json");
    EXPECT_FALSE(leaks[2].withheld);
    for (const run::PublishedLeak& leak : leaks) {
        EXPECT_EQ(leak.pages, 1u);
        EXPECT_EQ(leak.firstPage, root + "/docs/a.html");
    }
}
