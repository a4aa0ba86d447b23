#include "cli/FindingText.h"

#include <nlohmann/json.hpp>

#include "cli/ConsoleHost.h"
#include "cli/ShownPath.h"
#include "core/Utf8.h"
#include "run/ManifestFields.h"
#include "wording/FindingWording.h"
#include "wording/RunWording.h"

namespace quorlane::cli {

using wording::Front;

namespace {

std::string_view failureCode(run::PageFailure::Kind kind)
{
    using Kind = run::PageFailure::Kind;
    switch (kind) {
    case Kind::ReadFailed:
        return "read-failed";
    case Kind::FolderUnreadable:
        return "folder-unreadable";
    case Kind::BackupFailed:
        return "backup-failed";
    case Kind::WriteFailed:
        return "write-failed";
    case Kind::ReadBackFailed:
        return "read-back-failed";
    case Kind::NotInEncoding:
        return "not-in-encoding";
    case Kind::NotVerified:
        return "not-verified";
    case Kind::ChangedOnDisk:
        return "changed-on-disk";
    case Kind::HardLinks:
        return "hard-links";
    case Kind::OutputIsListed:
        return "output-is-listed";
    case Kind::SealingFailed:
        return "sealing-failed";
    case Kind::OutsideTarget:
        return "outside-target";
    case Kind::CopyFailed:
        return "copy-failed";
    case Kind::CopyLeavesFolder:
        return "copy-leaves-folder";
    case Kind::CopyIsSource:
        return "copy-is-source";
    case Kind::FolderNotMade:
        return "folder-not-made";
    case Kind::RecordFailed:
        return "record-failed";
    case Kind::BackupNotOurs:
        return "backup-not-ours";
    case Kind::OutsideRecord:
        return "outside-record";
    case Kind::EncodingUnavailable:
        break;
    }
    return "encoding-unavailable";
}

} // namespace

std::string BackupsInSiteText(std::size_t count)
{
    return core::Utf16ToUtf8(wording::BackupsInSiteText(count, Front::CommandLine));
}

std::string FindingSentence(const core::Finding& finding)
{
    return core::Utf16ToUtf8(wording::FindingSentence(finding, Front::CommandLine));
}

std::string FindingLine(const core::PathString& page, const core::Finding& finding)
{
    const std::u16string file = core::TextFromPath(ShownPath(page));
    const std::string line = TerminalText(
        wording::DiagnosticLine(wording::FindingDiagnostic(file, finding, Front::CommandLine)));
    return page.empty() ? "quorlane-cli: " + line : line;
}

std::string LeakLine(const run::PublishedLeak& leak)
{
    const wording::Diagnostic diagnostic{core::TextFromPath(ShownPath(leak.firstFile)), 0,
                                         u"warning", wording::LeakMessage(leak).text,
                                         "hidden-text-published"};
    return TerminalText(wording::DiagnosticLine(diagnostic));
}

std::string FailureLine(const run::PageFailure& failure)
{
    const wording::Diagnostic diagnostic{core::TextFromPath(ShownPath(failure.path)), 0,
                                         wording::errorWord, wording::FailureMessage(failure).text,
                                         failureCode(failure.kind)};
    const std::string line = TerminalText(wording::DiagnosticLine(diagnostic));
    return failure.path.empty() ? "quorlane-cli: " + line : line;
}

nlohmann::ordered_json FindingJson(const core::PathString& page, const core::Finding& finding)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    if (page.empty()) {
        json["file"] = nullptr;
    } else {
        run::manifest::putPath(json, "file", ShownPath(page));
    }
    if (page.empty() || finding.line == 0) {
        json["line"] = nullptr;
    } else {
        json["line"] = finding.line;
    }
    json["severity"] = core::Utf16ToUtf8(wording::SeverityWord(finding.severity));
    json["code"] = std::string(core::FindingCodeName(finding.code));
    json["message"] = FindingSentence(finding);
    json["count"] = finding.count;
    return json;
}

nlohmann::ordered_json FindingsJson(const core::PathString& page,
                                    const std::vector<core::Finding>& findings,
                                    const std::function<bool(const core::Finding&)>& shown)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    for (const core::Finding& finding : findings) {
        if (!shown || shown(finding)) {
            json.push_back(FindingJson(page, finding));
        }
    }
    return json;
}

} // namespace quorlane::cli
