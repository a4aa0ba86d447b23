#include "run/ProtectionRun.h"

#include <stdexcept>

#include "core/PageTransformer.h"
#include "core/TextSearch.h"
#include "core/Utf8.h"
#include "files/OutputPlacement.h"
#include "files/PageCodec.h"
#include "files/modAll.h"

namespace quorlane::run {

namespace {

using files::FileError;
using files::Message;

// A page that could not be read: it ends the per-file step and goes to its caller, which
// reports it for a listed page and stops the frame handling for a frame page.
struct PageReadFailure : std::runtime_error
{
    PageReadFailure(core::PathString page, FileError error)
        : std::runtime_error("page read failure")
        , page(std::move(page))
        , error(std::move(error))
    {
    }
    core::PathString page;
    FileError error;
};

bool blank(std::u16string_view text)
{
    return text.find_first_not_of(u' ') == std::u16string_view::npos;
}

std::u16string decimal(std::size_t n)
{
    std::u16string digits;
    for (char c : std::to_string(n)) {
        digits.push_back(static_cast<char16_t>(c));
    }
    return digits;
}

Message writeFailureMessage(const core::PathString& output, const FileError& error)
{
    if (error.kind == FileError::Kind::Access) {
        return {Message::Icon::Warning, u"Quorlane",
                u"Unable to Access File: " + core::TextFromPath(output) +
                    u".\r\nThe file may be read-only."};
    }
    return {Message::Icon::Warning, u"Quorlane", files::UnknownErrorText(error, output)};
}

} // namespace

Message ReadFailureMessage(const core::PathString& page, const FileError& error)
{
    return {Message::Icon::Warning, u"Quorlane",
            u"Unable to Read File: " + core::TextFromPath(page) + u".\r\n" +
                core::Utf8ToUtf16(error.text)};
}

ProtectionRun::ProtectionRun(RunHost& host, files::FileSystem& fileSystem)
    : m_host(host)
    , m_fileSystem(fileSystem)
    , m_handledPaths(fileSystem)
{
}

bool ProtectionRun::locksRefused(const core::ProtectionSettings& settings)
{
    struct Check
    {
        bool on;
        const std::u16string& text;
        LockField field;
        std::u16string_view message;
    };
    const Check checks[] = {
        {settings.domainLock, settings.lockDomain, LockField::Domain, u"Please Enter a Domain"},
        {settings.urlLock, settings.lockUrl, LockField::Url, u"Please Enter a URL"},
        {settings.passwordProtect, settings.password, LockField::Password,
         u"Please Enter a Password"},
        {settings.saveMode == core::SaveMode::CopyToFolder, settings.saveDir, LockField::SaveDir,
         u"Please Enter a Folder"},
    };
    for (const Check& check : checks) {
        if (check.on && blank(check.text)) {
            m_host.refuseLock(check.field);
            m_host.showMessage(
                {Message::Icon::Warning, u"Quorlane", std::u16string(check.message)});
            return true;
        }
    }
    return false;
}

void ProtectionRun::RunProtection(const std::vector<SelectionEntry>& selection)
{
    m_filesToProtect = {};
    m_results.clear();
    m_host.clearResults();
    if (selection.empty()) {
        m_host.setStatus(u"No files were picked to be protected.");
        m_host.showMessage(
            {Message::Icon::Warning, u"Quorlane", u"No files were picked to be protected"});
        return;
    }
    if (locksRefused(m_host.settings()) || !prepareSealing(m_host.settings())) {
        return;
    }
    m_host.setStatus(scanningText);
    buildList(selection);
    m_host.setResultsVisible(false);
    if (m_filesToProtect.Count() == 0) {
        m_host.setStatus(u"No files found to protect");
    }
    protectListed();
    m_sealer.reset();
    m_host.finished();
}

void ProtectionRun::buildList(const std::vector<SelectionEntry>& selection)
{
    for (const SelectionEntry& entry : selection) {
        if (entry.isFolder) {
            core::PathString rootPath;
            files::ScanFolder(m_fileSystem, entry.path, rootPath, m_filesToProtect);
        } else {
            m_filesToProtect.add({}, entry.path);
        }
    }
}

std::uint64_t ProtectionRun::sizeOf(const core::PathString& path)
{
    std::uint64_t size = 0;
    // A page whose size cannot be taken counts as empty; reading it will tell what is wrong.
    return m_fileSystem.fileSize(path, size) ? 0 : size;
}

void ProtectionRun::protectListed()
{
    m_handledPaths.clear();
    std::uint64_t total = 0;
    std::uint64_t done = 0;
    for (const core::FileRecord& record : m_filesToProtect) {
        total += sizeOf(record.fullPath());
    }
    m_host.setResultsVisible(true);
    for (core::FileRecord& record : m_filesToProtect) {
        if (m_host.cancelRequested()) {
            break;
        }
        done += sizeOf(record.fullPath());
        try {
            ProtectFile(record);
        } catch (const PageReadFailure& failure) {
            m_host.pageFailed(failure.page, ReadFailureMessage(failure.page, failure.error));
        } catch (const core::SealingFailure& failure) {
            m_host.pageFailed(record.fullPath(), SealingFailureMessage(record.fullPath(), failure));
        }
        const double share = total == 0 ? 0.0 : static_cast<double>(done) / total * 100.0;
        m_host.progress(static_cast<float>(share), done, total);
        m_host.yield();
    }
}

// A page read and waiting for its frame pages, which are taken on one by one before it is
// finished. Held on the heap: its scanner looks into its text.
struct ProtectionRun::PendingPage
{
    core::FileRecord record;
    core::PathString path;
    files::DecodedPage decoded;
    core::FrameScanner frames{decoded.text};
    bool framesFailed = false;
};

// The per-file step. A frameset's frame pages go through the same step, each completely, before
// the frameset goes on; they wait on a stack of their own rather than in nested calls, so that
// no chain of frames, however deep, can exhaust the program's stack.
void ProtectionRun::ProtectFile(const core::FileRecord& record)
{
    std::vector<std::unique_ptr<PendingPage>> pending;
    if (auto page = beginPage(record)) {
        pending.push_back(std::move(page));
    }
    while (!pending.empty()) {
        PendingPage& top = *pending.back();
        std::u16string source;
        const core::FrameScanner::Next next =
            top.framesFailed ? core::FrameScanner::Next::End : top.frames.next(source);
        if (next == core::FrameScanner::Next::Frame) {
            if (const std::optional<core::FileRecord> frame =
                    core::FramePageRecord(top.record, source)) {
                try {
                    if (auto page = beginPage(*frame)) {
                        pending.push_back(std::move(page));
                    }
                } catch (const PageReadFailure&) {
                    top.framesFailed = true; // the frameset is then protected as a page
                }
            }
            continue;
        }
        if (next == core::FrameScanner::Next::Broken) {
            top.framesFailed = true;
        }
        const std::unique_ptr<PendingPage> done = std::move(pending.back());
        pending.pop_back();
        finishPage(*done, done->frames.foundAny() && !done->framesFailed);
    }
}

// Reads a page, unless it is to be left alone; a page that cannot be read throws.
std::unique_ptr<ProtectionRun::PendingPage> ProtectionRun::beginPage(const core::FileRecord& record)
{
    if (m_host.cancelRequested()) {
        return nullptr;
    }
    const core::PathString path = record.fullPath();
    if (!m_handledPaths.insert(path)) {
        m_host.pageSkipped(path, SkipReason::AlreadyHandled);
        return nullptr;
    }
    std::string bytes;
    if (const files::FileResult failure = m_fileSystem.readFile(path, bytes)) {
        throw PageReadFailure(path, *failure);
    }
    auto page = std::make_unique<PendingPage>();
    page->record = record;
    page->path = path;
    page->decoded = files::DecodePage(bytes);
    page->frames = core::FrameScanner(page->decoded.text);
    if (core::FindExact(page->decoded.text, core::protectedPageMarker) != core::npos) {
        m_host.pageSkipped(path, SkipReason::AlreadyProtected);
        return nullptr;
    }
    return page;
}

// Transforms (a frameset whose frames were handled stays as it is), places, writes, records.
void ProtectionRun::finishPage(PendingPage& page, bool framesHandled)
{
    const core::ProtectionSettings settings = m_host.settings();
    std::u16string& text = page.decoded.text;
    if (!framesHandled) {
        core::ProtectOrdinaryPage(text, settings, page.decoded.declaredCharset, m_sealer.get());
    }
    text += core::protectedPageMarker;

    std::optional<Message> placementFailure;
    const core::PathString output =
        files::PlaceOutput(page.record, settings, m_fileSystem, placementFailure);
    if (placementFailure) {
        // The backup failed: the page is left as it is, and not written.
        m_host.pageFailed(page.path, *placementFailure);
        return;
    }
    const std::string encoded = files::EncodePage(text, page.decoded.encoding);
    text = std::u16string();
    if (const files::FileResult failure = m_fileSystem.writeFile(output, encoded)) {
        if (failure->kind != FileError::Kind::InvalidArgument) {
            m_host.pageFailed(page.path, writeFailureMessage(output, *failure));
            return;
        }
    }
    RecordResult(page.path, page.record, output);
}

void ProtectionRun::RecordResult(const core::PathString& page, const core::FileRecord& record,
                                 const core::PathString& output)
{
    const ResultsTree::Added added = m_results.add(record);
    m_host.resultRecorded(m_results, added, page, record, output);
    m_host.setStatus(u"The following " + decimal(m_results.pageCount()) +
                     u" files have been protected");
}

} // namespace quorlane::run
