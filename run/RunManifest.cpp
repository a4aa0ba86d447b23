#include "run/RunManifest.h"

#include <array>
#include <ctime>
#include <nlohmann/json.hpp>

#include "core/Utf8.h"

namespace quorlane::run {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* formatName = "quorlane-run";
constexpr int formatVersion = 1;

constexpr std::array<const char*, 4> modeNames = {"email", "links", "body", "whole"};
constexpr std::array<const char*, 3> saveNames = {"overwrite", "copy", "new"};
constexpr std::array<const char*, core::scriptOptionCount> switchNames = {
    "no-right-click",   "no-text-select", "no-offline",     "hide-status-urls", "no-printing",
    "no-clipboard",     "no-drag-drop",   "no-web-capture", "block-opera",      "break-frames",
    "no-image-toolbar", "block-netscape", "expire-page"};

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

// The path under key: its bytes when given, else its text. Throws for neither.
core::PathString getPath(const Json& object, const std::string& key)
{
#ifndef _WIN32
    if (const auto bytes = object.find(key + "_bytes"); bytes != object.end()) {
        const std::string hex = bytes->get<std::string>();
        if (hex.size() % 2 != 0) {
            throw std::invalid_argument(key + "_bytes is not hexadecimal");
        }
        core::PathString path;
        for (std::size_t k = 0; k < hex.size(); k += 2) {
            const int high = hexDigit(hex[k]);
            const int low = hexDigit(hex[k + 1]);
            if (high < 0 || low < 0) {
                throw std::invalid_argument(key + "_bytes is not hexadecimal");
            }
            path.push_back(static_cast<char>(high << 4 | low));
        }
        return path;
    }
#endif
    return core::PathFromText(core::Utf8ToUtf16(object.at(key).get<std::string>()));
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

template <std::size_t N>
std::size_t indexOf(const std::array<const char*, N>& names, const std::string& name)
{
    for (std::size_t k = 0; k < N; ++k) {
        if (name == names[k]) {
            return k;
        }
    }
    throw std::invalid_argument("unknown setting " + name);
}

core::ProtectionSettings settingsFrom(const Json& json)
{
    core::ProtectionSettings settings;
    settings.protectMode =
        static_cast<core::ProtectMode>(indexOf(modeNames, json.at("mode").get<std::string>()));
    settings.saveMode =
        static_cast<core::SaveMode>(indexOf(saveNames, json.at("save").get<std::string>()));
    settings.makeBackups = json.at("backups").get<bool>();
    if (settings.saveMode == core::SaveMode::CopyToFolder) {
        settings.saveDir = core::TextFromPath(getPath(json, "target"));
    }
    for (const Json& name : json.at("switches")) {
        settings.scriptSwitches.set(
            static_cast<core::ScriptOption>(indexOf(switchNames, name.get<std::string>())));
    }
    settings.passwordProtect = json.at("password").get<bool>();
    // Manifests of runs from before the encrypted lock have no "encrypt".
    settings.encryptHiddenPart = json.value("encrypt", false);
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
    const Json document = {
        {"format", formatName},
        {"version", formatVersion},
        {"started", manifest.started},
        {"complete", manifest.complete},
        {"settings", settingsJson(manifest.settings)},
        {"created_folders", folders},
        {"pages", pages},
    };
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<RunManifest> ParseManifest(std::string_view json, ManifestProblem& problem)
{
    try {
        const Json document = Json::parse(json);
        if (document.at("format") != formatName) {
            problem = {ManifestProblem::Kind::NotARecord, {}};
            return std::nullopt;
        }
        if (document.at("version") != formatVersion) {
            problem = {ManifestProblem::Kind::OtherVersion, {}};
            return std::nullopt;
        }
        RunManifest manifest;
        manifest.started = document.at("started").get<std::string>();
        manifest.complete = document.at("complete").get<bool>();
        manifest.settings = settingsFrom(document.at("settings"));
        for (const Json& folder : document.at("created_folders")) {
            manifest.createdFolders.push_back(getPath(folder, "path"));
        }
        for (const Json& entry : document.at("pages")) {
            ManifestPage page;
            page.source = getPath(entry, "source");
            page.output = getPath(entry, "output");
            if (!entry.at("backup").is_null()) {
                page.backup = getPath(entry, "backup");
            }
            page.sourceSize = entry.at("source_size").get<std::uint64_t>();
            page.sourceSha256 = entry.at("source_sha256").get<std::string>();
            page.outputSize = entry.at("output_size").get<std::uint64_t>();
            page.outputSha256 = entry.at("output_sha256").get<std::string>();
            page.replacedEarlierFile = entry.at("replaced_earlier_file").get<bool>();
            manifest.pages.push_back(std::move(page));
        }
        return manifest;
    } catch (const std::exception& error) {
        problem = {ManifestProblem::Kind::Malformed, error.what()};
        return std::nullopt;
    }
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
