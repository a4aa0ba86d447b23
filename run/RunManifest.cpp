#include "run/RunManifest.h"

#include <array>
#include <ctime>
#include <nlohmann/json.hpp>

#include "core/Utf8.h"
#include "run/SettingNames.h"

namespace quorlane::run {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* formatName = "quorlane-run";
constexpr int formatVersion = 1;

constexpr const auto& modeNames = protectModeNames;
constexpr const auto& saveNames = saveModeNames;

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

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// Reads the fields of a manifest: the first one that is missing or not what it should be is
// kept in problem, and every read gives a plain value from then on.
class Reader
{
public:
    const Json* field(const Json& object, const std::string& key)
    {
        const auto found = object.is_object() ? object.find(key) : object.end();
        if (found == object.end()) {
            fail(key + " is missing");
            return nullptr;
        }
        return &*found;
    }
    std::string text(const Json& object, const std::string& key)
    {
        const Json* value = field(object, key);
        return value != nullptr && value->is_string() ? value->get<std::string>()
                                                      : wrong<std::string>(value, key);
    }
    bool flag(const Json& object, const std::string& key)
    {
        const Json* value = field(object, key);
        return value != nullptr && value->is_boolean() ? value->get<bool>()
                                                       : wrong<bool>(value, key);
    }
    std::uint64_t number(const Json& object, const std::string& key)
    {
        const Json* value = field(object, key);
        return value != nullptr && value->is_number_unsigned() ? value->get<std::uint64_t>()
                                                               : wrong<std::uint64_t>(value, key);
    }
    const Json& list(const Json& object, const std::string& key)
    {
        static const Json none = Json::array();
        const Json* value = field(object, key);
        return value != nullptr && value->is_array() ? *value
                                                     : wrong<const Json&>(value, key, none);
    }
    // The path under key: its bytes when given, else its text.
    core::PathString path(const Json& object, const std::string& key);
    template <std::size_t N>
    std::size_t indexOf(const std::array<const char*, N>& names, const std::string& name)
    {
        for (std::size_t k = 0; k < N; ++k) {
            if (name == names[k]) {
                return k;
            }
        }
        fail("unknown setting " + name);
        return 0;
    }
    void fail(std::string what)
    {
        if (problem.empty()) {
            problem = std::move(what);
        }
    }

    std::string problem;

private:
    template <typename T> T wrong(const Json* value, const std::string& key, T plain = T())
    {
        if (value != nullptr) {
            fail(key + " is not what it should be");
        }
        return plain;
    }
};

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

Json textOrNull(bool on, const std::u16string& text)
{
    return on ? Json(core::Utf16ToUtf8(text)) : Json(nullptr);
}

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
    if (settings.saveMode == core::SaveMode::CopyToFolder) {
        putPath(json, "target", core::PathFromText(settings.saveDir));
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
        settings.saveDir = core::TextFromPath(read.path(json, "target"));
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

} // namespace

std::string ManifestJson(const RunManifest& manifest)
{
    Json folders = Json::array();
    for (const core::PathString& folder : manifest.createdFolders) {
        Json entry = Json::object();
        putPath(entry, "path", folder);
        folders.push_back(std::move(entry));
    }
    Json pages = Json::array();
    for (const ManifestPage& page : manifest.pages) {
        Json entry = Json::object();
        putPath(entry, "source", page.source);
        putPath(entry, "output", page.output);
        if (page.backup.empty()) {
            entry["backup"] = nullptr;
        } else {
            putPath(entry, "backup", page.backup);
        }
        entry["source_size"] = page.sourceSize;
        entry["source_sha256"] = page.sourceSha256;
        entry["output_size"] = page.outputSize;
        entry["output_sha256"] = page.outputSha256;
        entry["replaced_earlier_file"] = page.replacedEarlierFile;
        pages.push_back(std::move(entry));
    }
    // Keys in this order; the lists are moved in, not copied as a braced list would.
    Json document = Json::object();
    document["format"] = formatName;
    document["version"] = formatVersion;
    document["started"] = manifest.started;
    document["complete"] = manifest.complete;
    document["settings"] = settingsJson(manifest.settings);
    document["created_folders"] = std::move(folders);
    document["pages"] = std::move(pages);
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<RunManifest> ParseManifest(std::string_view json, ManifestProblem& problem)
{
    const Json document = Json::parse(json, nullptr, false);
    if (document.is_discarded()) {
        problem = {ManifestProblem::Kind::Malformed, "it is not JSON"};
        return std::nullopt;
    }
    Reader read;
    if (!document.is_object() || !document.contains("format") || document["format"] != formatName) {
        problem = {ManifestProblem::Kind::NotARecord, {}};
        return std::nullopt;
    }
    if (!document.contains("version") || document["version"] != formatVersion) {
        problem = {ManifestProblem::Kind::OtherVersion, {}};
        return std::nullopt;
    }
    RunManifest manifest;
    manifest.started = read.text(document, "started");
    manifest.complete = read.flag(document, "complete");
    if (const Json* settings = read.field(document, "settings")) {
        manifest.settings = settingsFrom(read, *settings);
    }
    for (const Json& folder : read.list(document, "created_folders")) {
        manifest.createdFolders.push_back(read.path(folder, "path"));
    }
    for (const Json& entry : read.list(document, "pages")) {
        ManifestPage page;
        page.source = read.path(entry, "source");
        page.output = read.path(entry, "output");
        if (const Json* backup = read.field(entry, "backup"); backup && !backup->is_null()) {
            page.backup = read.path(entry, "backup");
        }
        page.sourceSize = read.number(entry, "source_size");
        page.sourceSha256 = read.text(entry, "source_sha256");
        page.outputSize = read.number(entry, "output_size");
        page.outputSha256 = read.text(entry, "output_sha256");
        page.replacedEarlierFile = read.flag(entry, "replaced_earlier_file");
        manifest.pages.push_back(std::move(page));
    }
    if (!read.problem.empty()) {
        problem = {ManifestProblem::Kind::Malformed, read.problem};
        return std::nullopt;
    }
    return manifest;
}

std::string ManifestName(std::string_view started, int attempt)
{
    std::string stamp;
    for (const char c : started) {
        if (c >= '0' && c <= '9') {
            stamp.push_back(c);
        } else if (c == 'T') {
            stamp.push_back('-');
        }
    }
    std::string name = ".quorlane-run-" + stamp;
    if (attempt > 1) {
        name += "-" + std::to_string(attempt);
    }
    return name + ".json";
}

std::string LocalTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

} // namespace quorlane::run
