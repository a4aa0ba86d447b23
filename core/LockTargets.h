#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ProtectionSettings.h"

// What the domain lock and the URL lock compare with in the page: the hosts and the address
// written the way a browser reports them, so that a lock typed with capitals, a query, a
// fragment or the other scheme still shows its page.
namespace quorlane::core {

// The entries of a domain lock's text: separated by commas, blanks, tabs, CR and LF, empty ones
// left out.
std::vector<std::u16string_view> LockDomainEntries(std::u16string_view text);

// One entry as the page compares it: ASCII letters lower-cased, and a host outside ASCII in its
// IDNA ASCII form (a leading "." kept) when toAscii is given and takes it.
std::u16string LockHost(std::u16string_view entry, HostToAscii toAscii);

// The address the URL lock compares with: trimmed, "http://" put in front when it has no
// "://", cut at its query or fragment, without a leading "http:" or "https:", the host written
// as LockHost does, "/" after a bare host, and every character after the host that is not
// printable ASCII percent-escaped as UTF-8.
std::u16string LockAddress(std::u16string_view url, HostToAscii toAscii);

// Which lock text a problem is in.
enum class LockText
{
    Domain,
    Url,
};

struct LockProblem
{
    LockText text;
    std::u16string message; // names the entry at fault
};

// Why a lock that is on cannot work, or nothing, with what is expected instead. Each entry of
// the domain lock must be a host name (letters, digits and hyphens in labels between dots, in
// the IDNA ASCII form when typed otherwise), with an optional leading "." that admits every
// host below it; the URL lock must be an http or https address whose host is such a name, with
// an optional port.
std::optional<LockProblem> FindLockProblem(const ProtectionSettings& settings);

} // namespace quorlane::core
