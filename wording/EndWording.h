#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "run/RunHost.h"

// The words in which the wizard and the command line end a run and its undo.
namespace quorlane::wording {

// What the last status line of a run counts that the run's summary does not.
struct EndCounts
{
    std::size_t failed = 0;           // pages and folders that could not be protected
    std::size_t alreadyProtected = 0; // pages passed over as protected already
};

// The last status line of a run: how far a cancelled run came; that nothing was protected, with
// how many failed or were protected already; else the status line the run came to (lastStatus).
std::u16string FinalStatus(const run::RunSummary& summary, const EndCounts& counts,
                           std::u16string_view lastStatus);
// The same as the window ends with it, which also says why a run stopped at its first page, and
// how many pages could not be protected beside those that were. (The command line reports each
// failure on its own line, and why a run stopped in its message.)
std::u16string FinalStatusInWindow(const run::RunSummary& summary, const EndCounts& counts,
                                   std::u16string_view lastStatus);

// An undo that another run holds up: nothing was undone. withWait: the undo could have waited
// (the command line's --wait).
std::u16string UndoBusyText(const core::PathString& path, bool withWait);

} // namespace quorlane::wording
