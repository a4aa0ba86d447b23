#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/FileSystem.h"
#include "run/RunManifest.h"

namespace quorlane::run {

// Where the record of a run goes, and the folders whose files it names. Paths absolute.
struct RecordPlace
{
    // The record is made in the first of these folders that takes a new file, under a name of
    // its own; or, when path is given, at path itself.
    std::vector<core::PathString> folders;
    core::PathString path;
    // The run's folder: every output, and every folder the run creates, lies in it (the target
    // of a copy, else the deepest folder that holds the selection).
    core::PathString tree;
    // The folder that keeps the backups, each at its page's path below tree; empty when they
    // stand beside their pages.
    core::PathString backups;
    // No record at all: the run cannot be undone.
    bool none = false;
};

// The form in which a record in recordFolder names root: "." for that folder, a path down
// from it, ".." steps up to a folder above it, or, for any other folder, the absolute path.
core::PathString RootAsNamed(const core::PathString& root, const core::PathString& recordFolder);

// Where the backup of output goes under place: in its backup folder at output's path below the
// run's folder, else beside output as its NAME.bak. Empty when output lies outside the run's
// folder, so that no place in the backup folder is its own.
core::PathString BackupPlace(const RecordPlace& place, const core::PathString& output);

// Whether a record in recordFolder lies in tree, where it is published with the site.
bool RecordLiesIn(const core::PathString& recordFolder, const core::PathString& tree);

// The record of a run, written as the run goes, ahead of what it records: a folder is in it
// before the folder is made, a page (with its output and backup and the digests of the bytes
// read and of the bytes to be written) before its output is put in place. So a run stopped at
// any instant, killed even, leaves a record of everything it may have changed.
//
// One line for each entry: its JSON text, a tab, and the SHA-256 of the previous line's
// checksum followed by this JSON text, so that a record that was changed, cut or put together
// from pieces tells. The paths it acts on are relative to the run's folder, and the backups'
// to their folder, both named in its first line relative to the record's own folder where they
// can be, so that a record in a copied or moved tree acts on that tree. A record that lies in
// the run's folder names no absolute path. docs/run-record.md describes it.
class RunJournal
{
public:
    explicit RunJournal(files::FileSystem& fileSystem)
        : m_fileSystem(fileSystem)
    {
    }

    // Makes the record in the first of place's folders that takes a new file, under a name
    // that no other file has: ManifestName of started, with the next attempt while a name is
    // taken, whatever the clock says; or at place's path, when that is free. With place.none,
    // nothing is written and every entry is taken as written. A failure concerns the record
    // last tried (none when there was no place to try).
    files::Status create(const RecordPlace& place, const std::string& started,
                         const core::ProtectionSettings& settings);

    // Goes on with the record at path, read back as manifest, from its last whole line: what
    // an undo adds.
    void reopen(const core::PathString& path, const RunManifest& manifest);
    // Written at once: an undo is about to take the page back.
    files::Status addUndone(std::size_t number);

    bool isOpen() const { return !m_path.empty() || m_none; }
    const core::PathString& path() const { return m_path; }
    // Whether the record holds anything to undo: a folder or a page.
    bool holdsAnything() const { return m_entries > 0; }

    // path as the record names it, relative to the run's folder; none when it lies elsewhere,
    // where an undo would not follow it.
    std::optional<core::PathString> relative(const core::PathString& path) const;
    // How the record names a backup: relative to the backup folder, else to the run's folder.
    std::optional<core::PathString> relativeBackup(const core::PathString& backup) const;
    // How the record names a page's source, which it only tells: relative to the run's folder,
    // else absolute, unless the record lies in the run's folder (then empty: not told).
    core::PathString namedSource(const core::PathString& source) const;

    // Each adds its line to the record before the caller makes the folder or puts the page in
    // place. A failure is the record's, and concerns it: after one, nothing more is written.
    files::Status addFolder(const core::PathString& folder);
    files::Status addPage(const ManifestPage& page, std::size_t& number);
    // Lines that may wait for the next one written: the page put in place, or given up.
    // backupMade false: the page's backup was not made either, and what stands of that name is
    // none of the run's.
    void notePlaced(std::size_t number) { note("placed", number, true); }
    void noteDropped(std::size_t number, bool backupMade) { note("dropped", number, backupMade); }
    // The last line: whether the run went through to its end.
    files::Status end(bool complete);
    // Writes what waits, and makes the record last through a power cut.
    files::Status sync();
    // Takes the record away, when the run did nothing to undo.
    void remove();

private:
    files::Status createAt(const core::PathString& path, const std::string& started,
                           const core::ProtectionSettings& settings);
    files::Status append(std::string lines);
    std::string lineOf(const std::string& json);
    void note(const char* op, std::size_t number, bool backupMade);

    files::FileSystem& m_fileSystem;
    core::PathString m_path;
    core::PathString m_tree;    // absolute, without a separator at its end
    core::PathString m_backups; // the same, or empty
    bool m_inTree = false;      // the record lies in the run's folder
    bool m_none = false;
    std::string m_sum;     // of the last line made
    std::string m_waiting; // lines made, not written yet
    std::size_t m_entries = 0;
    std::size_t m_pages = 0;
    bool m_failed = false;
    // Where a record read back ends: a torn line after it is cut off by the first line added.
    std::optional<std::uint64_t> m_cutAt;
};

// Reads a journal back. A last line that has no line break is one the run was stopped while
// writing, before anything it names was done: it is left out. Any other line that does not
// match its checksum, or is not what it should be, makes the whole record refused.
std::optional<RunManifest> ParseJournal(std::string_view text, ManifestProblem& problem);

} // namespace quorlane::run
