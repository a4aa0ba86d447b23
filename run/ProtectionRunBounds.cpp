#include "files/OutputPlacement.h"
#include "files/PageLooks.h"
#include "files/modAll.h"
#include "run/ProtectionRun.h"
#include "run/ReplacedFiles.h"

// Where a run stops: at the bounds of the site it was given, at files that are no pages, and
// at files in a copy's target that are not its own to replace.
namespace quorlane::run {

namespace {

core::PathString nameOf(const core::PathString& path)
{
    const std::size_t last = path.rfind(core::pathSeparator);
    return last == core::PathString::npos ? path : path.substr(last + 1);
}

} // namespace

RunNotice PassedOverNotice(const files::PassedOver& passed)
{
    RunNotice notice;
    switch (passed.kind) {
    case files::PassedOver::Kind::SystemFolder:
        notice.kind = RunNotice::Kind::SystemFolder;
        break;
    case files::PassedOver::Kind::PageLeavesSite:
        notice.kind = RunNotice::Kind::PageLeavesSite;
        break;
    case files::PassedOver::Kind::LeavesSite:
        notice.kind = RunNotice::Kind::LinkLeavesSite;
        break;
    }
    notice.path = passed.folder;
    notice.target = passed.target;
    return notice;
}

void ProtectionRun::tellPassedOver(const std::vector<files::PassedOver>& passedOver)
{
    for (const files::PassedOver& passed : passedOver) {
        m_host.notice(PassedOverNotice(passed));
    }
}

bool TakenAsPage(files::FileSystem& fileSystem, const core::PathString& path, bool anyFile)
{
    if (anyFile || files::IsPageName(nameOf(path))) {
        return true;
    }
    // One that cannot be read is taken: reading it will tell what is wrong.
    const files::Result<std::string> start = fileSystem.readPart(path, 0, files::pageLookBytes);
    return start.failed() || files::LooksLikePage(start.value());
}

core::PathString SiteOfFrame(const core::FileRecord& frame)
{
    return frame.RootPath.empty() ? core::PathString(1, core::pathSeparator) : frame.RootPath;
}

bool ProtectionRun::takenAsPage(const core::PathString& path)
{
    return TakenAsPage(m_fileSystem, path, m_anyFile);
}

bool ProtectionRun::frameInsideSite(const core::FileRecord& frame)
{
    const core::PathString site = SiteOfFrame(frame);
    if (files::LiesWithin(frame.fullPath(), site)) {
        return true;
    }
    RunNotice notice;
    notice.kind = RunNotice::Kind::FrameLeavesSite;
    notice.path = files::CollapseSeparators(frame.fullPath());
    notice.target = site;
    m_host.notice(notice);
    return false;
}

std::optional<Refusal> ProtectionRun::othersFilesRefusal()
{
    if (m_settings.saveMode != core::SaveMode::CopyToFolder || m_replaceOthersFiles) {
        return std::nullopt;
    }
    FileIdentities others;
    bool othersKnown = false;
    const auto isRunFile = [&](const files::FileIdentity& id) {
        if (!othersKnown) {
            othersKnown = true;
            for (const core::FileRecord& record : m_otherFiles) {
                if (const auto other = m_fileSystem.identity(record.fullPath())) {
                    others.insert(*other);
                }
            }
        }
        return listedFiles().contains(id) || others.contains(id);
    };
    const core::PathString target = core::PathFromText(m_settings.saveDir);
    const OthersFiles found =
        FindOthersFiles(m_fileSystem, m_filesToProtect, m_otherFiles, target, isRunFile);
    if (found.count == 0) {
        return std::nullopt;
    }
    Refusal refusal;
    refusal.kind = Refusal::Kind::TargetHoldsOthers;
    refusal.field = LockField::SaveDir;
    refusal.path = target;
    refusal.count = found.count;
    refusal.examples = found.examples;
    return refusal;
}

} // namespace quorlane::run
