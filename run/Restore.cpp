#include "run/Restore.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "core/Utf8.h"
#include "files/NameCase.h"
#include "files/OutputPlacement.h"
#include "files/Sha256.h"
#include "files/TreeLocks.h"
#include "run/FolderRecorder.h"
#include "run/RunJournal.h"

namespace quorlane::run {

namespace {

using Action = RestoreStep::Action;

// How a file stands against the bytes the run knew: gone, or its digest.
struct FileState
{
    bool missing = false;
    std::optional<files::FileError> error;
    std::string sha256;
};

FileState stateOf(files::FileSystem& fileSystem, const core::PathString& path)
{
    FileState state;
    std::string bytes;
    if (const files::Result<files::FileStamp> read = fileSystem.readFile(path, bytes);
        read.failed()) {
        state.missing = read.error().kind == files::FileError::Kind::Missing;
        if (!state.missing) {
            state.error = read.error();
        }
        return state;
    }
    state.sha256 = files::Sha256Hex(bytes);
    return state;
}

class Undo
{
public:
    // record: where the undo notes each file it is about to remove, so that an undo stopped
    // half way knows the next time which files are gone because it removed them; none for a
    // record of the first version, or a dry run.
    Undo(files::FileSystem& fileSystem, const RunManifest& manifest, bool dryRun,
         RunJournal* record)
        : m_fileSystem(fileSystem)
        , m_manifest(manifest)
        , m_dryRun(dryRun)
        , m_record(record)
    {
    }

    void pages(std::vector<RestoreStep>& steps)
    {
        // An output written twice in the run (two added folders with the same page, into one
        // target) is undone by the last page that wrote it.
        std::unordered_map<core::PathString, std::size_t> lastWriter;
        for (std::size_t k = 0; k < m_manifest.pages.size(); ++k) {
            lastWriter[m_manifest.pages[k].output] = k;
        }
        const bool overwrite = m_manifest.settings.saveMode == core::SaveMode::Overwrite;
        for (std::size_t k = 0; k < m_manifest.pages.size(); ++k) {
            const ManifestPage& page = m_manifest.pages[k];
            if (lastWriter[page.output] != k) {
                continue;
            }
            steps.push_back(overwrite ? putBack(page) : remove(page, k));
        }
    }

    // Folders the run created, the deepest first, when nothing but what the undo removes is in
    // them.
    void folders(std::vector<RestoreStep>& steps, const core::PathString& manifestPath,
                 bool manifestGoes)
    {
        // Names as the file system compares them: the listing spells them as they stand, the
        // record as the run wrote them, and the record's own path as the undo was given it.
        std::unordered_set<core::PathString> going;
        for (const core::PathString& removed : m_removedFiles) {
            going.insert(files::PathCaseKey(removed));
        }
        const core::PathString manifestFile = AbsolutePath(manifestPath);
        if (manifestGoes) {
            going.insert(files::PathCaseKey(manifestFile));
        }
        std::vector<core::PathString> created = m_manifest.createdFolders;
        std::sort(created.begin(), created.end(),
                  [](const core::PathString& a, const core::PathString& b) {
                      return a.size() > b.size();
                  });
        for (const core::PathString& folder : created) {
            if (!m_fileSystem.isFolder(folder)) {
                continue;
            }
            const files::Result<files::FolderListing> listed = m_fileSystem.listFolder(folder);
            if (listed.failed()) {
                continue;
            }
            const files::FolderListing& listing = listed.value();
            const auto stays = [&](const core::PathString& path) {
                return !going.contains(files::PathCaseKey(path));
            };
            if (std::any_of(listing.files.begin(), listing.files.end(), stays) ||
                std::any_of(listing.subfolders.begin(), listing.subfolders.end(), stays)) {
                steps.push_back({Action::FolderNotEmpty, folder, {}, std::nullopt});
                continue;
            }
            going.insert(files::PathCaseKey(folder));
            if (m_dryRun) {
                steps.push_back({Action::FolderRemoved, folder, {}, std::nullopt});
            } else if (const files::Status failure = m_fileSystem.removeEmptyFolder(folder);
                       failure.failed()) {
                // The manifest may still be in it; it is tried again once the manifest is gone.
                if (!(manifestGoes && files::PathLiesIn(manifestFile, folder))) {
                    steps.push_back({Action::Failed, folder, {}, failure.error()});
                }
            } else {
                steps.push_back({Action::FolderRemoved, folder, {}, std::nullopt});
            }
        }
    }

