#include "core/PageFindings.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "core/PageVerifier.h"
#include "core/TextSearch.h"

namespace quorlane::core {

namespace {

constexpr std::u16string_view marker = u"\r\n<!-- This webpage was protected by Quorlane //-->\r\n";

bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

char16_t lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::u16string lowered(std::u16string_view text)
{
    std::u16string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

// The value of attribute name in tag (from "<" to before ">"), as a browser reads it: the name
// stands after white space, then "=", then a quoted or bare value.
std::optional<std::u16string> attributeValue(std::u16string_view tag, std::u16string_view name)
{
    for (std::size_t at = FindIgnoreCase(tag, name); at != npos;
         at = FindIgnoreCase(tag, name, at + 1)) {
        if (at == 0 || !isSpace(tag[at - 1])) {
            continue;
        }
        std::size_t i = at + name.size();
        while (i < tag.size() && isSpace(tag[i])) {
            ++i;
        }
        if (i >= tag.size() || tag[i] != u'=') {
            continue;
        }
        ++i;
        while (i < tag.size() && isSpace(tag[i])) {
            ++i;
        }
        if (i < tag.size() && (tag[i] == u'"' || tag[i] == u'\'')) {
            const std::size_t close = tag.find(tag[i], i + 1);
            return std::u16string(tag.substr(i + 1, close == npos ? npos : close - i - 1));
        }
        std::size_t end = i;
        while (end < tag.size() && !isSpace(tag[end])) {
            ++end;
        }
        return std::u16string(tag.substr(i, end - i));
    }
    return std::nullopt;
}

// Every start tag "<" + name followed by white space or ">", with its position; the tag runs to
// its ">".
template <typename Visit>
void eachTag(std::u16string_view page, std::u16string_view name, Visit visit)
{
    const std::u16string open = u"<" + std::u16string(name);
    for (std::size_t at = FindIgnoreCase(page, open); at != npos;
         at = FindIgnoreCase(page, open, at + 1)) {
        const std::size_t after = at + open.size();
        if (after >= page.size() || !(isSpace(page[after]) || page[after] == u'>')) {
            continue;
        }
        const std::size_t gt = FindUnit(page, u'>', after);
        visit(at, page.substr(at, (gt == npos ? page.size() : gt) - at));
    }
}

// The sources of the directive that rules scripts: script-src, else default-src.
std::optional<std::vector<std::u16string>> scriptSources(std::u16string_view policy)
{
    std::optional<std::vector<std::u16string>> defaults;
    std::size_t start = 0;
    while (start <= policy.size()) {
        const std::size_t end = std::min(policy.find(u';', start), policy.size());
        std::vector<std::u16string> tokens;
        std::size_t i = start;
        while (i < end) {
            while (i < end && isSpace(policy[i])) {
                ++i;
            }
            std::size_t j = i;
            while (j < end && !isSpace(policy[j])) {
                ++j;
            }
            if (j > i) {
                tokens.push_back(lowered(policy.substr(i, j - i)));
            }
            i = j;
        }
        if (!tokens.empty()) {
            const std::u16string directive = tokens.front();
            tokens.erase(tokens.begin());
            if (directive == u"script-src") {
                return tokens;
            }
            if (directive == u"default-src" && !defaults) {
                defaults = tokens;
            }
        }
        start = end + 1;
    }
    return defaults;
}

void cspFindings(std::u16string_view page, std::vector<Finding>& findings)
{
    bool inlineFound = false;
    bool evalFound = false;
    eachTag(page, u"meta", [&](std::size_t at, std::u16string_view tag) {
        const auto equiv = attributeValue(tag, u"http-equiv");
        const auto content = attributeValue(tag, u"content");
        if (!equiv || !content || lowered(*equiv) != u"content-security-policy") {
            return;
        }
        const auto sources = scriptSources(*content);
        if (!sources) {
            return;
        }
        const auto has = [&](std::u16string_view token) {
            return std::find(sources->begin(), sources->end(), token) != sources->end();
        };
        // A nonce or a hash makes the browser pass over 'unsafe-inline'.
        const bool nonceOrHash =
            std::any_of(sources->begin(), sources->end(), [](const std::u16string& source) {
                return source.starts_with(u"'nonce-") || source.starts_with(u"'sha");
            });
        const std::size_t line = LineAt(page, at);
        if ((!has(u"'unsafe-inline'") || nonceOrHash) && !inlineFound) {
            findings.push_back(
                {FindingCode::CspBlocksInline, Severity::Warning, line, 1, *content});
            inlineFound = true;
        }
        if (!has(u"'unsafe-eval'") && !evalFound) {
            findings.push_back({FindingCode::CspBlocksEval, Severity::Warning, line, 1, *content});
            evalFound = true;
        }
    });
}

bool onOtherHost(std::u16string_view source)
{
    return source.starts_with(u"//") || source.find(u"://") != std::u16string_view::npos;
}

void frameFindings(std::u16string_view page, std::vector<Finding>& findings)
{
    Finding found{FindingCode::FrameOnOtherHost, Severity::Warning, 0, 0, {}};
    eachTag(page, u"frame", [&](std::size_t at, std::u16string_view tag) {
        const auto source = attributeValue(tag, u"src");
        if (source && onOtherHost(*source)) {
            if (found.count++ == 0) {
                found.line = LineAt(page, at);
                found.detail = *source;
            }
        }
    });
    if (found.count > 0) {
        findings.push_back(found);
    }
}

// The script elements of a page, [begin, end) each, as a browser meets them: a "<script" inside
// a comment starts none, and one without its end tag runs to the end of the page.
std::vector<std::pair<std::size_t, std::size_t>> scriptElements(std::u16string_view page)
{
    const auto endsName = [&](std::size_t at) {
        if (at >= page.size()) {
            return false;
        }
        const char16_t c = page[at];
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'/' || c == u'>';
    };
    std::vector<std::pair<std::size_t, std::size_t>> scripts;
    std::size_t at = FindUnit(page, u'<');
    while (at != npos) {
        std::size_t next = at + 1;
        if (page.compare(at, 4, u"<!--") == 0) {
            const std::size_t close = FindExact(page, u"-->", at + 4);
            next = close == npos ? page.size() : close + 3;
        } else if (MatchesIgnoreCase(page, at, u"<script") && endsName(at + 7)) {
            const std::size_t close = FindIgnoreCase(page, u"</script", at + 7);
            const std::size_t gt = close == npos ? npos : FindUnit(page, u'>', close);
            next = gt == npos ? page.size() : gt + 1;
            scripts.emplace_back(at, next);
        }
        at = FindUnit(page, u'<', next);
    }
    return scripts;
}

// Links that stand in a script that writes markup: the link modes pass over scripts, so these
// links are written by the page itself, in clear.
void scriptLinkFindings(std::u16string_view page, ProtectMode mode, std::vector<Finding>& findings)
{
    const std::u16string_view needle = mode == ProtectMode::AllLinks ? u"<a " : u"mailto:";
    constexpr std::u16string_view writers[] = {u"document.write", u"innerHTML", u"outerHTML",
                                               u"insertAdjacentHTML"};
    Finding found{FindingCode::ScriptWrittenLinks, Severity::Warning, 0, 0, std::u16string(needle)};
    for (const auto& [begin, end] : scriptElements(page)) {
        const std::u16string_view script = page.substr(begin, end - begin);
        if (std::none_of(std::begin(writers), std::end(writers), [&](std::u16string_view writer) {
                return FindExact(script, writer) != npos;
            })) {
            continue;
        }
        for (std::size_t at = FindIgnoreCase(script, needle); at != npos;
             at = FindIgnoreCase(script, needle, at + 1)) {
            if (found.count++ == 0) {
                found.line = LineAt(page, begin + at);
            }
        }
    }
    if (found.count > 0) {
        findings.push_back(found);
    }
}

} // namespace

std::string_view FindingCodeName(FindingCode code)
{
    switch (code) {
    case FindingCode::CspBlocksInline:
        return "csp-inline";
    case FindingCode::CspBlocksEval:
        return "csp-eval";
    case FindingCode::EncodingFallback:
        return "encoding-fallback";
    case FindingCode::FrameOnOtherHost:
        return "frame-other-host";
    case FindingCode::AlreadyProtected:
        return "already-protected";
    case FindingCode::NoScriptSeesNotice:
        return "noscript-notice-only";
    case FindingCode::ScriptWrittenLinks:
        return "script-written-links";
    case FindingCode::BackupsInSite:
        return "backups-in-site";
    case FindingCode::GeckoTurnedAway:
        return "gecko-turned-away";
    case FindingCode::OfflineBlank:
        return "offline-blank";
    case FindingCode::PageTooLarge:
        break;
    }
    return "page-too-large";
}

std::vector<Finding> FindInPageText(std::u16string_view page, ProtectMode mode)
{
    std::vector<Finding> findings;
    if (const std::size_t at = FindExact(page, marker); at != npos) {
        findings.push_back(
            {FindingCode::AlreadyProtected, Severity::Warning, LineAt(page, at), 1, {}});
        return findings;
    }
    cspFindings(page, findings);
    frameFindings(page, findings);
    if (mode == ProtectMode::AllLinks || mode == ProtectMode::EmailLinksOnly) {
        scriptLinkFindings(page, mode, findings);
    }
    return findings;
}

std::vector<Finding> FindForRun(const ProtectionSettings& settings)
{
    std::vector<Finding> findings;
    const ProtectMode mode = settings.protectMode;
    if (mode == ProtectMode::WholePage || mode == ProtectMode::BodyOnly) {
        findings.push_back({FindingCode::NoScriptSeesNotice, Severity::Information, 0, 1, {}});
    }
    if (settings.scriptSwitches.has(ScriptOption::BlockNetscape)) {
        findings.push_back({FindingCode::GeckoTurnedAway, Severity::Warning, 0, 1, {}});
    }
    if (settings.scriptSwitches.has(ScriptOption::NoOffline)) {
        findings.push_back({FindingCode::OfflineBlank, Severity::Warning, 0, 1, {}});
    }
    return findings;
}

} // namespace quorlane::core
