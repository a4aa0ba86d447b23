#include "run/RunManifest.h"

#include <ctime>
#include <nlohmann/json.hpp>

#include "core/Utf8.h"
#include "run/ManifestFields.h"
#include "run/RunJournal.h"
#include "run/SettingsJson.h"

namespace quorlane::run {

namespace {

using namespace manifest;

constexpr int formatVersion = 1;

} // namespace

namespace {

// A record of the first version: one JSON document, its paths absolute.
std::optional<RunManifest> parseVersion1(std::string_view json, ManifestProblem& problem)
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
    manifest.version = formatVersion;
    manifest.started = read.text(document, "started");
    manifest.complete = read.flag(document, "complete");
    if (const Json* settings = read.field(document, "settings")) {
        manifest.settings = settings_json::RecordSettingsFrom(read, *settings);
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

} // namespace

std::optional<RunManifest> ParseManifest(std::string_view text, ManifestProblem& problem)
{
    // A journal's lines end in their checksums, after a tab, which a JSON document never holds.
    const std::string_view firstLine = text.substr(0, text.find('\n'));
    if (firstLine.find('\t') != std::string_view::npos) {
        return ParseJournal(text, problem);
    }
    return parseVersion1(text, problem);
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
