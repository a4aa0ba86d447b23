#include "run/ProjectFile.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <tuple>

#include "core/ScriptText.h"
#include "core/Utf8.h"
#include "files/ExcludePatterns.h"
#include "run/FolderRecorder.h"
#include "run/SettingsJson.h"

namespace quorlane::run {

namespace {

namespace fs = std::filesystem;
using settings_json::modeKey;
using settings_json::saveKey;
using settings_json::switchesKey;
using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

// Why a project is refused: the key, with its place in the document ("password_lock.on",
// "pages[2].folder"), and what is wrong with it.
struct FieldRefusal
{
    std::string key;
    std::string why;
};

[[noreturn]] void refuse(std::string key, std::string why)
{
    throw FieldRefusal{std::move(key), std::move(why)};
}

std::string keyIn(const std::string& where, const std::string& key)
{
    return where.empty() ? key : where + "." + key;
}

using Kind = SettingWord::Kind;

std::string listOf(const std::vector<std::string>& names)
{
    std::string list;
    for (const std::string& name : names) {
        list += (list.empty() ? "" : ", ") + name;
    }
    return list;
}

const char* keyOf(SettingOption option)
{
    return WordOf(option).projectKey;
}

std::string fileText(const core::PathString& file)
{
    return core::Utf16ToUtf8(core::TextFromPath(file));
}

// The folder that the relative paths of a project file start from.
fs::path folderOf(const core::PathString& file)
{
    return fs::path(AbsolutePath(file)).parent_path();
}

core::PathString withoutTrailingSeparators(core::PathString path)
{
    while (path.size() > 1 && (path.back() == '/' || path.back() == core::pathSeparator)) {
        path.pop_back();
    }
    return path;
}

// Whether a relative path, its "." and ".." taken as written, leads above where it starts.
bool climbsOut(const fs::path& relative)
{
    const fs::path normal = relative.lexically_normal();
    return !normal.empty() && *normal.begin() == fs::path("..");
}

// Whether a text switched on can go into the pages as it is; the key and why when it cannot.
std::optional<FieldRefusal> valueProblem(const core::ProtectionSettings& settings)
{
    const std::tuple<SettingOption, bool, const std::u16string&> scriptTexts[] = {
        {SettingOption::Warning, settings.rightClickWarning, settings.rightClickWarningText},
        {SettingOption::DomainLock, settings.domainLock, settings.lockDomain},
        {SettingOption::UrlLock, settings.urlLock, settings.lockUrl},
    };
    for (const auto& [option, on, text] : scriptTexts) {
        if (on && !core::IsSafeScriptText(text)) {
            return FieldRefusal{keyIn(keyOf(option), "text"),
                                "holds a quotation mark, an apostrophe, a backslash or a line "
                                "break, which would break out of the page script"};
        }
    }
    if (settings.copyrightNotice && !core::IsSafeNoticeText(settings.copyrightNoticeText)) {
        return FieldRefusal{keyIn(keyOf(SettingOption::Notice), "text"),
                            "holds \"-->\" or \"--!>\", which would end its comment "
                            "early"};
    }
    if (settings.kdfIterations < core::minimumKdfIterations ||
        settings.kdfIterations > core::maximumKdfIterations) {
        return FieldRefusal{keyIn(keyOf(SettingOption::PasswordLock), "kdf_iterations"),
                            "must lie between " + std::to_string(core::minimumKdfIterations) +
                                " and " + std::to_string(core::maximumKdfIterations)};
    }
    return std::nullopt;
}

// The keys of a project document: its own and those of the settings.
std::vector<std::string_view> documentKeys()
{
    std::vector<std::string_view> keys = {"version",   "pages",   saveKey,  modeKey,
                                          switchesKey, "exclude", "fail_on"};
    for (const SettingWord* word : WordsOf(Kind::Option)) {
        // Encryption is a choice of the password lock, and written within it.
        if (word->value != static_cast<int>(SettingOption::Encrypt)) {
            keys.push_back(word->projectKey);
        }
    }
    return keys;
}

// Reads a document that has passed its version check onto a project, key by key.
class Reader
{
public:
    explicit Reader(fs::path folder)
        : m_folder(std::move(folder))
    {
    }

