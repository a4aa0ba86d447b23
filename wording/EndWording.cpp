#include "wording/EndWording.h"

#include "wording/Counted.h"
#include "wording/RunWording.h"

namespace quorlane::wording {

namespace {

std::u16string decimal(std::size_t n)
{
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

// "No files have been protected: 2 failed, 1 already protected".
std::u16string nothingProtected(const EndCounts& counts)
{
    std::u16string status = u"No files have been protected";
    const std::pair<std::size_t, std::u16string_view> parts[] = {
        {counts.failed, u" failed"},
        {counts.alreadyProtected, u" already protected"},
    };
    std::u16string_view glue = u": ";
    for (const auto& [count, what] : parts) {
        if (count > 0) {
            status += std::u16string(glue) + decimal(count) + std::u16string(what);
            glue = u", ";
        }
    }
    return status;
}

} // namespace

std::u16string FinalStatus(const run::RunSummary& summary, const EndCounts& counts,
                           std::u16string_view lastStatus)
{
    if (summary.cancelled) {
        return u"Cancelled after " + decimal(summary.taken) + u" " +
               Counted(summary.listed, ofPages);
    }
    // A run turned away after its scan says no more than the scan did.
    if (summary.recorded == 0 && (summary.listed > 0 || lastStatus == scanningText)) {
        return nothingProtected(counts);
    }
    return std::u16string(lastStatus);
}

std::u16string FinalStatusInWindow(const run::RunSummary& summary, const EndCounts& counts,
                                   std::u16string_view lastStatus)
{
    if (!summary.cancelled && summary.targetUnwritable) {
        return StopMessage(*summary.targetUnwritable).text;
    }
    std::u16string status = FinalStatus(summary, counts, lastStatus);
    if (!summary.cancelled && summary.recorded > 0 && counts.failed > 0) {
        status += u"; " + decimal(counts.failed) + u" could not be protected";
    }
    return status;
}

std::u16string UndoBusyText(const core::PathString& path, bool withWait)
{
    run::Refusal busy;
    busy.kind = run::Refusal::Kind::OtherRunAtWork;
    busy.path = path;
    return StatusAfter(busy) +
           (withWait ? u" Nothing was undone; try again when it has finished, or give --wait."
                     : u" Nothing was undone; please try again when it has finished.");
}

} // namespace quorlane::wording
