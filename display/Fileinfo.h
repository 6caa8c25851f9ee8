// Resolving a file name against a directory other than the current one.
#pragma once

#include <string>

// The absolute form of path, a relative path taken from dir; "." and ".."
// are resolved. An empty path or dir gives path unchanged. A dir that
// cannot be entered leaves the base of the expansion at the current
// directory. The process's current directory is the same afterwards,
// also when an error is raised.
std::string ExpandFileNameInDir(const std::string& path, const std::string& dir);