    void read(const Json& document, Project& project)
    {
        onlyKeys(document, "", documentKeys());
        core::ProtectionSettings& settings = project.settings;
        if (document.contains("pages")) {
            project.selection = pages(document["pages"]);
        }
        if (document.contains("exclude")) {
            project.exclude = patterns(document["exclude"]);
        }
        if (document.contains("fail_on")) {
            const std::vector<std::string> levels(failOnNames.begin(), failOnNames.end());
            project.failOn = levels[named(document["fail_on"], "fail_on", levels)];
        }
        if (document.contains(saveKey)) {
            settings.saveMode = static_cast<core::SaveMode>(
                named(document[saveKey], saveKey, ProjectNamesOf(Kind::SaveMode)));
        }
        folder(document, SettingOption::Target, settings.saveDir);
        boolean(document, "", keyOf(SettingOption::Backups), settings.makeBackups);
        folder(document, SettingOption::BackupDir, settings.backupDir);
        boolean(document, "", keyOf(SettingOption::PagesOnly), settings.copyPagesOnly);
        if (document.contains(modeKey)) {
            settings.protectMode = static_cast<core::ProtectMode>(
                named(document[modeKey], modeKey, ProjectNamesOf(Kind::ProtectMode)));
        }
        if (document.contains(switchesKey)) {
            settings.scriptSwitches = switches(document[switchesKey]);
        }
        switchedText(document, SettingOption::Warning, settings.rightClickWarning,
                     settings.rightClickWarningText);
        switchedText(document, SettingOption::Notice, settings.copyrightNotice,
                     settings.copyrightNoticeText);
        switchedText(document, SettingOption::DomainLock, settings.domainLock, settings.lockDomain);
        switchedText(document, SettingOption::UrlLock, settings.urlLock, settings.lockUrl);
        if (const char* lock = keyOf(SettingOption::PasswordLock); document.contains(lock)) {
            passwordLock(document[lock], settings);
        }
    }

private:
    static void onlyKeys(const Json& object, const std::string& where,
                         const std::vector<std::string_view>& known)
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (std::find(known.begin(), known.end(), it.key()) != known.end()) {
                continue;
            }
            if (it.key() == "password") {
                refuse(keyIn(where, it.key()),
                       "is not taken: a project never holds the password. Give it with "
                       "--password-file, --password-env or --password -, or type it in the "
                       "wizard");
            }
            refuse(keyIn(where, it.key()), "is not a key of a project file");
        }
    }

    static const Json& object(const Json& value, const std::string& key,
                              const std::vector<std::string_view>& known)
    {
        if (!value.is_object()) {
            std::string keys;
            for (std::string_view name : known) {
                keys += (keys.empty() ? "\"" : ", \"") + std::string(name) + "\"";
            }
            refuse(key, "must be an object with the keys " + keys);
        }
        onlyKeys(value, key, known);
        return value;
    }

    static void boolean(const Json& object, const std::string& where, const char* name, bool& value)
    {
        if (!object.contains(name)) {
            return;
        }
        if (!object[name].is_boolean()) {
            refuse(keyIn(where, name), "must be true or false");
        }
        value = object[name].get<bool>();
    }

    static std::u16string text(const Json& value, const std::string& key)
    {
        if (!value.is_string()) {
            refuse(key, "must be a string");
        }
        return core::Utf8ToUtf16(value.get<std::string>());
    }

    static std::size_t named(const Json& value, const std::string& key,
                             const std::vector<std::string>& names)
    {
        if (!value.is_string()) {
            refuse(key, "must be one of " + listOf(names));
        }
        const std::string name = value.get<std::string>();
        for (std::size_t k = 0; k < names.size(); ++k) {
            if (name == names[k]) {
                return k;
            }
        }
        refuse(key, "is \"" + name + "\", not one of " + listOf(names));
    }

    // A path as written, relative ones from the project file's folder.
    core::PathString path(const Json& value, const std::string& key) const
    {
        const std::u16string written = text(value, key);
        if (written.empty()) {
            refuse(key, "must be a path, not empty");
        }
        const fs::path given(core::PathFromText(written));
        // A project handed on from someone else must not reach files of this machine by
        // climbing out of its own folder; a path meant to lie elsewhere is written absolute.
        if (!given.is_absolute() && climbsOut(given)) {
            refuse(key, "is \"" + core::Utf16ToUtf8(written) +
                            "\", which climbs out of the project file's folder: a relative path "
                            "must lie below it (write a path elsewhere in full)");
        }
        const fs::path full = given.is_absolute() ? given : m_folder / given;
        return withoutTrailingSeparators(full.lexically_normal().native());
    }

    std::vector<SelectionEntry> pages(const Json& value) const
    {
        if (!value.is_array()) {
            refuse("pages", "must be a list of {\"folder\": PATH} and {\"page\": PATH}");
        }
        std::vector<SelectionEntry> selection;
        for (std::size_t k = 0; k < value.size(); ++k) {
            const std::string key = "pages[" + std::to_string(k) + "]";
            const Json& entry = value[k];
            if (!entry.is_object() || entry.size() != 1) {
                refuse(key, "must be {\"folder\": PATH} or {\"page\": PATH}");
            }
            onlyKeys(entry, key, {"folder", "page"});
            const bool isFolder = entry.contains("folder");
            const char* name = isFolder ? "folder" : "page";
            selection.push_back({path(entry[name], keyIn(key, name)), isFolder});
        }
        return selection;
    }

