#include "core/LockTargets.h"

#include <algorithm>

#include "core/TextSearch.h"
#include "core/Utf8.h"

namespace quorlane::core {

namespace {

bool isListSeparator(char16_t c)
{
    return c == u',' || c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isAscii(std::u16string_view text)
{
    for (char16_t c : text) {
        if (c > 0x7F) {
            return false;
        }
    }
    return true;
}

// A character that no host name holds: those a browser refuses in a host, and every blank.
bool isForbiddenInHost(char16_t c)
{
    if (c <= 0x20 || c == 0x7F || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
        c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF) {
        return true;
    }
    return std::u16string_view(u"/:@?#[]\\<>^|%").find(c) != std::u16string_view::npos;
}

std::u16string lowerAscii(std::u16string_view text)
{
    std::u16string lower(text);
    for (char16_t& c : lower) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return lower;
}

// The host in ASCII, or nothing when it is outside ASCII and cannot be converted.
std::optional<std::u16string> asciiHost(std::u16string_view host, HostToAscii toAscii)
{
    std::u16string lower = lowerAscii(host);
    if (isAscii(lower) || toAscii == nullptr) {
        return lower;
    }
    return toAscii(lower);
}

std::optional<std::u16string> asciiEntry(std::u16string_view entry, HostToAscii toAscii)
{
    const bool dotted = !entry.empty() && entry.front() == u'.';
    std::optional<std::u16string> host = asciiHost(entry.substr(dotted ? 1 : 0), toAscii);
    if (host && dotted) {
        host->insert(host->begin(), u'.');
    }
    return host;
}

// The URL lock's text up to its host, the host, and the rest, as the lock reads them.
struct AddressParts
{
    std::u16string head; // "//", or everything before and including the "//" of another scheme
    std::u16string host;
    std::u16string rest;
    bool hasHost = false; // whether the text has a "//" to find a host after
};

AddressParts addressParts(std::u16string_view url)
{
    constexpr std::u16string_view trimmed = u" \t\r\n";
    const std::size_t first = url.find_first_not_of(trimmed);
    std::u16string text(
        first == npos ? u"" : url.substr(first, url.find_last_not_of(trimmed) - first + 1));
    if (FindExact(text, u"://") == npos) {
        text.insert(0, u"http://");
    }
    text.resize(std::min(text.size(), text.find_first_of(u"?#")));
    if (MatchesIgnoreCase(text, 0, u"http:")) {
        text.erase(0, 5);
    } else if (MatchesIgnoreCase(text, 0, u"https:")) {
        text.erase(0, 6);
    }
    AddressParts parts;
    const std::size_t slashes = FindExact(text, u"//");
    if (slashes == npos) {
        parts.rest = text;
        return parts;
    }
    const std::size_t hostStart = slashes + 2;
    const std::size_t hostEnd = std::min(text.size(), FindUnit(text, u'/', hostStart));
    parts.hasHost = true;
    parts.head = text.substr(0, hostStart);
    parts.host = text.substr(hostStart, hostEnd - hostStart);
    parts.rest = text.substr(hostEnd);
    return parts;
}

// The host of an address, with user name and port left as they are; only the name is converted.
std::optional<std::u16string> asciiAddressHost(std::u16string_view host, HostToAscii toAscii)
{
    const std::size_t at = host.rfind(u'@');
    const std::size_t nameStart = at == npos ? 0 : at + 1;
    const std::size_t nameEnd = std::min(host.size(), FindUnit(host, u':', nameStart));
    const std::optional<std::u16string> name =
        asciiHost(host.substr(nameStart, nameEnd - nameStart), toAscii);
    if (!name) {
        return std::nullopt;
    }
    return lowerAscii(host.substr(0, nameStart)) + *name + lowerAscii(host.substr(nameEnd));
}

void appendPrintable(std::u16string& out, std::u16string_view text)
{
    constexpr char16_t hex[] = u"0123456789ABCDEF";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0x21 && c <= 0x7E) {
            out += c;
            continue;
        }
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        std::string bytes;
        AppendUtf16AsUtf8(bytes, text.substr(i, pair ? 2 : 1), "\xEF\xBF\xBD");
        i += pair ? 1 : 0;
        for (unsigned char byte : bytes) {
            out += u'%';
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
    }
}

std::u16string quotedText(std::u16string_view text)
{
    return u"\"" + std::u16string(text) + u"\"";
}

// A host name as a browser reports it: labels of ASCII letters, digits and hyphens, none empty,
// none longer than 63 or beginning or ending with a hyphen, 253 characters in all at most.
// Addresses written as four numbers are host names of this kind too.
bool isHostName(std::u16string_view name)
{
    if (name.empty() || name.size() > 253) {
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.size(), name.find(u'.', start));
        const std::u16string_view label = name.substr(start, end - start);
        if (label.empty() || label.size() > 63 || label.front() == u'-' || label.back() == u'-') {
            return false;
        }
        for (char16_t c : label) {
            const bool letterOrDigit =
                (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
            if (!letterOrDigit && c != u'-') {
                return false;
            }
        }
        start = end + 1;
    }
    return true;
}

// Whether an entry of the domain lock is a host name, with or without a leading ".".
bool isDomainEntry(std::u16string_view entry, HostToAscii toAscii)
{
    const std::u16string_view name = entry.front() == u'.' ? entry.substr(1) : entry;
    for (char16_t c : name) {
        if (isForbiddenInHost(c)) {
            return false; // as typed; IDNA would map some of them to others
        }
    }
    const std::optional<std::u16string> host = asciiHost(name, toAscii);
    return host && isHostName(*host);
}

std::u16string hostNamesExpected()
{
    return u" Give host names such as " + std::u16string(sampleDomain) +
           u" or .example.com (that host and all below it), separated by commas or blanks.";
}

std::optional<std::u16string> domainLockProblem(std::u16string_view text, HostToAscii toAscii)
{
    const std::vector<std::u16string_view> entries = LockDomainEntries(text);
    if (entries.empty()) {
        return u"The domain lock names no host." + hostNamesExpected();
    }
    for (std::u16string_view entry : entries) {
        if (!isDomainEntry(entry, toAscii)) {
            return quotedText(entry) + u" in the domain lock is not a host name." +
                   hostNamesExpected();
        }
    }
    return std::nullopt;
}

bool isPortNumber(std::u16string_view port)
{
    if (port.empty() || port.size() > 5) {
        return false;
    }
    return std::all_of(port.begin(), port.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// The host of an address, a host name with an optional port, when it is one.
bool isAddressHost(std::u16string_view host, HostToAscii toAscii)
{
    const std::size_t colon = host.find(u':');
    const std::u16string_view name = host.substr(0, colon);
    if (colon != npos && !isPortNumber(host.substr(colon + 1))) {
        return false;
    }
    if (std::any_of(name.begin(), name.end(), isForbiddenInHost)) {
        return false;
    }
    const std::optional<std::u16string> ascii = asciiHost(name, toAscii);
    return ascii && isHostName(*ascii);
}

std::optional<std::u16string> urlLockProblem(std::u16string_view url, HostToAscii toAscii)
{
    const std::u16string expected = u" Give the address of a page, beginning with http:// or "
                                    u"https://, such as " +
                                    std::u16string(sampleAddress) + u".";
    constexpr std::u16string_view blanks = u" \t\r\n";
    const std::size_t first = url.find_first_not_of(blanks);
    const std::u16string_view text =
        first == npos ? std::u16string_view()
                      : url.substr(first, url.find_last_not_of(blanks) - first + 1);
    const bool web =
        MatchesIgnoreCase(text, 0, u"http://") || MatchesIgnoreCase(text, 0, u"https://");
    const AddressParts parts = addressParts(text);
    if (MatchesIgnoreCase(text, 0, u"file://")) {
        // A page opened from disk: its address has no host, or a host name.
        return parts.host.empty() || isAddressHost(parts.host, toAscii)
                   ? std::nullopt
                   : std::optional(quotedText(parts.host) +
                                   u" in the URL lock is not a host name." + expected);
    }
    // Without a scheme the address is taken as http: it must begin with a host name that has a
    // dot (or is localhost), so that a word or another scheme's address is not taken for one.
    const bool typedHost =
        FindExact(text, u"://") == npos && isAddressHost(parts.host, toAscii) &&
        (parts.host.find(u'.') != npos || MatchesIgnoreCase(parts.host, 0, u"localhost"));
    if (!web && !typedHost) {
        return u"The URL lock " + quotedText(text) + u" is not a web address." + expected;
    }
    if (parts.host.empty()) {
        return u"The URL lock " + quotedText(text) + u" names no host." + expected;
    }
    if (!isAddressHost(parts.host, toAscii)) {
        return quotedText(parts.host) + u" in the URL lock is not a host name." + expected;
    }
    return std::nullopt;
}

} // namespace

std::vector<std::u16string_view> LockDomainEntries(std::u16string_view text)
{
    std::vector<std::u16string_view> entries;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || isListSeparator(text[i])) {
            if (i > start) {
                entries.push_back(text.substr(start, i - start));
            }
            start = i + 1;
        }
    }
    return entries;
}

std::u16string LockHost(std::u16string_view entry, HostToAscii toAscii)
{
    return asciiEntry(entry, toAscii).value_or(lowerAscii(entry));
}

std::u16string LockAddress(std::u16string_view url, HostToAscii toAscii)
{
    const AddressParts parts = addressParts(url);
    std::u16string address = parts.head;
    if (parts.hasHost) {
        address += asciiAddressHost(parts.host, toAscii).value_or(lowerAscii(parts.host));
        if (parts.rest.empty()) {
            address += u'/';
        }
    }
    appendPrintable(address, parts.rest);
    return address;
}

std::optional<LockProblem> FindLockProblem(const ProtectionSettings& settings)
{
    if (settings.domainLock) {
        if (auto problem = domainLockProblem(settings.lockDomain, settings.hostToAscii)) {
            return LockProblem{LockText::Domain, std::move(*problem)};
        }
    }
    if (settings.urlLock) {
        if (auto problem = urlLockProblem(settings.lockUrl, settings.hostToAscii)) {
            return LockProblem{LockText::Url, std::move(*problem)};
        }
    }
    return std::nullopt;
}

} // namespace quorlane::core
