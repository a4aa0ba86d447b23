#include "run/ManifestFields.h"

#include "core/Utf8.h"
#include "run/SettingNames.h"

namespace quorlane::run::manifest {

namespace {

constexpr const auto& modeNames = protectModeNames;
constexpr const auto& saveNames = saveModeNames;

[[maybe_unused]] int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

} // namespace

void putPath(Json& object, const std::string& key, const core::PathString& path)
{
    object[key] = core::Utf16ToUtf8(core::TextFromPath(path));
#ifndef _WIN32
    if (!core::IsValidUtf8(path)) {
        static constexpr char digits[] = "0123456789abcdef";
        std::string hex;
        for (const unsigned char byte : path) {
            hex.push_back(digits[byte >> 4]);
            hex.push_back(digits[byte & 15]);
        }
        object[key + "_bytes"] = hex;
    }
#endif
}

core::PathString Reader::path(const Json& object, const std::string& key)
{
#ifndef _WIN32
    if (object.is_object() && object.contains(key + "_bytes")) {
        const std::string hex = text(object, key + "_bytes");
        core::PathString path;
        for (std::size_t k = 0; k + 1 < hex.size(); k += 2) {
            const int high = hexDigit(hex[k]);
            const int low = hexDigit(hex[k + 1]);
            if (high < 0 || low < 0) {
                break;
            }
            path.push_back(static_cast<char>(high << 4 | low));
        }
        if (path.size() * 2 != hex.size()) {
            fail(key + "_bytes is not hexadecimal");
        }
        return path;
    }
#endif
    return core::PathFromText(core::Utf8ToUtf16(text(object, key)));
}

namespace {

Json textOrNull(bool on, const std::u16string& text)
{
    return on ? Json(core::Utf16ToUtf8(text)) : Json(nullptr);
}

} // namespace

Json settingsJson(const core::ProtectionSettings& settings)
{
    Json switches = Json::array();
    for (std::size_t k = 0; k < switchNames.size(); ++k) {
        if (settings.scriptSwitches.has(static_cast<core::ScriptOption>(k))) {
            switches.push_back(switchNames[k]);
        }
    }
    Json json = {
        {"mode", modeNames[static_cast<std::size_t>(settings.protectMode)]},
        {"save", saveNames[static_cast<std::size_t>(settings.saveMode)]},
        {"backups", settings.saveMode == core::SaveMode::Overwrite && settings.makeBackups},
    };
    // The target folder is the record's "tree": here it would be a path of the machine.
    if (settings.saveMode == core::SaveMode::CopyToFolder) {
        json["pages_only"] = settings.copyPagesOnly;
    }
    json["switches"] = switches;
    json["warning"] = textOrNull(settings.rightClickWarning, settings.rightClickWarningText);
    json["domain_lock"] = textOrNull(settings.domainLock, settings.lockDomain);
    json["url_lock"] = textOrNull(settings.urlLock, settings.lockUrl);
    // Whether a password was asked for; the password itself is never written down.
    json["password"] = settings.passwordProtect;
    json["encrypt"] = settings.passwordProtect && settings.encryptHiddenPart;
    json["notice"] = textOrNull(settings.copyrightNotice, settings.copyrightNoticeText);
    return json;
}

core::ProtectionSettings settingsFrom(Reader& read, const Json& json)
{
    core::ProtectionSettings settings;
    settings.protectMode =
        static_cast<core::ProtectMode>(read.indexOf(modeNames, read.text(json, "mode")));
    settings.saveMode =
        static_cast<core::SaveMode>(read.indexOf(saveNames, read.text(json, "save")));
    settings.makeBackups = read.flag(json, "backups");
    if (settings.saveMode == core::SaveMode::CopyToFolder) {
        // Records of the first versions name the target here too.
        if (json.contains("target")) {
            settings.saveDir = core::TextFromPath(read.path(json, "target"));
        }
        settings.copyPagesOnly = json.value("pages_only", false);
    }
    for (const Json& name : read.list(json, "switches")) {
        settings.scriptSwitches.set(static_cast<core::ScriptOption>(
            read.indexOf(switchNames, name.is_string() ? name.get<std::string>() : "")));
    }
    settings.passwordProtect = read.flag(json, "password");
    // Manifests of runs from before the encrypted lock have no "encrypt".
    settings.encryptHiddenPart = json.contains("encrypt") && read.flag(json, "encrypt");
    return settings;
}

} // namespace quorlane::run::manifest
