#include "bench/SamplePages.h"

#include <string_view>

namespace quorlane::bench {

namespace {

std::u16string number(std::size_t n)
{
    std::u16string digits;
    for (char c : std::to_string(n)) {
        digits.push_back(static_cast<char16_t>(c));
    }
    return digits;
}

// One stretch of markup with one link in it.
void appendSection(std::u16string& page, std::size_t index)
{
    const std::u16string n = number(index);
    page += u"<div class=\"section\" id=\"s" + n + u"\">\r\n<h2>Section " + n + u"</h2>\r\n";
    page += u"<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor "
            u"incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam.</p>\r\n";
    if (index % 4 == 0) {
        page += u"<p>Write to <a href=\"mailto:desk" + n + u"@example.com\">desk " + n +
                u"</a> for details.</p>\r\n";
    } else {
        page += u"<p>See <a href=\"page" + n + u".html\" title=\"more\">page " + n +
                u"</a> for details.</p>\r\n";
    }
    switch (index % 10) {
    case 1:
        page += u"<!-- navigation: <a href=old.html>old</a> -->\r\n";
        break;
    case 3:
        page += u"<script type=\"text/javascript\">var counter" + n + u" = '<a ' + " + n +
                u";</script>\r\n";
        break;
    case 5:
        page += u"<table><tr><td>Item</td><td>" + n + u"</td></tr></table>\r\n";
        break;
    case 7:
        page += u"<script type=\"text/javascript\" src=\"lib" + n + u".js\"></script>\r\n";
        break;
    default:
        page += u"<ul><li>one</li><li>two</li></ul>\r\n";
    }
    if (index % 1000 == 999) {
        page += u"<p>Or use mailto: in your mail program.</p>\r\n";
    }
    page += u"</div>\r\n";
}

} // namespace

std::u16string GeneratedPage(std::size_t links, std::size_t unitsPerLink)
{
    std::u16string page = u"<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>Generated</title>\r\n"
                          u"<meta charset=\"utf-8\">\r\n</head>\r\n<body>\r\n";
    const std::u16string filler = u"<p>Sed ut perspiciatis unde omnis iste natus error sit "
                                  u"voluptatem accusantium doloremque laudantium.</p>\r\n";
    for (std::size_t i = 0; i < links; ++i) {
        const std::size_t target = (i + 1) * unitsPerLink;
        appendSection(page, i);
        while (page.size() + filler.size() < target) {
            page += filler;
        }
    }
    page += u"</body>\r\n</html>\r\n";
    return page;
}

std::u16string MakeHardPage(HardPage kind, std::size_t links)
{
    std::u16string unit;
    std::u16string head = u"<html><head><title>Hard</title></head><body>\r\n";
    std::u16string tail = u"</body></html>\r\n";
    switch (kind) {
    case HardPage::EndTagInScript:
        // The end tag the link loops take is the one the script writes.
        unit = u"<a href=\"p.html\">item <script>document.write(\"</a>\")</script>\r\n";
        break;
    case HardPage::EndTagInComment:
        unit = u"<a href=\"p.html\">item <!-- </a> --> more</a>\r\n";
        break;
    case HardPage::EndTagInUnclosedElement:
        // A style start tag that nothing closes: everything after it is raw text, until the
        // link is encoded.
        unit = u"<a href=\"p.html\">item <style></a>\r\n";
        break;
    case HardPage::MailLinksInScript:
        unit = u"<a href=\"mailto:desk@example.com\">desk <script>document.write(\"</a>\")"
               u"</script>\r\n";
        break;
    case HardPage::LinksBehindPlainMailto:
        // One "mailto:" in plain text after all the links: each is met again and encodes the
        // next link back.
        unit = u"<p>See <a href=\"p.html\">page</a> and <script src=\"e.js\"></script></p>\r\n";
        tail = u"<p>Write to mailto: desk</p></body></html>\r\n";
        break;
    case HardPage::RepeatedBodyTags:
        head = u"<html>";
        unit = u"<body>";
        tail = u"</html>";
        break;
    case HardPage::BodiesInKeptScripts:
        // External scripts that hold "<body", all in one body.
        unit = u"<script src=\"e.js\">\"<body>\"</script>\r\n";
        break;
    case HardPage::NestedLinks: {
        // Links inside links around one external script, and a "mailto:" after them all: the
        // innermost link is encoded first, then the one around it, which would hold that
        // encoding.
        std::u16string page = head;
        for (std::size_t i = 0; i < links; ++i) {
            page += u"<a href=\"p.html\">";
        }
        page += u"<script src=\"e.js\"></script>";
        for (std::size_t i = 0; i < links; ++i) {
            page += u"</a>";
        }
        return page + u"mailto:" + tail;
    }
    case HardPage::KeptScriptsOpeningRawText:
        // Links each hiding, in a comment, an external script that ends early ("</scriptx>")
        // and then opens a style or title element; one "mailto:" after them all, behind the end
        // tags of both.
        unit = u"<a href=\"p.html\"><!--<script src=x></scriptx><style></script>--></a>\r\n"
               u"<a href=\"q.html\"><!--<script src=x></scriptx><title></script>--></a>\r\n";
        links /= 2;
        tail = u"</style></title><p>mailto: desk</p></body></html>\r\n";
        break;
    case HardPage::LinksHidingRawText:
        // Links whose style element runs past their end tag and hides a comment; once a link is
        // encoded, the raw text after it reads otherwise all the way to the last link.
        unit = u"<a href=\"p.html\"><style></a><!--</style><title>--><style></title>\r\n";
        tail = u"</style><p>mailto: desk</p></body></html>\r\n";
        break;
    case HardPage::OneLongLine: {
        std::u16string page = GeneratedPage(links, 200);
        std::erase(page, u'\r');
        std::erase(page, u'\n');
        return page;
    }
    }
    std::u16string page = head;
    page.reserve(head.size() + links * unit.size() + tail.size());
    for (std::size_t i = 0; i < links; ++i) {
        page += unit;
    }
    page += tail;
    return page;
}

std::u16string AsciiHtml(std::size_t units)
{
    std::u16string page;
    page.reserve(units + 1000);
    for (std::size_t i = 0; page.size() < units; ++i) {
        appendSection(page, i);
    }
    page.resize(units);
    return page;
}

std::u16string MixedText(std::size_t units)
{
    constexpr std::u16string_view latin = u"The quick brown fox jumps over the lazy dog, ";
    std::u16string text;
    text.reserve(units);
    for (std::size_t i = 0; text.size() < units; ++i) {
        text.push_back(i % 5 == 4 ? static_cast<char16_t>(0x4E00 + (i % 2000))
                                  : latin[i % latin.size()]);
    }
    return text;
}

} // namespace quorlane::bench