    static std::vector<std::u16string> patterns(const Json& value)
    {
        if (!value.is_array()) {
            refuse("exclude", "must be a list of patterns, such as [\"*.txt\", \"_sources/\"]");
        }
        std::vector<std::u16string> result;
        for (std::size_t k = 0; k < value.size(); ++k) {
            const std::string key = "exclude[" + std::to_string(k) + "]";
            result.push_back(text(value[k], key));
            if (const auto problem = files::ExcludePatterns::problem(result.back())) {
                refuse(key, "is not taken: " + *problem);
            }
        }
        return result;
    }

    static core::ScriptSwitches switches(const Json& value)
    {
        const std::vector<std::string> names = ProjectNamesOf(Kind::Switch);
        if (!value.is_array()) {
            refuse(switchesKey, "must be a list of names, out of " + listOf(names));
        }
        core::ScriptSwitches result;
        for (std::size_t k = 0; k < value.size(); ++k) {
            result.set(static_cast<core::ScriptOption>(
                named(value[k], std::string(switchesKey) + "[" + std::to_string(k) + "]", names)));
        }
        return result;
    }

    // A folder, as a path.
    void folder(const Json& document, SettingOption option, std::u16string& value) const
    {
        if (const char* key = keyOf(option); document.contains(key)) {
            value = core::TextFromPath(path(document[key], key));
        }
    }

    static void switchedText(const Json& document, SettingOption option, bool& on,
                             std::u16string& value)
    {
        const char* key = keyOf(option);
        if (!document.contains(key)) {
            return;
        }
        const Json& entry = object(document[key], key, {"on", "text"});
        boolean(entry, key, "on", on);
        if (entry.contains("text")) {
            value = text(entry["text"], keyIn(key, "text"));
        }
    }

    static void passwordLock(const Json& value, core::ProtectionSettings& settings)
    {
        const std::string key = keyOf(SettingOption::PasswordLock);
        const char* encrypt = keyOf(SettingOption::Encrypt);
        const Json& entry = object(value, key,
                                   {"on", encrypt, "kdf_iterations", "remember", "remember_days",
                                    "unlock_texts", "unlock_template"});
        boolean(entry, key, "on", settings.passwordProtect);
        boolean(entry, key, encrypt, settings.encryptHiddenPart);
        boolean(entry, key, "remember", settings.rememberUnlock);
        if (entry.contains("kdf_iterations")) {
            const Json& iterations = entry["kdf_iterations"];
            if (!iterations.is_number_integer() ||
                iterations.get<std::int64_t>() < core::minimumKdfIterations ||
                iterations.get<std::int64_t>() > core::maximumKdfIterations) {
                refuse(keyIn(key, "kdf_iterations"),
                       "must be a whole number between " +
                           std::to_string(core::minimumKdfIterations) + " and " +
                           std::to_string(core::maximumKdfIterations));
            }
            settings.kdfIterations = static_cast<std::uint32_t>(iterations.get<std::int64_t>());
        }
        unlockForm(entry, key, settings.unlockChoices);
    }

    static void unlockForm(const Json& entry, const std::string& key, core::UnlockChoices& choices)
    {
        if (entry.contains("remember_days")) {
            const Json& days = entry["remember_days"];
            if (!days.is_number_integer() || days.get<std::int64_t>() < 0 ||
                days.get<std::int64_t>() > core::maximumRememberDays) {
                refuse(keyIn(key, "remember_days"), "must be a whole number between 0 and " +
                                                        std::to_string(core::maximumRememberDays));
            }
            choices.rememberDays = static_cast<std::uint32_t>(days.get<std::int64_t>());
        }
        if (entry.contains("unlock_texts")) {
            const std::string where = keyIn(key, "unlock_texts");
            const Json& texts = entry["unlock_texts"];
            if (!texts.is_object()) {
                refuse(where, "must be an object of texts by name");
            }
            choices.texts.clear();
            for (auto it = texts.begin(); it != texts.end(); ++it) {
                const std::u16string name = core::Utf8ToUtf16(it.key());
                const std::u16string value = text(it.value(), keyIn(where, it.key()));
                if (const auto why = core::UnlockTextRefusal(name, value)) {
                    refuse(keyIn(where, it.key()), *why);
                }
                choices.texts[name] = value;
            }
        }
        if (entry.contains("unlock_template")) {
            const std::string where = keyIn(key, "unlock_template");
            choices.formTemplate = text(entry["unlock_template"], where);
            const auto why = core::UnlockTemplateRefusal(choices.formTemplate);
            if (!choices.formTemplate.empty() && why) {
                refuse(where, *why);
            }
        }
    }

    fs::path m_folder;
};