    // The temporary files that a run or undo killed at work left beside the files of the run,
    // and beside its record.
    void temporaries(const core::PathString& recordFolder)
    {
        std::unordered_set<core::PathString> folders;
        if (!m_dryRun) {
            m_fileSystem.removeStaleTemporaries(recordFolder);
            folders.insert(recordFolder + core::pathSeparator);
        }
        for (const ManifestPage& page : m_manifest.pages) {
            const core::PathString folder = core::getFilePathOnly(page.output);
            if (!m_dryRun && folders.insert(folder).second) {
                m_fileSystem.removeStaleTemporaries(folder);
            }
        }
    }

private:
    // What an undo stopped at work left aside: the run's page goes; anything else goes back
    // to its name, when that is free.
    void recoverAside(const ManifestPage& page)
    {
        const core::PathString aside = page.output + asideSuffix();
        const FileState state = stateOf(m_fileSystem, aside);
        if (m_dryRun || state.missing || state.error) {
            return;
        }
        if (state.sha256 == page.outputSha256) {
            static_cast<void>(m_fileSystem.removeFile(aside));
        } else {
            static_cast<void>(m_fileSystem.moveToFreeName(aside, page.output));
        }
    }

    // In Overwrite mode: the page from its backup.
    RestoreStep putBack(const ManifestPage& page)
    {
        recoverAside(page);
        const FileState current = stateOf(m_fileSystem, page.output);
        if (current.error) {
            return {Action::Failed, page.output, {}, current.error};
        }
        const bool asBefore = !current.missing && current.sha256 == page.sourceSha256;
        if (page.dropped || asBefore) {
            // Never replaced, or put back already: the backup, when one is left, goes.
            return dropBackup(page);
        }
        if (!current.missing && current.sha256 != page.outputSha256) {
            return {Action::ChangedSinceRun, page.output, {}, std::nullopt};
        }
        if (page.backup.empty()) {
            return {current.missing ? Action::Missing : Action::NoBackup,
                    page.output,
                    {},
                    std::nullopt};
        }
        const FileState backup = stateOf(m_fileSystem, page.backup);
        if (backup.missing || backup.error || backup.sha256 != page.sourceSha256) {
            // A page gone, with nothing to put in its place, is told as missing.
            return {current.missing ? Action::Missing : Action::BackupChanged, page.output,
                    page.backup, backup.error};
        }
        if (m_dryRun) {
            return {Action::PutBack, page.output, page.backup, std::nullopt};
        }
        if (current.missing) {
            if (const files::Status failure = m_fileSystem.moveToFreeName(page.backup, page.output);
                failure.failed()) {
                return {Action::Failed, page.output, page.backup, failure.error()};
            }
            return {Action::PutBack, page.output, page.backup, std::nullopt};
        }
        return replaceChecked(page, page.backup);
    }

