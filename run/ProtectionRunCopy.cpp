#include <chrono>

#include "core/Utf8.h"
#include "files/OutputPlacement.h"
#include "files/modAll.h"
#include "run/ProtectionRun.h"

namespace quorlane::run {

namespace {

using files::Message;

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

Message copyWarning(const core::PathString& file, std::u16string why)
{
    return {Message::Icon::Warning, u"Quorlane",
            u"Unable to Copy File: " + core::TextFromPath(file) + u".\r\n" + std::move(why)};
}

Message copyFailureMessage(const core::PathString& file, const core::PathString& output,
                           const files::FileError& error)
{
    std::u16string why = files::PlainReason(error);
    if (why.empty()) {
        why = core::Utf8ToUtf16(error.text) +
              (error.kind == files::FileError::Kind::Access
                   ? u": the file cannot be read, or its copy " + core::TextFromPath(output) +
                         u" is read-only."
                   : u" (copying to " + core::TextFromPath(output) + u").");
    }
    return copyWarning(file, std::move(why));
}

} // namespace

core::FileRecord PickedPageRecord(const core::PathString& page,
                                  const std::vector<SelectionEntry>& selection)
{
    const core::PathString absolute = AbsolutePath(page);
    for (const SelectionEntry& entry : selection) {
        if (!entry.isFolder) {
            continue;
        }
        const core::PathString folder = AbsolutePath(entry.path);
        const std::size_t length = folder.size() == 1 ? 0 : folder.size();
        if (absolute.size() > length + 1 && absolute.starts_with(folder) &&
            absolute[length] == core::pathSeparator) {
            return {entry.path, absolute.substr(length)};
        }
    }
    return {{}, page};
}

std::uint64_t ProtectionRun::otherFilesSize()
{
    std::uint64_t total = 0;
    for (const core::FileRecord& record : m_otherFiles) {
        total += sizeOf(record.fullPath());
    }
    return total;
}

// After the pages, the other files of the added folders go into the copy as they are, so that
// the copy works as a site: style sheets, scripts, pictures and the rest. Each is told like a
// page (copied, or failed with the reason) and the run goes on.
void ProtectionRun::copyOtherFiles(const core::ProtectionSettings& settings, std::uint64_t& done,
                                   std::uint64_t total, RunSummary& summary)
{
    // Every file of the run's folders: a copy replaces none of them.
    std::unordered_set<files::FileIdentity, files::FileIdentityHash> sources = m_listedFiles;
    for (const core::FileRecord& record : m_otherFiles) {
        if (const auto id = m_fileSystem.identity(record.fullPath())) {
            sources.insert(*id);
        }
    }
    for (const core::FileRecord& record : m_otherFiles) {
        if (m_host.cancelRequested()) {
            summary.cancelled = true;
            return;
        }
        done += sizeOf(record.fullPath());
        copyOtherFile(record, settings, sources);
        const double share = total == 0 ? 0.0 : static_cast<double>(done) / total * 100.0;
        m_host.progress(static_cast<float>(share), done, total);
        m_host.yield();
    }
}

// A link is copied as the file it leads to, when that lies in the added folder; a link that
// leads out of it is not followed, so that nothing from elsewhere on the machine is published
// with the site.
void ProtectionRun::copyOtherFile(
    core::FileRecord record, const core::ProtectionSettings& settings,
    const std::unordered_set<files::FileIdentity, files::FileIdentityHash>& sources)
{
    const core::PathString file = record.fullPath();
    if (isLeftByQuorlane(nameOf(file))) {
        return;
    }
    if (!files::LiesWithin(file, record.RootPath)) {
        pageFailed(file, copyWarning(file, u"It is reached through a link that leads out of the "
                                           u"added folder " +
                                               core::TextFromPath(record.RootPath) +
                                               u", so it was not copied."));
        return;
    }
    std::optional<Message> placementFailure;
    const core::PathString output =
        files::PlaceOutput(record, settings, m_fileSystem, {}, placementFailure);
    if (placementFailure) {
        pageFailed(file, *placementFailure);
        return;
    }
    if (const auto id = m_fileSystem.identity(output); id && sources.contains(*id)) {
        pageFailed(file, copyWarning(file, u"Its copy " + core::TextFromPath(output) +
                                               u" would replace a file of this run itself, so "
                                               u"it was left as it is."));
        return;
    }
    removeStaleTemporariesBeside(output);
    ManifestPage entry;
    entry.source = AbsolutePath(file);
    entry.output = AbsolutePath(output);
    entry.replacedEarlierFile =
        m_fileSystem.stamp(output).has_value() && !m_writtenOutputs.contains(entry.output);
    if (!m_manifestTried) {
        beginManifest();
    }
    files::CopiedFile copied;
    if (const files::FileResult failure = m_fileSystem.copyFile(file, output, copied)) {
        pageFailed(file, copyFailureMessage(file, output, *failure));
        return;
    }
    entry.sourceSize = entry.outputSize = copied.size;
    entry.sourceSha256 = entry.outputSha256 = copied.sha256;
    m_writtenOutputs.insert(entry.output);
    m_manifest.pages.push_back(std::move(entry));
    if (std::chrono::steady_clock::now() - m_manifestWritten >= std::chrono::seconds(2)) {
        writeManifest();
    }
    m_host.fileCopied(file, output);
}

} // namespace quorlane::run
