#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/PageFindings.h"

// Findings in words, and every diagnostic in the one form that editors and build logs read:
// "FILE:LINE: SEVERITY: MESSAGE [code]". The command line and the wizard show the same lines.
namespace quorlane::wording {

// Which front end's names a sentence gives to the switches and options it mentions.
enum class Front
{
    CommandLine,
    Window,
};

// A finding in one plain sentence.
std::u16string FindingSentence(const core::Finding& finding, Front front);

// What count backups left beside their pages give away, and how to keep them elsewhere.
std::u16string BackupsInSiteText(std::size_t count, Front front);

// "warning" or "note".
std::u16string_view SeverityWord(core::Severity severity);
inline constexpr std::u16string_view errorWord = u"error";

struct Diagnostic
{
    std::u16string file;  // empty for the run as a whole
    std::size_t line = 0; // 1-based; 0 when the finding has no line
    std::u16string_view severity;
    std::u16string message;
    std::string_view code;
};

// The finding of file (empty: of the run as a whole) as a diagnostic.
Diagnostic FindingDiagnostic(std::u16string file, const core::Finding& finding, Front front);

// "FILE:LINE: SEVERITY: MESSAGE [code]": without ":LINE" when there is no line, and from
// SEVERITY on when there is no file. The message's line breaks become spaces.
std::u16string DiagnosticLine(const Diagnostic& diagnostic);

} // namespace quorlane::wording
