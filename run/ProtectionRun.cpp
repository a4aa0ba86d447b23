#include "run/ProtectionRun.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "core/PageTransformer.h"
#include "core/PageVerifier.h"
#include "core/ScriptText.h"
#include "core/SealedPage.h"
#include "core/TextSearch.h"
#include "core/Utf8.h"
#include "files/NameCase.h"
#include "files/OutputPlacement.h"
#include "files/PageCodec.h"
#include "files/ReadBack.h"
#include "files/Sha256.h"
#include "files/modAll.h"
#include "run/PageCheck.h"
#include "run/WrittenPageCheck.h"

namespace quorlane::run {

namespace {

using files::FileError;

RunNotice noticeOf(RunNotice::Kind kind, core::PathString path = {})
{
    RunNotice notice;
    notice.kind = kind;
    notice.path = std::move(path);
    return notice;
}

bool blank(std::u16string_view text)
{
    return text.find_first_not_of(u' ') == std::u16string_view::npos;
}

PageFailure failureOf(PageFailure::Kind kind, core::PathString path, FileError error = {})
{
    PageFailure failure;
    failure.kind = kind;
    failure.path = std::move(path);
    failure.error = std::move(error);
    return failure;
}

core::PathString folderOf(const core::PathString& path)
{
    const core::PathString folder = core::getFilePathOnly(path);
    return folder.empty() ? core::PathString(1, '.') : folder;
}

// A folder's path without the separator that may end it, unless it is the root.
core::PathString withoutEndSeparator(core::PathString folder)
{
    while (folder.size() > 1 && folder.back() == core::pathSeparator) {
        folder.pop_back();
    }
    return folder;
}

} // namespace

ProtectionRun::ProtectionRun(RunHost& host, files::FileSystem& fileSystem)
    : m_host(host)
    , m_recorder(fileSystem)
    , m_fileSystem(m_recorder)
    , m_handledPaths(m_recorder)
{
    m_recorder.setBeforeCreate(
        [this](const core::PathString& folder) { return beforeFolderCreated(folder); });
}

std::optional<Refusal> FindUnusableField(const core::ProtectionSettings& settings)
{
    const auto blankWhenOn = [](bool on, const std::u16string& text) { return on && blank(text); };
    const std::pair<bool, LockField> checks[] = {
        {blankWhenOn(settings.domainLock, settings.lockDomain), LockField::Domain},
        {blankWhenOn(settings.urlLock, settings.lockUrl), LockField::Url},
        {blankWhenOn(settings.passwordProtect, settings.password), LockField::Password},
        {blankWhenOn(settings.saveMode == core::SaveMode::CopyToFolder, settings.saveDir),
         LockField::SaveDir},
        {settings.copyrightNotice && !core::IsSafeNoticeText(settings.copyrightNoticeText),
         LockField::Notice},
    };
    for (const auto& [refused, field] : checks) {
        if (refused) {
            Refusal refusal;
            refusal.kind = Refusal::Kind::FieldUnusable;
            refusal.field = field;
            return refusal;
        }
    }
    return std::nullopt;
}

// A target folder that is an added folder, or the folder of a picked page, would have the
// protected pages written over their own pages, with no backup.
std::optional<Refusal> ProtectionRun::targetRefusal(const core::ProtectionSettings& settings,
                                                    const std::vector<SelectionEntry>& selection)
{
    if (settings.saveMode != core::SaveMode::CopyToFolder) {
        return std::nullopt;
    }
    const core::PathString target = core::PathFromText(settings.saveDir);
    const auto targetId = m_fileSystem.identity(target);
    if (!targetId) {
        return std::nullopt;
    }
    for (const SelectionEntry& entry : selection) {
        const core::PathString folder = entry.isFolder ? entry.path : folderOf(entry.path);
        if (m_fileSystem.identity(folder) != targetId) {
            continue;
        }
        Refusal refusal;
        refusal.kind = Refusal::Kind::TargetHolds;
        refusal.field = LockField::SaveDir;
        refusal.path = target;
        refusal.entry = entry.path;
        refusal.entryIsFolder = entry.isFolder;
        return refusal;
    }
    return std::nullopt;
}

// Keeps this run and any other off one tree at once: stops, or waits when told, while another
// run is at work on a folder or page of this one.
bool ProtectionRun::takeFolderLocks(const core::ProtectionSettings& settings,
                                    const std::vector<SelectionEntry>& selection,
                                    RunSummary& summary)
{
    for (const SelectionEntry& entry : selection) {
        m_locks.add(entry.path);
    }
    if (settings.saveMode == core::SaveMode::CopyToFolder) {
        const core::PathString target = core::PathFromText(settings.saveDir);
        files::MakeFolders(m_fileSystem, target + core::pathSeparator);
        m_locks.add(target);
    }
    // The backup folder is the user's: made when missing, never removed by an undo.
    if (!m_recordPlace.backups.empty()) {
        files::MakeFolders(m_recorder.inner(), m_recordPlace.backups + core::pathSeparator);
        m_locks.add(m_recordPlace.backups);
    }
    bool told = false;
    for (;;) {
        const std::optional<core::PathString> busy = m_locks.tryTake();
        if (!busy) {
            return true;
        }
        if (!m_waitForOtherRuns) {
            m_locks.release();
            summary.refusal = Refusal{};
            summary.refusal->kind = Refusal::Kind::OtherRunAtWork;
            summary.refusal->path = *busy;
            m_host.refused(*summary.refusal);
            return false;
        }
        if (!told) {
            m_host.notice(noticeOf(RunNotice::Kind::WaitingForOtherRun, *busy));
            told = true;
        }
        if (m_host.cancelRequested()) {
            m_locks.release();
            summary.cancelled = true;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

RunSummary ProtectionRun::refuse(Refusal refusal)
{
    m_host.refused(refusal);
    RunSummary summary;
    summary.refusal = std::move(refusal);
    return summary;
}

RunSummary ProtectionRun::RunProtection(const std::vector<SelectionEntry>& selection,
                                        const core::ProtectionSettings& settings)
{
    RunSummary summary;
    m_settings = settings;
    m_filesToProtect = {};
    m_otherFiles = {};
    m_neighbours = {};
    m_audit = {};
    m_results.clear();
    m_cleanedFolders.clear();
    m_listedFiles.reset();
    m_writtenOutputs.clear();
    m_journal.emplace(m_recorder);
    m_recordFailure.reset();
    m_unsyncedEntries = 0;
    m_staged.clear();
    m_stagedBytes = 0;
    m_toSync.clear();
    m_syncedFolders.clear();
    m_outbox.clear();
    m_recorder.clear();
    m_stopCause.reset();
    m_pagesTried = 0;
    if (selection.empty()) {
        return refuse(Refusal{});
    }
    if (auto refusal = FindUnusableField(settings)) {
        return refuse(std::move(*refusal));
    }
    if (auto refusal = targetRefusal(settings, selection)) {
        return refuse(std::move(*refusal));
    }
    if (auto refusal = prepareSealing(settings)) {
        return refuse(std::move(*refusal));
    }
    m_started = LocalTimeNow();
    m_recordPlace = recordPlace(settings, selection);
    m_backupsInSite = 0;
    if (auto refusal = placeRefusal(selection)) {
        m_sealer.reset();
        return refuse(std::move(*refusal));
    }
    if (!takeFolderLocks(settings, selection, summary)) {
        m_sealer.reset();
        // The target folder may have been made before another run was found at work.
        finishJournal(summary);
        m_host.finished(summary);
        return summary;
    }
    m_host.notice(noticeOf(RunNotice::Kind::Scanning));
    buildList(selection, settings);
    if (auto refusal = othersFilesRefusal()) {
        m_sealer.reset();
        m_locks.release();
        return refuse(std::move(*refusal));
    }
    protectListed(summary);
    summary.shareKey = m_sealer ? m_sealer->shareKey() : std::u16string();
    m_sealer.reset();
    finishJournal(summary);
    m_locks.release();
    tellLeaks(summary);
    summary.recorded = m_results.pageCount();
    m_host.finished(summary);
    return summary;
}

void ProtectionRun::buildList(const std::vector<SelectionEntry>& selection,
                              const core::ProtectionSettings& settings)
{
    std::vector<FileError> failures;
    std::vector<files::PassedOver> passedOver;
    files::ScanOptions options;
    options.failures = &failures;
    options.passedOver = &passedOver;
    options.exclude = &m_exclude;
    if (settings.saveMode == core::SaveMode::CopyToFolder) {
        // A target inside an added folder holds what this run writes, not pages to protect.
        options.skipFolder = m_fileSystem.identity(core::PathFromText(settings.saveDir));
        options.otherFiles = settings.copyPagesOnly ? nullptr : &m_otherFiles;
    } else {
        // Not touched; only read for what they give away of the pages.
        options.otherFiles = &m_neighbours;
    }
    const bool copy = settings.saveMode == core::SaveMode::CopyToFolder;
    for (const SelectionEntry& entry : selection) {
        if (entry.isFolder) {
            core::PathString rootPath;
            files::ScanFolder(m_fileSystem, entry.path, rootPath, m_filesToProtect, options);
        } else {
            const core::FileRecord record =
                copy ? PickedPageRecord(entry.path, selection) : core::FileRecord{{}, entry.path};
            m_filesToProtect.add(record.RootPath, record.Filename);
        }
    }
    tellPassedOver(passedOver);
    for (const FileError& failure : failures) {
        PageOutcome outcome;
        outcome.kind = PageOutcome::Kind::FolderFailed;
        outcome.page = failure.path;
        outcome.failure = failureOf(PageFailure::Kind::FolderUnreadable, failure.path, failure);
        outcome.cause = {FailureCause::Kind::Unreadable, failure.path, failure};
        m_host.pageDone(outcome);
    }
}

std::uint64_t ProtectionRun::sizeOf(const core::PathString& path)
{
    // A page whose size cannot be taken counts as empty; reading it will tell what is wrong.
    return m_fileSystem.fileSize(path).valueOr(0);
}

void ProtectionRun::protectListed(RunSummary& summary)
{
    m_handledPaths.clear();
    m_totalBytes = 0;
    m_doneBytes = 0;
    // Taken once: the progress of each page adds its size as it was when the run began.
    std::vector<std::uint64_t> sizes;
    sizes.reserve(static_cast<std::size_t>(m_filesToProtect.Count()));
    for (const core::FileRecord& record : m_filesToProtect) {
        sizes.push_back(sizeOf(record.fullPath()));
        m_totalBytes += sizes.back();
    }
    m_totalBytes += otherFilesSize();
    summary.listed = static_cast<std::size_t>(m_filesToProtect.Count());
    RunStart start;
    start.listed = summary.listed;
    start.totalBytes = m_totalBytes;
    if (summary.listed > 0) {
        start.findings = core::FindForRun(m_settings);
    }
    m_host.started(start);
    std::unique_ptr<PagePreparer> preparer;
    if (m_jobs > 1 && summary.listed > 1) {
        std::vector<core::PathString> paths;
        paths.reserve(summary.listed);
        for (const core::FileRecord& record : m_filesToProtect) {
            paths.push_back(record.fullPath());
        }
        preparer = std::make_unique<PagePreparer>(m_fileSystem, m_settings, m_sealer.get(),
                                                  std::move(paths), sizes, m_jobs);
    }
    std::size_t index = 0;
    for (core::FileRecord& record : m_filesToProtect) {
        if (m_host.cancelRequested()) {
            summary.cancelled = true;
            break;
        }
        ++summary.taken;
        m_doneBytes += sizes[index];
        ProtectFile(record, preparer ? preparer->take(index) : nullptr);
        ++index;
        if (m_stopCause) {
            summary.targetUnwritable = m_stopCause;
            break;
        }
        if (m_recordFailure) {
            break;
        }
    }
    commitBatch();
    if (!summary.cancelled && !m_stopCause && !m_recordFailure) {
        copyOtherFiles(summary);
        auditNeighbours();
    }
}

const ProtectionRun::FileIdentities& ProtectionRun::listedFiles()
{
    if (!m_listedFiles) {
        m_listedFiles.emplace();
        for (const core::FileRecord& record : m_filesToProtect) {
            if (const auto id = m_fileSystem.identity(record.fullPath())) {
                m_listedFiles->insert(*id);
            }
        }
    }
    return *m_listedFiles;
}

float ProgressPercentage(std::uint64_t doneBytes, std::uint64_t totalBytes)
{
    const double share =
        totalBytes == 0 ? 0.0 : static_cast<double>(doneBytes) / totalBytes * 100.0;
    return static_cast<float>(share);
}

void ProtectionRun::tell(PageOutcome outcome, bool listed)
{
    if (listed) {
        outcome.listed = true;
        outcome.doneBytes = m_doneBytes;
        outcome.totalBytes = m_totalBytes;
    }
    say(std::move(outcome));
}

void ProtectionRun::say(Told told)
{
    if (!m_delivering && (!m_staged.empty() || std::holds_alternative<std::size_t>(told))) {
        m_outbox.push_back(std::move(told));
    } else if (const auto* outcome = std::get_if<PageOutcome>(&told)) {
        m_host.pageDone(*outcome);
    } else if (const auto* notice = std::get_if<RunNotice>(&told)) {
        m_host.notice(*notice);
    }
}

void ProtectionRun::pageFailed(const core::PathString& page, PageFailure failure, bool listed,
                               std::optional<FailureCause> cause)
{
    m_handledPaths.forget(page);
    PageOutcome outcome;
    outcome.kind = PageOutcome::Kind::Failed;
    outcome.page = page;
    if (!cause) {
        cause = causeOf(failure);
    }
    outcome.failure = std::move(failure);
    outcome.cause = *cause;
    outcome.stopsRun = stopsRun(*cause);
    if (outcome.stopsRun) {
        m_stopCause = cause;
    }
    if (cause->kind != FailureCause::Kind::Unreadable) {
        ++m_pagesTried;
    }
    tell(std::move(outcome), listed);
}

// A copy whose first page finds that the target folder takes no new file or folder, or that it
// cannot be made, can write no page at all. The folder of the cause is then the target or one
// above it, named as the output's path names it.
bool ProtectionRun::stopsRun(const FailureCause& cause)
{
    if (m_settings.saveMode != core::SaveMode::CopyToFolder || m_pagesTried > 0 ||
        (cause.kind != FailureCause::Kind::FolderReadOnly &&
         cause.kind != FailureCause::Kind::FolderNotMade)) {
        return false;
    }
    const core::PathString target =
        withoutEndSeparator(files::CollapseSeparators(core::PathFromText(m_settings.saveDir)));
    // The current folder, when the first folder of a relative target cannot be made in it.
    if (cause.folder == core::PathString(1, '.')) {
        return true;
    }
    return files::PathLiesIn(target, cause.folder, true);
}

// Placement makes the folders an output needs and passes over one it cannot make; the first
// that is still missing is tried once more here, to tell why.
std::optional<ProtectionRun::FolderFailure>
ProtectionRun::missingFolder(const core::PathString& output)
{
    if (m_fileSystem.isFolder(folderOf(output))) {
        return std::nullopt;
    }
    // A folder that the run made or found before may have been taken away since.
    m_recorder.forgetFolders();
    files::MakeFolders(m_fileSystem, output);
    if (m_fileSystem.isFolder(folderOf(output))) {
        return std::nullopt;
    }
    for (std::size_t at = output.find(core::pathSeparator, 1); at != core::PathString::npos;
         at = output.find(core::pathSeparator, at + 1)) {
        const core::PathString folder = output.substr(0, at + 1);
        if (m_fileSystem.isFolder(folder)) {
            continue;
        }
        const files::Status created = m_fileSystem.createFolder(folder);
        // Access is also what a folder made meanwhile by someone else gives, and what a file
        // of that name gives.
        if (created.ok() ||
            (created.error().kind == FileError::Kind::Access && m_fileSystem.isFolder(folder))) {
            continue;
        }
        const core::PathString made = output.substr(0, at);
        if (created.error().kind != FileError::Kind::Access) {
            return FolderFailure{made, {FailureCause::Kind::FolderNotMade, made, created.error()}};
        }
        if (m_fileSystem.stamp(folder)) {
            return FolderFailure{
                made,
                {FailureCause::Kind::FolderNotMade, made,
                 files::classify(std::make_error_code(std::errc::file_exists), folder)}};
        }
        // The folder above refuses new folders: it, or its disk, is read-only.
        return FolderFailure{made,
                             {FailureCause::Kind::FolderReadOnly,
                              withoutEndSeparator(folderOf(made)), created.error()}};
    }
    return std::nullopt;
}

// The cause a failure tells of itself; a folder that could not be made is told by its finder.
FailureCause ProtectionRun::causeOf(const PageFailure& failure)
{
    switch (failure.kind) {
    case PageFailure::Kind::ReadFailed:
    case PageFailure::Kind::FolderUnreadable:
        return {FailureCause::Kind::Unreadable, {}, failure.error};
    case PageFailure::Kind::WriteFailed:
        return writeFailureCause(failure.path, failure.error);
    default:
        return {};
    }
}

FailureCause ProtectionRun::writeFailureCause(const core::PathString& output,
                                              const FileError& error)
{
    if (error.kind != FileError::Kind::Access) {
        return {FailureCause::Kind::Other, {}, error};
    }
    // The whole disk is read-only, or no file of that name stood there: the folder refused it.
    const bool folderRefused = error.code == EROFS || !m_fileSystem.stamp(output);
    return {folderRefused ? FailureCause::Kind::FolderReadOnly : FailureCause::Kind::ReadOnly,
            withoutEndSeparator(folderOf(output)), error};
}

// A page read and waiting for its frame pages, which are taken on one by one before it is
// finished. Held on the heap: its scanner looks into its text.
struct ProtectionRun::PendingPage
{
    core::FileRecord record;
    core::PathString path;
    PageLook look; // its bytes are kept for the backup until it is made
    // Overwrite: a file holding just bytes stands at the backup's name already (left by a run
    // that was stopped), and serves as the backup.
    bool backupStands = false;
    std::uint64_t sourceSize = 0;
    bool listed = false;          // a page of the list, not a frame page
    std::optional<MadePage> made; // an ordinary page made ahead of its turn
};

void ProtectionRun::failPage(PendingPage& page, PageFailure failure,
                             std::optional<FailureCause> cause)
{
    pageFailed(page.path, std::move(failure), page.listed, std::move(cause));
}

// The per-file step, for a listed page and its frame pages (see WalkFrames).
class ProtectionRun::PageSteps final : public FrameVisitor
{
public:
    PageSteps(ProtectionRun& run, std::unique_ptr<PreparedPage> prepared)
        : m_run(run)
        , m_prepared(std::move(prepared))
    {
    }

    Begun begin(const core::FileRecord& record, bool listed, std::u16string_view& text) override
    {
        std::optional<FileError> unread;
        auto page = m_run.beginPage(record, listed, unread, std::move(m_prepared));
        if (!page) {
            if (unread && listed) {
                m_run.pageFailed(
                    record.fullPath(),
                    failureOf(PageFailure::Kind::ReadFailed, record.fullPath(), *unread), true);
            }
            return unread ? Begun::Unread : Begun::Left;
        }
        // A page made ahead was found to hold no frame element; it is not looked through again.
        // Nor is one whose text is not what a browser would read.
        const bool noFrames = page->made || page->look.decoded.encodingUnavailable;
        text = noFrames ? std::u16string_view() : std::u16string_view(page->look.decoded.text);
        m_pending.push_back(std::move(page));
        return Begun::Page;
    }

    bool frameInside(const core::FileRecord& frame) override
    {
        return m_run.frameInsideSite(frame);
    }

    void finish(bool framesHandled) override
    {
        const std::unique_ptr<PendingPage> done = std::move(m_pending.back());
        m_pending.pop_back();
        m_run.finishPage(*done, framesHandled);
    }

private:
    ProtectionRun& m_run;
    std::unique_ptr<PreparedPage> m_prepared; // the listed page's, when it was made ahead
    std::vector<std::unique_ptr<PendingPage>> m_pending;
};

void ProtectionRun::ProtectFile(const core::FileRecord& record,
                                std::unique_ptr<PreparedPage> prepared)
{
    PageSteps steps(*this, std::move(prepared));
    WalkFrames(record, steps);
}

// Reads a page, unless it is to be left alone; for a page that cannot be read, unread tells why.
// A cancel is
// not looked at here but before each listed page: the frames of a frameset are part of its page,
// and a frameset left with some frames in clear text would still carry the marker, so that no
// later run would take on those frames again.
std::unique_ptr<ProtectionRun::PendingPage>
ProtectionRun::beginPage(const core::FileRecord& record, bool listed,
                         std::optional<FileError>& unread, std::unique_ptr<PreparedPage> prepared)
{
    unread.reset();
    const core::PathString path = record.fullPath();
    const auto skip = [&](SkipReason reason) {
        PageOutcome outcome;
        outcome.kind = PageOutcome::Kind::Skipped;
        outcome.page = path;
        outcome.reason = reason;
        tell(std::move(outcome), listed);
        return nullptr;
    };
    if (!m_handledPaths.insert(path)) {
        return skip(SkipReason::AlreadyHandled);
    }
    if (!takenAsPage(path)) {
        return skip(SkipReason::NotAPage);
    }
    auto page = std::make_unique<PendingPage>();
    // What was read ahead counts only while the file stands as it was then.
    if (prepared && prepared->read && m_fileSystem.stamp(path) == prepared->look.stamp) {
        page->look = std::move(prepared->look);
        page->made = std::move(prepared->made);
    } else if (const files::Status failure =
                   ReadAndLook(m_fileSystem, path, m_settings, page->look);
               failure.failed()) {
        m_handledPaths.forget(path);
        unread = failure.error();
        return nullptr;
    }
    page->record = record;
    page->path = path;
    page->listed = listed;
    if (page->look.protectedAlready) {
        return skip(SkipReason::AlreadyProtected);
    }
    if (!page->look.findings.empty()) {
        RunNotice notice = noticeOf(RunNotice::Kind::PageFindings, path);
        notice.findings = std::move(page->look.findings);
        say(std::move(notice));
    }
    return page;
}

// In Overwrite mode a page is replaced only as it was read, and only when no other name of it
// would go on showing it in clear text.
std::optional<PageFailure> ProtectionRun::overwriteRefusal(const core::PathString& page,
                                                           const files::FileStamp& stamp,
                                                           const core::PathString& backup)
{
    const std::optional<files::FileStamp> now = m_fileSystem.stamp(page);
    if (!now || !(*now == stamp)) {
        return failureOf(PageFailure::Kind::ChangedOnDisk, page);
    }
    // The second name may be the page's backup, made as such by this run or one stopped.
    const bool backupName = now->links == 2 && !backup.empty() &&
                            m_fileSystem.identity(backup) == std::optional(now->identity);
    if (now->links > 1 && !backupName) {
        PageFailure failure = failureOf(PageFailure::Kind::HardLinks, page);
        failure.count = now->links;
        return failure;
    }
    return std::nullopt;
}

void ProtectionRun::removeStaleTemporariesBeside(const core::PathString& output)
{
    const core::PathString folder = folderOf(output);
    if (m_cleanedFolders.insert(folder).second) {
        m_fileSystem.removeStaleTemporaries(folder);
    }
}

// Transforms (a frameset whose frames were handled stays as it is), places, writes, records.
void ProtectionRun::finishPage(PendingPage& page, bool framesHandled)
{
    if (page.look.decoded.encodingUnavailable) {
        PageFailure failure = failureOf(PageFailure::Kind::EncodingUnavailable, page.path);
        failure.detail = page.look.decoded.declaredCharset;
        failPage(page, std::move(failure));
        return;
    }
    const core::ProtectionSettings& settings = m_settings;
    const bool overwrite = settings.saveMode == core::SaveMode::Overwrite;
    // A page overwritten is written where its links lead, which are followed once.
    const core::PathString linkedTo =
        overwrite ? m_fileSystem.linkTarget(page.path) : core::PathString();
    if (overwrite) {
        const core::PathString ownBackup =
            settings.makeBackups ? BackupPlace(m_recordPlace, linkedTo) : core::PathString();
        if (auto refusal = overwriteRefusal(page.path, page.look.stamp, ownBackup)) {
            failPage(page, *refusal);
            return;
        }
    }
    std::optional<files::BackupFailure> placementFailure;
    const core::PathString output =
        overwrite ? files::CollapseSeparators(linkedTo)
                  : files::PlaceOutput(page.record, settings, m_fileSystem, placementFailure);
    if (placementFailure) {
        PageFailure failure = failureOf(PageFailure::Kind::OutsideTarget, placementFailure->backup);
        failure.output = core::PathFromText(settings.saveDir);
        failPage(page, std::move(failure));
        return;
    }
    if (const std::optional<FolderFailure> missing = missingFolder(output)) {
        failPage(
            page,
            failureOf(PageFailure::Kind::FolderNotMade, missing->folder, *missing->cause.error),
            missing->cause);
        return;
    }
    // Read-only means read-only, as for any output; found before a backup is made of it.
    if (overwrite && page.look.stamp.readOnly) {
        failPage(page, failureOf(PageFailure::Kind::WriteFailed, output,
                                 files::classify(std::make_error_code(std::errc::permission_denied),
                                                 output)));
        return;
    }
    const bool backups = overwrite && settings.makeBackups;
    // A file of the backup's name that this run did not make is never replaced. One that holds
    // just the page as read (left by a run that was stopped) serves as it stands.
    const core::PathString backup = backups ? BackupPlace(m_recordPlace, output) : output;
    if (backup.empty()) {
        PageFailure failure = failureOf(PageFailure::Kind::OutsideRecord, output);
        failure.output = m_recordPlace.tree;
        failPage(page, std::move(failure));
        return;
    }
    if (backups && m_fileSystem.stamp(backup)) {
        page.backupStands = holdsJust(backup, page.look.bytes);
        if (!page.backupStands) {
            failPage(page, failureOf(PageFailure::Kind::BackupNotOurs, backup));
            return;
        }
    }
    page.sourceSize = page.look.bytes.size();
    // Only a file that stands at the output can be a listed page or be replaced.
    const bool standing = !overwrite && m_fileSystem.stamp(output).has_value();
    if (standing && settings.saveMode == core::SaveMode::CopyToFolder) {
        const auto outputId = m_fileSystem.identity(output);
        if (outputId && listedFiles().contains(*outputId)) {
            failPage(page, failureOf(PageFailure::Kind::OutputIsListed, output));
            return;
        }
    }
    removeStaleTemporariesBeside(output);
    const bool replaced = standing && !m_writtenOutputs.contains(AbsolutePath(output));
    if (!ensureJournal()) {
        failPage(page, recordFailure());
        return;
    }
    const std::optional<core::PathString> recorded = m_journal->relative(output);
    const std::optional<core::PathString> recordedBackup =
        backups ? m_journal->relativeBackup(backup) : core::PathString();
    if (!recorded || !recordedBackup) {
        PageFailure failure = failureOf(PageFailure::Kind::OutsideRecord, output);
        failure.output = m_recordPlace.tree;
        failPage(page, std::move(failure));
        return;
    }
    ManifestPage entry = manifestEntry(page, *recorded, replaced);
    entry.backup = *recordedBackup;
    writePage(page, framesHandled, output, std::move(entry));
}

// The page is made while it is written: neither the protected text nor its bytes are ever held
// whole. In Overwrite mode it is written beside the page, to wait for the rest of its batch;
// elsewhere the record names it just before it is put in place.
void ProtectionRun::writePage(PendingPage& page, bool framesHandled, const core::PathString& output,
                              ManifestPage entry)
{
    const core::ProtectionSettings& settings = m_settings;
    const bool overwrite = settings.saveMode == core::SaveMode::Overwrite;
    // The page as read is kept for the check of the written file; a page made ahead of its turn
    // needs it for nothing else.
    std::u16string& text = page.look.decoded.text;
    const std::u16string original = page.made ? std::move(text) : text;
    std::optional<PageFailure> rejection;
    const files::FileContent content = [&](std::ostream& out) {
        std::optional<std::string> sealFailure;
        if (page.made) {
            // Made ahead of its turn, marker included.
            sealFailure = std::move(page.made->sealFailure);
            if (!sealFailure) {
                const std::string& made = page.made->encoded;
                out.write(made.data(), static_cast<std::streamsize>(made.size()));
            }
        } else {
            files::PageWriter writer(out, page.look.decoded.encoding);
            sealFailure = WriteProtectedPage(text, framesHandled, settings, page.look.decoded,
                                             m_sealer.get(), writer);
            text = std::u16string();
            if (!sealFailure) {
                return writer.finish();
            }
        }
        if (sealFailure) {
            rejection = failureOf(PageFailure::Kind::SealingFailed, page.path);
            rejection->detail = std::move(*sealFailure);
            return false;
        }
        return static_cast<bool>(out);
    };
    std::optional<std::size_t> number;
    const files::WriteCheck check = [&](const core::PathString& temporary) {
        WrittenFile written;
        rejection = checkWritten(temporary, output, original, page.look.decoded.encoding,
                                 framesHandled, page.made ? &*page.made : nullptr, written);
        entry.outputSize = written.size;
        entry.outputSha256 = written.sha256;
        if (rejection || overwrite) {
            return !rejection;
        }
        std::size_t made = 0;
        if (const files::Status failure = m_journal->addPage(entry, made); failure.failed()) {
            recordFailed(failure.error());
            rejection = recordFailure();
            return false;
        }
        number = made;
        return true;
    };
    // Overwriting, the page is written beside its file, to take its place with the rest of its
    // batch.
    core::PathString written;
    const auto write = [&]() -> files::Status {
        if (!overwrite) {
            return m_fileSystem.writeFileFrom(output, content, files::Durability::Renamed, check);
        }
        files::Result<core::PathString> temporary =
            m_fileSystem.writeTemporaryFrom(output, content, check);
        if (temporary.failed()) {
            return temporary.error();
        }
        written = std::move(temporary).value();
        return {};
    };
    if (const files::Status failure = write(); failure.failed()) {
        if (!rejection) {
            rejection = failureOf(PageFailure::Kind::WriteFailed, output, failure.error());
            rejection->newName = settings.saveMode == core::SaveMode::CreateNew;
        }
        if (number) {
            m_journal->noteDropped(*number, true);
        }
        failPage(page, std::move(*rejection));
        return;
    }
    m_writtenOutputs.insert(AbsolutePath(output));
    if (!framesHandled) {
        std::optional<TextPrints> prints =
            page.made ? std::move(page.made->hiddenPrints) : std::nullopt;
        notePrints(page.record, page.path, prints, original);
    }
    if (!overwrite) {
        if (number) {
            m_journal->notePlaced(*number);
        }
        page.look.bytes = std::string();
        RecordResult(page.record, page.path, page.listed, output);
        syncJournalNowAndThen();
        return;
    }
    stageWritten(page, output, written, entry);
}

// In Overwrite mode: the record names the page, then its backup is made, and the written page
// waits for the rest of its batch.
void ProtectionRun::stageWritten(PendingPage& page, const core::PathString& output,
                                 const core::PathString& written, const ManifestPage& entry)
{
    StagedPage staged{page.record,     page.path, output,      written,    {},
                      page.look.stamp, 0,         page.listed, m_doneBytes};
    if (const files::Status failure = m_journal->addPage(entry, staged.number); failure.failed()) {
        static_cast<void>(m_fileSystem.removeFile(written));
        recordFailed(failure.error());
        failPage(page, recordFailure());
        return;
    }
    const core::PathString backup = BackupPlace(m_recordPlace, output);
    std::optional<PageFailure> linkRefused;
    if (!entry.backup.empty() && page.backupStands) {
        staged.backup = backup;
    } else if (!entry.backup.empty() &&
               linkBackup(page, output, backup, staged.stamp, linkRefused)) {
        staged.backup = backup;
        staged.backupMade = true;
        staged.backupLinked = true;
    } else if (linkRefused) {
        static_cast<void>(m_fileSystem.removeFile(written));
        m_journal->noteDropped(staged.number, false);
        failPage(page, std::move(*linkRefused));
        return;
    } else if (!entry.backup.empty()) {
        if (const auto failure = files::MakeBackup(output, page.look.bytes, m_fileSystem, backup)) {
            static_cast<void>(m_fileSystem.removeFile(written));
            m_journal->noteDropped(staged.number, false);
            failPage(page, failure->nameTaken
                               ? failureOf(PageFailure::Kind::BackupNotOurs, failure->backup)
                               : failureOf(PageFailure::Kind::BackupFailed, failure->backup,
                                           failure->error));
            return;
        }
        staged.backup = backup;
        staged.backupMade = true;
    }
    const std::uint64_t size = page.look.bytes.size();
    page.look.bytes = std::string();
    stage(std::move(staged), size);
}

// The page's own file, as it stands, made its backup by a second name: no byte is written, and
// the backup is the page's file itself, mode, owner and all, which the protected page then
// takes the place of. Only while the page stands as it was read (its name then moves on to a
// new stamp, its change time and names); where the file system gives no second name, false,
// and the backup is written as a copy. refused: why there is no backup and none may be written,
// either a file of the backup's name stands, or the second name this run gave the page could not
// be taken back (a reader elsewhere that holds the page open keeps Windows from removing it).
bool ProtectionRun::linkBackup(const PendingPage& page, const core::PathString& output,
                               const core::PathString& backup, files::FileStamp& stamp,
                               std::optional<PageFailure>& refused)
{
    const std::optional<files::FileStamp> before = m_fileSystem.stamp(output);
    if (!before || !(*before == page.look.stamp) || before->links != 1) {
        return false;
    }
    files::MakeFolders(m_fileSystem, backup);
    if (const files::Status failure = m_fileSystem.linkFile(output, backup); failure.failed()) {
        if (failure.error().kind == FileError::Kind::NameTaken) {
            refused = failureOf(PageFailure::Kind::BackupNotOurs, backup);
        }
        return false;
    }
    const std::optional<files::FileStamp> after = m_fileSystem.stamp(output);
    if (!after || after->identity != before->identity || after->size != before->size ||
        after->modifiedNs != before->modifiedNs || after->links != 2) {
        if (const files::Status left = m_fileSystem.removeFile(backup); left.failed()) {
            refused = failureOf(PageFailure::Kind::BackupFailed, backup, left.error());
        }
        return false;
    }
    stamp = *after;
    return true;
}

ManifestPage ProtectionRun::manifestEntry(const PendingPage& page,
                                          const core::PathString& recordedOutput,
                                          bool replaced) const
{
    ManifestPage entry;
    // The source is told, never acted on.
    entry.source = m_journal->namedSource(page.path);
    entry.output = recordedOutput;
    entry.sourceSize = page.sourceSize;
    entry.sourceSha256 = page.look.sourceSha256;
    entry.replacedEarlierFile = replaced;
    return entry;
}

// Reads the written file back and checks it with a reader of its own; gives why it is refused.
// A page made ahead was checked as encoded then: when the file holds just those bytes, that
// check stands.
std::optional<PageFailure>
ProtectionRun::checkWritten(const core::PathString& temporary, const core::PathString& output,
                            std::u16string_view original, const files::PageEncoding& encoding,
                            bool keptAsItIs, const MadePage* made, WrittenFile& written)
{
    if (made && holdsJust(temporary, made->encoded)) {
        written.size = made->encoded.size();
        written.sha256 = made->encodedSha256;
        std::optional<PageFailure> failure = made->writtenFault;
        if (failure) {
            failure->path = output;
        }
        return failure;
    }
    // Read, decoded and checked piece by piece: the written page is never held whole.
    core::ProtectedPageCheck verify(original, m_settings, keptAsItIs,
                                    WriterBlockShapes(m_sealer.get()), &m_revealed);
    files::ReadBackDecoder decoder(encoding, [&](std::u16string_view text) { verify.add(text); });
    files::Sha256 hash;
    bool inEncoding = true;
    written.size = 0;
    const files::FilePieces take = [&](std::string_view piece) {
        hash.add(piece);
        written.size += piece.size();
        inEncoding = inEncoding && decoder.add(piece);
    };
    if (m_fileSystem.readFileInPieces(temporary, take).failed()) {
        return failureOf(PageFailure::Kind::ReadBackFailed, output);
    }
    written.sha256 = hash.hex();
    std::optional<PageFailure> failure;
    if (!inEncoding || !decoder.finish()) {
        failure = NotInEncodingFailure(encoding);
    } else if (const auto fault = verify.finish()) {
        failure = NotVerifiedFailure(*fault, original);
    }
    if (failure) {
        failure->path = output;
        return failure;
    }
    return std::nullopt;
}

// Whether file reads back as just bytes; anything else, a failed read too, is for the full
// check to tell.
bool ProtectionRun::holdsJust(const core::PathString& file, std::string_view bytes)
{
    std::size_t at = 0;
    bool same = true;
    const files::FilePieces compare = [&](std::string_view piece) {
        // A file longer than bytes differs; substr past the end would throw.
        same = same && at <= bytes.size() && bytes.substr(at, piece.size()) == piece;
        at += piece.size();
    };
    return m_fileSystem.readFileInPieces(file, compare).ok() && same && at == bytes.size();
}

void ProtectionRun::RecordResult(const core::FileRecord& record, const core::PathString& page,
                                 bool listed, const core::PathString& output)
{
    ++m_pagesTried;
    const ResultsTree::Added added = m_results.add(record);
    PageOutcome outcome;
    outcome.kind = PageOutcome::Kind::Protected;
    outcome.page = page;
    outcome.record = record;
    outcome.output = output;
    outcome.treeEntry = added.entry;
    outcome.newFolder = added.newFolder;
    outcome.recorded = m_results.pageCount();
    tell(std::move(outcome), listed);
}

} // namespace quorlane::run
