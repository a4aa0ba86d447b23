#include "core/PageTransformer.h"

#include <algorithm>

#include "core/PageEncoder.h"
#include "core/ProtectModes.h"
#include "core/ProtectionScript.h"
#include "core/SealedPage.h"
#include "core/TextSearch.h"

namespace quorlane::core {

namespace {

constexpr std::u16string_view crlf = u"\r\n";

constexpr std::u16string_view imageAttributes =
    u" galleryimg=\"no\" oncontextmenu=\"return false\" ";
constexpr std::u16string_view selectionAttributes =
    u" onselectstart=\"return false\" unselectable=\"on\" style=\"-moz-user-select:none;\" "
    u" onbeforecopy=\"return false\" oncopy=\"return false\" onselectstart=\"return false\" "
    u"unselectable=\"on\" style=\"-moz-user-select:none;\" ";
constexpr std::u16string_view dragAttributes =
    u" ondragover=\"overDrag()\" ondragenter=\"enterDrag()\" ";
constexpr std::u16string_view printStyle =
    u"<style type=\"text/css\" media=\"print\">body{visibility: hidden; display: none}</style>";

constexpr std::u16string_view pageScriptStart =
    u"<script type=\"text/javascript\">\r\n<!--\r\neval(unescape(\"";
constexpr std::u16string_view pageScriptEnd = u"\"));\r\n//-->\r\n</script>\r\n";

constexpr std::u16string_view bannerStart =
    u"<table width=100% border=0><tr bgcolor=#445577 align=center><td><a href=";
constexpr std::u16string_view bannerEnd =
    u"><font face=Arial, Helvetica, sans-serif color=#FFFFFF size=-1>This webpage was "
    u"protected by Quorlane</font></a></td></tr></table>";

constexpr std::u16string_view noScriptStart =
    u"\r\n<NOSCRIPT><DIV backcolor=\"white\"><H2>This page needs a JavaScript Enabled "
    u"browser.</H2><BR><BR><P ALIGN=\"RIGHT\"><SMALL>protected by <A HREF=\"";
constexpr std::u16string_view noScriptEnd = u"\">Quorlane</A></SMALL></P></DIV></NOSCRIPT>\r\n";

bool isHtmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// The position just past the ">" of the first tag found by its start, or npos.
std::size_t afterTagEnd(std::u16string_view page, std::u16string_view tagStart)
{
    const std::size_t tag = FindIgnoreCase(page, tagStart);
    const std::size_t gt = tag == npos ? npos : FindUnit(page, u'>', tag);
    return gt == npos ? npos : gt + 1;
}

void insertAfterTag(std::u16string& page, std::u16string_view tagStart, std::u16string_view text)
{
    const std::size_t at = afterTagEnd(page, tagStart);
    if (at != npos) {
        page.insert(at, text);
    }
}

void insertBeforeTagEnd(std::u16string& page, std::u16string_view tagStart,
                        std::u16string_view text)
{
    const std::size_t at = afterTagEnd(page, tagStart);
    if (at != npos) {
        page.insert(at - 1, text);
    }
}

// A DOCTYPE that follows nothing but white space, comments and processing instructions.
std::size_t doctypeAfterProlog(std::u16string_view page)
{
    std::size_t i = 0;
    for (;;) {
        while (i < page.size() && isHtmlSpace(page[i])) {
            ++i;
        }
        std::size_t close = npos;
        if (page.compare(i, 4, u"<!--") == 0) {
            close = FindExact(page, u"-->", i + 4);
            i = close == npos ? npos : close + 3;
        } else if (page.compare(i, 2, u"<?") == 0) {
            close = FindUnit(page, u'>', i + 2);
            i = close == npos ? npos : close + 1;
        } else {
            return MatchesIgnoreCase(page, i, u"<!DOCTYPE") ? i : npos;
        }
        if (i == npos) {
            return npos;
        }
    }
}

// Removes the page's DOCTYPE declaration, when one stands early enough, and gives it.
std::u16string takeDoctype(std::u16string& page)
{
    constexpr std::size_t window = 100;
    std::size_t at = FindIgnoreCase(std::u16string_view(page).substr(0, window), u"<!DOCTYPE");
    if (at == npos) {
        at = doctypeAfterProlog(page);
    }
    const std::size_t gt = at == npos ? npos : FindUnit(page, u'>', at);
    if (gt == npos) {
        return {};
    }
    std::u16string declaration = page.substr(at, gt + 1 - at);
    page.erase(at, declaration.size());
    return declaration;
}

// Adds the html, head and body tags a page lacks. Gives whether the page holds frames.
bool repairSkeleton(std::u16string& page)
{
    if (!ContainsIgnoreCase(page, u"<html")) {
        page.insert(0, u"<HTML>");
        page += u"</HTML>";
    } else if (!ContainsIgnoreCase(page, u"</html")) {
        page += u"</HTML>";
    }
    if (!ContainsIgnoreCase(page, u"<head")) {
        const std::size_t at = afterTagEnd(page, u"<html");
        page.insert(at == npos ? 0 : at, u"<HEAD></HEAD>");
    }
    // None of the insertions above can make or break a "<frame".
    const bool hasFrames = ContainsIgnoreCase(page, u"<frame");
    if (!hasFrames && !ContainsIgnoreCase(page, u"<body")) {
        const std::size_t headEnd = afterTagEnd(page, u"</head");
        const std::size_t htmlEnd = FindIgnoreCase(page, u"</html");
        if (headEnd != npos && htmlEnd != npos && htmlEnd >= headEnd) {
            page.insert(htmlEnd, u"</BODY>");
            page.insert(headEnd, u"<BODY>");
        }
    }
    return hasFrames;
}

// Both banners in one pass over the page. The second goes before the first "</body>" of the
// page as the first banner left it; no "</body>" can begin in that banner or reach across it, so
// it is the first "</body>" of the page as it was.
void insertBanners(std::u16string& page)
{
    std::u16string banner(bannerStart);
    banner += productAddress;
    banner += bannerEnd;
    const std::size_t bodyStart = afterTagEnd(page, u"<body");
    const std::size_t first = bodyStart == npos ? 0 : bodyStart;
    const std::size_t bodyEnd = FindIgnoreCase(page, u"</body>");
    const std::size_t second = bodyEnd == npos ? page.size() : bodyEnd;
    const std::size_t early = std::min(first, second);
    const std::size_t late = std::max(first, second);
    std::u16string out;
    out.reserve(page.size() + 2 * banner.size() + (page.capacity() - page.size()));
    out.append(page, 0, early);
    out += banner;
    out.append(page, early, late - early);
    out += banner;
    out.append(page, late);
    page.swap(out);
}

// Puts the image attributes before the ">" of every img start tag, in one pass.
void addImageAttributes(std::u16string& page)
{
    std::u16string out;
    std::size_t copied = 0;
    std::size_t from = 0;
    for (;;) {
        const std::size_t img = FindIgnoreCase(page, u"<img", from);
        const std::size_t gt = img == npos ? npos : FindUnit(page, u'>', img);
        if (gt == npos) {
            break;
        }
        if (out.empty()) {
            out.reserve(page.size() + 64 * imageAttributes.size());
        }
        out.append(page, copied, gt - copied);
        out += imageAttributes;
        copied = gt;
        from = gt;
    }
    if (copied != 0) {
        out.append(page, copied);
        page.swap(out);
    }
}

void insertSwitchMarkup(std::u16string& page, const ScriptSwitches& on)
{
    if (on.has(ScriptOption::NoImageToolbar)) {
        InsertHeadMeta(page, HeadMeta::ImageToolbar);
        addImageAttributes(page);
    }
    if (on.has(ScriptOption::NoTextSelect)) {
        insertBeforeTagEnd(page, u"<body", selectionAttributes);
    }
    if (on.has(ScriptOption::NoPrinting)) {
        insertAfterTag(page, u"<head", printStyle);
    }
    if (on.has(ScriptOption::ExpirePage)) {
        InsertHeadMeta(page, HeadMeta::Expires);
    }
    if (on.has(ScriptOption::NoDragDrop)) {
        insertBeforeTagEnd(page, u"<body", dragAttributes);
    }
}

// Everything that stands in front of the transformed page.
std::u16string pageTop(const ProtectionSettings& settings, std::u16string_view doctype,
                       std::string_view declaredCharset, const HiddenPartSealer* sealer)
{
    std::u16string script = WriterFunctionText();
    BuildProtectionScript(settings, script, sealer ? &sealer->unlockParameters() : nullptr);

    std::u16string top;
    top.reserve(doctype.size() + 64 + (sealer ? UnlockScriptElementSize() : 0) +
                EscapedSize(script) + 512 + settings.copyrightNoticeText.size());
    if (!doctype.empty()) {
        top += doctype;
        top += crlf;
    }
    if (!declaredCharset.empty()) {
        top += u"<meta charset=\"";
        top.append(declaredCharset.begin(), declaredCharset.end());
        top += u"\">";
        top += crlf;
    }
    if (sealer != nullptr) {
        AppendUnlockScriptElement(top);
    }
    top += pageScriptStart;
    AppendEscaped(top, script);
    top += pageScriptEnd;
    top += noScriptStart;
    top += productAddress;
    top += noScriptEnd;
    if (settings.copyrightNotice) {
        top += u"<!-- ";
        top += settings.copyrightNoticeText;
        top += u"-->";
        top += crlf;
    }
    return top;
}

} // namespace

void ProtectPage(std::u16string& page, const ProtectionSettings& settings,
                 std::string_view declaredCharset, HiddenPartSealer* sealer)
{
    if (FramesRecognised(page)) {
        return;
    }
    ProtectOrdinaryPage(page, settings, declaredCharset, sealer);
}

namespace {

// Sealed parts open only through the password prompt; without the lock nothing is sealed.
HiddenPartSealer* sealerFor(const ProtectionSettings& settings, HiddenPartSealer* sealer)
{
    return settings.passwordProtect ? sealer : nullptr;
}

// Everything ProtectPage does to an ordinary page before its protected part is encoded; gives
// the text that goes in front of the page. A page with nothing to seal asks no password: its
// sealer is let go, and it carries neither the unlock script nor the password prompt.
std::u16string prepareOrdinaryPage(std::u16string& page, const ProtectionSettings& settings,
                                   std::string_view declaredCharset, HiddenPartSealer*& sealer)
{
    const std::u16string doctype = takeDoctype(page);
    const bool hasFrames = repairSkeleton(page);
    if (!hasFrames) {
        insertBanners(page);
    }
    insertSwitchMarkup(page, settings.scriptSwitches);
    if (sealer != nullptr && !HidesAnything(page, settings.protectMode)) {
        sealer = nullptr;
        ProtectionSettings open = settings;
        open.passwordProtect = false;
        return pageTop(open, doctype, declaredCharset, nullptr);
    }
    return pageTop(settings, doctype, declaredCharset, sealer);
}

// Room for the protected part: in the link modes most of the page stays as it stands; in body
// mode it is at most the page escaped, with a writer block for each script and one more.
std::size_t protectedPartRoom(std::u16string_view page, ProtectMode mode)
{
    if (mode != ProtectMode::BodyOnly) {
        return page.size() + page.size() / 4;
    }
    std::size_t blocks = 1;
    for (std::size_t at = FindIgnoreCase(page, u"<script "); at != npos;
         at = FindIgnoreCase(page, u"<script ", at + 1)) {
        ++blocks;
    }
    return EscapedSize(page) + blocks * (writerBlockStart.size() + writerBlockEnd.size());
}

} // namespace

void ProtectOrdinaryPage(std::u16string& page, const ProtectionSettings& settings,
                         std::string_view declaredCharset, HiddenPartSealer* sealer)
{
    sealer = sealerFor(settings, sealer);
    std::u16string protectedPage = prepareOrdinaryPage(page, settings, declaredCharset, sealer);
    // Room for the marker that the caller appends too.
    const std::size_t room = protectedPage.size() + protectedPageMarker.size();
    if (settings.protectMode == ProtectMode::WholePage) {
        const MarkupEncoding whole(page);
        protectedPage.reserve(room + whole.size());
        whole.appendTo(protectedPage, sealer);
    } else {
        protectedPage.reserve(room + protectedPartRoom(page, settings.protectMode));
        StringSink sink(protectedPage);
        WriteProtectedPart(page, settings.protectMode, sink, sealer);
    }
    page.swap(protectedPage);
}

void WriteOrdinaryPage(std::u16string& page, const ProtectionSettings& settings,
                       std::string_view declaredCharset, PageSink& out, HiddenPartSealer* sealer)
{
    sealer = sealerFor(settings, sealer);
    out.append(prepareOrdinaryPage(page, settings, declaredCharset, sealer));
    WriteProtectedPart(page, settings.protectMode, out, sealer);
}

FrameScanner::Next FrameScanner::next(std::u16string& source)
{
    const std::size_t tag = FindIgnoreCase(m_page, u"<Frame ", m_start);
    if (tag == npos) {
        return Next::End;
    }
    m_found = true;
    const std::size_t gt = FindUnit(m_page, u'>', tag);
    const std::size_t src = FindIgnoreCase(m_page, u"src", tag);
    const std::size_t equals = src == npos ? npos : FindUnit(m_page, u'=', src);
    if (gt == npos || equals == npos) {
        m_start = m_page.size();
        return Next::Broken;
    }
    source = ReadAttributeValue(equals + 1, gt, m_page);
    m_start = gt;
    return Next::Frame;
}

std::optional<FileRecord> FramePageRecord(const FileRecord& frameset, std::u16string_view source)
{
    if (ContainsIgnoreCase(source, u"http://")) {
        return std::nullopt;
    }
    const PathString folder = getFilePathOnly(frameset.Filename);
    if (!frameset.RootPath.empty() || folder.size() == 1) {
        return FileRecord{frameset.RootPath, folder + PathFromAddress(source)};
    }
    // A frameset picked on its own is the root of its frame pages, so that wherever it goes they
    // keep their place beside it.
    const PathString root =
        folder.empty() ? PathString(1, '.') : folder.substr(0, folder.size() - 1);
    return FileRecord{root, PathString(1, pathSeparator) + PathFromAddress(source)};
}

bool FramesRecognised(std::u16string_view page)
{
    FrameScanner frames(page);
    std::u16string source;
    for (;;) {
        switch (frames.next(source)) {
        case FrameScanner::Next::End:
            return frames.foundAny();
        case FrameScanner::Next::Broken:
            return false;
        case FrameScanner::Next::Frame:
            break;
        }
    }
}

std::u16string ReadAttributeValue(std::size_t first, std::size_t end, std::u16string_view text)
{
    enum class State
    {
        Before,
        Quoted,
        Bare,
        Done,
    };
    State state = State::Before;
    State previous = State::Before;
    std::u16string value;
    end = std::min(end, text.size());
    for (std::size_t i = first; i < end; ++i) {
        const char16_t c = text[i];
        if (c == u' ') {
            state = state == State::Bare ? State::Done : state;
        } else if (c == u'\'' || c == u'"') {
            state = state == State::Before   ? State::Quoted
                    : state == State::Quoted ? State::Done
                                             : state;
        } else if (state == State::Before) {
            state = State::Bare;
        }
        if (state == State::Done) {
            break;
        }
        if (state == State::Bare || (state == State::Quoted && previous == State::Quoted)) {
            value += c;
        }
        previous = state;
    }
    const std::size_t begin = value.find_first_not_of(u' ');
    if (begin == std::u16string::npos) {
        return {};
    }
    return value.substr(begin, value.find_last_not_of(u' ') + 1 - begin);
}

void InsertHeadMeta(std::u16string& page, HeadMeta kind)
{
    const bool toolbar = kind == HeadMeta::ImageToolbar;
    const std::u16string_view test =
        toolbar ? u"<META HTTP-EQUIV=\"imagetoolbar" : u"<META HTTP-EQUIV=\"Expires";
    const std::u16string_view element =
        toolbar ? u"<META HTTP-EQUIV=\"imagetoolbar\" CONTENT=\"no\">"
                : u"<META HTTP-EQUIV=\"EXPIRES\" CONTENT=\"Wed Nov 18 22:45:00 UTC+0530 1992\">";
    if (!ContainsIgnoreCase(page, test)) {
        insertAfterTag(page, u"<head", element);
    }
}

} // namespace quorlane::core
