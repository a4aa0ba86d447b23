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
#include "run/SettingVocabulary.h"

namespace quorlane::cli {

namespace {

using Kind = run::SettingWord::Kind;

// Every switch with what it does today, for the help.
std::string switchesToday()
{
    std::string text;
    for (const run::SettingWord* word : run::WordsOf(Kind::Switch)) {
        text += (text.empty() ? "" : ", ") + std::string(word->cliName) + " (" + word->today + ")";
    }
    return text;
}

// The value of the name that the parser took for an option of kind: the index of the name.
template <typename Value> Value valueNamed(Kind kind, const std::string& name)
{
    const std::vector<std::string> names = run::CliNamesOf(kind);
    const auto it = std::find(names.begin(), names.end(), name);
    assert(it != names.end()); // the parser took only these names
    return static_cast<Value>(it - names.begin());
}

std::string cliName(run::SettingOption option)
{
    return run::WordOf(option).cliName;
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
    static const std::vector<std::string> names = run::CliNamesOf(Kind::Switch);
    return names;
}

core::ProtectMode ProtectModeNamed(const std::string& name)
{
    return valueNamed<core::ProtectMode>(Kind::ProtectMode, name);
}

core::SaveMode SaveModeNamed(const std::string& name)
{
    return valueNamed<core::SaveMode>(Kind::SaveMode, name);
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
        ->check(CLI::IsMember(run::CliNamesOf(Kind::ProtectMode)).description(""))
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
    command
        .add_option(cliName(run::SettingOption::Warning), warning,
                    "Show TEXT in an alert on a right click")
        ->type_name("TEXT");
    command
        .add_option(cliName(run::SettingOption::DomainLock), domainLock,
                    "Show the pages only on the hosts DOMAIN lists, separated by commas or "
                    "blanks; a host written with a leading \".\" admits all below it (e.g. "
                    "www.example.com,.example.org)")
        ->type_name("DOMAIN");
    command
        .add_option(
            cliName(run::SettingOption::UrlLock), urlLock,
            "Show a page only at the address URL (http://... or https://...; without a scheme, "
            "http), with any query or fragment, over http or https")
        ->type_name("URL");
    command
        .add_option(cliName(run::SettingOption::PasswordLock), password,
                    "Ask for PW before showing a page; - reads it from standard input (from the "
                    "terminal: unseen, twice)")
        ->type_name("PW");
    passwordSource.addTo(command);
    command
        .add_option(cliName(run::SettingOption::Notice), notice,
                    "Put TEXT in a comment at the top of every page (a copyright notice)")
        ->type_name("TEXT");
}

std::optional<std::string> SettingsOptions::apply(core::ProtectionSettings& settings) const
{
    if (mode) {
        settings.protectMode = ProtectModeNamed(*mode);
    }
    for (const std::string& name : enabled) {
        settings.scriptSwitches.set(valueNamed<core::ScriptOption>(Kind::Switch, name), true);
    }
    for (const std::string& name : disabled) {
        settings.scriptSwitches.set(valueNamed<core::ScriptOption>(Kind::Switch, name), false);
    }
    const std::pair<const std::optional<std::string>*, std::string> texts[] = {
        {&warning, cliName(run::SettingOption::Warning)},
        {&domainLock, cliName(run::SettingOption::DomainLock)},
        {&urlLock, cliName(run::SettingOption::UrlLock)},
        {&password, cliName(run::SettingOption::PasswordLock)},
    };
    for (const auto& [text, option] : texts) {
        if (text->has_value()) {
            // An encrypted lock never writes the password into the page.
            const bool inPage = text != &password || !passwordSource.encrypt;
            if (const auto why = unsafeBecause(core::Utf8ToUtf16(**text), inPage)) {
                return "the text of " + option + " " + *why;
            }
        }
    }
    if (notice && !core::IsSafeNoticeText(core::Utf8ToUtf16(*notice))) {
        return "the text of " + cliName(run::SettingOption::Notice) +
               " holds \"-->\" or \"--!>\", which would end its comment "
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
