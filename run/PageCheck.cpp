#include "run/PageCheck.h"

#include <algorithm>

#include "core/PageTransformer.h"
#include "core/PageVerifier.h"
#include "core/TextSearch.h"
#include "core/Utf8.h"
#include "files/EncodingLabels.h"
#include "files/modAll.h"
#include "run/FrameWalk.h"
#include "run/HandledPaths.h"
#include "run/PagePipeline.h"

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

// What a run would do to each page, up to the making of it: read it, look at it, take on its
// frame pages, and note the prints of what it hides.
class CheckSteps final : public FrameVisitor
{
public:
    CheckSteps(files::FileSystem& fileSystem, const core::ProtectionSettings& settings,
               bool anyFile, CheckReport& report, LeakAudit& audit)
        : m_fileSystem(fileSystem)
        , m_settings(settings)
        , m_anyFile(anyFile)
        , m_handled(fileSystem)
        , m_report(report)
        , m_audit(audit)
    {
    }

    Begun begin(const core::FileRecord& record, bool listed, std::u16string_view& text) override
    {
        const core::PathString path = record.fullPath();
        if (!m_handled.insert(path)) {
            return Begun::Left;
        }
        if (!TakenAsPage(m_fileSystem, path, m_anyFile)) {
            m_report.notPages.push_back(path);
            return Begun::Left;
        }
        auto look = std::make_unique<PageLook>();
        if (const files::Status failure = ReadAndLook(m_fileSystem, path, m_settings, *look);
            failure.failed()) {
            m_handled.forget(path);
            if (listed) {
                PageFailure unread;
                unread.path = path;
                unread.error = failure.error();
                m_report.pages.push_back({path, {}, unread});
            }
            return Begun::Unread;
        }
        if (look->decoded.encodingUnavailable) {
            PageFailure unreadable;
            unreadable.kind = PageFailure::Kind::EncodingUnavailable;
            unreadable.path = path;
            unreadable.detail = look->decoded.declaredCharset;
            m_report.pages.push_back({path, {}, unreadable});
        } else {
            m_report.pages.push_back({path, std::move(look->findings), {}});
        }
        if (look->protectedAlready) {
            return Begun::Left;
        }
        if (!look->decoded.encodingUnavailable) {
            text = look->decoded.text;
        }
        m_open.emplace_back(record, std::move(look));
        return Begun::Page;
    }

    bool frameInside(const core::FileRecord& frame) override
    {
        return files::LiesWithin(frame.fullPath(), SiteOfFrame(frame));
    }

    void finish(bool framesHandled) override
    {
        const auto& [record, look] = m_open.back();
        if (!framesHandled && !look->decoded.encodingUnavailable) {
            m_audit.addPage(record, record.fullPath(),
                            HiddenTextPrints(look->decoded.text, m_settings.protectMode));
        }
        m_open.pop_back();
    }

private:
    files::FileSystem& m_fileSystem;
    const core::ProtectionSettings& m_settings;
    const bool m_anyFile;
    HandledPaths m_handled;
    CheckReport& m_report;
    LeakAudit& m_audit;
    std::vector<std::pair<core::FileRecord, std::unique_ptr<PageLook>>> m_open;
};

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
    CheckSteps steps(fileSystem, settings, anyFile, report, audit);
    for (const core::FileRecord& record : list) {
        WalkFrames(record, steps);
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
