#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "run/RunHost.h"
#include "run/RunManifest.h"
#include "wording/Message.h"

// The words in which the wizard and the command line tell what a run did: the same messages and
// status lines in both.
namespace quorlane::wording {

inline constexpr std::u16string_view scanningText = u"Scanning for files, please wait...";

Message RefusalMessage(const run::Refusal& refusal);
// The message of a notice that has one.
std::optional<Message> NoticeMessage(const run::RunNotice& notice);
// Files published beside protected pages that give away what the pages hide, and what to do.
Message LeakMessage(const run::PublishedLeak& leak);
Message FailureMessage(const run::PageFailure& failure);
// The message of a skipped page that the user should hear of: one that is not a page.
std::optional<Message> SkipMessage(const run::PageOutcome& outcome);
// Why a copy stopped at its first page: nothing can be written into its target folder.
Message StopMessage(const run::FailureCause& cause);

// The status line above the results after each event; empty when the event leaves it as it is.
std::u16string StatusAfter(const run::Refusal& refusal);
std::u16string StatusAfter(const run::RunNotice& notice);
std::u16string StatusAfter(const run::RunStart& start);
std::u16string StatusAfter(const run::PageOutcome& outcome);

// Why a run cannot be undone from its record, after the record's name: "it is not ...".
std::string ManifestProblemText(const run::ManifestProblem& problem);

// "Unknown Error " + code, CR LF, and the description, which names the file when one is given.
std::u16string UnknownErrorText(const files::FileError& error, const core::PathString& file = {});

} // namespace quorlane::wording
