#include "run/SettingsJson.h"

#include "core/Utf8.h"

namespace quorlane::run::settings_json {

namespace {

using Kind = SettingWord::Kind;

template <typename Value> std::optional<Value> valueNamed(Kind kind, const std::string& name)
{
    for (const SettingWord* word : WordsOf(kind)) {
        if (name == word->projectKey) {
            return static_cast<Value>(word->value);
        }
    }
    return std::nullopt;
}

const char* projectKey(SettingOption option)
{
    return WordOf(option).projectKey;
}

const char* recordKey(SettingOption option)
{
    return WordOf(option).recordKey;
}

std::vector<std::string> recordNames(Kind kind)
{
    std::vector<std::string> names;
    for (const SettingWord* word : WordsOf(kind)) {
        names.emplace_back(word->recordKey);
    }
    return names;
}

// A text switched on, in a project: whether it is on, and the text either way.
Json switchedJson(bool on, const std::u16string& text)
{
    return {{"on", on}, {"text", core::Utf16ToUtf8(text)}};
}

// The same in a record: the text while it is on, else null.
Json textOrNull(bool on, const std::u16string& text)
{
    return on ? Json(core::Utf16ToUtf8(text)) : Json(nullptr);
}

// The unlock form's choices that differ from the defaults.
void putUnlockForm(const core::UnlockChoices& choices, Json& entry)
{
    if (choices.rememberDays > 0) {
        entry["remember_days"] = choices.rememberDays;
    }
    if (!choices.texts.empty()) {
        Json texts = Json::object();
        for (const auto& [name, text] : choices.texts) {
            texts[core::Utf16ToUtf8(name)] = core::Utf16ToUtf8(text);
        }
        entry["unlock_texts"] = texts;
    }
    if (!choices.formTemplate.empty()) {
        entry["unlock_template"] = core::Utf16ToUtf8(choices.formTemplate);
    }
}

} // namespace

Json SwitchesJson(const core::ScriptSwitches& switches, const char* SettingWord::*names)
{
    Json list = Json::array();
    for (const SettingWord* word : WordsOf(Kind::Switch)) {
        if (switches.has(static_cast<core::ScriptOption>(word->value))) {
            list.push_back(word->*names);
        }
    }
    return list;
}

std::optional<core::ScriptOption> SwitchNamed(const std::string& name)
{
    return valueNamed<core::ScriptOption>(Kind::Switch, name);
}

std::optional<core::ProtectMode> ProtectModeNamed(const std::string& name)
{
    return valueNamed<core::ProtectMode>(Kind::ProtectMode, name);
}

std::optional<core::SaveMode> SaveModeNamed(const std::string& name)
{
    return valueNamed<core::SaveMode>(Kind::SaveMode, name);
}

std::optional<core::PathString> PutProjectStore(const core::ProtectionSettings& settings,
                                                const PathWriter& path, Json& document)
{
    std::optional<core::PathString> unwritable;
    const auto putFolder = [&](SettingOption option, const std::u16string& folder) {
        if (folder.empty() || unwritable) {
            return;
        }
        const core::PathString native = core::PathFromText(folder);
        if (const std::optional<std::string> text = path(native)) {
            document[projectKey(option)] = *text;
        } else {
            unwritable = native;
        }
    };
    document[saveKey] = WordOf(settings.saveMode).projectKey;
    putFolder(SettingOption::Target, settings.saveDir);
    document[projectKey(SettingOption::Backups)] = settings.makeBackups;
    putFolder(SettingOption::BackupDir, settings.backupDir);
    document[projectKey(SettingOption::PagesOnly)] = settings.copyPagesOnly;
    return unwritable;
}

void PutProjectProtection(const core::ProtectionSettings& settings, Json& document)
{
    document[modeKey] = WordOf(settings.protectMode).projectKey;
    document[switchesKey] = SwitchesJson(settings.scriptSwitches, &SettingWord::projectKey);
    document[projectKey(SettingOption::Warning)] =
        switchedJson(settings.rightClickWarning, settings.rightClickWarningText);
    document[projectKey(SettingOption::Notice)] =
        switchedJson(settings.copyrightNotice, settings.copyrightNoticeText);
    document[projectKey(SettingOption::DomainLock)] =
        switchedJson(settings.domainLock, settings.lockDomain);
    document[projectKey(SettingOption::UrlLock)] = switchedJson(settings.urlLock, settings.lockUrl);
    Json& lock = document[projectKey(SettingOption::PasswordLock)];
    lock = {{"on", settings.passwordProtect},
            {projectKey(SettingOption::Encrypt), settings.encryptHiddenPart},
            {"kdf_iterations", settings.kdfIterations},
            {"remember", settings.rememberUnlock}};
    putUnlockForm(settings.unlockChoices, lock);
}

Json RecordJson(const core::ProtectionSettings& settings)
{
    Json json = {
        {modeKey, WordOf(settings.protectMode).recordKey},
        {saveKey, WordOf(settings.saveMode).recordKey},
        {recordKey(SettingOption::Backups),
         settings.saveMode == core::SaveMode::Overwrite && settings.makeBackups},
    };
    // The target folder is the record's "tree": here it would be a path of the machine.
    if (settings.saveMode == core::SaveMode::CopyToFolder) {
        json[recordKey(SettingOption::PagesOnly)] = settings.copyPagesOnly;
    }
    json[switchesKey] = SwitchesJson(settings.scriptSwitches, &SettingWord::recordKey);
    json[recordKey(SettingOption::Warning)] =
        textOrNull(settings.rightClickWarning, settings.rightClickWarningText);
    json[recordKey(SettingOption::DomainLock)] =
        textOrNull(settings.domainLock, settings.lockDomain);
    json[recordKey(SettingOption::UrlLock)] = textOrNull(settings.urlLock, settings.lockUrl);
    // Whether a password was asked for; the password itself is never written down.
    json[recordKey(SettingOption::PasswordLock)] = settings.passwordProtect;
    json[recordKey(SettingOption::Encrypt)] =
        settings.passwordProtect && settings.encryptHiddenPart;
    json[recordKey(SettingOption::Notice)] =
        textOrNull(settings.copyrightNotice, settings.copyrightNoticeText);
    return json;
}

core::ProtectionSettings RecordSettingsFrom(manifest::Reader& read, const Json& json)
{
    core::ProtectionSettings settings;
    settings.protectMode = static_cast<core::ProtectMode>(
        read.indexOf(recordNames(Kind::ProtectMode), read.text(json, modeKey)));
    settings.saveMode = static_cast<core::SaveMode>(
        read.indexOf(recordNames(Kind::SaveMode), read.text(json, saveKey)));
    settings.makeBackups = read.flag(json, recordKey(SettingOption::Backups));
    if (settings.saveMode == core::SaveMode::CopyToFolder) {
        // Records of the first versions name the target here too.
        if (json.contains(recordKey(SettingOption::Target))) {
            settings.saveDir =
                core::TextFromPath(read.path(json, recordKey(SettingOption::Target)));
        }
        settings.copyPagesOnly = json.value(recordKey(SettingOption::PagesOnly), false);
    }
    const std::vector<std::string> switchNames = recordNames(Kind::Switch);
    for (const Json& name : read.list(json, switchesKey)) {
        settings.scriptSwitches.set(static_cast<core::ScriptOption>(
            read.indexOf(switchNames, name.is_string() ? name.get<std::string>() : "")));
    }
    settings.passwordProtect = read.flag(json, recordKey(SettingOption::PasswordLock));
    // Manifests of runs from before the encrypted lock have no "encrypt".
    const char* encrypt = recordKey(SettingOption::Encrypt);
    settings.encryptHiddenPart = json.contains(encrypt) && read.flag(json, encrypt);
    return settings;
}

} // namespace quorlane::run::settings_json
