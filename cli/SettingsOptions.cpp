#include "cli/SettingsOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cassert>
#include <chrono>

#include "core/FileRecord.h"
#include "core/LockTargets.h"
#include "core/ScriptText.h"
#include "core/Utf8.h"
#include "files/Idna.h"

namespace quorlane::cli {

namespace {

using core::ProtectMode;
using core::ScriptOption;

struct Switch
{
    std::string name;
    ScriptOption option;
    std::string today; // what it does in today's browsers, as the browser tests measured it
};

const std::vector<Switch>& switchTable()
{
    static const std::vector<Switch> table = {
        {"no-right-click", ScriptOption::NoRightClick, "works"},
        {"no-text-select", ScriptOption::NoTextSelect, "works"},
        {"no-offline", ScriptOption::NoOffline, "works"},
        {"hide-status-urls", ScriptOption::HideStatusUrls, "no effect"},
        {"no-printing", ScriptOption::NoPrinting, "works"},
        {"no-clipboard", ScriptOption::NoClipboard, "partly: copy and cut only"},
        {"no-drag-drop", ScriptOption::NoDragDrop, "works"},
        {"no-web-capture", ScriptOption::NoWebCapture, "no effect"},
        {"block-opera", ScriptOption::BlockOpera, "works"},
        {"break-frames", ScriptOption::BreakFrames, "partly: own site's frames"},
        {"no-image-toolbar", ScriptOption::NoImageToolbar, "partly: image right click"},
        {"block-netscape", ScriptOption::BlockNetscape, "works: turns Firefox away"},
        {"expire-page", ScriptOption::ExpirePage, "no effect"},
    };
    return table;
}

// Every switch with what it does today, for the help.
std::string switchesToday()
{
    std::string text;
    for (const Switch& entry : switchTable()) {
        text += (text.empty() ? "" : ", ") + entry.name + " (" + entry.today + ")";
    }
    return text;
}

// The switch of a name that --enable takes.
ScriptOption switchNamed(const std::string& name)
{
    const auto& table = switchTable();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&](const Switch& entry) { return entry.name == name; });
    assert(it != table.end()); // the parser took only these names
    return it->option;
}

ProtectMode modeNamed(const std::string& name)
{
    if (name == "email") {
        return ProtectMode::EmailLinksOnly;
    }
    if (name == "links") {
        return ProtectMode::AllLinks;
    }
    if (name == "body") {
        return ProtectMode::BodyOnly;
    }
    return ProtectMode::WholePage;
}

// Why text may not go between single quotes in the page script, or nothing when it may. Text
// that does not go into the page needs only to be one line that is not blank.
std::optional<std::string> unsafeBecause(const std::u16string& text, bool inPage)
{
    if (text.find_first_not_of(u" \t") == std::u16string::npos) {
        return "is blank";
    }
    if (!inPage) {
        if (text.find_first_of(u"\r\n\u2028\u2029") != std::u16string::npos) {
            return "holds a line break";
        }
        return std::nullopt;
    }
    if (!core::IsSafeScriptText(text)) {
        return "holds a quotation mark, an apostrophe, a backslash or a line break";
    }
    return std::nullopt;
}

} // namespace

const std::vector<std::string>& SwitchNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const Switch& entry : switchTable()) {
            all.push_back(entry.name);
        }
        return all;
    }();
    return names;
}

core::ProtectionSettings StartSettings()
{
    const std::chrono::year_month_day today{
        std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
    core::ProtectionSettings settings =
        core::DefaultSettings(static_cast<int>(today.year()), u"", core::pathSeparator);
    settings.saveDir.clear();
    return settings;
}

void SettingsOptions::addTo(CLI::App& command)
{
    command
        .add_option("-m,--mode", mode,
                    "What to hide from view-source: email (e-mail links only), links (all "
                    "links), body (the body), whole (the whole page; the default)")
        ->check(CLI::IsMember({"email", "links", "body", "whole"}).description(""))
        ->type_name("MODE");
    command
        .add_option("-e,--enable", enabled,
                    "Switches, comma-separated, repeatable, with what each does in today's "
                    "browsers (" QUORLANE_DOC_DIR "/browsers.md): " +
                        switchesToday())
        ->allow_extra_args(false)
        ->delimiter(',')
        ->check(CLI::IsMember(SwitchNames()).description(""))
        ->type_name("NAME[,NAME...]");
    command
        .add_option("--disable", disabled,
                    "Turn off these switches, comma-separated, repeatable, though a project "
                    "file or --enable turns them on")
        ->allow_extra_args(false)
        ->delimiter(',')
        ->check(CLI::IsMember(SwitchNames()).description(""))
        ->type_name("NAME[,NAME...]");
    command.add_option("--warning", warning, "Show TEXT in an alert on a right click")
        ->type_name("TEXT");
    command
        .add_option("--domain-lock", domainLock,
                    "Show the pages only on the hosts DOMAIN lists, separated by commas or "
                    "blanks; a host written with a leading \".\" admits all below it (e.g. "
                    "www.example.com,.example.org)")
        ->type_name("DOMAIN");
    command
        .add_option(
            "--url-lock", urlLock,
            "Show a page only at the address URL (http://... or https://...; without a scheme, "
            "http), with any query or fragment, over http or https")
        ->type_name("URL");
    command
        .add_option("--password", password,
                    "Ask for PW before showing a page; - reads it from standard input (from the "
                    "terminal: unseen, twice)")
        ->type_name("PW");
    passwordSource.addTo(command);
    command
        .add_option("--notice", notice,
                    "Put TEXT in a comment at the top of every page (a copyright notice)")
        ->type_name("TEXT");
}

std::optional<std::string> SettingsOptions::apply(core::ProtectionSettings& settings) const
{
    if (mode) {
        settings.protectMode = modeNamed(*mode);
    }
    for (const std::string& name : enabled) {
        settings.scriptSwitches.set(switchNamed(name), true);
    }
    for (const std::string& name : disabled) {
        settings.scriptSwitches.set(switchNamed(name), false);
    }
    const std::pair<const std::optional<std::string>*, const char*> texts[] = {
        {&warning, "--warning"},
        {&domainLock, "--domain-lock"},
        {&urlLock, "--url-lock"},
        {&password, "--password"},
    };
    for (const auto& [text, option] : texts) {
        if (text->has_value()) {
            // An encrypted lock never writes the password into the page.
            const bool inPage = text != &password || !passwordSource.encrypt;
            if (const auto why = unsafeBecause(core::Utf8ToUtf16(**text), inPage)) {
                return std::string("the text of ") + option + " " + *why;
            }
        }
    }
    if (notice && !core::IsSafeNoticeText(core::Utf8ToUtf16(*notice))) {
        return "the text of --notice holds \"-->\" or \"--!>\", which would end its comment "
               "early";
    }
    const auto set = [](const std::optional<std::string>& text, bool& flag, std::u16string& value) {
        if (text) {
            flag = true;
            value = core::Utf8ToUtf16(*text);
        }
    };
    set(warning, settings.rightClickWarning, settings.rightClickWarningText);
    set(domainLock, settings.domainLock, settings.lockDomain);
    set(urlLock, settings.urlLock, settings.lockUrl);
    set(password, settings.passwordProtect, settings.password);
    set(notice, settings.copyrightNotice, settings.copyrightNoticeText);
    settings.hostToAscii = files::IdnaHostToAscii;
    if (const auto problem = core::FindLockProblem(settings)) {
        return core::Utf16ToUtf8(problem->message);
    }
    return passwordSource.apply(settings);
}

} // namespace quorlane::cli
