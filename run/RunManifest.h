#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileRecord.h"
#include "core/ProtectionSettings.h"

namespace quorlane::run {

// One page a run wrote: where it came from and went, and the bytes on either side by size and
// SHA-256, so that an undo can tell a file the run left from one changed since.
struct ManifestPage
{
    core::PathString source;
    core::PathString output;
    core::PathString backup; // empty when none was made
    std::uint64_t sourceSize = 0;
    std::string sourceSha256;
    std::uint64_t outputSize = 0;
    std::string outputSha256;
    // The output replaced a file that was there before the run (and that no backup keeps).
    bool replacedEarlierFile = false;
    // The output was put in place. A record written ahead of its pages names, at its end,
    // pages that a stopped run may not have put in place yet; those have placed false.
    bool placed = true;
    // Given up before its output was put in place: nothing of the run stands for it but,
    // perhaps, its backup.
    bool dropped = false;
    // An undo took it on: removed its output, or was about to when it was stopped.
    bool undone = false;

    bool operator==(const ManifestPage&) const = default;
};

// The record of one run, written beside the site: its settings (never the password), the
// folders it created, in the order it created them, and every page it wrote.
struct RunManifest
{
    // 1: one JSON document, its paths absolute. 2: a journal (RunJournal.h), its paths relative
    // to the record's own folder. 3: the same, relative to tree and backups.
    int version = 3;
    std::string started;   // local time, "YYYY-MM-DDTHH:MM:SS"
    bool complete = false; // false while the run is at work, or when it was stopped
    core::ProtectionSettings settings;
    // Of a journal: the run's folder and the backups' folder as the record names them
    // (RootAsNamed); backups empty when they stand beside their pages.
    core::PathString tree;
    core::PathString backups;
    std::vector<core::PathString> createdFolders;
    std::vector<core::PathString> createdBackupFolders;
    std::vector<ManifestPage> pages;
    // Of a journal: the checksum of its last whole line, and where that line ends, from which
    // an undo adds lines of its own.
    std::string lastSum;
    std::uint64_t journalEnd = 0;
};

// Why a manifest cannot be used.
struct ManifestProblem
{
    enum class Kind
    {
        Unreadable,   // the file could not be read: detail is the system's description
        NotARecord,   // it is no record of a run
        OtherVersion, // written by another version
        Malformed,    // detail says what is wrong in it
        Untrusted,    // detail names the entry that would act outside the run's own files
    };
    Kind kind = Kind::Malformed;
    std::string detail;
};

// Reads a record of a run back, of either version; sets problem when it is none.
std::optional<RunManifest> ParseManifest(std::string_view text, ManifestProblem& problem);

// The file name of the manifest of a run started at started ("YYYY-MM-DDTHH:MM:SS"), with
// attempt > 1 for a run that finds that name taken: ".quorlane-run-20261206-212047.json",
// ".quorlane-run-20261206-212047-2.json".
std::string ManifestName(std::string_view started, int attempt);

// The local time now as "YYYY-MM-DDTHH:MM:SS".
std::string LocalTimeNow();

} // namespace quorlane::run
