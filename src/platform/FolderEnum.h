// Folder enumeration with the results Windows gives (FindFirstFileA/FindNextFileA): the pattern's
// wildcards match case-insensitively, and entries come in NTFS order, that is by ordinal
// comparison of the upper-cased names, whatever the file system underneath.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct FoundEntry {
    std::string Name; // the entry's long name, without folder
    bool IsDirectory = false;
};

// Enumerates a "\"-joined pattern such as "SetDefs\*.xml" or "Library\Head\Color\*.*" (the
// wildcards "*" and "?" only in the last component). False when the folder cannot be read; an
// existing folder with no match gives true and an empty list. "." and ".." are listed when the
// pattern matches them, as on Windows.
bool FindEntries(std::string_view programPattern, std::vector<FoundEntry>& entries);

// Windows wildcard match of one name, ignoring ASCII letter case. "*.*" matches every name.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// NTFS order: upper-cased names compared ordinally.
bool PrecedesInNtfsOrder(std::string_view a, std::string_view b);
void SortInNtfsOrder(std::vector<FoundEntry>& entries);

} // namespace quillon
