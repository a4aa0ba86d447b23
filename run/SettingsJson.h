#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "core/FileRecord.h"
#include "core/ProtectionSettings.h"
#include "run/ManifestFields.h"
#include "run/SettingVocabulary.h"

// The settings as JSON, in the two files that hold them: a project file, which keeps every
// choice to be made again, and a run's record, which says what the run did. Both write their
// names from the settings' vocabulary; each keeps its own order of keys.
namespace quorlane::run::settings_json {

using manifest::Json;

inline constexpr const char* modeKey = "mode";
inline constexpr const char* saveKey = "save";
inline constexpr const char* switchesKey = "switches";

// The names of the switches that are on, in their order: the project's or the record's names.
Json SwitchesJson(const core::ScriptSwitches& switches, const char* SettingWord::*names);

// The value of a name as a project file or a record writes it, or nothing for another name.
std::optional<core::ScriptOption> SwitchNamed(const std::string& name);
std::optional<core::ProtectMode> ProtectModeNamed(const std::string& name);
std::optional<core::SaveMode> SaveModeNamed(const std::string& name);

// How a project file writes a path: its text, or nothing when it cannot hold it.
using PathWriter = std::function<std::optional<std::string>(const core::PathString&)>;

// Where the pages of a project go: "save", "target", "backups", "backup_dir", "pages_only".
// Gives the path that path cannot write instead.
std::optional<core::PathString> PutProjectStore(const core::ProtectionSettings& settings,
                                                const PathWriter& path, Json& document);

// How a project protects its pages: "mode", "switches", the texts switched on and the password
// lock (never the password).
void PutProjectProtection(const core::ProtectionSettings& settings, Json& document);

// The settings of a run as its record holds them: no folders (the record names them as its
// tree), the texts only when on, whether a password was asked for.
Json RecordJson(const core::ProtectionSettings& settings);
// The same read back; what is missing or unknown is kept in read's problem.
core::ProtectionSettings RecordSettingsFrom(manifest::Reader& read, const Json& json);

} // namespace quorlane::run::settings_json
