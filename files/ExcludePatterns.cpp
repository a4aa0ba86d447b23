#include "files/ExcludePatterns.h"

#include "core/Utf8.h"
#include "files/NameCase.h"

namespace quorlane::files {

namespace {

constexpr std::u16string_view anyParts = u"**";

std::vector<std::u16string_view> partsOf(std::u16string_view path)
{
    std::vector<std::u16string_view> parts;
    while (!path.empty()) {
        const std::size_t slash = path.find(u'/');
        const std::u16string_view part = path.substr(0, slash);
        if (!part.empty()) {
            parts.push_back(part);
        }
        if (slash == std::u16string_view::npos) {
            break;
        }
        path.remove_prefix(slash + 1);
    }
    return parts;
}

// A class "[...]" at the start of glob, against c; gives the length of the class, or 0 when
// it is no class (an unclosed "[" is a plain character).
std::size_t matchClass(std::u16string_view glob, char16_t c, bool& matched)
{
    std::size_t at = 1;
    const bool negated = at < glob.size() && (glob[at] == u'!' || glob[at] == u'^');
    at += negated ? 1 : 0;
    bool found = false;
    for (bool first = true; at < glob.size() && (first || glob[at] != u']'); first = false) {
        const char16_t low = glob[at];
        if (at + 2 < glob.size() && glob[at + 1] == u'-' && glob[at + 2] != u']') {
            found = found || (c >= low && c <= glob[at + 2]);
            at += 3;
        } else {
            found = found || c == low;
            at += 1;
        }
    }
    if (at >= glob.size()) {
        return 0;
    }
    matched = found != negated;
    return at + 1;
}

// One part of a path against one part of a pattern: "*" any run of characters, "?" one, "[...]"
// one of a class, "\" takes the next character as it is.
bool matchPart(std::u16string_view glob, std::u16string_view name)
{
    if (glob.empty()) {
        return name.empty();
    }
    if (glob[0] == u'*') {
        for (std::size_t skip = 0; skip <= name.size(); ++skip) {
            if (matchPart(glob.substr(1), name.substr(skip))) {
                return true;
            }
        }
        return false;
    }
    if (name.empty()) {
        return false;
    }
    if (glob[0] == u'?') {
        return matchPart(glob.substr(1), name.substr(1));
    }
    if (glob[0] == u'[') {
        bool matched = false;
        if (const std::size_t length = matchClass(glob, name[0], matched)) {
            return matched && matchPart(glob.substr(length), name.substr(1));
        }
    }
    if (glob[0] == u'\\' && glob.size() > 1) {
        glob.remove_prefix(1);
    }
    return glob[0] == name[0] && matchPart(glob.substr(1), name.substr(1));
}

bool matchParts(const std::vector<std::u16string>& glob, std::size_t g,
                const std::vector<std::u16string_view>& path, std::size_t p)
{
    if (g == glob.size()) {
        return p == path.size();
    }
    if (glob[g] == anyParts) {
        for (std::size_t skip = p; skip <= path.size(); ++skip) {
            if (matchParts(glob, g + 1, path, skip)) {
                return true;
            }
        }
        return false;
    }
    return p < path.size() && matchPart(glob[g], path[p]) && matchParts(glob, g + 1, path, p + 1);
}

} // namespace

std::optional<std::string> ExcludePatterns::problem(std::u16string_view pattern)
{
    const std::u16string_view body = pattern.starts_with(u'!') ? pattern.substr(1) : pattern;
    if (partsOf(body).empty()) {
        return "the pattern \"" + core::Utf16ToUtf8(pattern) +
               "\" names no file: give a name or a path, such as *.txt or _sources/";
    }
    return std::nullopt;
}

ExcludePatterns::ExcludePatterns(const std::vector<std::u16string>& patterns)
{
    for (std::u16string_view text : patterns) {
        if (problem(text)) {
            continue;
        }
        Pattern pattern;
        pattern.takesBack = text.starts_with(u'!');
        text.remove_prefix(pattern.takesBack ? 1 : 0);
        pattern.foldersOnly = text.ends_with(u'/');
        // A pattern with a "/" before its end is a path from the added folder; one without is a
        // name at any depth.
        const std::u16string_view trimmed =
            pattern.foldersOnly ? text.substr(0, text.size() - 1) : text;
        if (trimmed.find(u'/') == std::u16string_view::npos) {
            pattern.parts.emplace_back(anyParts);
        }
        // Names are matched as the file system compares them: ignoring case on Windows.
        for (const std::u16string_view part : partsOf(trimmed)) {
            pattern.parts.push_back(NameCaseKey(part));
        }
        m_patterns.push_back(std::move(pattern));
    }
}

bool ExcludePatterns::excludes(std::u16string_view relative, bool isFolder) const
{
    const std::u16string key = NameCaseKey(relative);
    const std::vector<std::u16string_view> path = partsOf(key);
    bool excluded = false;
    for (const Pattern& pattern : m_patterns) {
        if (excluded != pattern.takesBack || (pattern.foldersOnly && !isFolder)) {
            continue;
        }
        if (matchParts(pattern.parts, 0, path, 0)) {
            excluded = !pattern.takesBack;
        }
    }
    return excluded;
}

} // namespace quorlane::files
