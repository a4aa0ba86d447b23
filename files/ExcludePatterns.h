#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorlane::files {

// Files and folders left out of a run, by patterns written as in a .gitignore file, each
// relative to the added folder: "*.txt" (a name at any depth), "/searchindex.js" or
// "docs/*.map" (a path from the added folder), "_sources/" (folders only), "**/build",
// "drafts/**", "[abc]?.png", and "!keep.txt" to take back what an earlier pattern left out.
// The last pattern that matches decides. A folder left out is not entered at all, so nothing
// below it is taken back. Names are compared as the file system compares them (ignoring case on
// Windows).
class ExcludePatterns
{
public:
    ExcludePatterns() = default;
    // Gives why a pattern cannot be used, naming it; nothing when all can.
    static std::optional<std::string> problem(std::u16string_view pattern);
    explicit ExcludePatterns(const std::vector<std::u16string>& patterns);

    bool empty() const { return m_patterns.empty(); }
    // relative: the path below the added folder, parts separated by "/", without a leading one.
    bool excludes(std::u16string_view relative, bool isFolder) const;

private:
    struct Pattern
    {
        std::vector<std::u16string> parts; // "**" stands for any number of parts
        bool foldersOnly = false;
        bool takesBack = false;
    };
    std::vector<Pattern> m_patterns;
};

} // namespace quorlane::files
