#include "run/Restore.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "files/Sha256.h"

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
    files::FileStamp stamp;
    if (const files::FileResult failure = fileSystem.readFile(path, bytes, stamp)) {
        state.missing = failure->kind == files::FileError::Kind::Missing;
        if (!state.missing) {
            state.error = *failure;
        }
        return state;
    }
    state.sha256 = files::Sha256Hex(bytes);
    return state;
}

class Undo
{
public:
    Undo(files::FileSystem& fileSystem, const RunManifest& manifest, bool dryRun)
        : m_fileSystem(fileSystem)
        , m_manifest(manifest)
        , m_dryRun(dryRun)
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
            steps.push_back(overwrite ? putBack(page) : remove(page));
        }
    }

    // Folders the run created, the deepest first, when nothing but what the undo removes is in
    // them.
    void folders(std::vector<RestoreStep>& steps, const core::PathString& manifestPath,
                 bool manifestGoes)
    {
        std::unordered_set<core::PathString> going = m_removedFiles;
        if (manifestGoes) {
            going.insert(manifestPath);
        }
        std::vector<core::PathString> created = m_manifest.createdFolders;
        std::sort(created.begin(), created.end(),
                  [](const core::PathString& a, const core::PathString& b) {
                      return a.size() > b.size();
                  });
        for (const core::PathString& folder : created) {
            files::FolderListing listing;
            if (!m_fileSystem.isFolder(folder) || m_fileSystem.listFolder(folder, listing)) {
                continue;
            }
            const auto stays = [&](const core::PathString& path) { return !going.contains(path); };
            if (std::any_of(listing.files.begin(), listing.files.end(), stays) ||
                std::any_of(listing.subfolders.begin(), listing.subfolders.end(), stays)) {
                steps.push_back({Action::FolderNotEmpty, folder, {}, std::nullopt});
                continue;
            }
            going.insert(folder);
            if (m_dryRun) {
                steps.push_back({Action::FolderRemoved, folder, {}, std::nullopt});
            } else if (const files::FileResult failure = m_fileSystem.removeEmptyFolder(folder)) {
                // The manifest may still be in it; it is tried again once the manifest is gone.
                if (!(manifestGoes && manifestPath.starts_with(folder))) {
                    steps.push_back({Action::Failed, folder, {}, failure});
                }
            } else {
                steps.push_back({Action::FolderRemoved, folder, {}, std::nullopt});
            }
        }
    }

private:
    RestoreStep putBack(const ManifestPage& page)
    {
        if (page.backup.empty()) {
            return {Action::NoBackup, page.output, {}, std::nullopt};
        }
        const FileState current = stateOf(m_fileSystem, page.output);
        if (current.error) {
            return {Action::Failed, page.output, {}, current.error};
        }
        if (!current.missing && current.sha256 == page.sourceSha256) {
            return {Action::AlreadyUndone, page.output, {}, std::nullopt};
        }
        if (!current.missing && current.sha256 != page.outputSha256) {
            return {Action::ChangedSinceRun, page.output, {}, std::nullopt};
        }
        const FileState backup = stateOf(m_fileSystem, page.backup);
        if (backup.missing || backup.error || backup.sha256 != page.sourceSha256) {
            return {Action::BackupChanged, page.output, page.backup, backup.error};
        }
        if (!m_dryRun) {
            if (const files::FileResult failure = m_fileSystem.moveOver(page.backup, page.output)) {
                return {Action::Failed, page.output, page.backup, failure};
            }
        }
        return {Action::PutBack, page.output, page.backup, std::nullopt};
    }

    RestoreStep remove(const ManifestPage& page)
    {
        const FileState current = stateOf(m_fileSystem, page.output);
        if (current.error) {
            return {Action::Failed, page.output, {}, current.error};
        }
        if (current.missing) {
            return {Action::AlreadyUndone, page.output, {}, std::nullopt};
        }
        if (current.sha256 != page.outputSha256) {
            return {Action::ChangedSinceRun, page.output, {}, std::nullopt};
        }
        if (page.replacedEarlierFile) {
            return {Action::ReplacedEarlierFile, page.output, {}, std::nullopt};
        }
        if (!m_dryRun) {
            if (const files::FileResult failure = m_fileSystem.removeFile(page.output)) {
                return {Action::Failed, page.output, {}, failure};
            }
        }
        m_removedFiles.insert(page.output);
        return {Action::Removed, page.output, {}, std::nullopt};
    }

    files::FileSystem& m_fileSystem;
    const RunManifest& m_manifest;
    bool m_dryRun;
    std::unordered_set<core::PathString> m_removedFiles;
};

} // namespace

bool LeavesSomething(RestoreStep::Action action)
{
    switch (action) {
    case Action::PutBack:
    case Action::Removed:
    case Action::FolderRemoved:
    case Action::AlreadyUndone:
    case Action::ManifestRemoved:
    case Action::FolderNotEmpty:
        return false;
    case Action::ChangedSinceRun:
    case Action::NoBackup:
    case Action::BackupChanged:
    case Action::ReplacedEarlierFile:
    case Action::Failed:
        break;
    }
    return true;
}

RestoreReport RestoreRun(files::FileSystem& fileSystem, const core::PathString& manifestPath,
                         bool dryRun)
{
    RestoreReport report;
    std::string json;
    files::FileStamp stamp;
    if (const files::FileResult failure = fileSystem.readFile(manifestPath, json, stamp)) {
        report.refusal = ManifestProblem{ManifestProblem::Kind::Unreadable, failure->text};
        return report;
    }
    ManifestProblem problem;
    const std::optional<RunManifest> manifest = ParseManifest(json, problem);
    if (!manifest) {
        report.refusal = problem;
        return report;
    }
    Undo undo(fileSystem, *manifest, dryRun);
    undo.pages(report.steps);
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
        if (const files::FileResult failure = fileSystem.removeFile(manifestPath)) {
            report.steps.push_back({Action::Failed, manifestPath, {}, failure});
            return report;
        }
        undo.folders(report.steps, manifestPath, false);
    }
    report.steps.push_back({Action::ManifestRemoved, manifestPath, {}, std::nullopt});
    report.complete = true;
    return report;
}

} // namespace quorlane::run
