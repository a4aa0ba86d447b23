#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/ProtectionSettings.h"

// What protection would break or leave open on a page, found in its text before anything is
// written. Findings carry a code, where they were found and the data that explains them; the
// front ends put them in words.
namespace quorlane::core {

enum class FindingCode
{
    CspBlocksInline,    // a CSP meta element refuses inline scripts: the page stays hidden
    CspBlocksEval,      // a CSP meta element refuses eval, which the page script block uses
    EncodingFallback,   // the page does not decode in the encoding it declares
    FrameOnOtherHost,   // a frame on another host stays unprotected
    AlreadyProtected,   // the page carries the protected-page marker and is left alone
    NoScriptSeesNotice, // in whole and body mode, visitors and search engines without
                        // scripts see only the notice (once per run)
    ScriptWrittenLinks, // links that the page's own scripts write, which the link modes miss
    PageTooLarge,       // a page over pageSizeLimit bytes
    BackupsInSite,      // count backups beside their pages hold them in clear, in the site (once
                        // per run)
    GeckoTurnedAway,    // BlockNetscape sends every Gecko browser (Firefox) to a blank page
    OfflineBlank,       // NoOffline blanks every page opened from disk, the site's own files too
};

enum class Severity
{
    Information,
    Warning,
};

struct Finding
{
    FindingCode code = FindingCode::AlreadyProtected;
    Severity severity = Severity::Warning;
    std::size_t line = 0;  // 1-based, of the first occurrence; 0 for the run as a whole
    std::size_t count = 1; // occurrences on the page
    // What was found: the policy's directive, the declared label, the frame's source, the
    // size in bytes; empty when the code says it all.
    std::u16string detail;

    bool operator==(const Finding&) const = default;
};

inline constexpr std::uint64_t pageSizeLimit = 50ull * 1024 * 1024;

// The short, stable name of a code, as reports and scripts use it ("csp-inline", ...).
std::string_view FindingCodeName(FindingCode code);

// The findings that the page text alone shows: CSP meta elements, frames on other hosts, the
// marker, and (in the link modes) links inside scripts that write markup.
std::vector<Finding> FindInPageText(std::u16string_view page, ProtectMode mode);

// The findings for the run as a whole: what visitors without scripts see in the protect mode
// chosen, and the switches that shut visitors out.
std::vector<Finding> FindForRun(const ProtectionSettings& settings);

} // namespace quorlane::core