    // The page the run wrote at page.output, taken out of the way and checked once more, so
    // that a page saved since the check above is never lost: what was taken aside is put back
    // when it is not the run's page; the backup (none: nothing) goes in only where no file was
    // saved meanwhile; and the run's page goes only while it still holds what the run wrote.
    RestoreStep replaceChecked(const ManifestPage& page, const core::PathString& backup)
    {
        const Action done = backup.empty() ? Action::Removed : Action::PutBack;
        const core::PathString aside = page.output + asideSuffix();
        if (const files::Status failure = m_fileSystem.moveToFreeName(page.output, aside);
            failure.failed()) {
            return {Action::Failed, page.output, backup, failure.error()};
        }
        if (stateOf(m_fileSystem, aside).sha256 != page.outputSha256) {
            if (const files::Status failure = m_fileSystem.moveToFreeName(aside, page.output);
                failure.failed()) {
                // Saved again meanwhile: both are the user's, and neither is touched.
                return {Action::Failed, aside, {}, failure.error()};
            }
            return {Action::ChangedSinceRun, page.output, {}, std::nullopt};
        }
        std::optional<RestoreStep> left;
        if (!backup.empty()) {
            if (const files::Status failure = m_fileSystem.moveToFreeName(backup, page.output);
                failure.failed()) {
                left = failure.error().kind == files::FileError::Kind::NameTaken
                           ? RestoreStep{Action::ChangedSinceRun, page.output, {}, std::nullopt}
                           : RestoreStep{Action::Failed, page.output, backup, failure.error()};
            }
        }
        // Written through a handle held open since: kept aside, and named.
        if (stateOf(m_fileSystem, aside).sha256 != page.outputSha256) {
            return {Action::ChangedSinceRun, aside, {}, std::nullopt};
        }
        if (left && left->action == Action::Failed) {
            // The run's page goes back too; where it cannot, the step names it where it is.
            if (m_fileSystem.moveToFreeName(aside, page.output).failed()) {
                left->path = aside;
            }
            return *left;
        }
        if (const files::Status failure = m_fileSystem.removeFile(aside); failure.failed()) {
            return {Action::Failed, aside, {}, failure.error()};
        }
        return left ? *left : RestoreStep{done, page.output, backup, std::nullopt};
    }

    static core::PathString asideSuffix()
    {
        static constexpr char suffix[] = ".quorlane-undo";
        return core::PathString(suffix, suffix + sizeof suffix - 1);
    }

    // A page the run did not replace, or that is as it was: its backup, made ahead, is removed
    // when it holds the page as it was.
    RestoreStep dropBackup(const ManifestPage& page)
    {
        const RestoreStep asBefore{Action::AlreadyUndone, page.output, {}, std::nullopt};
        if (page.backup.empty()) {
            return asBefore;
        }
        const FileState backup = stateOf(m_fileSystem, page.backup);
        if (backup.missing || backup.error || backup.sha256 != page.sourceSha256) {
            return asBefore;
        }
        if (!m_dryRun) {
            if (const files::Status failure = m_fileSystem.removeFile(page.backup);
                failure.failed()) {
                return {Action::Failed, page.backup, {}, failure.error()};
            }
        }
        return {Action::BackupRemoved, page.output, page.backup, std::nullopt};
    }

    // In the other modes: the file the run created, removed.
    RestoreStep remove(const ManifestPage& page, std::size_t number)
    {
        if (page.dropped) {
            return {Action::AlreadyUndone, page.output, {}, std::nullopt};
        }
        recoverAside(page);
        const FileState current = stateOf(m_fileSystem, page.output);
        if (current.error) {
            return {Action::Failed, page.output, {}, current.error};
        }
        // A page that the record names ahead of it, which the run may never have put in place.
        if ((current.missing || current.sha256 != page.outputSha256) && !page.placed) {
            return {Action::AlreadyUndone, page.output, {}, std::nullopt};
        }
        if (current.missing) {
            // A record of the first version does not tell what an earlier undo removed.
            const bool undone = page.undone || m_manifest.version == 1;
            return {
                undone ? Action::AlreadyUndone : Action::Missing, page.output, {}, std::nullopt};
        }
        if (current.sha256 != page.outputSha256) {
            return {Action::ChangedSinceRun, page.output, {}, std::nullopt};
        }
        if (page.replacedEarlierFile) {
            return {Action::ReplacedEarlierFile, page.output, {}, std::nullopt};
        }
        if (m_record && !page.undone) {
            if (const files::Status failure = m_record->addUndone(number); failure.failed()) {
                return {Action::Failed, m_record->path(), {}, failure.error()};
            }
        }
        if (!m_dryRun) {
            const RestoreStep step = replaceChecked(page, {});
            if (step.action != Action::Removed) {
                return step;
            }
        }
        m_removedFiles.insert(page.output);
        return {Action::Removed, page.output, {}, std::nullopt};
    }

