#include "cli/FindingText.h"

#include "core/Utf8.h"
#include "wording/Counted.h"

namespace quorlane::cli {

namespace {

std::string counted(std::size_t count, const wording::Plural& forms)
{
    return core::Utf16ToUtf8(wording::Counted(count, forms));
}

} // namespace

std::string BackupsInSiteText(std::size_t count)
{
    return counted(count, wording::backupsInSite);
}

const char* SeverityName(core::Severity severity)
{
    return severity == core::Severity::Warning ? "warning" : "note";
}

std::string FindingSentence(const core::Finding& finding)
{
    const std::string detail = core::Utf16ToUtf8(finding.detail);
    switch (finding.code) {
    case core::FindingCode::CspBlocksInline:
        return "Its Content-Security-Policy meta element (\"" + detail +
               "\") does not allow inline scripts: the browser refuses the protection's "
               "scripts, and the page stays blank.";
    case core::FindingCode::CspBlocksEval:
        return "Its Content-Security-Policy meta element (\"" + detail +
               "\") does not allow 'unsafe-eval', which the protection's page script needs: the "
               "page stays blank.";
    case core::FindingCode::EncodingFallback: {
        const std::size_t space = detail.find(' ');
        return "It declares the encoding " + detail.substr(0, space) +
               ", but its bytes do not decode in it, so it is read and written as " +
               detail.substr(space + 1) + "; characters outside ASCII may come out wrong.";
    }
    case core::FindingCode::FrameOnOtherHost:
        return "Its frame " + detail + " is on another host and stays unprotected" +
               (finding.count > 1 ? counted(finding.count - 1, wording::moreFrames) : "") + ".";
    case core::FindingCode::AlreadyProtected:
        return "It is protected already and is left as it is.";
    case core::FindingCode::NoScriptSeesNotice:
        return "In whole and body mode, search engines and visitors without scripts see only "
               "the notice, not the pages.";
    case core::FindingCode::ScriptWrittenLinks: {
        std::string text = counted(finding.count, wording::scriptWrittenLinks);
        return text.replace(text.find("%s"), 2, detail);
    }
    case core::FindingCode::BackupsInSite:
        return BackupsInSiteText(finding.count);
    case core::FindingCode::GeckoTurnedAway:
        return "block-netscape turns away every visitor whose browser is Firefox or another "
               "Gecko browser: they get a blank page.";
    case core::FindingCode::OfflineBlank:
        return "no-offline leaves every page opened from disk blank: saved copies, and the site "
               "opened from its folder before it is published.";
    case core::FindingCode::PageTooLarge:
        break;
    }
    return "It is " + detail +
           " bytes, over 50 MB: browsers are slow to write so much back, and protecting it "
           "takes much memory.";
}

} // namespace quorlane::cli