void checkVersion(const Json& document)
{
    if (!document.is_object()) {
        refuse("version", "is missing: the file holds no JSON object");
    }
    if (!document.contains("version")) {
        refuse("version", "is missing: a project file begins with \"version\": " +
                              std::to_string(projectVersion));
    }
    const Json& version = document["version"];
    if (!version.is_number_integer()) {
        refuse("version", "must be the number " + std::to_string(projectVersion));
    }
    if (version.get<std::int64_t>() != projectVersion) {
        refuse("version", "is " + version.dump() +
                              ": this Quorlane reads project files of "
                              "version " +
                              std::to_string(projectVersion) + " only");
    }
}

// A path as a project file holds it: below the file's folder relative to it, else absolute,
// with "/" between its parts. Nothing for a path that is not UTF-8.
std::optional<std::string> pathText(const core::PathString& path, const fs::path& folder)
{
    const fs::path absolute(AbsolutePath(path));
#ifndef _WIN32
    if (!core::IsValidUtf8(absolute.native())) {
        return std::nullopt;
    }
#endif
    const fs::path relative = absolute.lexically_relative(folder);
    const bool below = !relative.empty() && *relative.begin() != fs::path("..");
    const std::u8string text = (below ? relative : absolute).generic_u8string();
    return std::string(text.begin(), text.end());
}

std::string problemText(const core::PathString& file, const FieldRefusal& refusal)
{
    return "the project file " + fileText(file) + ": \"" + refusal.key + "\" " + refusal.why;
}

} // namespace

std::optional<std::string> ParseProject(std::string_view json, const core::PathString& file,
                                        Project& project)
{
    Project read = project;
    try {
        const Json document = Json::parse(json);
        checkVersion(document);
        Reader(folderOf(file)).read(document, read);
        if (const std::optional<FieldRefusal> problem = valueProblem(read.settings)) {
            return problemText(file, *problem);
        }
    } catch (const FieldRefusal& refusal) {
        return problemText(file, refusal);
    } catch (const Json::exception& error) {
        std::string why = error.what();
        // Without the library's own tag, "[json.exception.parse_error.101] ".
        if (const std::size_t tag = why.find("] "); why.starts_with("[json.") && tag != why.npos) {
            why.erase(0, tag + 2);
        }
        return "the project file " + fileText(file) + " is no JSON document: " + why;
    }
    project = std::move(read);
    return std::nullopt;
}

std::optional<std::string> ReadProjectFile(files::FileSystem& fileSystem,
                                           const core::PathString& file, Project& project)
{
    std::string bytes;
    if (const files::Result<files::FileStamp> read = fileSystem.readFile(file, bytes);
        read.failed()) {
        return "the project file " + fileText(file) + " cannot be read: " + read.error().text;
    }
    return ParseProject(bytes, file, project);
}

std::optional<std::string> ProjectJson(const Project& project, const core::PathString& file,
                                       std::string& json)
{
    const core::ProtectionSettings& settings = project.settings;
    if (const std::optional<FieldRefusal> problem = valueProblem(settings)) {
        return "the project cannot be saved: \"" + problem->key + "\" " + problem->why;
    }
    const fs::path folder = folderOf(file);
    const auto notUtf8 = [](const core::PathString& path) {
        return "the project cannot be saved: the path " + fileText(path) +
               " is not UTF-8 text, which a project file cannot hold";
    };
    OrderedJson pages = OrderedJson::array();
    for (const SelectionEntry& entry : project.selection) {
        const std::optional<std::string> text = pathText(entry.path, folder);
        if (!text) {
            return notUtf8(entry.path);
        }
        pages.push_back({{entry.isFolder ? "folder" : "page", *text}});
    }
    OrderedJson document = {{"version", projectVersion}, {"pages", pages}};
    const auto path = [&](const core::PathString& path) { return pathText(path, folder); };
    if (const auto unwritable = settings_json::PutProjectStore(settings, path, document)) {
        return notUtf8(*unwritable);
    }
    if (!project.exclude.empty()) {
        OrderedJson patterns = OrderedJson::array();
        for (const std::u16string& pattern : project.exclude) {
            patterns.push_back(core::Utf16ToUtf8(pattern));
        }
        document["exclude"] = patterns;
    }
    if (!project.failOn.empty()) {
        document["fail_on"] = project.failOn;
    }
    settings_json::PutProjectProtection(settings, document);
    json = document.dump(2) + "\n";
    return std::nullopt;
}

std::optional<std::string> WriteProjectFile(files::FileSystem& fileSystem,
                                            const core::PathString& file, const Project& project)
{
    std::string json;
    if (auto refusal = ProjectJson(project, file, json)) {
        return refusal;
    }
    if (const files::Status failure = fileSystem.writeFile(file, json, files::Durability::Synced);
        failure.failed()) {
        return "the project file " + fileText(file) + " cannot be written: " + failure.error().text;
    }
    return std::nullopt;
}

} // namespace quorlane::run