    files::FileSystem& m_fileSystem;
    const RunManifest& m_manifest;
    bool m_dryRun;
    RunJournal* m_record;
    std::unordered_set<core::PathString> m_removedFiles;
};

} // namespace

bool LeavesSomething(RestoreStep::Action action)
{
    switch (action) {
    case Action::PutBack:
    case Action::Removed:
    case Action::BackupRemoved:
    case Action::FolderRemoved:
    case Action::AlreadyUndone:
    case Action::ManifestRemoved:
    case Action::FolderNotEmpty:
        return false;
    case Action::ChangedSinceRun:
    case Action::NoBackup:
    case Action::BackupChanged:
    case Action::ReplacedEarlierFile:
    case Action::Missing:
    case Action::Failed:
        break;
    }
    return true;
}

namespace {

// The folder of the record, absolute.
core::PathString folderOfRecord(const core::PathString& manifestPath)
{
    const core::PathString absolute = AbsolutePath(manifestPath);
    const std::size_t last = absolute.rfind(core::pathSeparator);
    return last == 0 ? absolute.substr(0, 1) : absolute.substr(0, last);
}

// The folder a record names as one of its roots (RootAsNamed), made absolute: "." or a path
// down from the record's folder, ".." steps up from it, or an absolute path. Empty for any
// other form.
core::PathString rootOf(const core::PathString& named, const core::PathString& recordFolder)
{
    if (named.empty()) {
        return {};
    }
    // A whole path: on Windows one that starts with its drive (C:\) as well.
    if (named.front() == core::pathSeparator || std::filesystem::path(named).is_absolute()) {
        return AbsolutePath(named);
    }
    std::size_t up = 0;
    std::size_t parts = 0;
    for (std::size_t start = 0; start <= named.size();) {
        std::size_t end = named.find(core::pathSeparator, start);
        end = end == core::PathString::npos ? named.size() : end;
        const core::PathString part = named.substr(start, end - start);
        up += part == core::PathString(2, '.') ? 1 : 0;
        parts += part == core::PathString(1, '.') ? 0 : 1;
        start = end + 1;
    }
    if (up > 0 && up != parts) {
        return {};
    }
    return AbsolutePath(recordFolder + core::pathSeparator + named);
}

// The path the record names, made absolute: relative to root (a record of the first version
// names absolute paths). Empty when it would lead out of root, as written or once links are
// followed; root itself only when told.
core::PathString trusted(const RunManifest& manifest, const core::PathString& path,
                         const core::PathString& root, bool rootItself = false)
{
    const bool absolute = !path.empty() && path.front() == core::pathSeparator;
    if (path.empty() || root.empty() || absolute != (manifest.version == 1)) {
        return {};
    }
    const core::PathString full = AbsolutePath(absolute ? path : root + core::pathSeparator + path);
    const std::optional<core::PathString> rest = files::PathBelowFolder(full, root);
    if (!rest || (rest->empty() ? !rootItself : !files::LiesWithin(full, root))) {
        return {};
    }
    return full;
}

std::string shownPath(const core::PathString& path)
{
    return core::Utf16ToUtf8(core::TextFromPath(path));
}

// The folders whose files the record acts on, absolute: tree and backups (empty when the
// backups stand beside their pages).
struct Roots
{
    core::PathString tree;
    core::PathString backups;
};

// Makes every path the record acts on absolute, or tells which entry leads elsewhere.
std::optional<std::string> trustPaths(RunManifest& manifest, const Roots& roots)
{
    const std::string outside = " lies outside " + shownPath(roots.tree) + ", the run's folder";
    for (core::PathString& created : manifest.createdFolders) {
        const core::PathString full = trusted(manifest, created, roots.tree, true);
        if (full.empty()) {
            return "the created folder " + shownPath(created) + outside;
        }
        created = full;
    }
    for (const core::PathString& created : manifest.createdBackupFolders) {
        const core::PathString full = trusted(manifest, created, roots.backups);
        if (full.empty()) {
            return "the created folder " + shownPath(created) + " lies outside " +
                   shownPath(roots.backups) + ", the run's backup folder";
        }
        manifest.createdFolders.push_back(full);
    }
    const RecordPlace place{{}, {}, roots.tree, roots.backups, false};
    for (std::size_t k = 0; k < manifest.pages.size(); ++k) {
        ManifestPage& page = manifest.pages[k];
        const std::string entry = "page " + std::to_string(k + 1) + ": ";
        const core::PathString output = trusted(manifest, page.output, roots.tree);
        if (output.empty()) {
            return entry + "its output " + shownPath(page.output) + outside;
        }
        if (!page.backup.empty()) {
            const core::PathString backup =
                trusted(manifest, page.backup, roots.backups.empty() ? roots.tree : roots.backups);
            if (backup.empty() || backup != BackupPlace(place, output)) {
                return entry + "its backup " + shownPath(page.backup) +
                       " is not the backup of its output " + shownPath(page.output);
            }
            page.backup = backup;
        }
        page.output = output;
    }
    return std::nullopt;
}

// Takes the locks a run over folder would take; gives the path another holds when it stops.
std::optional<core::PathString> lockFolders(files::TreeLocks& locks,
                                            const std::vector<core::PathString>& folders, bool wait)
{
    for (const core::PathString& folder : folders) {
        if (!folder.empty()) {
            locks.add(folder);
        }
    }
    for (;;) {
        const std::optional<core::PathString> busy = locks.tryTake();
        if (!busy || !wait) {
            return busy;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace

RestoreReport RestoreRun(files::FileSystem& fileSystem, const core::PathString& manifestPath,
                         bool dryRun, bool waitForOtherRuns)
{
    RestoreReport report;
    const core::PathString folder = folderOfRecord(manifestPath);
    files::TreeLocks locks;
    // The record itself, for this undo alone; then the folders it acts on.
    if (auto busy = lockFolders(locks, {AbsolutePath(manifestPath)}, waitForOtherRuns)) {
        report.busy = std::move(busy);
        return report;
    }
    std::string json;
    if (const files::Result<files::FileStamp> read = fileSystem.readFile(manifestPath, json);
        read.failed()) {
        report.refusal = ManifestProblem{ManifestProblem::Kind::Unreadable, read.error().text};
        return report;
    }
    ManifestProblem problem;
    std::optional<RunManifest> manifest = ParseManifest(json, problem);
    if (!manifest) {
        report.refusal = problem;
        return report;
    }
    Roots roots{folder, {}};
    if (manifest->version > 2) {
        roots = {rootOf(manifest->tree, folder), manifest->backups.empty()
                                                     ? core::PathString()
                                                     : rootOf(manifest->backups, folder)};
        if (roots.tree.empty() || (!manifest->backups.empty() && roots.backups.empty())) {
            report.refusal = ManifestProblem{ManifestProblem::Kind::Untrusted,
                                             "its folders are named neither from its own nor "
                                             "as whole paths"};
            return report;
        }
    }
    if (auto untrusted = trustPaths(*manifest, roots)) {
        report.refusal = ManifestProblem{ManifestProblem::Kind::Untrusted, std::move(*untrusted)};
        return report;
    }
    // The run's folders, which a run at work there holds, as the record's folder is held.
    if (auto busy = lockFolders(locks, {roots.tree, roots.backups}, waitForOtherRuns)) {
        report.busy = std::move(busy);
        return report;
    }
    RunJournal record(fileSystem);
    const bool noted = !dryRun && manifest->version > 1;
    if (noted) {
        record.reopen(manifestPath, *manifest);
    }
    Undo undo(fileSystem, *manifest, dryRun, noted ? &record : nullptr);
    undo.pages(report.steps);
    undo.temporaries(folder);
    const bool allUndone =
        std::none_of(report.steps.begin(), report.steps.end(),
                     [](const RestoreStep& step) { return LeavesSomething(step.action); });
    // The folders go before the manifest: an undo stopped between the two still has the
    // manifest to go on with.
    undo.folders(report.steps, manifestPath, allUndone);
    if (!allUndone) {
        return report;
    }
    if (!dryRun) {
        if (const files::Status failure = fileSystem.removeFile(manifestPath); failure.failed()) {
            report.steps.push_back({Action::Failed, manifestPath, {}, failure.error()});
            return report;
        }
        undo.folders(report.steps, manifestPath, false);
    }
    report.steps.push_back({Action::ManifestRemoved, manifestPath, {}, std::nullopt});
    report.complete = true;
    return report;
}

} // namespace quorlane::run
