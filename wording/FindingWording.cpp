#include "wording/FindingWording.h"

#include "core/Utf8.h"
#include "wording/Counted.h"

namespace quorlane::wording {

namespace {

inline constexpr Plural backupsInSiteWindow{
    u"%n backup inside the site (NAME.bak beside its page) holds the page in clear, and is "
    u"published with it unless removed or kept elsewhere.",
    u"%n backups inside the site (NAME.bak beside each page) hold the pages in clear, and are "
    u"published with it unless removed or kept elsewhere."};

// The name of the switch that a finding of the run as a whole is about, as the front shows it.
std::u16string_view switchName(core::FindingCode code, Front front)
{
    const bool window = front == Front::Window;
    if (code == core::FindingCode::GeckoTurnedAway) {
        return window ? u"'Disable Netscape users'" : u"block-netscape";
    }
    return window ? u"'Disable offline browsing'" : u"no-offline";
}

std::u16string scriptWrittenLinksText(const core::Finding& finding)
{
    std::u16string text = Counted(finding.count, scriptWrittenLinks);
    const std::size_t at = text.find(u"%s");
    return at == std::u16string::npos ? text : text.replace(at, 2, finding.detail);
}

std::u16string encodingFallbackText(std::u16string_view detail)
{
    const std::size_t space = detail.find(u' ');
    const std::u16string_view declared = detail.substr(0, space);
    const std::u16string_view used =
        space == std::u16string_view::npos ? std::u16string_view() : detail.substr(space + 1);
    return u"It declares the encoding " + std::u16string(declared) +
           u", but its bytes do not decode in it, so it is read and written as " +
           std::u16string(used) + u"; characters outside ASCII may come out wrong.";
}

} // namespace

std::u16string BackupsInSiteText(std::size_t count, Front front)
{
    return Counted(count, front == Front::Window ? backupsInSiteWindow : backupsInSite);
}

std::u16string FindingSentence(const core::Finding& finding, Front front)
{
    const std::u16string& detail = finding.detail;
    switch (finding.code) {
    case core::FindingCode::CspBlocksInline:
        return u"Its Content-Security-Policy meta element (\"" + detail +
               u"\") does not allow inline scripts: the browser refuses the protection's "
               u"scripts, and the page stays blank.";
    case core::FindingCode::CspBlocksEval:
        return u"Its Content-Security-Policy meta element (\"" + detail +
               u"\") does not allow 'unsafe-eval', which the protection's page script needs: the "
               u"page stays blank.";
    case core::FindingCode::EncodingFallback:
        return encodingFallbackText(detail);
    case core::FindingCode::FrameOnOtherHost:
        return u"Its frame " + detail + u" is on another host and stays unprotected" +
               (finding.count > 1 ? Counted(finding.count - 1, moreFrames) : u"") + u".";
    case core::FindingCode::AlreadyProtected:
        return u"It is protected already and is left as it is.";
    case core::FindingCode::NoScriptSeesNotice:
        return u"In whole and body mode, search engines and visitors without scripts see only "
               u"the notice, not the pages.";
    case core::FindingCode::ScriptWrittenLinks:
        return scriptWrittenLinksText(finding);
    case core::FindingCode::BackupsInSite:
        return BackupsInSiteText(finding.count, front);
    case core::FindingCode::GeckoTurnedAway:
        return std::u16string(switchName(finding.code, front)) +
               u" turns away every visitor whose browser is Firefox or another Gecko browser: "
               u"they get a blank page.";
    case core::FindingCode::OfflineBlank:
        return std::u16string(switchName(finding.code, front)) +
               u" leaves every page opened from disk blank: saved copies, and the site opened "
               u"from its folder before it is published.";
    case core::FindingCode::PageTooLarge:
        break;
    }
    return u"It is " + detail +
           u" bytes, over 50 MB: browsers are slow to write so much back, and protecting it "
           u"takes much memory.";
}

std::u16string_view SeverityWord(core::Severity severity)
{
    return severity == core::Severity::Warning ? u"warning" : u"note";
}

Diagnostic FindingDiagnostic(std::u16string file, const core::Finding& finding, Front front)
{
    const std::size_t line = file.empty() ? 0 : finding.line;
    return {std::move(file), line, SeverityWord(finding.severity), FindingSentence(finding, front),
            core::FindingCodeName(finding.code)};
}

std::u16string DiagnosticLine(const Diagnostic& diagnostic)
{
    std::u16string line;
    if (!diagnostic.file.empty()) {
        line = diagnostic.file;
        if (diagnostic.line > 0) {
            line += u":" + core::Utf8ToUtf16(std::to_string(diagnostic.line));
        }
        line += u": ";
    }
    line += std::u16string(diagnostic.severity) + u": ";
    // One line each, whatever the message: CR LF and LF become a space.
    for (std::size_t at = 0; at < diagnostic.message.size(); ++at) {
        const char16_t c = diagnostic.message[at];
        if (c == u'\r' && at + 1 < diagnostic.message.size() &&
            diagnostic.message[at + 1] == u'\n') {
            continue;
        }
        line.push_back(c == u'\r' || c == u'\n' ? u' ' : c);
    }
    return line + u" [" + core::Utf8ToUtf16(diagnostic.code) + u"]";
}

} // namespace quorlane::wording
