// The audit of what a run publishes beside its pages: files that say what the pages hide.

#include <algorithm>

#include "run/ProtectionRun.h"

namespace quorlane::run {

namespace {

bool Encrypts(const core::ProtectionSettings& settings)
{
    return settings.passwordProtect && settings.encryptHiddenPart;
}

} // namespace

// A page made ahead of its turn brings its prints; any other is read for them here.
void ProtectionRun::notePrints(const core::FileRecord& place, const core::PathString& page,
                               std::optional<TextPrints>& made, std::u16string_view original)
{
    if (made) {
        m_audit.addPage(place, page, *made);
        made.reset();
        return;
    }
    m_audit.addPage(place, page, HiddenTextPrints(original, m_settings.protectMode));
}

bool ProtectionRun::withheldFromCopy(const core::FileRecord& file)
{
    if (m_publishAnyway.excludes(RelativeText(file), false)) {
        return false;
    }
    const bool encrypts = Encrypts(m_settings);
    return m_audit.audit(m_fileSystem, file, encrypts) && encrypts;
}

void ProtectionRun::auditNeighbours()
{
    for (const core::FileRecord& file : m_neighbours) {
        if (m_host.cancelRequested()) {
            return;
        }
        if (!m_publishAnyway.excludes(RelativeText(file), false)) {
            m_audit.audit(m_fileSystem, file, false);
        }
    }
}

void ProtectionRun::tellLeaks(RunSummary& summary)
{
    summary.leaks = m_audit.leaks();
    for (const PublishedLeak& leak : summary.leaks) {
        RunNotice notice;
        notice.kind = RunNotice::Kind::HiddenTextPublished;
        notice.path = leak.firstFile;
        notice.target = leak.firstPage;
        notice.leak = leak;
        m_host.notice(notice);
    }
}

} // namespace quorlane::run
