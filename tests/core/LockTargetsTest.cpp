#include "core/LockTargets.h"

#include <gtest/gtest.h>

#include "core/Utf8.h"
#include "core/modScripts.h"

using namespace quorlane::core;

namespace {

// Stands in for IDNA: knows one name, refuses everything else outside ASCII.
std::optional<std::u16string> fakeIdna(std::u16string_view host)
{
    if (host == u"b\u00FCcher.example") {
        return u"xn--bcher-kva.example";
    }
    return std::nullopt;
}

} // namespace

TEST(LockAddress, ComparesWithoutQueryFragmentSchemeOrCapitalsInTheHost)
{
    const struct
    {
        std::u16string_view url;
        std::u16string_view address;
    } cases[] = {
        {u"http://WWW.Example.com/Dir/p.html?x=1#f", u"//www.example.com/Dir/p.html"},
        {u"file:///home/a/p.html#x", u"file:///home/a/p.html"},
        {u" \t HTTPS://www.example.com/a.html\r\n", u"//www.example.com/a.html"},
        {u"www.example.com", u"//www.example.com/"},
        {u"http://www.example.com#top", u"//www.example.com/"},
        {u"ftp://Files.Example.com/A.txt", u"ftp://files.example.com/A.txt"},
        {u"http://user@Host.Example:8080/p", u"//user@host.example:8080/p"},
        {u"http://b\u00FCcher.example/\u00E9 x.html", u"//xn--bcher-kva.example/%C3%A9%20x.html"},
        {u"http://h/\U0001F600\xD800.html", u"//h/%F0%9F%98%80%EF%BF%BD.html"},
        {u"http://h/%41~\x7F", u"//h/%41~%7F"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.url));
        EXPECT_EQ(LockAddress(c.url, fakeIdna), c.address);
    }
    // Without a converter a host outside ASCII stays as it was typed.
    EXPECT_EQ(LockAddress(u"http://B\u00DCcher.example/", nullptr), u"//b\u00DCcher.example/");
}

// One condition per host, capitals folded; a leading dot admits subdomains (the golden pages
// show the script for one host).
TEST(DomainLockScript, OneConditionPerHostAndADotAdmitsSubdomains)
{
    const std::u16string head =
        DomainLockScript(u"x").substr(0, DomainLockScript(u"x").find(u"if(qv_hn(window"));
    const std::u16string tail = u")\r\n   window.location='about:blank';\r\n";
    const std::u16string_view host = u"qv_hn(window.location.href)";
    const struct
    {
        std::u16string_view domain;
        std::u16string condition;
    } cases[] = {
        {u"WWW.A.b", std::u16string(host) + u"!='www.a.b'"},
        {u" a.example,.B\u00FCcher.example\r\n\tc.example ,, ",
         std::u16string(host) + u"!='a.example'&&('.'+" + std::u16string(host) +
             u").slice(-22)!='.xn--bcher-kva.example'&&" + std::u16string(host) + u"!='c.example'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.domain));
        EXPECT_EQ(DomainLockScript(c.domain, fakeIdna), head + u"if(" + c.condition + tail);
    }
}

// Every entry is a host name and the address a web address with one, or a lock the browser
// could never match is refused, naming the entry and saying what is expected.
TEST(FindLockProblem, NamesTheEntryThatIsNoHost)
{
    const struct
    {
        std::u16string_view domain;
        std::u16string_view url;
        std::u16string_view named; // empty when both are fine
        LockText fault = LockText::Domain;
    } cases[] = {
        {u"www.a.example, .b.example", u"http://www.a.example/x.html?q", u""},
        {u"b\u00FCcher.example\tlocalhost 10.0.0.1", u"HTTPS://b\u00FCcher.example:8443", u""},
        {u"a-b.example", u" http://a.example/a b.html ", u""},
        // Blanks part entries, so a phrase is taken word by word, and a word is no host.
        {u"not a domain!!", u"", u"\"domain!!\""},
        {u"a.example, www.b.example/shop", u"", u"\"www.b.example/shop\""},
        {u"a.example:8080", u"", u"\"a.example:8080\""},
        {u"me@a.example", u"", u"\"me@a.example\""},
        {u"a\u00A0b.example", u"", u"\"a\u00A0b.example\""},
        {u"a_b.example", u"", u"\"a_b.example\""},
        {u"-a.example", u"", u"\"-a.example\""},
        {u"a..example", u"", u"\"a..example\""},
        {u"a.example.", u"", u"\"a.example.\""},
        {u"..a.example", u"", u"\"..a.example\""},
        {u".", u"", u"\".\""},
        {u"n\u00F6.example", u"", u"\"n\u00F6.example\""},
        {u" , ,", u"", u"names no host"},
        {u"a.example", u"ftp//bad url", u"\"ftp//bad url\" is not a web address", LockText::Url},
        {u"a.example", u"javascript:alert(1)", u"\"javascript:alert(1)\" is not a web address",
         LockText::Url},
        {u"a.example", u"ftp://x.example/", u"\"ftp://x.example/\" is not a web address",
         LockText::Url},
        // A page on disk, and an address typed without its scheme, which is taken as http.
        {u"a.example", u"file:///home/a/p.html", u""},
        {u"a.example", u"www.a.example/p.html", u""},
        {u"a.example", u"localhost:8000/p.html", u""},
        {u"a.example", u"file://a b/p.html", u"\"a b\" in the URL lock", LockText::Url},
        {u"a.example", u"shop", u"\"shop\" is not a web address", LockText::Url},
        {u"a.example", u"http:///page.html", u"\"http:///page.html\" names no host", LockText::Url},
        {u"a.example", u"http://a.example:80x/", u"\"a.example:80x\"", LockText::Url},
        {u"a.example", u"http://me@a.example/", u"\"me@a.example\"", LockText::Url},
        {u"a.example", u"http://a b.example/", u"\"a b.example\"", LockText::Url},
        {u"a.example", u"http://n\u00F6.example/", u"\"n\u00F6.example\"", LockText::Url},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.domain) + " | " + Utf16ToUtf8(c.url));
        ProtectionSettings settings;
        settings.hostToAscii = fakeIdna;
        settings.domainLock = true;
        settings.lockDomain = c.domain;
        settings.urlLock = !c.url.empty();
        settings.lockUrl = c.url;
        const std::optional<LockProblem> problem = FindLockProblem(settings);
        ASSERT_EQ(problem.has_value(), !c.named.empty());
        if (problem) {
            EXPECT_EQ(problem->text, c.fault);
            EXPECT_NE(problem->message.find(c.named), std::u16string::npos)
                << Utf16ToUtf8(problem->message);
            EXPECT_NE(problem->message.find(u" Give "), std::u16string::npos);
        }
    }
    // A lock that is off is not looked at.
    ProtectionSettings off;
    off.lockDomain = u"a/b";
    off.lockUrl = u"http:///";
    EXPECT_FALSE(FindLockProblem(off));
}
