#include <unordered_map>

#include "core/Utf8.h"
#include "files/NameCase.h"
#include "files/OutputPlacement.h"
#include "files/modAll.h"
#include "run/ProtectionRun.h"

namespace quorlane::run {

namespace {

core::PathString nameOf(const core::PathString& path)
{
    const std::size_t last = path.rfind(core::pathSeparator);
    return last == core::PathString::npos ? path : path.substr(last + 1);
}

core::PathString pathText(std::string_view ascii)
{
    return core::PathString(ascii.begin(), ascii.end());
}

// What Quorlane itself leaves in a site's folders: the records of its runs, its temporary
// files, and the backups of overwritten pages, which hold those pages in clear text and so must
// never go into a copy that is to be put on a server.
bool isLeftByQuorlane(const core::PathString& name)
{
    const core::PathString prefix = pathText(".quorlane-");
    const core::PathString bak = pathText(".bak");
    if (name.starts_with(prefix) &&
        (name.ends_with(pathText(".json")) || name.ends_with(pathText(".tmp")))) {
        return true;
    }
    return name.ends_with(bak) && files::IsPageName(name.substr(0, name.size() - bak.size()));
}

PageFailure copyFailure(PageFailure::Kind kind, const core::PathString& file,
                        core::PathString output, files::FileError error = {})
{
    PageFailure failure;
    failure.kind = kind;
    failure.path = file;
    failure.output = std::move(output);
    failure.error = std::move(error);
    return failure;
}

} // namespace

core::FileRecord PickedPageRecord(const core::PathString& page,
                                  const std::vector<SelectionEntry>& selection)
{
    const core::PathString absolute = AbsolutePath(page);
    // Folder names as the file system compares them: on Windows C:\Site holds c:\site\a.html.
    for (const SelectionEntry& entry : selection) {
        if (!entry.isFolder) {
            continue;
        }
        const core::PathString folder = AbsolutePath(entry.path);
        const std::size_t length = folder.size() == 1 ? 0 : folder.size();
        if (files::PathLiesIn(absolute, folder)) {
            return {entry.path, absolute.substr(length)};
        }
    }
    return {{}, page};
}

std::uint64_t ProtectionRun::otherFilesSize()
{
    std::uint64_t total = 0;
    m_otherSizes.clear();
    for (const core::FileRecord& record : m_otherFiles) {
        m_otherSizes.push_back(sizeOf(record.fullPath()));
        total += m_otherSizes.back();
    }
    return total;
}

// After the pages, the other files of the added folders go into the copy as they are, so that
// the copy works as a site: style sheets, scripts, pictures and the rest. Each is told like a
// page (copied, or failed with the reason) and the run goes on.
void ProtectionRun::copyOtherFiles(RunSummary& summary)
{
    // Every file of the run's folders: a copy replaces none of them.
    FileIdentities sources = listedFiles();
    for (const core::FileRecord& record : m_otherFiles) {
        if (const auto id = m_fileSystem.identity(record.fullPath())) {
            sources.insert(*id);
        }
    }
    // Each added folder resolved once, not once for every file in it.
    std::unordered_map<core::PathString, files::CanonicalFolder> roots;
    std::size_t index = 0;
    for (const core::FileRecord& record : m_otherFiles) {
        if (m_host.cancelRequested()) {
            summary.cancelled = true;
            return;
        }
        m_doneBytes += m_otherSizes[index++];
        const auto root = roots.try_emplace(record.RootPath, record.RootPath).first;
        copyOtherFile(record, sources, root->second);
        if (m_recordFailure) {
            return;
        }
    }
}

// A link is copied as the file it leads to, when that lies in the added folder; a link that
// leads out of it is not followed, so that nothing from elsewhere on the machine is published
// with the site.
void ProtectionRun::copyOtherFile(core::FileRecord record, const FileIdentities& sources,
                                  const files::CanonicalFolder& root)
{
    const core::PathString file = record.fullPath();
    if (isLeftByQuorlane(nameOf(file))) {
        return;
    }
    if (!root.holds(file)) {
        pageFailed(file, copyFailure(PageFailure::Kind::CopyLeavesFolder, file, record.RootPath),
                   true);
        return;
    }
    if (withheldFromCopy(record)) {
        return;
    }
    std::optional<files::BackupFailure> placementFailure;
    const core::PathString output =
        files::PlaceOutput(record, m_settings, m_fileSystem, placementFailure);
    if (placementFailure) {
        PageFailure failure =
            copyFailure(PageFailure::Kind::OutsideTarget, placementFailure->backup,
                        core::PathFromText(m_settings.saveDir));
        pageFailed(file, std::move(failure), true);
        return;
    }
    if (const auto id = m_fileSystem.identity(output); id && sources.contains(*id)) {
        pageFailed(file, copyFailure(PageFailure::Kind::CopyIsSource, file, output), true);
        return;
    }
    removeStaleTemporariesBeside(output);
    if (!ensureJournal()) {
        pageFailed(file, recordFailure(), true);
        return;
    }
    const std::optional<core::PathString> recorded = m_journal->relative(output);
    if (!recorded) {
        PageFailure failure = copyFailure(PageFailure::Kind::OutsideRecord, output,
                                          core::getFilePathOnly(m_journal->path()));
        pageFailed(file, std::move(failure), true);
        return;
    }
    ManifestPage entry;
    entry.source = m_journal->relative(file).value_or(AbsolutePath(file));
    entry.output = *recorded;
    entry.replacedEarlierFile =
        m_fileSystem.stamp(output).has_value() && !m_writtenOutputs.contains(AbsolutePath(output));
    // The record names the copy, with its digest, before the copy is put in place.
    std::optional<std::size_t> number;
    files::CopiedFile copied;
    const files::WriteCheck writeAhead = [&](const core::PathString&) {
        entry.sourceSize = entry.outputSize = copied.size;
        entry.sourceSha256 = entry.outputSha256 = copied.sha256;
        std::size_t made = 0;
        if (const files::Status failure = m_journal->addPage(entry, made); failure.failed()) {
            recordFailed(failure.error());
            return false;
        }
        number = made;
        return true;
    };
    if (const files::Status failure = m_fileSystem.copyFile(file, output, copied, writeAhead);
        failure.failed()) {
        if (number) {
            m_journal->noteDropped(*number, true);
        }
        pageFailed(file,
                   m_recordFailure
                       ? recordFailure()
                       : copyFailure(PageFailure::Kind::CopyFailed, file, output, failure.error()),
                   true);
        return;
    }
    if (number) {
        m_journal->notePlaced(*number);
    }
    m_writtenOutputs.insert(AbsolutePath(output));
    syncJournalNowAndThen();
    PageOutcome outcome;
    outcome.kind = PageOutcome::Kind::Copied;
    outcome.page = file;
    outcome.output = output;
    tell(std::move(outcome), true);
}

} // namespace quorlane::run
