#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ProtectionSettings.h"
#include "files/FileSystem.h"
#include "run/ProtectionRun.h"

namespace quorlane::run {

// A job kept for another day: the pages and folders picked and every choice of the option
// pages, so that the wizard and the command line can run it again. Never the password: a
// project says only whether the password lock is on.
struct Project
{
    std::vector<SelectionEntry> selection;
    core::ProtectionSettings settings;
    // Patterns of the files and folders of the added folders to leave out.
    std::vector<std::u16string> exclude;
    // The findings that stop the command line's protect before anything is written: "warning"
    // or "error" (as --fail-on takes them); empty for none.
    std::string failOn;

    bool operator==(const Project&) const = default;
};

// What "fail_on" takes.
inline constexpr std::array<const char*, 2> failOnNames = {"warning", "error"};

// The version of the project files this program reads and writes.
inline constexpr int projectVersion = 1;

// Reads the project document json, kept in the file file, onto project. A key the document
// leaves out keeps the value project holds (the settings the program starts with); relative
// paths are taken from the folder of file. A document that is not a project of this version, an
// unknown key, a value of the wrong type or one that the pages cannot take is refused with a
// message that names the file and the key; project is then left as it was.
std::optional<std::string> ParseProject(std::string_view json, const core::PathString& file,
                                        Project& project);

// The same, reading the file first.
std::optional<std::string> ReadProjectFile(files::FileSystem& fileSystem,
                                           const core::PathString& file, Project& project);

// The project as the document of a file at file: paths that lie below its folder written
// relative to it, others absolute. Gives why it cannot be written instead: a path that is not
// UTF-8, or a value the pages cannot take (which no reader would accept).
std::optional<std::string> ProjectJson(const Project& project, const core::PathString& file,
                                       std::string& json);

// The same, written to the file in one step.
std::optional<std::string> WriteProjectFile(files::FileSystem& fileSystem,
                                            const core::PathString& file, const Project& project);

} // namespace quorlane::run
