#include "run/PageCheck.h"

#include <algorithm>

#include "core/PageTransformer.h"
#include "core/PageVerifier.h"
#include "core/TextSearch.h"
#include "core/Utf8.h"
#include "files/EncodingLabels.h"
#include "files/modAll.h"
#include "run/HandledPaths.h"

namespace quorlane::run {

namespace {

std::u16string decimal(std::uint64_t n)
{
    return core::Utf8ToUtf16(std::to_string(n));
}

// The backups a run would leave beside their pages: one for each page it would overwrite.
std::size_t backupsInSite(const CheckReport& report, const core::ProtectionSettings& settings)
{
    if (settings.saveMode != core::SaveMode::Overwrite || !settings.makeBackups ||
        !settings.backupDir.empty()) {
        return 0;
    }
    std::size_t count = 0;
    for (const PageCheckResult& page : report.pages) {
        const bool protectedAlready = std::any_of(
            page.findings.begin(), page.findings.end(), [](const core::Finding& finding) {
                return finding.code == core::FindingCode::AlreadyProtected;
            });
        count += page.failure || protectedAlready ? 0 : 1;
    }
    return count;
}

} // namespace

std::vector<core::Finding> CheckPage(const files::DecodedPage& page, std::uint64_t size,
                                     core::ProtectMode mode)
{
    std::vector<core::Finding> findings = core::FindInPageText(page.text, mode);
    const std::optional<files::Encoding> declared = files::DeclaredEncoding(page.declaredCharset);
    if (declared && *declared != page.encoding.kind) {
        const std::size_t at = core::FindIgnoreCase(page.text, u"charset=");
        findings.push_back({core::FindingCode::EncodingFallback, core::Severity::Warning,
                            at == core::npos ? 1 : core::LineAt(page.text, at), 1,
                            core::Utf8ToUtf16(page.declaredCharset) + u" " +
                                core::Utf8ToUtf16(std::string(page.encoding.name()))});
    }
    if (size > core::pageSizeLimit) {
        findings.push_back(
            {core::FindingCode::PageTooLarge, core::Severity::Warning, 1, 1, decimal(size)});
    }
    return findings;
}

CheckReport CheckSelection(files::FileSystem& fileSystem,
                           const std::vector<SelectionEntry>& selection,
                           const core::ProtectionSettings& settings, bool anyFile,
                           const files::ExcludePatterns& exclude,
                           const files::ExcludePatterns& publishAnyway)
{
    CheckReport report;
    files::clsFiles list;
    files::ScanOptions options;
    options.passedOver = &report.passedOver;
    options.exclude = &exclude;
    const bool copy = settings.saveMode == core::SaveMode::CopyToFolder;
    if (copy) {
        options.skipFolder = fileSystem.identity(core::PathFromText(settings.saveDir));
    }
    files::clsFiles others; // published beside the pages: what they give away is told
    options.otherFiles = copy && settings.copyPagesOnly ? nullptr : &others;
    LeakAudit audit;
    for (const SelectionEntry& entry : selection) {
        if (entry.isFolder) {
            core::PathString rootPath;
            files::ScanFolder(fileSystem, entry.path, rootPath, list, options);
        } else {
            list.add({}, entry.path);
        }
    }
    HandledPaths handled(fileSystem);
    // Frame pages are pages of the run too: they wait on a stack, as in the run.
    // A frame that cannot be read only ends the frame handling of its frameset, as in the run.
    std::vector<std::pair<core::FileRecord, bool>> pending;
    for (auto it = list.end(); it != list.begin();) {
        pending.emplace_back(*--it, false);
    }
    while (!pending.empty()) {
        const auto [record, isFrame] = pending.back();
        pending.pop_back();
        const core::PathString path = record.fullPath();
        if (!handled.insert(path)) {
            continue;
        }
        if (!TakenAsPage(fileSystem, path, anyFile)) {
            report.notPages.push_back(path);
            continue;
        }
        std::string bytes;
        files::FileStamp stamp;
        if (const files::FileResult failure = fileSystem.readFile(path, bytes, stamp)) {
            if (!isFrame) {
                PageFailure unread;
                unread.path = path;
                unread.error = *failure;
                report.pages.push_back({path, {}, unread});
            }
            continue;
        }
        const files::DecodedPage page = files::DecodePage(bytes);
        if (page.encodingUnavailable) {
            PageFailure unreadable;
            unreadable.kind = PageFailure::Kind::EncodingUnavailable;
            unreadable.path = path;
            unreadable.detail = page.declaredCharset;
            report.pages.push_back({path, {}, unreadable});
            continue;
        }
        report.pages.push_back({path, CheckPage(page, bytes.size(), settings.protectMode), {}});
        if (core::FindExact(page.text, core::protectedPageMarker) != core::npos) {
            continue;
        }
        core::FrameScanner frames(page.text);
        std::u16string source;
        std::vector<std::pair<core::FileRecord, bool>> framePages;
        while (frames.next(source) == core::FrameScanner::Next::Frame) {
            if (const auto frame = core::FramePageRecord(record, source);
                frame && files::LiesWithin(frame->fullPath(), SiteOfFrame(*frame))) {
                framePages.emplace_back(*frame, true);
            }
        }
        if (!frames.foundAny()) {
            audit.addPage(record, path, HiddenTextPrints(page.text, settings.protectMode));
        }
        pending.insert(pending.end(), framePages.rbegin(), framePages.rend());
    }
    if (!report.pages.empty()) {
        report.runFindings = core::FindForRun(settings);
    }
    if (const std::size_t backups = backupsInSite(report, settings)) {
        report.runFindings.push_back(
            {core::FindingCode::BackupsInSite, core::Severity::Warning, 0, backups, {}});
    }
    // An encrypted copy would leave out what gives its pages away.
    const bool withheld = copy && settings.passwordProtect && settings.encryptHiddenPart;
    for (const core::FileRecord& file : others) {
        if (!publishAnyway.excludes(RelativeText(file), false)) {
            audit.audit(fileSystem, file, withheld);
        }
    }
    report.leaks = audit.leaks();
    return report;
}

} // namespace quorlane::run
