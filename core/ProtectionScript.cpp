#include "core/ProtectionScript.h"

#include "core/ScriptSnippets.h"
#include "core/SealedPage.h"
#include "core/modScripts.h"

namespace quorlane::core {

namespace {

void appendMouseBlock(const ProtectionSettings& settings, std::u16string& work)
{
    const ScriptSwitches& on = settings.scriptSwitches;
    const bool noSelect = on.has(ScriptOption::NoTextSelect);
    if (noSelect) {
        work += snippetDn;
    }
    // The warning goes with the mouse block even when the right-click switch itself is off.
    const std::u16string_view warning =
        settings.rightClickWarning ? std::u16string_view(settings.rightClickWarningText) : u"";
    work += ContextMenuScript(warning);
    work += MouseDownScript(warning, noSelect);
    if (noSelect) {
        work += snippetMu;
    }
    if (on.has(ScriptOption::NoRightClick)) {
        work += snippetCmHooks;
    }
}

} // namespace

void BuildProtectionScript(const ProtectionSettings& settings, std::u16string& script,
                           const UnlockParameters* sealed)
{
    const ScriptSwitches& on = settings.scriptSwitches;
    std::u16string work(snippetNe);
    if (settings.passwordProtect) {
        work += sealed != nullptr
                    ? SealedPasswordScript(*sealed, settings.rememberUnlock, settings.unlockChoices)
                    : PasswordScript(settings.password);
    }
    if (on.has(ScriptOption::NoRightClick) || on.has(ScriptOption::NoTextSelect)) {
        appendMouseBlock(settings, work);
    }
    const std::pair<ScriptOption, std::u16string_view> switchSnippets[] = {
        {ScriptOption::NoOffline, snippetOffline},   {ScriptOption::HideStatusUrls, snippetNls},
        {ScriptOption::NoPrinting, snippetDp},       {ScriptOption::NoClipboard, snippetDc},
        {ScriptOption::NoDragDrop, snippetNdd},      {ScriptOption::NoWebCapture, snippetCapture},
        {ScriptOption::BlockOpera, snippetOpera},    {ScriptOption::BreakFrames, snippetFrames},
        {ScriptOption::BlockNetscape, snippetGecko}, {ScriptOption::NoDragDrop, snippetDrag},
    };
    for (const auto& [option, snippet] : switchSnippets) {
        if (on.has(option)) {
            work += snippet;
        }
    }
    if (settings.domainLock) {
        work += DomainLockScript(settings.lockDomain, settings.hostToAscii);
    }
    if (settings.urlLock) {
        work += UrlLockScript(settings.lockUrl, settings.hostToAscii);
    }
    script += work;
}

} // namespace quorlane::core
