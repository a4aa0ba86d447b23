#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/ProtectionSettings.h"

// The names of every setting, kept in one table: what the command line calls it, the key or
// value of a project file and of a run's record, the wizard's caption and control, and what a
// switch does in today's browsers. Every front end and file format reads them from here.
namespace quorlane::run {

// A text the wizard shows, translated there in context, the class of the page that shows it
// (as its tr() names it). The wizard's translation tools read the calls of wizardText() as
// QT_TRANSLATE_NOOP (lupdate -tr-function-alias QT_TRANSLATE_NOOP+=wizardText).
struct WizardText
{
    const char* context = nullptr;
    const char* source = nullptr;
};

constexpr WizardText wizardText(const char* context, const char* source)
{
    return {context, source};
}

// The choices that are neither a switch nor a mode: a text switched on, a folder, a flag.
enum class SettingOption
{
    Warning = 0,
    Notice = 1,
    DomainLock = 2,
    UrlLock = 3,
    PasswordLock = 4,
    Encrypt = 5,
    Backups = 6,
    BackupDir = 7,
    Target = 8,
    PagesOnly = 9,
};
inline constexpr int settingOptionCount = 10;

struct SettingWord
{
    enum class Kind
    {
        Switch,      // value: a core::ScriptOption
        ProtectMode, // value: a core::ProtectMode
        SaveMode,    // value: a core::SaveMode
        Option,      // value: a SettingOption
    };

    Kind kind = Kind::Switch;
    int value = 0;
    // A switch's or mode's name as --enable, --mode and --save take it; an option's own name.
    const char* cliName = nullptr;
    // A switch's or mode's name as a project file writes it; an option's key there.
    const char* projectKey = nullptr;
    // The same in a run's record; nullptr where a record does not hold it.
    const char* recordKey = nullptr;
    // The caption of the control; no source for a control without one (a text box).
    WizardText caption;
    const char* objectName = nullptr;
    // A switch: what it does in today's browsers, in a word or two, for the command line's help.
    const char* today = nullptr;
    // A switch: the wizard's information text, which ends with what it does today at length.
    WizardText info;
};

// Every row: the switches, the protect modes, the save modes and the options, each kind in the
// order of its values.
std::span<const SettingWord> SettingVocabulary();

const SettingWord& WordOf(core::ScriptOption option);
const SettingWord& WordOf(core::ProtectMode mode);
const SettingWord& WordOf(core::SaveMode mode);
const SettingWord& WordOf(SettingOption option);

// The rows of one kind, in the order of their values.
std::vector<const SettingWord*> WordsOf(SettingWord::Kind kind);

// The command line's names of one kind, and the project file's, in the order of their values.
std::vector<std::string> CliNamesOf(SettingWord::Kind kind);
std::vector<std::string> ProjectNamesOf(SettingWord::Kind kind);

} // namespace quorlane::run
