#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/FileSystem.h"
#include "run/RunManifest.h"

namespace quorlane::run {

// The record of a run, written as the run goes, ahead of what it records: a folder is in it
// before the folder is made, a page (with its output and backup and the digests of the bytes
// read and of the bytes to be written) before its output is put in place. So a run stopped at
// any instant, killed even, leaves a record of everything it may have changed.
//
// One line for each entry: its JSON text, a tab, and the SHA-256 of the previous line's
// checksum followed by this JSON text, so that a record that was changed, cut or put together
// from pieces tells. The paths it acts on are relative to the record's own folder, so that a
// record in a copied or moved tree acts on that tree. docs/run-record.md describes it.
class RunJournal
{
public:
    explicit RunJournal(files::FileSystem& fileSystem)
        : m_fileSystem(fileSystem)
    {
    }

    // Makes the record in the first of folders that takes a new file, under a name that no
    // other file has: ManifestName of started, with the next attempt while a name is taken,
    // whatever the clock says. On failure, failedPath is the record last tried.
    files::FileResult create(const std::vector<core::PathString>& folders,
                             const std::string& started, const core::ProtectionSettings& settings,
                             core::PathString& failedPath);

    // Goes on with the record at path, read back as manifest, from its last whole line: what
    // an undo adds.
    void reopen(const core::PathString& path, const RunManifest& manifest);
    // Written at once: an undo is about to take the page back.
    files::FileResult addUndone(std::size_t number);

    bool isOpen() const { return !m_path.empty(); }
    const core::PathString& path() const { return m_path; }
    // Whether the record holds anything to undo: a folder or a page.
    bool holdsAnything() const { return m_entries > 0; }

    // path as the record names it, relative to the record's folder; none when it lies
    // elsewhere, where an undo would not follow it.
    std::optional<core::PathString> relative(const core::PathString& path) const;

    // Each adds its line to the record before the caller makes the folder or puts the page in
    // place. A failure is the record's: after one, nothing more is written.
    files::FileResult addFolder(const core::PathString& folder);
    files::FileResult addPage(const ManifestPage& page, std::size_t& number);
    // Lines that may wait for the next one written: the page put in place, or given up.
    // backupMade false: the page's backup was not made either, and what stands of that name is
    // none of the run's.
    void notePlaced(std::size_t number) { note("placed", number, true); }
    void noteDropped(std::size_t number, bool backupMade) { note("dropped", number, backupMade); }
    // The last line: whether the run went through to its end.
    files::FileResult end(bool complete);
    // Writes what waits, and makes the record last through a power cut.
    files::FileResult sync();
    // Takes the record away, when the run did nothing to undo.
    void remove();

private:
    files::FileResult append(std::string lines);
    std::string lineOf(const std::string& json);
    void note(const char* op, std::size_t number, bool backupMade);

    files::FileSystem& m_fileSystem;
    core::PathString m_path;
    core::PathString m_folder; // absolute, without a separator at its end
    std::string m_sum;         // of the last line made
    std::string m_waiting;     // lines made, not written yet
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
