#include "core/modScripts.h"

#include <initializer_list>

#include "core/LockTargets.h"

namespace quorlane::core {

namespace {

constexpr std::u16string_view crlf = u"\r\n";

// CR LF, then every line followed by CR LF.
std::u16string joinLines(std::initializer_list<std::u16string_view> lines)
{
    std::u16string text(crlf);
    for (std::u16string_view line : lines) {
        text += line;
        text += crlf;
    }
    return text;
}

std::u16string quoted(std::u16string_view before, std::u16string_view value,
                      std::u16string_view after)
{
    std::u16string line(before);
    line += value;
    line += after;
    return line;
}

std::u16string alertLine(std::u16string_view indent, std::u16string_view warning)
{
    if (warning.empty()) {
        return {};
    }
    return quoted(std::u16string(indent) + u"alert('", warning, u"');");
}

// The condition of the domain check: true on a host that no entry admits. No entry admits none.
std::u16string domainCondition(std::u16string_view domain, HostToAscii toAscii)
{
    constexpr std::u16string_view host = u"qv_hn(window.location.href)";
    std::vector<std::u16string_view> entries = LockDomainEntries(domain);
    if (entries.empty()) {
        entries.push_back(u"");
    }
    std::u16string condition;
    for (std::u16string_view entry : entries) {
        const std::u16string lockHost = LockHost(entry, toAscii);
        if (!condition.empty()) {
            condition += u"&&";
        }
        if (!lockHost.empty() && lockHost.front() == u'.') {
            condition += u"('.'+";
            condition += host;
            condition += u").slice(-";
            for (char c : std::to_string(lockHost.size())) {
                condition += static_cast<char16_t>(c);
            }
            condition += u")";
        } else {
            condition += host;
        }
        condition += quoted(u"!='", lockHost, u"'");
    }
    return condition;
}

} // namespace

std::u16string ContextMenuScript(std::u16string_view warning)
{
    return joinLines(
        {u"function qv_cm()", u"{", alertLine(u"   ", warning), u"   return false;", u"}"});
}

std::u16string MouseDownScript(std::u16string_view warning, bool selectionBlocked)
{
    const std::u16string alert = alertLine(u"      ", warning);
    if (!selectionBlocked) {
        return joinLines({u"function qv_md(e)", u"{", u"   if(e.which==2||e.which==3)", u"   {",
                          alert, u"       return false;", u"   }", u"}"});
    }
    return joinLines({u"function qv_md(e)", u"{", u"   if(e.which==2||e.which==3)", u"   {", alert,
                      u"       return false;", u"   }", u"   if(e.which==1) ", u"       {",
                      u"           window.captureEvents(Event.MOUSEMOVE);",
                      u"           window.onmousemove=qv_dn;", u"       }", u"}"});
}

std::u16string DomainLockScript(std::u16string_view domain, HostToAscii toAscii)
{
    return joinLines({u"function qv_hn(h)", u"{", u"   s=h.indexOf('://');", u"   if(s==-1)",
                      u"       {s=0}", u"   else", u"       {s=s+3};", u"   e=h.indexOf('/',s);",
                      u"   if(e==-1)", u"       e=h.length;", u"   d=h.substring(s,e);",
                      u"   s=d.indexOf(':');", u"   if(s!=-1)", u"       d=d.substring(0,s);",
                      u"   return d;", u"}", quoted(u"if(", domainCondition(domain, toAscii), u")"),
                      u"   window.location='about:blank';"});
}

std::u16string UrlLockScript(std::u16string_view url, HostToAscii toAscii)
{
    return joinLines({quoted(u"if(window.location.href.replace(/[?#].*$/,'').replace(/^https?:/"
                             u"i,'')!='",
                             LockAddress(url, toAscii), u"')"),
                      u"   window.location='about:blank';"});
}

std::u16string PasswordScript(std::u16string_view password)
{
    return joinLines({u"if (qv_ok)", u"{", u"   p=prompt('Enter Password:','');",
                      quoted(u"   if(p==null||p!='", password, u"')"), u"       qv_ok=false;",
                      u"}"});
}

} // namespace quorlane::core
