#pragma once

#include <optional>
#include <vector>

#include "core/PageFindings.h"
#include "files/FileSystem.h"
#include "files/PageCodec.h"
#include "run/LeakAudit.h"
#include "run/ProtectionRun.h"

namespace quorlane::run {

// Every finding of one page: those of its text, a declared encoding it was not read in, and
// its size.
std::vector<core::Finding> CheckPage(const files::DecodedPage& page, std::uint64_t size,
                                     core::ProtectMode mode);

struct PageCheckResult
{
    core::PathString page;
    std::vector<core::Finding> findings;
    std::optional<PageFailure> failure; // the page could not be read
};

struct CheckReport
{
    std::vector<PageCheckResult> pages;
    std::vector<files::PassedOver> passedOver; // folders outside the sites, not entered
    std::vector<core::PathString> notPages;    // files named on their own that are no pages
    std::vector<core::Finding> runFindings;    // for the run as a whole
    std::vector<PublishedLeak> leaks; // files published beside the pages that give them away
};

// Looks at every page a protection run over selection would take on, frame pages included,
// and writes nothing at all: no page, no folder, no lock, no temporary file. It stays in the
// sites as the run does: no folder outside them, no frame page out of them, no file that is no
// page unless anyFile, nothing that exclude leaves out.
CheckReport CheckSelection(files::FileSystem& fileSystem,
                           const std::vector<SelectionEntry>& selection,
                           const core::ProtectionSettings& settings, bool anyFile = false,
                           const files::ExcludePatterns& exclude = {},
                           const files::ExcludePatterns& publishAnyway = {});

} // namespace quorlane::run
