// The record of a run, written ahead of what it records, and the batches in which Overwrite
// mode puts its pages in place.
#include "files/NameCase.h"
#include "files/OutputPlacement.h"
#include "run/ProtectionRun.h"

namespace quorlane::run {

namespace {

// A batch ends at so many pages, or at so many bytes of pages read; each costs one round of
// flushing the backups and the record to the disk.
constexpr std::size_t batchPages = 256;
constexpr std::uint64_t batchBytes = 64u << 20;

PageFailure recordedFailure(PageFailure::Kind kind, core::PathString path,
                            files::FileError error = {})
{
    PageFailure failure;
    failure.kind = kind;
    failure.path = std::move(path);
    failure.error = std::move(error);
    return failure;
}

core::PathString folderOfFile(const core::PathString& path)
{
    const std::size_t last = path.rfind(core::pathSeparator);
    return last == 0 || last == core::PathString::npos ? path.substr(0, 1) : path.substr(0, last);
}

core::PathString folderOfPage(const core::PathString& path)
{
    const core::PathString folder = core::getFilePathOnly(path);
    return folder.empty() ? core::PathString(1, '.') : folder;
}

// The deepest folder that holds both a and b (absolute, normal paths), as a spells it; names
// compared as the file system compares them.
core::PathString commonFolder(const core::PathString& a, const core::PathString& b)
{
    // One unit for one: a position in a key is one in its path.
    const core::PathString keyA = files::PathCaseKey(a);
    const core::PathString keyB = files::PathCaseKey(b);
    std::size_t common = 0;
    for (std::size_t k = 0; k <= std::min(a.size(), b.size()); ++k) {
        const bool endA = k == a.size() || a[k] == core::pathSeparator;
        const bool endB = k == b.size() || b[k] == core::pathSeparator;
        if (endA && endB) {
            common = k;
        }
        if (k == a.size() || k == b.size() || keyA[k] != keyB[k]) {
            break;
        }
    }
    return common == 0 ? core::PathString(1, core::pathSeparator) : a.substr(0, common);
}

} // namespace

// The run's folder is the target of a copy (or the first folder above it that is not there
// yet), else the deepest folder that holds every entry of
// the selection (the added folder itself, when there is one): every file and folder the record
// acts on lies in it. The record goes outside what is published where it can: a copy's beside
// its target (into the nearest folder above it that is there, which the run does not create,
// and an undo does not remove); with a backup folder, into it; else into the run's folder. Or
// where the user said. Looked for before the run creates any folder.
RecordPlace ProtectionRun::recordPlace(const core::ProtectionSettings& settings,
                                       const std::vector<SelectionEntry>& selection)
{
    RecordPlace place;
    place.none = m_noRecord;
    place.path = m_recordPath.empty() ? core::PathString() : AbsolutePath(m_recordPath);
    if (settings.saveMode == core::SaveMode::CopyToFolder) {
        // The target, or the first of its folders that the run is to create: an undo removes
        // them all.
        place.tree = AbsolutePath(core::PathFromText(settings.saveDir));
        core::PathString beside = folderOfFile(place.tree);
        while (!m_fileSystem.isFolder(beside) && beside.size() > 1) {
            place.tree = beside;
            beside = folderOfFile(beside);
        }
        place.folders = {beside};
    } else {
        for (const SelectionEntry& entry : selection) {
            const core::PathString own =
                AbsolutePath(entry.isFolder ? entry.path : folderOfPage(entry.path));
            place.tree = place.tree.empty() ? own : commonFolder(place.tree, own);
        }
        place.folders = {place.tree};
    }
    if (settings.saveMode == core::SaveMode::Overwrite && settings.makeBackups &&
        !settings.backupDir.empty()) {
        place.backups = AbsolutePath(core::PathFromText(settings.backupDir));
        place.folders = {place.backups};
    }
    return place;
}

// A backup folder inside the site would be published with it; one that holds the site would
// give backups names inside it. A record that lies in the run's folder must name every folder
// relative to itself, so as not to publish the machine's paths.
std::optional<Refusal> ProtectionRun::placeRefusal(const std::vector<SelectionEntry>& selection)
{
    const RecordPlace& place = m_recordPlace;
    Refusal refusal;
    if (!place.backups.empty()) {
        refusal.kind = Refusal::Kind::BackupsInSite;
        refusal.path = place.backups;
        for (const SelectionEntry& entry : selection) {
            const core::PathString folder = entry.isFolder ? entry.path : folderOfPage(entry.path);
            if (files::LiesWithin(place.backups, folder) ||
                files::LiesWithin(folder, place.backups)) {
                refusal.entry = entry.path;
                refusal.entryIsFolder = entry.isFolder;
                return refusal;
            }
        }
    }
    if (!place.path.empty() && !place.none && !place.backups.empty()) {
        const core::PathString folder = folderOfFile(place.path);
        const core::PathString named = RootAsNamed(place.backups, folder);
        if (RecordLiesIn(folder, place.tree) && named.front() == core::pathSeparator) {
            refusal.kind = Refusal::Kind::RecordInSite;
            refusal.path = place.path;
            refusal.entry = place.tree;
            return refusal;
        }
    }
    return std::nullopt;
}

bool ProtectionRun::ensureJournal()
{
    if (m_journal->isOpen()) {
        return true;
    }
    if (m_recordFailure) {
        return false;
    }
    core::ProtectionSettings recorded = m_settings;
    recorded.password.clear();
    if (const files::Status made = m_journal->create(m_recordPlace, m_started, recorded);
        made.failed()) {
        recordFailed(made.error());
        return false;
    }
    return true;
}

// A folder is in the record before it is made.
files::Status ProtectionRun::beforeFolderCreated(const core::PathString& folder)
{
    if (!ensureJournal()) {
        return *m_recordFailure;
    }
    if (const files::Status added = m_journal->addFolder(folder); added.failed()) {
        recordFailed(added.error());
        return added;
    }
    return {};
}

void ProtectionRun::recordFailed(const files::FileError& error)
{
    if (!m_recordFailure) {
        m_recordFailure = error;
    }
}

PageFailure ProtectionRun::recordFailure() const
{
    return recordedFailure(PageFailure::Kind::RecordFailed, m_recordFailure->path,
                           *m_recordFailure);
}

void ProtectionRun::syncJournalNowAndThen()
{
    if (++m_unsyncedEntries < batchPages) {
        return;
    }
    m_unsyncedEntries = 0;
    if (const files::Status failure = m_journal->sync(); failure.failed()) {
        recordFailed(failure.error());
    }
}

// A run that did nothing to undo leaves no record.
void ProtectionRun::finishJournal(RunSummary& summary)
{
    commitBatch();
    if (!m_journal || !m_journal->isOpen()) {
        summary.recordFailed = m_recordFailure ? std::optional(recordFailure()) : std::nullopt;
        return;
    }
    if (!m_journal->holdsAnything()) {
        m_journal->remove();
    } else {
        if (const files::Status failure = m_journal->end(!summary.cancelled && !m_recordFailure);
            failure.failed()) {
            recordFailed(failure.error());
        }
        summary.manifest = m_journal->path();
    }
    summary.backupsInSite = m_backupsInSite;
    if (!m_journal->path().empty()) {
        m_fileSystem.removeStaleTemporaries(folderOfFile(m_journal->path()));
    }
    summary.recordFailed = m_recordFailure ? std::optional(recordFailure()) : std::nullopt;
}

void ProtectionRun::stage(StagedPage staged, std::uint64_t size)
{
    if (!staged.backup.empty()) {
        // A backup by a second name costs no flush of its bytes: a flush of the disk as a
        // whole would write out every page of the batch too, which need not last before they
        // are put in place (the record and the backups restore what they replace).
        if (!staged.backupLinked) {
            m_toSync.push_back(staged.backup);
        }
        // The folders, for the backups' names: each once. In a backup folder, the folders
        // above up to it too, for the names of the folders the run made there.
        const bool apart = !m_recordPlace.backups.empty();
        for (core::PathString folder = folderOfPage(staged.backup);
             m_syncedFolders.insert(folder).second; folder = folderOfFile(folder)) {
            m_toSync.push_back(folder);
            if (!apart || folder.size() <= m_recordPlace.backups.size()) {
                break;
            }
        }
    }
    m_stagedBytes += size;
    m_outbox.push_back(m_staged.size());
    m_staged.push_back(std::move(staged));
    if (m_staged.size() >= batchPages || m_stagedBytes >= batchBytes) {
        commitBatch();
    }
}

// The backups and the record of the batch are made to last first, together; then its pages
// are put in place, and the host hears of them, and of what waited behind them, in order.
void ProtectionRun::commitBatch()
{
    if (m_staged.empty()) {
        return;
    }
    files::Status synced = m_fileSystem.syncFiles(m_toSync);
    if (synced.ok()) {
        synced = m_journal->sync();
    }
    if (synced.failed()) {
        // Told as the record's failure, whichever file it was: without the files it names
        // lasting, the record cannot be relied on.
        files::FileError ofRecord = synced.error();
        ofRecord.path = m_journal->path();
        recordFailed(ofRecord);
    }
    std::vector<Told> outbox = std::move(m_outbox);
    m_outbox.clear();
    m_delivering = true;
    for (Told& told : outbox) {
        if (const auto* index = std::get_if<std::size_t>(&told)) {
            commitStaged(m_staged[*index], synced);
        } else {
            say(std::move(told));
        }
    }
    m_delivering = false;
    m_staged.clear();
    m_toSync.clear();
    m_syncedFolders.clear();
    m_stagedBytes = 0;
}

// Puts one page of the batch in place, unless the record of it could not be made to last, or
// the page changed since it was read. A page given up loses its backup again.
void ProtectionRun::commitStaged(StagedPage& staged, const files::Status& synced)
{
    const std::uint64_t doneBytes = m_doneBytes;
    m_doneBytes = staged.doneBytes;
    std::optional<PageFailure> failure;
    if (synced.failed()) {
        failure = recordFailure();
    } else {
        failure = overwriteRefusal(staged.page, staged.stamp, staged.backup);
    }
    if (!failure) {
        if (const files::Status refused = m_fileSystem.moveOver(staged.staged, staged.output);
            refused.failed()) {
            failure =
                recordedFailure(PageFailure::Kind::WriteFailed, staged.output, refused.error());
        }
    }
    if (failure) {
        static_cast<void>(m_fileSystem.removeFile(staged.staged));
        if (staged.backupMade) {
            static_cast<void>(m_fileSystem.removeFile(staged.backup));
        }
        m_journal->noteDropped(staged.number, false);
        pageFailed(staged.page, std::move(*failure), staged.listed);
    } else {
        m_journal->notePlaced(staged.number);
        if (!staged.backup.empty() && m_recordPlace.backups.empty()) {
            ++m_backupsInSite;
        }
        RecordResult(staged.record, staged.page, staged.listed, staged.output);
    }
    m_doneBytes = doneBytes;
}

} // namespace quorlane::run
