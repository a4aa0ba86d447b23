#pragma once

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "core/PageFindings.h"
#include "run/RunHost.h"

namespace quorlane::cli {

// A finding in one plain sentence, as the command line words it.
std::string FindingSentence(const core::Finding& finding);

// What count backups left beside their pages give away.
std::string BackupsInSiteText(std::size_t count);

// A finding of page as standard error shows it: "PAGE:LINE: warning: MESSAGE [code]", the page
// as the user would type it. One of the run as a whole (page empty) is the program's own:
// "quorlane-cli: warning: MESSAGE [code]".
std::string FindingLine(const core::PathString& page, const core::Finding& finding);

// Files published beside the pages that give away what they hide, as standard error shows it:
// "FILE: warning: MESSAGE [hidden-text-published]", the first of the files named.
std::string LeakLine(const run::PublishedLeak& leak);

// A page or file that failed, as standard error shows it: "FILE: error: MESSAGE [code]", FILE
// being the file at fault, the code the kind of failure ("write-failed", "read-failed", ...).
std::string FailureLine(const run::PageFailure& failure);

// The same finding in the JSON documents: {"file", "line", "severity", "code", "message",
// "count"}, with null for the file and the line of a finding that has none.
nlohmann::ordered_json FindingJson(const core::PathString& page, const core::Finding& finding);

// The findings of a page (of the run as a whole for an empty page) as a JSON array; shown, when
// given, picks those that are told.
nlohmann::ordered_json
FindingsJson(const core::PathString& page, const std::vector<core::Finding>& findings,
             const std::function<bool(const core::Finding&)>& shown = nullptr);

} // namespace quorlane::cli
