#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quorlane::cli {

// The paths of a list that another program wrote (find, git ls-files): one a line, a CR before
// the line feed and blank lines left out; or, nulSeparated, each ended by a NUL (find -print0),
// which lets a path hold any character but NUL.
std::vector<std::string> ReadPathList(std::istream& in, bool nulSeparated);

// Adds the paths listed in the file source, or on in for "-", to paths; gives an error message
// instead when the file cannot be read.
std::optional<std::string> AddListedPaths(const std::string& source, bool nulSeparated,
                                          std::istream& in, std::vector<std::string>& paths);

} // namespace quorlane::cli
