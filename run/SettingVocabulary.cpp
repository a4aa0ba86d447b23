#include "run/SettingVocabulary.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace quorlane::run {

namespace {

using Kind = SettingWord::Kind;

// A switch: its names, the caption of its box chkScript_<value>, and what it does today, as the
// browser tests measured it (docs/browsers.md).
constexpr SettingWord switchWord(core::ScriptOption option, const char* name,
                                 const char* objectName, WizardText caption, const char* today,
                                 WizardText info)
{
    return {Kind::Switch, static_cast<int>(option), name, name, name, caption, objectName, today,
            info};
}

constexpr SettingWord modeWord(core::ProtectMode mode, const char* name, const char* objectName,
                               WizardText caption)
{
    return {Kind::ProtectMode,
            static_cast<int>(mode),
            name,
            name,
            name,
            caption,
            objectName,
            nullptr,
            {}};
}

constexpr SettingWord saveWord(core::SaveMode mode, const char* name, const char* objectName,
                               WizardText caption)
{
    return {
        Kind::SaveMode, static_cast<int>(mode), name, name, name, caption, objectName, nullptr, {}};
}

constexpr SettingWord optionWord(SettingOption option, const char* cliName, const char* projectKey,
                                 const char* recordKey, const char* objectName,
                                 WizardText caption = {})
{
    return {Kind::Option,
            static_cast<int>(option),
            cliName,
            projectKey,
            recordKey,
            caption,
            objectName,
            nullptr,
            {}};
}

using core::ProtectMode;
using core::SaveMode;
using core::ScriptOption;

// The captions' contexts are written out in every row: the translation tools read only
// literals.
constexpr std::array vocabulary = {
    switchWord(ScriptOption::NoRightClick, "no-right-click", "chkScript_0",
               wizardText("quorlane::wizard::ScriptsPage", "Disable right mouse click"), "works",
               wizardText("quorlane::wizard::ScriptsPage",
                          "Stop the user from right clicking on your page. This would "
                          "stop them getting to view source.\nToday: works, the warning "
                          "shows.")),
    switchWord(ScriptOption::NoTextSelect, "no-text-select", "chkScript_1",
               wizardText("quorlane::wizard::ScriptsPage", "Disable text highlighting"), "works",
               wizardText("quorlane::wizard::ScriptsPage",
                          "Stop the user from highlighting your text, thus stopping "
                          "them from copying and pasting text.\nToday: works, forms "
                          "still take clicks and keys, but copying inside them is "
                          "blocked too.")),
    switchWord(ScriptOption::NoOffline, "no-offline", "chkScript_2",
               wizardText("quorlane::wizard::ScriptsPage", "Disable offline browsing"), "works",
               wizardText("quorlane::wizard::ScriptsPage",
                          "The user must be viewing the page online, not saved on their "
                          "PC or while they are offline.\nToday: works, a page opened "
                          "from disk stays blank.")),
    switchWord(ScriptOption::HideStatusUrls, "hide-status-urls", "chkScript_3",
               wizardText("quorlane::wizard::ScriptsPage", "Don't display URLs in status bar"),
               "no effect",
               wizardText("quorlane::wizard::ScriptsPage",
                          "Stop the URL of the link showing in the status bar along the "
                          "bottom of Internet Explorer.\nToday: no effect, browsers "
                          "still show the link's address.")),
    switchWord(ScriptOption::NoPrinting, "no-printing", "chkScript_4",
               wizardText("quorlane::wizard::ScriptsPage", "Disable printing of pages"), "works",
               wizardText("quorlane::wizard::ScriptsPage",
                          "Stop the user from printing out your page.\nToday: works, "
                          "the printout is blank.")),
    switchWord(ScriptOption::NoClipboard, "no-clipboard", "chkScript_5",
               wizardText("quorlane::wizard::ScriptsPage", "Disable clipboard and printscreen"),
               "partly: copy and cut only",
               wizardText("quorlane::wizard::ScriptsPage",
                          "Stop copy and paste working on your site, and stop print "
                          "screen from taking screenshots.\nToday: partly, copy and cut "
                          "are cancelled outside forms; print screen is not stopped.")),
    switchWord(ScriptOption::NoDragDrop, "no-drag-drop", "chkScript_6",
               wizardText("quorlane::wizard::ScriptsPage", "Disable drag and drop"), "works",
               wizardText("quorlane::wizard::ScriptsPage",
                          "Stop elements being dragged from or onto the page, e.g. "
                          "images or text.\nToday: works, dragging from the page is "
                          "cancelled.")),
    switchWord(ScriptOption::NoWebCapture, "no-web-capture", "chkScript_7",
               wizardText("quorlane::wizard::ScriptsPage", "Disable Adobe Acrobat web capture"),
               "no effect",
               wizardText("quorlane::wizard::ScriptsPage",
                          "Stop Adobe Acrobat Web Capture from converting your page "
                          "into a PDF file.\nToday: no effect.")),
    switchWord(ScriptOption::BlockOpera, "block-opera", "chkScript_8",
               wizardText("quorlane::wizard::ScriptsPage", "Disable Opera users"), "works",
               wizardText("quorlane::wizard::ScriptsPage",
                          "Stop users of Opera-based browsers from viewing your site (as "
                          "they can avoid some script protection).\nToday: works, old "
                          "and new Opera are turned away.")),
    switchWord(ScriptOption::BreakFrames, "break-frames", "chkScript_9",
               wizardText("quorlane::wizard::ScriptsPage", "Break out of frames"),
               "partly: own site's frames",
               wizardText("quorlane::wizard::ScriptsPage",
                          "If the page has been loaded inside a frame of someone "
                          "else\u2019s site, it breaks out of the frame and shows "
                          "itself alone.\nToday: partly, it leaves frames of your own "
                          "site; browsers keep it inside another site's frame.")),
    switchWord(ScriptOption::NoImageToolbar, "no-image-toolbar", "chkScript_10",
               wizardText("quorlane::wizard::ScriptsPage", "Disable IE Image Toolbar"),
               "partly: image right click",
               wizardText("quorlane::wizard::ScriptsPage",
                          "Stop the Image Toolbar from showing over your images.\nToday: "
                          "partly, it only blocks the right click on images.")),
    switchWord(
        ScriptOption::BlockNetscape, "block-netscape", "chkScript_11",
        wizardText("quorlane::wizard::ScriptsPage", "Disable Netscape users (Mozilla/Firefox)"),
        "works: turns Firefox away",
        wizardText("quorlane::wizard::ScriptsPage",
                   "Stop users of Netscape-based browsers from viewing your site "
                   "(as they can avoid some script protection).\nToday: works, "
                   "Firefox is turned away; other browsers are let in.")),
    switchWord(ScriptOption::ExpirePage, "expire-page", "chkScript_12",
               wizardText("quorlane::wizard::ScriptsPage", "Immediate page expiry"), "no effect",
               wizardText("quorlane::wizard::ScriptsPage",
                          "Immediately expire your web page.\nToday: no effect, going "
                          "back does not reload the page.")),

    modeWord(ProtectMode::EmailLinksOnly, "email", "optProtect_0",
             wizardText("quorlane::wizard::EncryptionPage", "Protect only &email links")),
    modeWord(ProtectMode::AllLinks, "links", "optProtect_1",
             wizardText("quorlane::wizard::EncryptionPage", "Protect all &links")),
    modeWord(ProtectMode::BodyOnly, "body", "optProtect_2",
             wizardText("quorlane::wizard::EncryptionPage", "Protect the bo&dy of the page only")),
    modeWord(ProtectMode::WholePage, "whole", "optProtect_3",
             wizardText("quorlane::wizard::EncryptionPage", "Protect the &whole page")),

    saveWord(SaveMode::Overwrite, "overwrite", "optSave_0",
             wizardText("quorlane::wizard::StoreFilesPage", "O&verwrite existing files")),
    saveWord(SaveMode::CopyToFolder, "copy", "optSave_1",
             wizardText("quorlane::wizard::StoreFilesPage", "Copy to new &folder")),
    saveWord(SaveMode::CreateNew, "new", "optSave_2",
             wizardText("quorlane::wizard::StoreFilesPage", "Create ne&w protected files")),

    optionWord(SettingOption::Warning, "--warning", "warning", "warning", "chkRightMouse",
               wizardText("quorlane::wizard::ScriptsPage", "Show warning")),
    optionWord(SettingOption::Notice, "--notice", "notice", "notice", "chkCopyrightNotice",
               wizardText("quorlane::wizard::StoreFilesPage",
                          "Insert the notice at the top of every page")),
    optionWord(SettingOption::DomainLock, "--domain-lock", "domain_lock", "domain_lock",
               "chkDomainLock", wizardText("quorlane::wizard::EncryptionPage", "Domain lock")),
    optionWord(SettingOption::UrlLock, "--url-lock", "url_lock", "url_lock", "chkURLLock",
               wizardText("quorlane::wizard::EncryptionPage", "URL lock")),
    // A record says only whether a password was asked for, never the password.
    optionWord(SettingOption::PasswordLock, "--password", "password_lock", "password",
               "chkPasswordScript",
               wizardText("quorlane::wizard::EncryptionPage", "Password protect")),
    // In a project file, within "password_lock".
    optionWord(SettingOption::Encrypt, "--encrypt", "encrypt", "encrypt", "chkEncrypt",
               wizardText("quorlane::wizard::EncryptionPage",
                          "Encrypt the hidden part with the password")),
    optionWord(
        SettingOption::Backups, "--no-backups", "backups", "backups", "chkBackups",
        wizardText("quorlane::wizard::StoreFilesPage", "Make a backup of every replaced file")),
    optionWord(SettingOption::BackupDir, "--backup-dir", "backup_dir", nullptr, "txtBackupDir"),
    // A record names the target as its tree; records of the first versions under "target".
    optionWord(SettingOption::Target, "--target", "target", "target", "txtSaveDir"),
    optionWord(SettingOption::PagesOnly, "--pages-only", "pages_only", "pages_only", "chkPagesOnly",
               wizardText("quorlane::wizard::StoreFilesPage",
                          "Copy only the pages, not the files beside them")),
};

const SettingWord& find(Kind kind, int value)
{
    const auto* row = std::find_if(vocabulary.begin(), vocabulary.end(), [&](const SettingWord& w) {
        return w.kind == kind && w.value == value;
    });
    assert(row != vocabulary.end());
    return *row;
}

template <typename Column> std::vector<std::string> namesOf(Kind kind, Column column)
{
    std::vector<std::string> names;
    for (const SettingWord* word : WordsOf(kind)) {
        names.emplace_back(word->*column);
    }
    return names;
}

} // namespace

std::span<const SettingWord> SettingVocabulary()
{
    return vocabulary;
}

const SettingWord& WordOf(core::ScriptOption option)
{
    return find(Kind::Switch, static_cast<int>(option));
}

const SettingWord& WordOf(core::ProtectMode mode)
{
    return find(Kind::ProtectMode, static_cast<int>(mode));
}

const SettingWord& WordOf(core::SaveMode mode)
{
    return find(Kind::SaveMode, static_cast<int>(mode));
}

const SettingWord& WordOf(SettingOption option)
{
    return find(Kind::Option, static_cast<int>(option));
}

std::vector<const SettingWord*> WordsOf(Kind kind)
{
    std::vector<const SettingWord*> words;
    for (const SettingWord& word : vocabulary) {
        if (word.kind == kind) {
            words.push_back(&word);
        }
    }
    std::sort(words.begin(), words.end(),
              [](const SettingWord* a, const SettingWord* b) { return a->value < b->value; });
    return words;
}

std::vector<std::string> CliNamesOf(Kind kind)
{
    return namesOf(kind, &SettingWord::cliName);
}

std::vector<std::string> ProjectNamesOf(Kind kind)
{
    return namesOf(kind, &SettingWord::projectKey);
}

} // namespace quorlane::run
